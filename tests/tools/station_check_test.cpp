#include <gtest/gtest.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "capture.h"
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
  // close_ms: the close box after the last tick; choice_ms: the choice after the EXIT tick;
  // again_ms: a choice that long after the close box, and two steps of a green run, or none.
  Station(int exercise, Fault fault, int close_ms = 400, int choice_ms = 4459, int again_ms = 0)
      : fault_(fault), close_ms_(close_ms), choice_ms_(choice_ms), again_ms_(again_ms) {
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
    const std::int64_t exit = ms_;
    Tick([&] { Red(0); });  // EXIT
    // Chosen again, "Green LED" before the first tick, the run window closed by its close box.
    ms_ = exit + choice_ms_;
    FirstSteps(1);
    ms_ = ms_ - period_ + close_ms_;
    Red(0);
    if (again_ms_ == 0) return text_;
    ms_ += again_ms_;
    FirstSteps(2);
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

  // A menu choice, "Green LED" before the first tick, and the first steps of the run.
  void FirstSteps(int steps) {
    const std::int64_t chosen = ms_;
    Red(0);
    ms_ = chosen + period_;
    for (int index = 0; index < steps; ++index)
      Tick([&] {
        if (index == 0) Red(0);
        Green(Step(index));
      });
  }

  std::uint8_t Step(int index) const {
    return index < static_cast<int>(steps_.size()) ? steps_[static_cast<std::size_t>(index)] : 0;
  }
  template <typename Body>
  void Tick(Body body) {
    const std::int64_t start = ms_;
    body();
    ms_ = start + period_;
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
  int close_ms_, choice_ms_, again_ms_;
  std::vector<std::uint8_t> steps_;
  int period_;
  std::int64_t ms_ = 0;
  std::string text_;
};

// A session held whole, as a reader hands it on.
struct Report {
  std::int64_t us = 0;
  std::vector<std::uint8_t> bytes;  // report ID first
  std::size_t line = 0;
};
struct PlugChange {
  std::int64_t us = 0;
  bool plugged = false;
};
struct Session {
  std::vector<Report> reports;
  std::vector<PlugChange> plugs;
};

class Recorder : public SessionSink {
 public:
  void Report(std::int64_t us, std::span<const std::uint8_t> bytes, std::size_t number) override {
    session.reports.push_back({us, {bytes.begin(), bytes.end()}, number});
  }
  void Plug(std::int64_t us, bool plugged) override { session.plugs.push_back({us, plugged}); }
  Session session;
};

// A session judged as it is read; frames: where the picture's frames go, if anywhere.
Verdict Check(const std::string& text, int exercise, Frames* frames = nullptr) {
  Judge judge({exercise, kToleranceMs, frames});
  EXPECT_EQ(ReadSession(text, false, judge).error, "");
  return judge.Finish();
}

// A session held whole, judged: each plug change before the reports of its time.
Verdict Judged(const Session& session, int exercise, int tolerance_ms = kToleranceMs) {
  Judge judge({exercise, tolerance_ms, nullptr});
  std::size_t plug = 0;
  for (const Report& report : session.reports) {
    for (; plug < session.plugs.size() && session.plugs[plug].us <= report.us; ++plug)
      judge.Plug(session.plugs[plug].us, session.plugs[plug].plugged);
    judge.Report(report.us, report.bytes, report.line);
  }
  for (; plug < session.plugs.size(); ++plug)
    judge.Plug(session.plugs[plug].us, session.plugs[plug].plugged);
  return judge.Finish();
}

// A session judged with its picture's frames.
struct Drawn {
  Frames frames{std::tmpfile()};
  Verdict verdict;
  explicit Drawn(const std::string& text, int exercise) : verdict(Check(text, exercise, &frames)) {}
};

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

// The station model run by a user who acts at random moments, often within 300 ms of a tick and
// now and then twice within 200 ms, as its board records the session: each report with the
// event of the model that sent it.
class Simulation {
 public:
  struct Item {
    std::int64_t us = 0;
    bool plug = false, plugged = false;
    std::array<std::uint8_t, 9> report{};
    int event = -1;
  };
  struct Event {
    bool tick = false;
    std::int16_t mode = 0, step = 0;
    bool plugin_clear = false;
    int steady = 0;  // how many ticks in a row before it sent, a second apart
    std::int64_t us = 0;
  };

  Simulation(unsigned seed, std::int16_t exercise) : exercise(exercise), random_(seed) {
    spacing_ = Roll(2) * 1000;  // one event's reports a millisecond apart, or all in one
    Plug(true);
    while (now_ < 150'000'000) {
      if (actions_.empty()) Plan();
      const auto next = std::min_element(actions_.begin(), actions_.end());
      if (timer_ && tick_at_ <= next->first) {
        Tick();
        continue;
      }
      const auto [at, act] = *next;
      actions_.erase(next);
      now_ = std::max(now_, at);
      Do(act);
    }
  }

  std::int16_t exercise;  // its index
  std::vector<Item> items;
  std::vector<Event> events;

 private:
  enum Act { kChoose, kGreen, kRed, kExit, kClose, kPull, kPut, kWait };

  std::int64_t Roll(std::int64_t n) { return static_cast<std::int64_t>(random_() % n); }
  void Queue(std::int64_t at, Act act) { actions_.emplace_back(std::max(at, now_), act); }

  void Plan() {
    if (menu_) return Queue(now_ + (Roll(3) == 0 ? 180'000 : 150'000 + Roll(3'000'000)), kChoose);
    const std::int64_t at =
        Roll(5) < 3 ? tick_at_ + Roll(600'001) - 300'000 : now_ + Roll(2'000'000);
    constexpr Act kActs[] = {kGreen, kGreen, kRed, kExit, kClose, kPull, kWait, kWait, kWait};
    const Act act = kActs[Roll(std::size(kActs))];
    if (act == kWait)
      return Queue(tick_at_ + Roll(25) * 1'000'000 + Roll(600'001) - 300'000, kWait);
    Queue(at, act);
    if (act == kPull) Queue(at + 100'000 + Roll(4'000'000), kPut);
    constexpr Act kSeconds[] = {kChoose, kGreen, kRed, kExit, kClose, kPull, kPut};
    if (Roll(4) == 0) Queue(at + Roll(200'001), kSeconds[Roll(std::size(kSeconds))]);
  }

  void Do(Act act) {
    if (act == kPull || act == kPut) {
      if (present_ != (act == kPut)) Plug(act == kPut);
    } else if (act == kChoose && menu_) {
      model_.RunWindowLoaded();
      events.push_back({false, model_.RunMode, model_.StepIndex, false, 0, now_});
      Send(model_.ExerciseChosen(exercise, Board()));
      menu_ = false;
      timer_ = true;
      scheduled_ = now_ + 1'000'000 + Roll(40'000);  // the run window shows, its timer starts
      tick_at_ = scheduled_ + Roll(41'000) - 20'000;
    } else if (act == kClose && !menu_) {
      events.push_back({false, model_.RunMode, model_.StepIndex, false, 0, now_});
      Send(model_.RunWindowClosed(Board()));
      menu_ = true;
      timer_ = false;
    } else if (act >= kGreen && act <= kExit && !menu_) {
      model_.ButtonClicked(static_cast<std::int16_t>(act - kGreen));
    }
  }

  void Tick() {
    now_ = std::max(now_, tick_at_);
    steady_ = sent_at_ == scheduled_ - 1'000'000 ? steady_ + 1 : 0;
    events.push_back({true, model_.RunMode, model_.StepIndex,
                      model_.LastBoardState == 0 && present_, steady_, now_});
    const orlanek::Answer answer = model_.Tick(Board());
    if (!answer.writes.empty()) sent_at_ = scheduled_;
    Send(answer);
    if (answer.flow == orlanek::Flow::kShowMenu) {
      menu_ = true;
      timer_ = false;
      return;
    }
    scheduled_ += 1'000'000;
    tick_at_ = scheduled_ + Roll(41'000) - 20'000;
  }

  // The reports go out back to back; those after the board is pulled out are lost.
  void Send(const orlanek::Answer& answer) {
    std::int64_t at = now_;
    for (const orlanek::BoardReport& r : orlanek::ReportsOf(answer.writes)) {
      for (const auto& [when, act] : actions_)
        if (act == kPull && when <= at && present_) return;
      Item item;
      item.us = at;
      item.report = {0, r.data, r.control};
      item.event = static_cast<int>(events.size()) - 1;
      items.push_back(item);
      now_ = at;
      at += spacing_;
    }
  }

  void Plug(bool in) {
    present_ = in;
    Item item;
    item.us = now_;
    item.plug = true;
    item.plugged = in;
    items.push_back(item);
  }
  std::int16_t Board() const { return present_ ? -1 : 0; }

  std::mt19937 random_;
  orlanek::StationModel model_;
  std::vector<std::pair<std::int64_t, Act>> actions_;
  std::int64_t now_ = 0, spacing_ = 0, scheduled_ = 0, tick_at_ = 0, sent_at_ = -1;
  int steady_ = 0;
  bool present_ = true, menu_ = true, timer_ = false;
};

Verdict Judged(const std::vector<Simulation::Item>& items, int exercise) {
  Judge judge({exercise, kToleranceMs, nullptr});
  for (std::size_t line = 0; line < items.size(); ++line) {
    if (items[line].plug) {
      judge.Plug(items[line].us, items[line].plugged);
    } else {
      judge.Report(items[line].us, items[line].report, line + 1);
    }
  }
  return judge.Finish();
}

// The faults a program can make, each put once into a session where it can be told.
enum class Flaw {
  kWrongStep,
  kTwice,
  kNoStrobe,
  kSwapped,
  kLate,
  kNoPluginClear,
  kNoRunClear,
  kPad
};

// The places in a session where a fault shows beyond doubt.
class Sites {
 public:
  explicit Sites(const Simulation& s) : s_(s), items_(s.items) {}

  bool Fit(Flaw fault, std::size_t i) const {
    if (items_[i].plug) return false;
    const Simulation::Event& e = Event(i);
    switch (fault) {
      case Flaw::kWrongStep:  // a step that the two ticks before pin down
        return e.tick && e.steady >= 2 && Control(i) == 0 && items_[i].report[1] != 0;
      case Flaw::kTwice:
        return Quiet(i);
      case Flaw::kNoStrobe:
        return Quiet(i) && Control(i) == 0x30;
      case Flaw::kSwapped:
        return Quiet(i) && Control(i) == 0x20 && i + 1 < items_.size() && !items_[i + 1].plug &&
               Control(i + 1) == 0x30;
      case Flaw::kLate:
        return e.tick && e.steady >= 1 && First(i) &&
               (i + 1 == items_.size() || items_[i + 1].event != items_[i].event) &&
               !Near(items_[i].us, 400'000, false, i);
      case Flaw::kNoPluginClear:
        return e.tick && e.plugin_clear && First(i) && Clear(i) && PluginClearShows(i);
      case Flaw::kNoRunClear:
        return e.tick && e.steady >= 2 && First(i) && Clear(i) && e.mode == 0 && e.step == 0 &&
               !e.plugin_clear && !RunGoesOn(i);
      case Flaw::kPad:
        return true;
    }
    return false;
  }

 private:
  const Simulation::Event& Event(std::size_t i) const {
    return s_.events[static_cast<std::size_t>(items_[i].event)];
  }
  std::uint8_t Control(std::size_t i) const { return items_[i].report[2]; }
  // Another report (or plug change) within us of t.
  bool Near(std::int64_t t, std::int64_t us, bool plugs, std::size_t but) const {
    for (std::size_t j = 0; j < items_.size(); ++j)
      if (j != but && (!plugs || items_[j].plug) && std::abs(items_[j].us - t) < us) return true;
    return false;
  }
  // No plug change follows it before the next report.
  bool Quiet(std::size_t i) const { return i + 1 == items_.size() || !items_[i + 1].plug; }
  bool First(std::size_t i) const { return i == 0 || items_[i - 1].event != items_[i].event; }
  // Without its clear the run's first step is the next one of the run before it.
  bool RunGoesOn(std::size_t i) const {
    const Simulation::Event& before = s_.events[static_cast<std::size_t>(items_[i].event) - 1];
    const std::span<const std::uint8_t> steps = orlanek::ExerciseAt(s_.exercise)->steps;
    const auto next = static_cast<std::size_t>(before.step + 1);
    return before.tick && before.mode == 0 && i + 3 < items_.size() &&
           items_[i + 3].report[1] == (next < steps.size() ? steps[next] : 0);
  }
  // It begins a red clear of its event.
  bool Clear(std::size_t i) const {
    return i + 2 < items_.size() && items_[i + 2].event == items_[i].event && !items_[i + 2].plug &&
           items_[i].report[1] == 0 && Control(i) == 0x20;
  }
  // The tick plays a step after the clear (or it might not have been a tick at all), and the
  // tick before it saw the board away beyond doubt. Else the run window might have been closed
  // and the exercise chosen again, unseen, while the board was away: so the board came back too
  // soon for a run to reach this step after such a choice.
  bool PluginClearShows(std::size_t i) const {
    const bool step = i + 3 < items_.size() && items_[i + 3].event == items_[i].event &&
                      !(items_[i + 3].report[1] == 0 && Control(i + 3) == 0x20);
    std::int64_t pulled = 0;
    for (std::size_t j = 0; j < i; ++j)
      if (items_[j].plug && !items_[j].plugged) pulled = items_[j].us;
    if (!step || items_[i].us - pulled > Event(i).step * 1'000'000 + 500'000) return false;
    const auto before = std::find_if(
        s_.events.rbegin() + static_cast<std::ptrdiff_t>(s_.events.size()) - items_[i].event,
        s_.events.rend(), [](const Simulation::Event& t) { return t.tick; });
    return before != s_.events.rend() && !Near(items_[i].us, 300'000, true, i) &&
           !Near(before->us, 300'000, true, i);
  }

  const Simulation& s_;
  const std::vector<Simulation::Item>& items_;
};

// Puts the fault in at a random place that shows it; the rule it breaks, or 0 if none does.
int Plant(Flaw fault, Simulation& s, std::mt19937& random) {
  std::vector<std::size_t> sites;
  for (std::size_t i = 0; i < s.items.size(); ++i)
    if (Sites(s).Fit(fault, i)) sites.push_back(i);
  if (sites.empty()) return 0;
  std::vector<Simulation::Item>& items = s.items;
  const std::size_t i = sites[random() % sites.size()];
  const auto at = items.begin() + static_cast<std::ptrdiff_t>(i);
  switch (fault) {
    case Flaw::kWrongStep:
      items[i].report[1] ^= 0x10;
      return 4;
    case Flaw::kTwice:
      items.insert(at + 1, items[i]);
      return items[i].report[2] == 0 ? 4 : 2;
    case Flaw::kNoStrobe:
      items.erase(at);
      return 2;
    case Flaw::kSwapped:
      std::swap(items[i].report, items[i + 1].report);
      return 2;
    case Flaw::kLate:
      items[i].us += 150'000;
      return 3;
    case Flaw::kNoPluginClear:
    case Flaw::kNoRunClear:
      items.erase(at, at + 3);
      return fault == Flaw::kNoRunClear ? 4 : 6;
    case Flaw::kPad:
      items[i].report[3] = 1;
      return 1;
  }
  return 0;
}

TEST(StationCheck, TheModelsOwnSessionsBreakNoRuleAndEachFaultBreaksItsOwn) {
  int put = 0;
  for (unsigned seed = 1; seed <= 500; ++seed) {
    const auto exercise = static_cast<std::int16_t>(seed % 10);
    const int given = seed % 2 == 0 ? exercise + 1 : 0;
    Simulation station(seed, exercise);
    const Verdict clean = Judged(station.items, given);
    EXPECT_EQ(Broken(clean), std::set<int>{}) << "seed " << seed << "\n" << Describe(clean);
    std::mt19937 random(seed);
    const auto fault = static_cast<Flaw>(seed / 2 % 8);
    const int rule = Plant(fault, station, random);
    if (rule == 0) continue;
    ++put;
    const Verdict faulty = Judged(station.items, given);
    EXPECT_EQ(Broken(faulty), std::set<int>{rule})
        << "seed " << seed << ", fault " << static_cast<int>(fault) << "\n"
        << Describe(faulty);
  }
  EXPECT_GT(put, 400) << "faults put in";
}

TEST(StationCheck, TheReferenceBehaviourPassesEveryExerciseAndIsNamedByItsSteps) {
  for (int exercise = 1; exercise <= 10; ++exercise) {
    const std::string session = Station(exercise, Fault::kNone).Session();
    const Drawn given(session, exercise);
    EXPECT_TRUE(given.verdict.pass) << Describe(given.verdict);
    const Verdict found = Check(session, 0);
    EXPECT_TRUE(found.pass) << Describe(found);
    EXPECT_EQ(found.exercise, exercise);
    EXPECT_EQ(PictureSvg(given.verdict, given.frames).find("#ffd040"), std::string::npos)
        << "no tick marked different";
  }
  const Verdict other = Check(Station(3, Fault::kNone).Session(), 4);
  EXPECT_EQ(Broken(other), std::set<int>{4}) << Describe(other);
  // Events close to a tick: the close box, a menu choice after EXIT and after the close box.
  for (const int close_ms : {4, 40, 150, 280, 990}) {
    const Verdict verdict = Check(Station(3, Fault::kNone, close_ms, 150, 180).Session(), 0);
    EXPECT_TRUE(verdict.pass) << "close box " << close_ms << " ms after a tick\n"
                              << Describe(verdict);
  }
  // Without a step seen, no exercise is named.
  const Verdict none = Check("{\"ms\":5,\"report\":[0,0,32,0]}\n", 0);
  EXPECT_EQ(Describe(none).substr(0, Describe(none).find('\n')),
            "exercise not told (no green step seen)");
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
  // Between reports the rules stand as judged so far: the wrong step breaks rule 4 as it comes,
  // and the reference's rows tell what it would have shown.
  Judge live({3});
  std::istringstream lines(Station(3, Fault::kWrongStep).Session());
  std::size_t number = 0;
  for (std::string line;
       std::getline(lines, line) && live.Now().rules[3].status != Status::kBroken;) {
    const Record record = ReadJsonLine(line).record;
    if (record.kind == Record::Kind::kReport) live.Report(record.us, record.report, ++number);
    if (record.kind == Record::Kind::kPlugged) live.Plug(record.us, true);
  }
  const Verdict now = live.Now();
  EXPECT_EQ(now.now.green, 12 ^ 0x10) << Describe(now);
  EXPECT_EQ(now.now.reference_green, 12) << Describe(now);
  EXPECT_EQ(now.rules[0].status, Status::kHeld);
  EXPECT_EQ(now.rules[4].status, Status::kNotSeen);
  // A wider allowance, for an emulated PC's rough clock, takes the late tick.
  Recorder late;
  ReadSession(Station(3, Fault::kOneTickLate).Session(), false, late);
  EXPECT_TRUE(Judged(late.session, 3, 250).pass) << Describe(Judged(late.session, 3, 250));
  // The picture marks where the program went wrong.
  const Drawn wrong(Station(3, Fault::kWrongStep).Session(), 3);
  EXPECT_NE(PictureSvg(wrong.verdict, wrong.frames).find("#ffd040"), std::string::npos);
  // The PNG decodes, and says PASS or FAIL in its first line of text.
  const Image failed = Decode(PicturePng(wrong.verdict, wrong.frames));
  ASSERT_FALSE(failed.rows.empty()) << "the PNG does not decode";
  Verdict told_passed = wrong.verdict;
  told_passed.pass = true;
  const Image passed = Decode(PicturePng(told_passed, wrong.frames));
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
  // The rule as the user reads it goes into the SVG; the PNG, whose font has ASCII alone, draws
  // the English one.
  Verdict chinese = wrong.verdict;
  chinese.rules[3].shown_name = "第 3 題的綠燈列執行";
  chinese.rules[3].shown_detail = "在 6.100 s 送出綠燈 67";
  EXPECT_NE(
      PictureSvg(chinese, wrong.frames).find("rule 4, 第 3 題的綠燈列執行: BROKEN - 在 6.100 s"),
      std::string::npos)
      << "the SVG does not show the rule as the user reads it";
  EXPECT_EQ(PicturePng(chinese, wrong.frames), PicturePng(wrong.verdict, wrong.frames))
      << "the PNG draws the rule in the user's language";
}

TEST(StationCheck, UnreadableLinesAreNamed) {
  const std::string good = "{\"ms\":5,\"report\":[0,1,0,0,0,0,0,0,0]}\n";
  for (const std::string bad :
       {"{\"ms\":6,\"report\":[0,256]}", "{\"report\":[0,1,0]}", "{\"ms\":1,\"event\":\"plugged\"}",
        "report 0 1 0", "{\"ms\":7,\"report\":[0,1,0]",
        "{\"ms\":7,\"x\":[[[[[[[[[[[[[[[[[[1]]]]]]]]]]]]]]]]]]}"}) {
    Recorder recorder;
    const SessionResult read = ReadSession(good + "\n" + bad + "\n" + good, false, recorder);
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

TEST(StationCheck, ANewAddressIsAPlugInAmongTheReportsInTheirOrder) {
  // Written as they come: 'r' a report, '-' unplugged, '+' plugged, each with its time.
  struct Events : SessionSink {
    void Report(std::int64_t us, std::span<const std::uint8_t>, std::size_t) override {
      seen += "r" + std::to_string(us) + " ";
    }
    void Plug(std::int64_t us, bool plugged) override {
      seen += (plugged ? "+" : "-") + std::to_string(us) + " ";
    }
    std::string seen;
  } events;
  SessionBuilder builder(true, events);
  // The stamps the kernel gives: the board back at a new address in the same microsecond, in
  // the next one, and later.
  const std::pair<std::int64_t, std::uint32_t> records[] = {
      {500, 1005}, {500, 1006}, {501, 1007}, {900, 1008}, {899, 1009}};
  for (const auto& [us, device] : records) {
    Record record{.kind = Record::Kind::kReport, .us = us, .report = {0, 1}, .device = device};
    const std::string error = builder.Add(record, 1);
    EXPECT_EQ(error.empty(), us != 899) << us << ": " << error;
  }
  EXPECT_EQ(events.seen, "r0 -0 +0 r0 -1 +1 r1 -2 +399 r400 ")
      << "and nothing for the one back in time";
}

// USB captures made from bytes as dumpcap and USBPcap write them. kPcapngBesideEthernet: a
// big-endian machine's pcapng, in nanoseconds, an Ethernet interface's packets among the USB ones.
enum class FileForm { kPcap, kPcapBigEndianNanoseconds, kPcapng, kPcapngBesideEthernet };

void Put(std::string& out, std::uint64_t value, int size, bool big = false) {
  for (int i = 0; i < size; ++i) out += static_cast<char>(value >> 8 * (big ? size - 1 - i : i));
}

struct Transfer {
  std::uint32_t device = 1005;  // bus * 1000 + address
  std::array<std::uint8_t, 8> setup{};
  std::vector<std::uint8_t> out, in;
  bool refused = false;
};

class Capture {
 public:
  // stages: each stage of a control transfer a packet of its own, as older USBPcap writes them.
  Capture(FileForm form, int link, bool stages = false)
      : form_(form), link_(link), stages_(stages) {
    beside_ = form == FileForm::kPcapngBesideEthernet;
    big_ = form == FileForm::kPcapBigEndianNanoseconds || beside_;
    if (form == FileForm::kPcapng || beside_) {
      std::string section;
      Put(section, 0x1A2B3C4D, 4, big_);
      Put(section, 1, 2, big_);
      Put(section, 0, 2, big_);
      Put(section, ~std::uint64_t{0}, 8, big_);
      Block(0x0A0D0D0A, section);
      // if_tsresol: nanoseconds.
      const std::string nanoseconds("\0\x09\0\x01\x09\0\0\0", 8);
      if (beside_) Interface(1, nanoseconds);
      Interface(link, beside_ ? nanoseconds : "");
      return;
    }
    Put(file, big_ ? 0xa1b23c4d : 0xa1b2c3d4, 4, big_);
    for (const auto& [value, size] : {std::pair{2, 2}, {4, 2}, {0, 4}, {0, 4}, {262144, 4}})
      Put(file, static_cast<std::uint64_t>(value), size, big_);
    Put(file, static_cast<std::uint64_t>(link), 4, big_);
  }

  // A control transfer: its submission at us, its completion 100 us later.
  void Control(std::int64_t us, const Transfer& t) {
    ++id_;
    if (stages_) {
      Packet(us, UsbPcap(t, false, {}, 2, 0));
      if (!t.out.empty()) Packet(us + 50, UsbPcap(t, false, t.out, 2, 1));
      if (!t.in.empty()) Packet(us + 50, UsbPcap(t, true, t.in, 2, 1));
      Packet(us + 100, UsbPcap(t, true, {}, 2, 2));
      return;
    }
    Packet(us, link_ == kLinkUsbPcap ? UsbPcap(t, false, t.out) : Usbmon(t, 'S', t.out));
    Packet(us + 100, link_ == kLinkUsbPcap ? UsbPcap(t, true, t.in) : Usbmon(t, 'C', t.in));
  }
  // A keyboard's key on its interrupt endpoint.
  void Interrupt(std::int64_t us) {
    Transfer key;
    key.device = 1002;
    key.in = {0, 0, 4, 0, 0, 0, 0, 0};
    ++id_;
    Packet(us, link_ == kLinkUsbPcap ? UsbPcap(key, true, key.in, 1) : Usbmon(key, 'C', key.in, 1));
    if (beside_) Packet(us + 1, std::string(60, '\xff'), 0);
  }

  std::string file;

 private:
  std::string Usbmon(const Transfer& t, char type, const std::vector<std::uint8_t>& data,
                     char kind = 2) {
    std::string p;
    Put(p, id_, 8, big_);
    p += {type, kind, static_cast<char>(t.setup[0] & 0x80), static_cast<char>(t.device % 1000)};
    Put(p, t.device / 1000, 2, big_);
    p += {type == 'S' ? '\0' : '-', data.empty() ? '>' : '\0'};
    p.append(12, '\0');                                                    // the time stamp
    const std::int32_t status = type == 'S' ? -115 : t.refused ? -32 : 0;  // EINPROGRESS, EPIPE
    Put(p, static_cast<std::uint32_t>(status), 4, big_);
    Put(p, data.size(), 4, big_);
    Put(p, data.size(), 4, big_);
    p.append(t.setup.begin(), t.setup.end());
    if (link_ == kLinkUsbLinuxMmapped) p.append(16, '\0');
    return p.append(data.begin(), data.end());
  }
  std::string UsbPcap(const Transfer& t, bool answer, const std::vector<std::uint8_t>& data,
                      char kind = 2, char stage = -1) {
    if (stage < 0) stage = answer ? 3 : 0;  // complete, setup
    std::vector<std::uint8_t> body = data;
    if (stage == 0) body.insert(body.begin(), t.setup.begin(), t.setup.end());
    std::string p;
    Put(p, kind == 2 ? 28 : 27, 2);
    Put(p, id_, 8);
    Put(p, answer && t.refused ? 0xC0000004 : 0, 4);  // USBD_STATUS_STALL_PID
    Put(p, 8, 2);
    p += static_cast<char>(answer);
    Put(p, t.device / 1000, 2);
    Put(p, t.device % 1000, 2);
    p += {static_cast<char>(kind == 2 ? 0 : 0x81), kind};
    Put(p, body.size(), 4);
    if (kind == 2) p += stage;
    return p.append(body.begin(), body.end());
  }
  void Interface(int link, const std::string& options) {
    std::string interface;
    Put(interface, static_cast<std::uint64_t>(link), 2, big_);
    Put(interface, 0, 2, big_);
    Put(interface, 262144, 4, big_);
    Block(1, interface + options);
  }
  // interface: in pcapng, the USB one unless told.
  void Packet(std::int64_t us, const std::string& bytes, int interface = -1) {
    auto time = static_cast<std::uint64_t>(us);
    if (form_ == FileForm::kPcapng || beside_) {
      if (beside_) time *= 1000;
      std::string block;
      for (const std::uint64_t value :
           {interface < 0 ? std::uint64_t{beside_} : 0, time >> 32, time & 0xffffffff,
            std::uint64_t{bytes.size()}, std::uint64_t{bytes.size()}})
        Put(block, value, 4, big_);
      Block(6, block + bytes);
      return;
    }
    Put(file, time / 1'000'000, 4, big_);
    Put(file, time % 1'000'000 * (big_ ? 1000 : 1), 4, big_);
    Put(file, bytes.size(), 4, big_);
    Put(file, bytes.size(), 4, big_);
    file += bytes;
  }
  void Block(std::uint32_t type, std::string body) {
    body.resize((body.size() + 3) / 4 * 4);
    Put(file, type, 4, big_);
    Put(file, body.size() + 12, 4, big_);
    file += body;
    Put(file, body.size() + 12, 4, big_);
  }

  FileForm form_;
  int link_;
  bool stages_;
  bool beside_ = false, big_ = false;
  std::uint64_t id_ = 0xffff8a8c4a1b3c00;
};

Transfer SetReport(std::uint32_t device, const std::vector<std::uint8_t>& report) {
  Transfer t;
  t.device = device;
  const std::uint8_t id = report[0];
  t.out.assign(report.begin() + (id ? 0 : 1), report.end());
  t.setup = {0x21, 0x09, id, 0x03, 0, 0, static_cast<std::uint8_t>(t.out.size()), 0};
  return t;
}

Transfer DeviceDescriptor(std::uint32_t device, std::uint16_t vendor, std::uint16_t product) {
  Transfer t;
  t.device = device;
  t.setup = {0x80, 0x06, 0x00, 0x01, 0, 0, 18, 0};
  t.in = {18, 1, 0, 2, 0, 0, 0, 64};
  for (const std::uint16_t id : {vendor, product})
    t.in.insert(t.in.end(), {static_cast<std::uint8_t>(id), static_cast<std::uint8_t>(id >> 8)});
  t.in.resize(18);
  return t;
}

// Exercise 7 with the board pulled out and put back during its run, as virtual-board wrote it.
const Session& Played() {
  static const Session session = [] {
    Recorder recorder;
    ReadSession(Station(7, Fault::kNone).Session(), false, recorder);
    return recorder.session;
  }();
  return session;
}

// Played() on the bus: the board at address 5 of bus 1, back at address 6 after the plug-in,
// a keyboard's keys in between.
struct Bus {
  bool first_described = true;  // else the capture began after the board was enumerated
  std::size_t refused = SIZE_MAX;
  std::size_t* before_last = nullptr;  // the file's size before the last report
  bool stages = false;                 // as Capture's
};
std::string OnTheBus(FileForm form, int link, const Bus& bus = {}) {
  Capture capture(form, link, bus.stages);
  const Session& session = Played();
  const std::int64_t start = 1'700'000'000'000'000;
  std::uint32_t device = 1005;
  if (bus.first_described) capture.Control(start, DeviceDescriptor(device, 0x1234, 0x6789));
  std::size_t plug = 1;  // the first plug-in came before the capture
  for (std::size_t i = 0; i < session.reports.size(); ++i) {
    const Report& report = session.reports[i];
    for (; plug < session.plugs.size() && session.plugs[plug].us <= report.us; ++plug)
      if (session.plugs[plug].plugged)
        capture.Control(start + session.plugs[plug].us, DeviceDescriptor(++device, 0x1234, 0x6789));
    if (i % 10 == 0) capture.Interrupt(start + report.us - 50);
    Transfer t = SetReport(device, report.bytes);
    t.refused = i == bus.refused;
    if (bus.before_last && i + 1 == session.reports.size()) *bus.before_last = capture.file.size();
    capture.Control(start + report.us, t);
  }
  return capture.file;
}

// What a reader made of a file: the session it handed on, or why it could not.
struct Readout {
  Session session;
  std::string error;
  std::vector<std::string> notes;
};

Readout Read(const std::string& bytes, std::uint32_t device = 0) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::rewind(file);
  Recorder recorder;
  SessionResult read = ReadInput(file, false, device, recorder);
  return {std::move(recorder.session), std::move(read.error), std::move(read.notes)};
}

// The reports' bytes, and their times from the first.
std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> Sent(const Session& session) {
  std::vector<std::pair<std::int64_t, std::vector<std::uint8_t>>> sent;
  for (const Report& report : session.reports)
    sent.emplace_back(report.us - session.reports[0].us, report.bytes);
  return sent;
}

// The file as gzip writes it.
std::string Gzip(const std::string& bytes) {
  z_stream zip{};
  deflateInit2(&zip, Z_BEST_SPEED, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zip, static_cast<uLong>(bytes.size())), '\0');
  zip.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  zip.avail_in = static_cast<uInt>(bytes.size());
  zip.next_out = reinterpret_cast<Bytef*>(out.data());
  zip.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&zip, Z_FINISH), Z_STREAM_END);
  out.resize(zip.total_out);
  deflateEnd(&zip);
  return out;
}

TEST(StationCheckInput, EveryFormGivesTheSessionItHolds) {
  const struct {
    FileForm form;
    int link;
    bool stages = false;
  } captures[] = {{FileForm::kPcap, kLinkUsbLinuxMmapped},
                  {FileForm::kPcap, kLinkUsbPcap, true},
                  {FileForm::kPcapBigEndianNanoseconds, kLinkUsbLinux},
                  {FileForm::kPcapng, kLinkUsbPcap},
                  {FileForm::kPcapng, kLinkUsbLinuxMmapped},
                  {FileForm::kPcapngBesideEthernet, kLinkUsbLinux},
                  {FileForm::kPcapngBesideEthernet, kLinkUsbPcap}};
  for (const auto& [form, link, stages] : captures) {
    const std::string plain = OnTheBus(form, link, {.stages = stages});
    for (const std::string& bytes : {plain, Gzip(plain)}) {
      const Readout read = Read(bytes);
      ASSERT_EQ(read.error, "") << "link type " << link;
      EXPECT_EQ(read.notes, std::vector<std::string>{});
      EXPECT_EQ(Sent(read.session), Sent(Played())) << "link type " << link;
      const Verdict verdict = Judged(read.session, 0);
      EXPECT_TRUE(verdict.pass) << Describe(verdict);
      EXPECT_EQ(verdict.rules[5].detail, "1 plug-in(s)") << "the new address is the plug-in";
    }
  }
  // Wireshark's numbers count the other interface's packets too: one beside every tenth report's
  // keyboard key, the first before the first report.
  const Session beside = Read(OnTheBus(FileForm::kPcapngBesideEthernet, kLinkUsbPcap)).session;
  const Session alone = Read(OnTheBus(FileForm::kPcapng, kLinkUsbPcap)).session;
  ASSERT_EQ(beside.reports.size(), alone.reports.size());
  EXPECT_EQ(beside.reports[12].line, alone.reports[12].line + 2);
  EXPECT_EQ(Sent(Read(Station(7, Fault::kNone).Session()).session), Sent(Played()));
}

TEST(StationCheckInput, TheBoardIsTheDeviceThatSaysSoElseTheOneThatGotReports) {
  // A device that names another product, and one that does not name itself, get reports too.
  const auto with_other = [](bool other_described) {
    Capture other(FileForm::kPcap, kLinkUsbLinuxMmapped);
    if (other_described) other.Control(50, DeviceDescriptor(1007, 0x046d, 0xc52b));
    other.Control(60, SetReport(1007, {0x10, 0xff, 0x09}));
    const std::size_t header = 24;
    return OnTheBus(FileForm::kPcap, kLinkUsbLinuxMmapped, {false}) + other.file.substr(header);
  };
  // The capture began after the board's enumeration: its first address is the only one
  // without a descriptor that got reports; its second names itself.
  const Readout alone = Read(with_other(true));
  ASSERT_EQ(alone.error, "");
  EXPECT_EQ(Sent(alone.session), Sent(Played()));
  EXPECT_EQ(Judged(alone.session, 7).rules[5].detail, "1 plug-in(s)");

  const Readout two = Read(with_other(false));
  EXPECT_NE(two.error.find("several devices (1.5, 1.7)"), std::string::npos) << two.error;
  EXPECT_NE(two.error.find("--device"), std::string::npos) << two.error;
  const Readout chosen = Read(with_other(false), 1005);
  ASSERT_EQ(chosen.error, "");
  EXPECT_EQ(Sent(chosen.session), Sent(Played()));
}

TEST(StationCheckInput, ACutCaptureIsJudgedAsFarAsItIsWholeAndOtherFilesAreNone) {
  for (const FileForm form : {FileForm::kPcap, FileForm::kPcapng}) {
    std::size_t before_last = 0;
    const std::string whole = OnTheBus(form, kLinkUsbPcap, {true, SIZE_MAX, &before_last});
    const Readout cut = Read(whole.substr(0, before_last + 30));
    ASSERT_EQ(cut.error, "");
    ASSERT_EQ(cut.notes.size(), 1u);
    EXPECT_NE(cut.notes[0].find("ends inside packet"), std::string::npos) << cut.notes[0];
    std::vector<Report> expected = Played().reports;
    expected.pop_back();
    EXPECT_EQ(Sent(cut.session), Sent({expected, {}}));
  }
  const std::string ethernet = Capture(FileForm::kPcap, 1).file;
  for (const std::string& bad : {std::string("GIF89a\x01\x00"), ethernet.substr(0, 10), ethernet}) {
    const Readout read = Read(bad);
    EXPECT_NE(read.error, "") << bad.size() << " bytes";
  }
  EXPECT_NE(Read(ethernet).error.find("not of USB"), std::string::npos) << Read(ethernet).error;
}

std::string DataFile(const std::string& name) {
  std::ifstream file(STATION_CHECK_DATA "/" + name, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

TEST(StationCheckInput, ACaptureWithoutTheBoardGetsNoVerdictButTheDevicesItHolds) {
  // A keyboard that names itself, and a device whose descriptor is not in the capture.
  Capture other(FileForm::kPcapngBesideEthernet, kLinkUsbPcap);
  other.Control(50, DeviceDescriptor(1002, 0x046d, 0xc52b));
  Transfer status;
  status.device = 1003;
  status.setup = {0x80, 0x00, 0, 0, 0, 0, 2, 0};  // GET_STATUS
  other.Control(60, status);
  for (const std::string& bytes : {other.file, Gzip(other.file)}) {
    const std::string error = Read(bytes).error;
    EXPECT_EQ(error.rfind("no verdict: the capture holds no traffic to the board", 0), 0u) << error;
    EXPECT_NE(error.find("1.2 (046d:c52b, 1 transfers), 1.3 (1 transfers)"), std::string::npos)
        << error;
    EXPECT_NE(error.find("USBPcap"), std::string::npos) << error;
  }
  // A board named with --device that the capture does not hold.
  const std::string absent = Read(OnTheBus(FileForm::kPcap, kLinkUsbLinuxMmapped), 1009).error;
  EXPECT_NE(absent.find("1.9, named with --device, is not in it"), std::string::npos) << absent;
  EXPECT_NE(absent.find("1.5 (1234:6789, "), std::string::npos) << absent;
  EXPECT_NE(absent.find("lsusb"), std::string::npos) << absent;
  // The kernel's usbmon text of a bus with a keyboard in place of the board.
  std::istringstream lines(DataFile("orlanek-exercise-7-on-usb.usbmon"));
  std::string keyboard;
  for (std::string line; std::getline(lines, line);) {
    const std::size_t board = line.find("34128967");
    if (board != std::string::npos) line.replace(board, 8, "6d042bc5");
    if (line.find(" s 21 09 03") == std::string::npos) keyboard += line + "\n";
  }
  const std::string text = Read(keyboard).error;
  EXPECT_EQ(text.rfind("no verdict: the usbmon text holds no traffic to the board", 0), 0u) << text;
  EXPECT_NE(text.find("1.2 (046d:c52b, 12 transfers), 1.3 (046d:c52b, "), std::string::npos)
      << text;
}

TEST(StationCheckInput, ATransferTheBoardRefusedIsNotCountedButTold) {
  std::vector<Report> expected = Played().reports;
  expected.erase(expected.begin() + 3);
  for (const int link : {kLinkUsbLinuxMmapped, kLinkUsbPcap}) {
    const Readout read = Read(OnTheBus(FileForm::kPcapng, link, {true, 3}));
    ASSERT_EQ(read.error, "");
    EXPECT_EQ(Sent(read.session), Sent({expected, {}})) << "link type " << link;
    ASSERT_EQ(read.notes.size(), 1u);
    EXPECT_EQ(read.notes[0].rfind("1 transfer(s) that the board refused", 0), 0u) << read.notes[0];
  }
  // In usbmon text: the fourth report's completion says -32 (EPIPE), not 0.
  std::string text = DataFile("orlanek-exercise-7-on-usb.usbmon");
  std::size_t at = 0;
  for (int n = 0; n < 4; ++n) at = text.find(" s 21 09 03", at + 1);
  at = text.find('\n', text.find(" C Co:", at)) - 6;
  ASSERT_EQ(text.substr(at, 6), " 0 8 >");
  const Readout read = Read(text.replace(at, 6, " -32 0"));
  EXPECT_EQ(read.session.reports.size(), 43u);
  EXPECT_EQ(read.notes, std::vector<std::string>{RefusedNote(1)});
  // In the library's log, a report the system did not take is written as "failed".
  const Readout logged =
      Read("{\"ms\":0,\"event\":\"plugged\"}\n{\"ms\":1,\"failed\":[0,3,0],\"length\":3}\n");
  ASSERT_EQ(logged.error, "");
  EXPECT_EQ(logged.session.reports.size(), 0u);
  EXPECT_EQ(logged.notes, std::vector<std::string>{RefusedNote(1)});
}

// What CaptureFile reads from bytes: each packet's link type, time and kept size, then how it ends.
std::string Packets(const std::string& bytes) {
  std::FILE* file = std::tmpfile();
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fflush(file);
  const int descriptor = dup(fileno(file));
  lseek(descriptor, 0, SEEK_SET);
  const gzFile stream = gzdopen(descriptor, "rb");
  CaptureFile capture(stream);
  const bool started = capture.Start();
  std::string seen = started ? "" : "no start: " + capture.why();
  CaptureFile::Next next = CaptureFile::Next::kEnd;
  while (started && (next = capture.Read()) == CaptureFile::Next::kPacket)
    seen += std::to_string(capture.link_type()) + (capture.big_endian() ? " big " : " ") +
            std::to_string(capture.us()) + " " + std::to_string(capture.size()) + "; ";
  gzclose(stream);
  std::fclose(file);
  return seen + (next == CaptureFile::Next::kCut ? "cut: " + capture.why() : "end");
}

TEST(StationCheckInput, TheCaptureReaderTakesEveryPacketBlockOfEverySection) {
  std::string file;
  const auto block = [&](std::uint32_t type, std::string body, bool big) {
    body.resize((body.size() + 3) / 4 * 4);
    for (const std::uint64_t word : {std::uint64_t{type}, body.size() + 12})
      Put(file, word, 4, big);
    file += body;
    Put(file, body.size() + 12, 4, big);
  };
  const auto start = [&](bool big, int link, const std::string& options) {
    std::string section, interface;
    for (const auto& [value, size] : {std::pair{0x1A2B3C4D, 4}, {1, 2}, {0, 2}, {-1, 8}})
      Put(section, static_cast<std::uint64_t>(value), size, big);
    block(0x0A0D0D0A, section, big);
    Put(interface, static_cast<std::uint64_t>(link), 2, big);
    Put(interface, 0, 6, big);
    block(1, interface + options, big);
  };
  const auto packet = [&](std::uint32_t type, std::vector<std::uint64_t> head, std::size_t size,
                          bool big = false) {
    std::string body;
    for (const std::uint64_t word : head) Put(body, word, 4, big);
    block(type, body + std::string(size, 'u'), big);
  };
  // USBPcap in 2^-20 s, its stamps 100 s early (if_tsresol, if_tsoffset); an Ethernet beside it.
  std::string options("\x09\0\x01\0\x94\0\0\0\x0e\0\x08\0", 12);
  Put(options, 100, 8);
  start(false, kLinkUsbPcap, options);
  block(1, std::string("\x01\0\0\0\0\0\0\0", 8), false);
  block(4, "a name resolution block", false);
  packet(6, {0, 0, 7 << 19, 40, 40}, 40);  // 3.5 s
  packet(3, {30}, 30);                     // a simple packet: the time of the one before
  packet(6, {1, 0, 0, 60, 60}, 60);
  packet(2, {0, 0, 1 << 20, 28, 28}, 30);  // the obsolete packet block, at 1 s
  block(5, std::string(28, '\0'), false);  // interface statistics
  packet(6, {0, 0, 0, 300000, 300000}, 300000);
  start(true, kLinkUsbLinux, "");  // a second section, big-endian, in microseconds
  packet(6, {0, 0, 2'000'000, 48, 48}, 48, true);
  const std::string whole =
      "249 103500000 40; 249 103500000 30; 1 0 0; "
      "249 101000000 28; 249 100000000 262144; 189 big 2000000 48; ";
  EXPECT_EQ(Packets(file), whole + "end");
  EXPECT_EQ(Packets(Gzip(file)), whole + "end");
  // Damaged, or cut short: what came before is read.
  std::string damaged = file;
  damaged[damaged.size() - 1] ^= 0x40;
  EXPECT_EQ(Packets(damaged), whole.substr(0, whole.rfind("189")) + "cut: a damaged block");
  const std::string zipped = Gzip(file);
  const std::string cut = Packets(zipped.substr(0, zipped.size() - 20));
  EXPECT_EQ(cut.substr(0, 40), whole.substr(0, 40)) << cut;
  EXPECT_EQ(cut.substr(cut.find("cut: ")), "cut: the file ends there") << cut;
}

TEST(StationCheckInput, ReportsGoOnInTheirOrderWhicheverOfTheirTransfersEndsFirst) {
  Recorder recorder;
  SessionBuilder builder(true, recorder);
  CaptureStream stream({1005}, builder);
  static const std::uint8_t kData[] = {1, 2, 3, 4, 5};
  const auto send = [&](std::uint64_t id, UsbPacket::Kind kind, bool failed = false) {
    UsbPacket packet;
    packet.kind = kind;
    packet.id = id;
    packet.device = 1005;
    packet.failed = failed;
    const std::uint8_t setup[] = {0x21, 0x09, 0, 0x03, 0, 0, 1, 0};
    std::copy(std::begin(setup), std::end(setup), packet.setup);
    packet.data = &kData[id];
    packet.size = kind == UsbPacket::Kind::kSubmit ? 1 : 0;
    EXPECT_EQ(stream.Add(packet, id, static_cast<std::int64_t>(id) * 1000), "");
  };
  for (const std::uint64_t id : {0, 1, 2}) send(id, UsbPacket::Kind::kSubmit);
  send(2, UsbPacket::Kind::kComplete);
  send(0, UsbPacket::Kind::kComplete, true);
  send(3, UsbPacket::Kind::kSubmit);
  send(3, UsbPacket::Kind::kSubmit);  // its id again: the first one's completion was lost
  EXPECT_EQ(stream.Finish(), "");     // and 1's, and the second 3's
  std::vector<std::vector<std::uint8_t>> sent;
  for (const Report& report : recorder.session.reports) sent.push_back(report.bytes);
  EXPECT_EQ(sent, (std::vector<std::vector<std::uint8_t>>{{0, 2}, {0, 3}, {0, 4}, {0, 4}}));
  EXPECT_EQ(stream.refused(), 1u);
}

TEST(StationCheckInput, RealCapturesOfOrlanekPass) {
  // Orlanek on virtual-board --usb in the VM, exercise 7 with the board pulled out and put back
  // during its run, then the red walk: the usbmon text (but the root hub's and the interrupt
  // endpoint's lines), and dumpcap's pcapng of another such session, whole. The board comes
  // back at a new address.
  for (const char* name :
       {"orlanek-exercise-7-on-usb.usbmon", "orlanek-exercise-7-on-usb.pcapng"}) {
    const Readout read = Read(DataFile(name));
    ASSERT_EQ(read.error, "") << name;
    EXPECT_EQ(read.session.reports.size(), 44u) << name;
    const Verdict verdict = Judged(read.session, 0);
    EXPECT_TRUE(verdict.pass) << name << "\n" << Describe(verdict);
    EXPECT_EQ(verdict.exercise, 7);
    EXPECT_EQ(verdict.rules[5].status, Status::kHeld) << Describe(verdict);
  }
}

}  // namespace
}  // namespace station_check
