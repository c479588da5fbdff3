#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "exercise_table.h"
#include "judge.h"
#include "picture.h"
#include "readers.h"
#include "station_model.h"

namespace station_check {
namespace {

// What a station program can get wrong.
enum class Fault {
  kNone,
  kWrongStep,
  kStrobeOutOfOrder,
  kTicks700,
  kOneTickLate,
  kNoRunClear,
  kNoPluginClear,
  kPlayedTwice,
  kGreenDuringWalk,
  kPadding,
};

// A station program's session as virtual-board --json writes it: choose the exercise, play it,
// play it again with the board pulled out and put back during the run, walk the red row, EXIT,
// choose it again and close the run window.
class Station {
 public:
  Station(int exercise, Fault fault) : fault_(fault) {
    const orlanek::Exercise* row = orlanek::ExerciseAt(static_cast<std::int16_t>(exercise - 1));
    steps_.assign(row->steps.begin(), row->steps.end());
    period_ = fault == Fault::kTicks700 ? 700 : 1000;
  }

  std::string Session() {
    Event("plugged");
    ms_ = 400;
    Red(0);  // the menu choice
    ms_ = 1400;
    Tick([&] { Red(0); });  // the first tick finds the board: plug-in clear
    GreenRun(false);
    GreenRun(true);
    for (int step = 0; step < 10; ++step)
      Tick([&] {
        if (step > 7) return Red(0);
        Red(static_cast<std::uint8_t>(1 << step));
        if (fault_ == Fault::kGreenDuringWalk && step == 3) Green(0);
      });
    Tick([&] { Red(0); });  // EXIT
    // Chosen again, "Green LED" before the first tick, the run window closed by its close box.
    ms_ += 3456;
    Red(0);
    ms_ += 1000;
    Tick([&] {
      Red(0);
      Green(Step(0));
    });
    ms_ -= 600;
    Red(0);
    return text_;
  }

 private:
  void GreenRun(bool replug) {
    for (int index = 0; index < 21; ++index) {
      if (replug && index == 3) {
        Event("unplugged");
        ms_ += 2 * period_;
        Event("plugged");
        index += 2;
        Tick([&] {
          if (fault_ != Fault::kNoPluginClear) Red(0);
          Green(Step(index));
        });
        continue;
      }
      const int late = fault_ == Fault::kOneTickLate && !replug && index == 8 ? 180 : 0;
      ms_ += late;
      Tick([&] {
        if (index == 0 && fault_ != Fault::kNoRunClear) Red(0);
        std::uint8_t value = Step(index);
        if (fault_ == Fault::kWrongStep && index == 2) value ^= 0x10;
        if (fault_ == Fault::kPlayedTwice && index >= static_cast<int>(steps_.size()))
          value = Step(index - static_cast<int>(steps_.size()));
        Green(value);
      });
      ms_ -= late;
    }
  }

  std::uint8_t Step(int index) const {
    return index < static_cast<int>(steps_.size()) ? steps_[static_cast<std::size_t>(index)] : 0;
  }
  template <typename Body>
  void Tick(Body body) {
    body();
    ms_ += period_;
  }
  void Red(std::uint8_t value) {
    if (fault_ == Fault::kStrobeOutOfOrder && value == 8) {
      for (const std::uint8_t control : {0x30, 0x20, 0x20}) Report(value, control);
      return;
    }
    for (const std::uint8_t control : {0x20, 0x30, 0x20}) Report(value, control);
  }
  void Green(std::uint8_t value) { Report(value, 0); }
  void Report(std::uint8_t data, std::uint8_t control) {
    const int pad = fault_ == Fault::kPadding && data == 6 ? 1 : 0;
    text_ += "{\"ms\":" + std::to_string(ms_++) + ",\"report\":[0," + std::to_string(data) + "," +
             std::to_string(control) + "," + std::to_string(pad) +
             ",0,0,0,0,0],\"length\":9,\"number\":0,\"green\":0,\"red\":0}\n";
  }
  void Event(const char* what) {
    text_ += "{\"ms\":" + std::to_string(ms_) + ",\"event\":\"" + what + "\"}\n";
  }

  Fault fault_;
  std::vector<std::uint8_t> steps_;
  int period_;
  std::int64_t ms_ = 0;
  std::string text_;
};

// A session of the station model itself, as its board would record it: a user choosing the
// exercise, clicking the run window's buttons at random, pulling the board out and putting it
// back, closing the run window now and then; ticks a few milliseconds off the second.
std::string ModelSession(unsigned seed, std::int16_t exercise) {
  std::mt19937 random(seed);
  const auto roll = [&](unsigned n) { return static_cast<int>(random() % n); };
  orlanek::StationModel station;
  std::string text = "{\"ms\":0,\"event\":\"plugged\"}\n";
  std::int64_t ms = 0, tick = 0;
  bool present = true, menu = true;
  const auto send = [&](const orlanek::Answer& answer) {
    for (const orlanek::BoardReport& r : orlanek::ReportsOf(answer.writes))
      text += "{\"ms\":" + std::to_string(ms++) + ",\"report\":[0," + std::to_string(r.data) + "," +
              std::to_string(r.control) + ",0,0,0,0,0,0]}\n";
  };
  for (int step = 0; step < 150; ++step) {
    if (menu) {
      ms += 500 + roll(4000);
      station.RunWindowLoaded();
      send(station.ExerciseChosen(exercise, present ? -1 : 0));
      tick = ms + 1000;
      menu = false;
    } else if (roll(100) == 0) {
      ms = tick - 600 + roll(200);
      send(station.RunWindowClosed(present ? -1 : 0));
      menu = true;
    } else {
      if (roll(25) == 0) {
        present = !present;
        text += "{\"ms\":" + std::to_string(tick - 500) + ",\"event\":\"" +
                (present ? "plugged" : "unplugged") + "\"}\n";
      }
      if (roll(10) == 0) station.ButtonClicked(static_cast<std::int16_t>(roll(3)));
      ms = tick + roll(40) - 20;
      const orlanek::Answer answer = station.Tick(present ? -1 : 0);
      send(answer);
      menu = answer.flow == orlanek::Flow::kShowMenu;
      tick += 1000;
    }
  }
  return text;
}

Verdict Check(const std::string& text, int exercise) {
  const SessionResult read = ReadSession(text, false);
  EXPECT_EQ(read.error, "");
  return Judge(read.session, exercise);
}

// A PNG picture's RGB rows, each after its filter byte, as zlib inflates them; none when a chunk's
// CRC is wrong or the image data do not inflate to exactly the rows its header names.
struct Image {
  std::size_t width = 0, height = 0;
  std::vector<std::uint8_t> rows;
};

Image Decode(const std::vector<std::uint8_t>& png) {
  Image image;
  std::vector<std::uint8_t> data;
  const auto u32 = [&](std::size_t at) {
    return std::size_t{png[at]} << 24 | std::size_t{png[at + 1]} << 16 |
           std::size_t{png[at + 2]} << 8 | png[at + 3];
  };
  for (std::size_t at = 8; at + 12 <= png.size();) {
    const std::size_t size = u32(at);
    if (at + 12 + size > png.size() ||
        crc32(0, &png[at + 4], static_cast<uInt>(size + 4)) != u32(at + 8 + size))
      return {};
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    if (type == "IHDR") {
      image.width = u32(at + 8);
      image.height = u32(at + 12);
    } else if (type == "IDAT") {
      data.insert(data.end(), &png[at + 8], &png[at + 8] + size);
    }
    at += 12 + size;
  }
  // One byte more than the rows need, to see data beyond them.
  uLongf size = image.height * (1 + 3 * image.width);
  image.rows.resize(size + 1);
  if (uncompress(image.rows.data(), &size, data.data(), static_cast<uLong>(data.size())) != Z_OK ||
      size + 1 != image.rows.size())
    return {};
  image.rows.resize(size);
  return image;
}

std::set<int> Broken(const Verdict& verdict) {
  std::set<int> broken;
  for (const RuleResult& rule : verdict.rules)
    if (rule.status == Status::kBroken) broken.insert(rule.number);
  return broken;
}

TEST(StationCheck, TheReferenceBehaviourPassesEveryExerciseAndIsNamedByItsSteps) {
  for (int exercise = 1; exercise <= 10; ++exercise) {
    const std::string session = Station(exercise, Fault::kNone).Session();
    const Verdict given = Check(session, exercise);
    EXPECT_TRUE(given.pass) << Describe(given);
    const Verdict found = Check(session, 0);
    EXPECT_TRUE(found.pass) << Describe(found);
    EXPECT_EQ(found.exercise, exercise);
    EXPECT_EQ(PictureSvg(given).find("#ffd040"), std::string::npos) << "no tick marked different";
  }
  const Verdict other = Check(Station(3, Fault::kNone).Session(), 4);
  EXPECT_EQ(Broken(other), std::set<int>{4}) << Describe(other);
}

TEST(StationCheck, TheModelsOwnSessionsBreakNoRule) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    const auto exercise = static_cast<std::int16_t>(seed % 10);
    const Verdict verdict = Check(ModelSession(seed, exercise), exercise + 1);
    EXPECT_TRUE(Broken(verdict).empty()) << "seed " << seed << "\n" << Describe(verdict);
  }
}

TEST(StationCheck, EachFaultFailsTheRuleItBreaks) {
  // Across the unplugged seconds a 700 ms program also plays other steps than the reference.
  const struct {
    Fault fault;
    std::set<int> rules;
  } cases[] = {
      {Fault::kWrongStep, {4}},   {Fault::kStrobeOutOfOrder, {2}}, {Fault::kTicks700, {3, 4}},
      {Fault::kOneTickLate, {3}}, {Fault::kNoRunClear, {4}},       {Fault::kNoPluginClear, {6}},
      {Fault::kPlayedTwice, {4}}, {Fault::kGreenDuringWalk, {5}},  {Fault::kPadding, {1}},
  };
  for (const auto& c : cases) {
    const Verdict verdict = Check(Station(3, c.fault).Session(), 3);
    EXPECT_FALSE(verdict.pass) << Describe(verdict);
    EXPECT_EQ(Broken(verdict), c.rules) << "fault " << static_cast<int>(c.fault) << "\n"
                                        << Describe(verdict);
  }
  // A wider allowance, for an emulated PC's rough clock, takes the late tick.
  const SessionResult late = ReadSession(Station(3, Fault::kOneTickLate).Session(), false);
  EXPECT_TRUE(Judge(late.session, 3, 250).pass) << Describe(Judge(late.session, 3, 250));
  // The picture marks where the program went wrong.
  const Verdict wrong = Check(Station(3, Fault::kWrongStep).Session(), 3);
  EXPECT_NE(PictureSvg(wrong).find("#ffd040"), std::string::npos);
  // The PNG decodes, and says PASS or FAIL in its first line of text.
  const Image failed = Decode(PicturePng(wrong));
  ASSERT_FALSE(failed.rows.empty()) << "the PNG does not decode";
  Verdict told_passed = wrong;
  told_passed.pass = true;
  const Image passed = Decode(PicturePng(told_passed));
  ASSERT_EQ(passed.rows.size(), failed.rows.size());
  std::size_t first = failed.rows.size(), last = 0;
  for (std::size_t i = 0; i < failed.rows.size(); ++i)
    if (failed.rows[i] != passed.rows[i]) {
      first = std::min(first, i);
      last = i;
    }
  const std::size_t stride = 1 + 3 * failed.width;
  EXPECT_LT(first, failed.rows.size()) << "PASS and FAIL are drawn alike";
  EXPECT_LT(last / stride, 20u) << "a difference in pixel row " << last / stride;
}

TEST(StationCheck, UnreadableLinesAreNamed) {
  const std::string good = "{\"ms\":5,\"report\":[0,1,0,0,0,0,0,0,0]}\n";
  for (const std::string bad :
       {"{\"ms\":6,\"report\":[0,256]}", "{\"report\":[0,1,0]}", "{\"ms\":1,\"event\":\"plugged\"}",
        "report 0 1 0", "{\"ms\":7,\"report\":[0,1,0]",
        "{\"ms\":7,\"x\":[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]}"}) {
    const SessionResult read = ReadSession(good + "\n" + bad + "\n" + good, false);
    EXPECT_EQ(read.error.rfind("line 3: ", 0), 0u) << bad << " -> " << read.error;
  }
  EXPECT_EQ(
      ReadJsonLine(
          R"({"ms": 3007, "report": [0, 3, 0], "length": 3, "x": {"y": [true, null, "\"]"]}})")
          .record.report,
      (std::vector<std::uint8_t>{0, 3, 0}));
}

TEST(StationCheck, UsbmonSetReportsAreReportsWithTheirIdInFront) {
  const LineResult set = ReadUsbmonLine(
      "ffff8a8c4a1b3c00 3575914555 S Co:1:005:0 s 21 09 0300 0000 0008 8 = 00300000 00000000");
  ASSERT_EQ(set.error, "");
  EXPECT_EQ(set.record.kind, Record::Kind::kReport);
  EXPECT_EQ(set.record.us, 3575914555);
  EXPECT_EQ(set.record.device, 1005u);
  EXPECT_EQ(set.record.report, (std::vector<std::uint8_t>{0, 0, 0x30, 0, 0, 0, 0, 0, 0}));
  for (const char* other : {"d5ea89a0 3575914555 S Ci:1:001:0 s a3 00 0000 0003 0004 4 <",
                            "ffff8a8c4a1b3c00 3575914560 C Co:1:005:0 0 8 >", ""})
    EXPECT_EQ(ReadUsbmonLine(other).record.kind, Record::Kind::kNothing) << other;
  for (const char* bad : {"garbage", "ffff 12 S Co:1:005:0 s 21 09 0300 0000 0008 8 = 0030",
                          "ffff 12 X Co:1:005:0", "ffff 12 S Co:1:005:0 s 21 09 0300 0000 0008 8 <",
                          "ffff 12 S Co:1:005:0 s 21 09 0306 0000 0003 3 = 000102"})
    EXPECT_NE(ReadUsbmonLine(bad).error, "") << bad;
}

TEST(StationCheck, ARealUsbmonCaptureOfOrlanekPasses) {
  // Orlanek on virtual-board --usb in the VM, exercise 7 with the board pulled out and put back
  // during its run, then the red walk: the whole usbmon text but the root hub's and the
  // interrupt endpoint's lines. The board comes back at a new address.
  std::ifstream file(STATION_CHECK_DATA "/orlanek-exercise-7-on-usb.usbmon");
  std::ostringstream text;
  text << file.rdbuf();
  const SessionResult read = ReadSession(text.str(), true);
  ASSERT_EQ(read.error, "");
  EXPECT_EQ(read.session.reports.size(), 44u);
  const Verdict verdict = Judge(read.session, 0);
  EXPECT_TRUE(verdict.pass) << Describe(verdict);
  EXPECT_EQ(verdict.exercise, 7);
  EXPECT_EQ(verdict.rules[5].status, Status::kHeld) << Describe(verdict);
}

}  // namespace
}  // namespace station_check
