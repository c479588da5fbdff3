#include "explain.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "exercise_table.h"

namespace station_check {
namespace {

namespace board = orlanek::board;
using orlanek::BoardReport;
using orlanek::kRunModeGreen;
using orlanek::kRunModeIdle;
using orlanek::kRunModeRed;
using Outcome = Reference::Outcome;

constexpr std::int16_t kAbsent = 0;
// What a user could have done before a tick: nothing, or one of the run window's buttons.
constexpr std::int16_t kNoButton = -1;
constexpr std::int16_t kButtons[] = {kNoButton, kRunModeGreen, kRunModeRed, orlanek::kRunModeExit};
// The steps the memo tells apart: every step from the last on plays as the last.
constexpr int kSteps = board::kLastStep + 2;
constexpr int kModes = 4;
// What an offence costs. Where several explain a report, the one that keeps closest to the
// reference is taken: reports left out before one the reference sends, before a report in
// place of another, before a report too many. One in a latch that rule 2 found broken costs
// least, so that the explanation puts the fault there, judged already.
constexpr int kOffence = 2, kInPlace = 3, kTooMany = 4, kInBrokenLatch = 1;
// The explanations kept are no dearer than the cheapest by this: one offence more, so that
// an explanation that is cheapest at one report but leads nowhere leaves the next in its place.
constexpr int kBeam = 2;
// More silent ticks than the sequencer can tell apart lead nowhere new.
constexpr int kMostSlots = 1 << 20;

std::size_t ModeIndex(std::int16_t mode) {
  switch (mode) {
    case kRunModeGreen:
      return 0;
    case kRunModeRed:
      return 1;
    case orlanek::kRunModeExit:
      return 2;
    default:
      return 3;
  }
}

void Fill(Outcome& outcome, const orlanek::Answer& answer) {
  outcome.count = static_cast<std::uint8_t>(answer.writes.size());
  std::copy(answer.writes.begin(), answer.writes.end(), outcome.writes.begin());
  const std::vector<BoardReport> reports = orlanek::ReportsOf(answer.writes);
  outcome.report_count = static_cast<std::uint8_t>(reports.size());
  std::copy(reports.begin(), reports.end(), outcome.reports.begin());
  outcome.to_menu = answer.flow == orlanek::Flow::kShowMenu;
}

int StepsOf(int exercise) {
  return static_cast<int>(orlanek::ExerciseAt(static_cast<std::int16_t>(exercise))->steps.size());
}

int Lowest(std::uint16_t exercises) {
  return std::countr_zero(exercises);
}

// The largest step count among the exercises of the mask.
int MostSteps(std::uint16_t exercises) {
  static const std::array<std::uint8_t, kAnyExercise + 1> kMost = [] {
    std::array<std::uint8_t, kAnyExercise + 1> most{};
    for (std::size_t mask = 1; mask < most.size(); ++mask) {
      const int lowest = std::countr_zero(mask);
      most[mask] =
          static_cast<std::uint8_t>(std::max<int>(most[mask & (mask - 1)], StepsOf(lowest)));
    }
    return most;
  }();
  return kMost[exercises & kAnyExercise];
}

// Slots k >= 1 whose first moment, first + (k - 1) seconds, comes before t.
int SlotsBefore(std::int64_t first, std::int64_t t) {
  if (t <= first) return 0;
  return static_cast<int>(std::min<std::int64_t>((t - first - 1) / kSecond + 1, kMostSlots));
}

std::string Ms(std::int64_t us) {
  return std::to_string(us / 1000) + " ms";
}

using Key = std::array<std::int64_t, 5>;

// What sets an explanation's future apart; what it judged and drew is not.
Key KeyOf(const Explanation& e) {
  Key key{};
  key[0] = std::int64_t{e.seq.mode} | std::int64_t{e.seq.step} << 8 |
           std::int64_t{e.seq.last_board != 0} << 16 | static_cast<std::int64_t>(e.timer) << 17 |
           std::int64_t{e.clean} << 19 | std::int64_t{e.counted} << 20 |
           std::int64_t{e.plugged} << 21 | std::int64_t{e.exercises} << 22 |
           std::int64_t{e.silenced > 0} << 32 | std::int64_t{e.silenced_plugin} << 33;
  key[1] = e.timer != Timer::kOff ? e.anchor : 0;
  if (!e.pending()) return key;
  key[2] = std::int64_t{e.at} | std::int64_t{e.count} << 8 |
           static_cast<std::int64_t>(e.cause) << 16 | std::int64_t{e.plugin_clear} << 18 |
           std::int64_t{e.event_mode} << 20 | std::int64_t{e.write_count} << 28;
  key[3] = e.last_us;
  for (std::size_t w = 0; w < e.write_count; ++w)
    key[4] = key[4] << 9 | std::int64_t{e.writes[w].red} << 8 | e.writes[w].value;
  return key;
}

// Forgets what can no longer make a difference, so that explanations that differ only there
// become one: the step outside a run, the step of a run past its end, the mode in the menu (a
// choice loads the run window idle).
void Settle(Explanation& e) {
  const std::int16_t mode = e.seq.mode;
  const bool running = e.timer != Timer::kOff && (mode == kRunModeGreen || mode == kRunModeRed);
  if (!running) {
    e.clean = e.counted = false;
    e.seq.step = board::kLastStep + 1;
    if (e.timer == Timer::kOff) e.seq.mode = kRunModeIdle;
    return;
  }
  const int end = 1 + (mode == kRunModeRed ? board::kRedWalkSteps : MostSteps(e.exercises));
  if (e.seq.step > end) e.seq.step = static_cast<std::int16_t>(end);
}

Explanation& Of(Explanation& e) {
  return e;
}
Explanation& Of(std::pair<Explanation, int>& e) {
  return e.first;
}

// Explanations gathered once each: the first of those alike is kept.
template <typename Item>
class Gathered {
 public:
  void Add(Item item) {
    Settle(Of(item));
    const Key key = KeyOf(Of(item));
    const auto at = std::lower_bound(keys_.begin(), keys_.end(), key);
    if (at != keys_.end() && *at == key) return;
    keys_.insert(at, key);
    items_.push_back(std::move(item));
  }
  std::vector<Item>& items() { return items_; }

 private:
  std::vector<Key> keys_;  // in order
  std::vector<Item> items_;
};

// Settles the explanations and drops repeated ones, keeping the first of each.
void Dedupe(std::vector<Explanation>& explanations) {
  Gathered<Explanation> kept;
  for (Explanation& e : explanations) kept.Add(std::move(e));
  explanations = std::move(kept.items());
}

bool Same(const std::vector<Explanation>& a, const std::vector<Explanation>& b) {
  if (a.size() != b.size()) return false;
  std::vector<Key> ka, kb;
  for (const Explanation& e : a) ka.push_back(KeyOf(e));
  for (const Explanation& e : b) kb.push_back(KeyOf(e));
  std::sort(ka.begin(), ka.end());
  std::sort(kb.begin(), kb.end());
  return ka == kb;
}

void AddFrame(Explanation& e, const Frame& frame) {
  e.frames = std::make_shared<FrameNode>(FrameNode{frame, std::move(e.frames)});
}

// A green run or red walk, seen whole from its first step to its last without an offence.
void Count(Explanation& e) {
  if (!e.clean || e.counted || e.timer == Timer::kOff) return;
  const int played = e.seq.step - 1;
  if (e.seq.mode == kRunModeGreen && played + 1 >= MostSteps(e.exercises)) {
    ++e.tally.green_runs;
  } else if (e.seq.mode == kRunModeRed && played == board::kRedWalkSteps - 1) {
    ++e.tally.red_walks;
  } else {
    return;
  }
  e.counted = true;
}

// The event has sent its last report, or no more can come; the board shows green and red.
void Complete(Explanation& e, std::uint8_t green, std::uint8_t red, bool frames) {
  e.at = e.count;
  if (frames) AddFrame(e, {e.event_us, true, green, red, e.green, e.red});
  if (e.cause == Cause::kTick) Count(e);
}

// What an explanation takes on with a report besides the report; its text is written only
// where an explanation records it.
struct Offence {
  enum class Kind : std::uint8_t { kContent, kPluginClear, kTiming, kSilenced, kSilencedPlugin };
  int cost = 0;
  int rule = 0;  // 3 to 6, or 0: rule 2's, which the reports alone judge
  Kind kind = Kind::kContent;
  std::array<BoardWrite, 3> expected{};  // kContent: what the reference sends there
  std::uint8_t expected_count = 0;
  std::int64_t since = 0;  // kTiming: since what, and the sentence that tells it
  const char* timing = "";
  int ticks = 0;  // kSilenced

  bool operator==(const Offence&) const = default;
};

// The window in which a silent tick of an explanation's timer may come, and its bounds.
struct Slots {
  int tick_lo = 1, tick_hi = 0;     // silent ticks before a tick at the report, if any can be
  int close_lo = 0, close_hi = -1;  // silent ticks before a close box or a choice
  int late = -1;                    // repairs: the silent ticks before a tick out of time
  std::int64_t deviation = 0;       // a tick at the report, from the whole seconds
  Offence timing;                   // of the late tick
};

// Takes one report into the explanations: each explanation's ways on.
class Taking {
 public:
  // green, red: the board's rows before the report.
  Taking(Reference& reference, const PlugHistory& history, std::uint8_t green, std::uint8_t red,
         const Seen& report, std::int64_t slack, bool repair, bool frames,
         std::vector<Explanation>& out)
      : reference_(reference),
        history_(history),
        green_(green),
        red_(red),
        report_(report),
        sent_{report.data(), report.control()},
        slack_(slack),
        repair_(repair),
        frames_(frames),
        out_(out) {}

  void From(const Explanation& e) {
    if (e.pending()) {
      Continue(e);
    } else {
      Start(e, repair_);
    }
    // A report too many.
    if (repair_) Emit(e, Content(e, e.at, e.at, kTooMany));
  }

 private:
  void Charge(Explanation& e, const Offence& offence);
  Said Told(const Offence& offence) const;

  // Keeps the cheapest, the first of them, of the ways to one state.
  void Emit(Explanation e, const Offence& offence) {
    Charge(e, offence);
    Settle(e);
    const std::pair<Key, std::size_t> key{KeyOf(e), out_.size()};
    const auto at =
        std::lower_bound(index_.begin(), index_.end(), key,
                         [](const auto& a, const auto& b) { return a.first < b.first; });
    if (at == index_.end() || at->first != key.first) {
      index_.insert(at, key);
      out_.push_back(std::move(e));
    } else if (e.cost < out_[at->second].cost) {
      out_[at->second] = std::move(e);
    }
  }

  void Advance(Explanation e, std::size_t at, const Offence& offence) {
    e.at = static_cast<std::uint8_t>(at + 1);
    e.last_us = report_.us;
    if (!e.pending()) Complete(e, report_.green, report_.red, frames_);
    Emit(std::move(e), offence);
  }

  Offence Content(const Explanation& e, std::size_t from, std::size_t to, int cost) const;
  Offence Timing(std::int64_t since, const char* timing) const;
  Offence Silenced(const Explanation& e, const Explanation& origin) const;
  bool Opens(const Outcome& outcome, bool edits) const {
    return outcome.report_count > 0 && (edits || outcome.reports[0] == sent_);
  }

  void Continue(const Explanation& e);
  void Start(const Explanation& from, bool edits);
  void Run(std::vector<Explanation> now, bool edits, bool cycle);
  Slots SlotsOf(const Explanation& e, bool edits) const;
  std::pair<std::int64_t, std::int64_t> Window(const Explanation& e, int slot) const;
  // What the board was in that window.
  unsigned BoardIn(const Explanation& e, int slot) const {
    const auto [from, to] = Window(e, slot);
    return history_.Over(from, to);
  }
  std::vector<Explanation> Silent(const std::vector<Explanation>& now, const Explanation& e,
                                  int slot, bool edits);
  void TickAt(const Explanation& s, int silent, const Explanation& origin, bool edits,
              const Offence& pre, std::int64_t deviation);
  void CloseAt(const Explanation& s, bool edits);
  void Choose(const Explanation& m, bool edits);
  void Enter(Explanation b, const Outcome& outcome, Cause cause, int silent,
             const Explanation& origin, bool edits, const Offence& pre);
  void SilentFrames(Explanation& b, int silent, const Explanation& origin) const;
  Explanation Unseen(const Explanation& m) const;

  bool Away(const Explanation& e) const {
    return (history_.Over(e.last_us, report_.us) & PlugHistory::kAbsent) != 0;
  }

  Reference& reference_;
  const PlugHistory& history_;
  std::uint8_t green_, red_;
  const Seen& report_;
  const BoardReport sent_;
  std::int64_t slack_;
  bool repair_, frames_;
  std::vector<Explanation>& out_;
  std::vector<std::pair<Key, std::size_t>> index_;  // by key, where each is in out_
  std::vector<std::pair<Offence, std::shared_ptr<const Said>>> told_;
};

// Records the offence where the explanation has none against its rule yet; many record the
// same, written once.
void Taking::Charge(Explanation& e, const Offence& offence) {
  if (offence.cost == 0) return;
  e.cost += offence.cost;
  // A run that went wrong is no whole run; one out of time, or through a broken latch that
  // the board took for what the reference sends, still is.
  if (offence.rule > 3) e.clean = false;
  if (offence.rule == 0) return;
  const auto rule = static_cast<std::size_t>(offence.rule - 3);
  if (e.offences->detail[rule]) return;
  auto told = std::find_if(told_.begin(), told_.end(),
                           [&](const auto& known) { return known.first == offence; });
  if (told == told_.end()) {
    told_.emplace_back(offence, std::make_shared<const Said>(Told(offence)));
    told = told_.end() - 1;
  }
  auto offences = std::make_shared<Offences>(*e.offences);
  offences->detail[rule] = told->second;
  e.offences = std::move(offences);
}

Said Taking::Told(const Offence& offence) const {
  const Said where = Where(report_);
  switch (offence.kind) {
    case Offence::Kind::kContent:
      if (offence.expected_count == 0)
        return Say(N_("{1}: sent {2} where the reference sends nothing"), where,
                   DescribeReport(report_));
      return Say(N_("{1}: sent {2} where the reference sends {3}"), where, DescribeReport(report_),
                 Describe(Writes(offence.expected.begin(),
                                 offence.expected.begin() + offence.expected_count)));
    case Offence::Kind::kPluginClear:
      return Say(N_("{1}: the first tick after the plug-in sent {2} without clearing the red "
                    "row first"),
                 where, DescribeReport(report_));
    case Offence::Kind::kTiming:
      return Say(offence.timing, where, Ms(offence.since), Ms(slack_));
    case Offence::Kind::kSilenced:
      return Say(N_("{1}: {2} tick(s) before it sent nothing while the board was plugged in"),
                 where, offence.ticks);
    case Offence::Kind::kSilencedPlugin:
      return Say(N_("{1}: the first tick after the plug-in sent nothing without clearing the "
                    "red row first"),
                 where);
  }
  return where;
}

// Sending this report where the reference sends e's event from its report from on, leaving out
// the reports up to to.
Offence Taking::Content(const Explanation& e, std::size_t from, std::size_t to, int cost) const {
  if (report_.broken_latch) return {kInBrokenLatch};
  Offence offence;
  offence.cost = cost;
  if (e.plugin_clear && from == 0 && to == board::kRedLatch.size()) {
    offence.rule = 6;
    offence.kind = Offence::Kind::kPluginClear;
    return offence;
  }
  const bool walk = e.event_mode == kRunModeRed || (report_.red_latch() && report_.data() != 0);
  offence.rule = walk ? 5 : 4;
  std::size_t end = 0;
  for (std::size_t w = 0; w < e.write_count; ++w) {
    end += e.writes[w].red ? board::kRedLatch.size() : 1;
    if (end > from) offence.expected[offence.expected_count++] = e.writes[w];
  }
  return offence;
}

Offence Taking::Timing(std::int64_t since, const char* timing) const {
  Offence offence{kOffence, 3, Offence::Kind::kTiming};
  offence.since = since;
  offence.timing = timing;
  return offence;
}

// Ticks that sent nothing where the reference sends: dearer than reports left out of a tick
// that did send, which tell the more of what happened.
Offence Taking::Silenced(const Explanation& e, const Explanation& origin) const {
  if (e.silenced_plugin) return {kInPlace, 6, Offence::Kind::kSilencedPlugin};
  Offence offence{kInPlace, origin.seq.mode == kRunModeRed ? 5 : 4, Offence::Kind::kSilenced};
  offence.ticks = e.silenced;
  return offence;
}

// The next report of the event in progress.
void Taking::Continue(const Explanation& e) {
  const std::int64_t since = report_.us - e.last_us;
  if (e.reports[e.at] == sent_) {
    if (since <= slack_) {
      Advance(e, e.at, {});
    } else if (repair_ && since < kSecond / 2) {
      // Late in its event; half a second on, it belongs to another.
      Advance(
          e, e.at,
          Timing(since, N_("{1}: {2} after the report before it, not back to back (within {3})")));
    }
  } else if (repair_) {
    Advance(e, e.at, Content(e, e.at, e.at, kInPlace));
  }
  if (!repair_) return;
  // Reports left out, then this one.
  for (std::size_t at = e.at + 1u; at < e.count; ++at) {
    if (!(e.reports[at] == sent_)) continue;
    Advance(e, at, Content(e, e.at, at, kOffence));
    break;
  }
  // The rest of the event left out, and another begun.
  Explanation rest = e;
  Charge(rest, Content(e, e.at, e.count, kOffence));
  Complete(rest, green_, red_, frames_);
  Start(rest, false);
}

void Taking::Start(const Explanation& from, bool edits) {
  Explanation e = from;
  e.plugged = e.plugged || history_.PluggedIn(e.last_us, report_.us);
  if (e.timer != Timer::kOff) {
    Run({e}, edits, true);
    return;
  }
  Choose(e, edits);
  if (Away(e)) Run({Unseen(e)}, edits, false);
}

// The run window's timer ticks on silently until the report: a tick sends it, or the close
// box, or the menu comes back unseen (EXIT or the close box with the board away) and a choice
// sends it. from: where the timer stands, all alike but for the sequencer; cycle: the menu
// may come back and a choice be made unseen once more.
void Taking::Run(std::vector<Explanation> now, bool edits, bool cycle) {
  const Explanation e = now.front();
  const Slots slots = SlotsOf(e, edits);
  const bool latch = Opens(reference_.Closed(), edits);
  const bool away = cycle && Away(e);
  const int most = std::max({slots.tick_hi, slots.late, latch || away ? slots.close_hi : -1});
  // Where a tick may send the report, after how many silent ticks; where the close box may;
  // where the run window may have been closed, or left by EXIT, while the board was away.
  Gathered<std::pair<Explanation, int>> ticking;
  Gathered<Explanation> closing, quiet;
  // What the explanations reach after any number of silent ticks from first to last.
  const auto reach = [&](int first, int last) {
    const bool tick = first <= slots.tick_hi && last >= slots.tick_lo;
    const bool close = latch && first <= slots.close_hi && last >= slots.close_lo;
    for (const Explanation& s : now) {
      if (tick) ticking.Add({s, std::max(first, slots.tick_lo)});
      if (close) closing.Add(s);
      if (away && first <= slots.close_hi) {
        Explanation menu = s;
        menu.timer = Timer::kOff;
        quiet.Add(std::move(menu));
      }
    }
    if (slots.late >= first && slots.late <= last)
      for (const Explanation& s : now)
        TickAt(s, slots.late, e, false, slots.timing, slots.deviation);
  };
  for (int n = 0;; ++n) {
    reach(n, n);
    if (n >= most) break;
    std::vector<Explanation> next = Silent(now, e, n + 1, edits);
    if (next.empty()) break;
    if (!Same(next, now)) {
      now = std::move(next);
      continue;
    }
    // The slots that see the board as this one does leave them as they are.
    int last = most;
    if (!history_.Still(Window(e, n + 1).first)) {
      const unsigned there = BoardIn(e, n + 1);
      for (last = n + 1; last < most && BoardIn(e, last + 1) == there;) ++last;
    }
    reach(n + 1, last);
    n = last - 1;
  }
  for (const auto& [s, n] : ticking.items()) TickAt(s, n, e, edits, {}, slots.deviation);
  for (const Explanation& s : closing.items()) {
    if (s.timer == Timer::kOff) {
      Choose(s, edits);
    } else {
      CloseAt(s, edits);
    }
  }
  if (!away) return;
  // The menu, come back unseen, and a choice.
  Gathered<Explanation> unseen;
  for (const Explanation& m : quiet.items()) {
    if (latch) Choose(m, edits);
    unseen.Add(Unseen(m));
  }
  if (!unseen.items().empty()) Run(std::move(unseen.items()), edits, false);
}

Slots Taking::SlotsOf(const Explanation& e, bool edits) const {
  Slots slots;
  const std::int64_t t = report_.us, since = t - e.anchor;
  if (e.timer == Timer::kStrict) {
    const std::int64_t whole = std::min<std::int64_t>((since + kSecond / 2) / kSecond, kMostSlots);
    slots.deviation = since - whole * kSecond;
    if (whole >= 1 && std::abs(slots.deviation) <= slack_) {
      slots.tick_lo = slots.tick_hi = static_cast<int>(whole - 1);
    } else if (edits && whole >= 1) {
      // A tick out of time; one within half a second of the last is no tick but a report too
      // many.
      slots.late = static_cast<int>(whole - 1);
      slots.timing =
          Timing(since, N_("{1}: {2} after the tick before, not a whole number of seconds "
                           "(within {3})"));
    }
    slots.close_hi = SlotsBefore(e.anchor + kSecond - slack_, t);
    slots.close_lo = SlotsBefore(e.anchor + kSecond + slack_, t);
  } else if (e.timer == Timer::kLoose) {
    // The timer starts with the run window, a little after the choice's report.
    if (since >= kSecond - slack_) {
      slots.tick_hi = static_cast<int>(
          std::min<std::int64_t>((since - kSecond + slack_) / kSecond, kMostSlots));
      slots.tick_lo = since >= 2 * kSecond ? static_cast<int>(std::min<std::int64_t>(
                                                 (since - 2 * kSecond) / kSecond + 1, kMostSlots))
                                           : 0;
    } else if (edits && since >= kSecond / 2) {
      slots.late = 0;
      slots.timing = Timing(
          since, N_("{1}: {2} after the menu choice, not its first tick a second later (within "
                    "{3})"));
    }
    slots.close_hi = SlotsBefore(e.anchor + kSecond - slack_, t);
    slots.close_lo = SlotsBefore(e.anchor + 2 * kSecond, t);
  } else {
    // Started unseen, no sooner than the anchor.
    slots.tick_lo = slots.close_lo = 0;
    slots.tick_hi = since >= kSecond - slack_
                        ? static_cast<int>(std::min<std::int64_t>(
                              (since - kSecond + slack_) / kSecond, kMostSlots))
                        : -1;
    slots.close_hi = SlotsBefore(e.anchor + kSecond - slack_, t);
  }
  return slots;
}

// When silent tick number slot of e's timer may come, within the gap.
std::pair<std::int64_t, std::int64_t> Taking::Window(const Explanation& e, int slot) const {
  std::int64_t from = e.last_us, to = report_.us;
  const std::int64_t k = slot;
  if (e.timer == Timer::kStrict) {
    from = std::max(from, e.anchor + k * kSecond - slack_);
    to = std::min(to, e.anchor + k * kSecond + slack_);
  } else if (e.timer == Timer::kLoose) {
    from = std::max(from, e.anchor + k * kSecond - slack_);
    to = std::min(to, e.anchor + (k + 1) * kSecond);
  } else {
    from = std::max(from, e.anchor + k * kSecond - slack_);
  }
  return {std::min(from, to), to};
}

// One more tick that sent nothing, with a button clicked before it.
std::vector<Explanation> Taking::Silent(const std::vector<Explanation>& now, const Explanation& e,
                                        int slot, bool edits) {
  const unsigned there = BoardIn(e, slot);
  std::vector<Explanation> next;
  for (const Explanation& s : now) {
    if (s.timer == Timer::kOff) {
      next.push_back(s);
      continue;
    }
    for (const std::int16_t button : kButtons) {
      Explanation c = s;
      if (button != kNoButton) {
        c.seq = reference_.Clicked(c.seq, button);
        c.clean = false;
      }
      for (const std::int16_t board : {kAbsent, board::kPresent}) {
        if ((there & (board == kAbsent ? PlugHistory::kAbsent : PlugHistory::kPresent)) == 0)
          continue;
        const Outcome& o = reference_.Tick(c.seq, Lowest(c.exercises), board);
        // Its reports may have been lost with a board pulled out just then, where the timer's
        // rhythm tells the tick's moment so closely.
        const bool lost = e.timer == Timer::kStrict && (there & PlugHistory::kPulled);
        const bool quiet = o.count == 0 || (board != kAbsent && lost);
        if (!quiet && !edits) continue;
        Explanation t = c;
        if (!quiet) {
          const bool clear_only = o.count == 1 && c.seq.last_board == kAbsent;
          t.silenced_plugin = (t.silenced == 0 || t.silenced_plugin) && clear_only;
          ++t.silenced;
        }
        t.seq = o.after;
        if (o.to_menu) t.timer = Timer::kOff;
        next.push_back(std::move(t));
      }
    }
  }
  Dedupe(next);
  return next;
}

// A tick of s's timer at the report, after silent ones, a button clicked before it.
void Taking::TickAt(const Explanation& s, int silent, const Explanation& origin, bool edits,
                    const Offence& pre, std::int64_t deviation) {
  if (s.timer == Timer::kOff) return;
  for (const std::int16_t button : kButtons) {
    Explanation c = s;
    if (button != kNoButton) {
      c.seq = reference_.Clicked(c.seq, button);
      c.clean = true;
      c.counted = false;
    }
    // The exercises whose steps send the same, together.
    for (std::uint16_t left = c.exercises; left != 0;) {
      const Outcome& o = reference_.Tick(c.seq, Lowest(left), board::kPresent);
      std::uint16_t same = 0;
      for (std::uint16_t rest = left; rest != 0; rest &= static_cast<std::uint16_t>(rest - 1)) {
        const Outcome& other = reference_.Tick(c.seq, Lowest(rest), board::kPresent);
        if (std::equal(o.writes.begin(), o.writes.begin() + o.count, other.writes.begin(),
                       other.writes.begin() + other.count))
          same |= static_cast<std::uint16_t>(1u << Lowest(rest));
      }
      left &= static_cast<std::uint16_t>(~same);
      if (!Opens(o, edits)) continue;
      Explanation b = c;
      b.exercises = same;
      b.event_mode = c.seq.mode;
      b.plugin_clear = c.seq.last_board == kAbsent;
      if (b.plugin_clear && b.plugged) ++b.tally.plugins;
      b.plugged = false;
      if (s.timer == Timer::kStrict) {
        ++b.tally.cadence_ticks;
        b.tally.worst_us = std::max(b.tally.worst_us, std::abs(deviation));
      }
      b.seq = o.after;
      b.timer = o.to_menu ? Timer::kOff : Timer::kStrict;
      b.anchor = report_.us;
      // A tick out of time: the timer may have gone on from it, or kept its rhythm (one tick
      // came late).
      if (pre.cost > 0 && s.timer == Timer::kStrict) {
        Explanation kept = b;
        kept.anchor = s.anchor + (silent + 1) * kSecond;
        Enter(std::move(kept), o, Cause::kTick, silent, origin, edits, pre);
      }
      Enter(std::move(b), o, Cause::kTick, silent, origin, edits, pre);
    }
  }
}

void Taking::CloseAt(const Explanation& s, bool edits) {
  if (!Opens(reference_.Closed(), edits)) return;
  Explanation b = s;
  b.event_mode = s.seq.mode;
  b.plugin_clear = false;
  b.timer = Timer::kOff;
  Enter(std::move(b), reference_.Closed(), Cause::kCloseBox, 0, s, edits, {});
}

// A menu choice; the program may have just started, its sequencer fresh.
void Taking::Choose(const Explanation& m, bool edits) {
  if (!Opens(reference_.Chosen(), edits)) return;
  for (const bool fresh : {false, true}) {
    Explanation b = m;
    static const orlanek::StationModel kFresh;
    if (fresh) b.seq = {kFresh.RunMode, kFresh.StepIndex, kFresh.LastBoardState};
    b.seq = reference_.Loaded(b.seq);
    b.event_mode = b.seq.mode;
    b.plugin_clear = false;
    b.clean = b.counted = false;
    b.timer = Timer::kLoose;
    b.anchor = report_.us;
    Enter(std::move(b), reference_.Chosen(), Cause::kMenu, 0, m, edits, {});
  }
}

// A menu choice with the board away: nothing is sent, and the run window's timer starts at a
// time nobody saw.
Explanation Taking::Unseen(const Explanation& m) const {
  Explanation e = m;
  e.seq = reference_.Loaded(e.seq);
  e.timer = Timer::kUnknown;
  e.anchor = history_.FirstAbsent(m.last_us, report_.us);
  e.clean = e.counted = false;
  return e;
}

// The event begins; b stands where it leaves the sequencer.
void Taking::Enter(Explanation b, const Outcome& outcome, Cause cause, int silent,
                   const Explanation& origin, bool edits, const Offence& pre) {
  if (!Opens(outcome, edits)) return;
  Charge(b, pre);
  if (b.silenced > 0) Charge(b, Silenced(b, origin));
  b.silenced = 0;
  b.silenced_plugin = false;
  b.cause = cause;
  b.writes = outcome.writes;
  b.write_count = outcome.count;
  b.reports = outcome.reports;
  b.count = outcome.report_count;
  b.at = 0;
  b.event_us = b.last_us = report_.us;
  SilentFrames(b, silent, origin);
  for (std::size_t w = 0; w < outcome.count; ++w)
    (outcome.writes[w].red ? b.red : b.green) = outcome.writes[w].value;
  if (b.reports[0] == sent_) Advance(b, 0, {});
  if (!edits) return;
  // A tick falls due; a user's event with the wrong report claims one that need not have come.
  if (!(b.reports[0] == sent_))
    Advance(b, 0, Content(b, 0, 0, cause == Cause::kTick ? kInPlace : kTooMany));
  for (std::size_t at = 1; at < b.count; ++at) {
    if (!(b.reports[at] == sent_)) continue;
    Advance(b, at, Content(b, 0, at, kOffence));
    break;
  }
}

// The ticks of a green run or red walk that sent nothing, drawn before the one that did.
void Taking::SilentFrames(Explanation& b, int silent, const Explanation& origin) const {
  const std::int16_t mode = origin.seq.mode;
  if (!frames_ || silent <= 0 || origin.timer == Timer::kOff ||
      (mode != kRunModeGreen && mode != kRunModeRed))
    return;
  for (int k = std::max(1, silent - board::kLastStep + 1); k <= silent; ++k) {
    const std::int64_t t = origin.timer == Timer::kStrict ? origin.anchor + k * kSecond
                                                          : report_.us - (silent + 1 - k) * kSecond;
    const bool present = (history_.Over(t, t) & PlugHistory::kPresent) != 0;
    AddFrame(b, {t, present, green_, red_, origin.green, origin.red});
  }
}

}  // namespace

Reference::Reference()
    : models_(kExerciseCount),
      ticks_(std::size_t{kModes} * kSteps * 2 * 2 * kExerciseCount),
      known_(ticks_.size(), false) {
  for (int e = 0; e < kExerciseCount; ++e)
    models_[e].ExerciseChosen(static_cast<std::int16_t>(e), 0);
  orlanek::StationModel model;
  Fill(chosen_, model.ExerciseChosen(0, board::kPresent));
  Fill(closed_, model.RunWindowClosed(board::kPresent));
}

orlanek::StationModel& Reference::Model(const Sequencer& from, int exercise) {
  orlanek::StationModel& model = models_[static_cast<std::size_t>(exercise)];
  model.RunMode = from.mode;
  model.StepIndex = from.step;
  model.LastBoardState = from.last_board;
  return model;
}

const Outcome& Reference::Tick(const Sequencer& from, int exercise, std::int16_t board) {
  const auto step = static_cast<std::int16_t>(std::clamp<int>(from.step, 0, kSteps - 1));
  std::size_t key = ModeIndex(from.mode) * kSteps + static_cast<std::size_t>(step);
  key = ((key * 2 + (from.last_board != 0)) * 2 + (board != 0)) * kExerciseCount +
        static_cast<std::size_t>(exercise);
  if (!known_[key]) {
    orlanek::StationModel& model = Model({from.mode, step, from.last_board}, exercise);
    Fill(ticks_[key], model.Tick(board));
    ticks_[key].after = {model.RunMode, model.StepIndex, model.LastBoardState};
    known_[key] = true;
  }
  return ticks_[key];
}

Sequencer Reference::Clicked(const Sequencer& from, std::int16_t button) {
  orlanek::StationModel& model = Model(from, 0);
  model.ButtonClicked(button);
  return {model.RunMode, model.StepIndex, model.LastBoardState};
}

Sequencer Reference::Loaded(const Sequencer& from) {
  orlanek::StationModel& model = Model(from, 0);
  model.RunWindowLoaded();
  return {model.RunMode, model.StepIndex, model.LastBoardState};
}

void PlugHistory::Change(std::int64_t us, bool plugged) {
  if (!reported_ && changes_.empty()) base_ = !plugged;
  changes_.emplace_back(us, plugged);
  if (changes_.size() <= kKept) return;
  lossy_to_ = changes_.front().first;
  base_ = changes_.front().second;
  changes_.pop_front();
}

unsigned PlugHistory::Over(std::int64_t from, std::int64_t to) const {
  if (from <= lossy_to_) return kAbsent | kPresent | kPulled;
  bool state = base_;
  unsigned seen = 0;
  for (const auto& [us, plugged] : changes_) {
    if (us > to) break;
    if (us > from) seen |= (state ? kPresent : kAbsent) | (state && !plugged ? kPulled : 0);
    state = plugged;
  }
  return seen | (state ? kPresent : kAbsent);
}

bool PlugHistory::PluggedIn(std::int64_t from, std::int64_t to) const {
  if (from <= lossy_to_) return true;
  return std::any_of(changes_.begin(), changes_.end(), [&](const auto& change) {
    return change.second && change.first > from && change.first <= to;
  });
}

std::int64_t PlugHistory::FirstAbsent(std::int64_t from, std::int64_t to) const {
  if (from <= lossy_to_) return from;
  bool state = base_;
  for (const auto& [us, plugged] : changes_) {
    if (us > to) break;
    if (us > from && !state) return from;
    if (us > from && !plugged) return us;
    state = plugged;
  }
  return state ? to + 1 : from;
}

bool PlugHistory::Still(std::int64_t t) const {
  return changes_.empty() || changes_.back().first < t;
}

void PlugHistory::Forget(std::int64_t before) {
  for (; !changes_.empty() && changes_.front().first < before; changes_.pop_front())
    base_ = changes_.front().second;
}

Explainer::Explainer(int exercise, std::int64_t slack, bool frames)
    : reference_(std::make_shared<Reference>()), slack_(slack), frames_(frames) {
  // The session may begin in the menu or in the run window, with the program just started or
  // having seen the board already.
  for (const Timer timer : {Timer::kOff, Timer::kUnknown}) {
    for (const std::int16_t last : {kAbsent, board::kPresent}) {
      Explanation e;
      e.exercises = exercise != 0 ? static_cast<std::uint16_t>(1u << (exercise - 1)) : kAnyExercise;
      e.timer = timer;
      e.seq = reference_->Loaded({kRunModeIdle, 0, last});
      e.offences = std::make_shared<Offences>();
      held_.push_back(e);
    }
  }
  Dedupe(held_);
}

// The explanations stand where the session begins.
void Explainer::Begin(std::int64_t us) {
  if (started_) return;
  started_ = true;
  for (Explanation& e : held_) {
    e.last_us = us;
    if (e.timer == Timer::kUnknown) e.anchor = us - kSecond;  // its ticks may come at once
  }
}

void Explainer::Take(const Seen& report, bool repair) {
  Begin(report.us);
  history_.Reported();
  std::vector<Explanation> next;
  Taking taking(*reference_, history_, green_, red_, report, slack_, repair, frames_, next);
  for (const Explanation& e : held_) taking.From(e);
  Keep(next);
  last_ = report.us;
  green_ = report.green;
  red_ = report.red;
  std::int64_t oldest = last_;
  for (const Explanation& e : held_) oldest = std::min(oldest, e.last_us);
  history_.Forget(oldest);
}

// The explanations taken are one of each state already, the cheapest.
void Explainer::Keep(std::vector<Explanation>& next) {
  std::stable_sort(next.begin(), next.end(),
                   [](const Explanation& a, const Explanation& b) { return a.cost < b.cost; });
  if (!next.empty()) {
    const int most = next.front().cost + kBeam;
    std::erase_if(next, [&](const Explanation& e) { return e.cost > most; });
  }
  held_ = std::move(next);
}

void Explainer::Plug(const Seen& change) {
  Begin(change.us);
  history_.Change(change.us, change.plugged);
  if (change.plugged) return;
  for (Explanation& e : held_)
    if (e.pending()) Complete(e, green_, red_, frames_);
  Dedupe(held_);
}

void Explainer::Finish() {
  for (Explanation& e : held_)
    if (e.pending()) Complete(e, green_, red_, frames_);
}

void Explainer::Forget(std::int64_t before) {
  for (Explanation& e : held_) {
    if (!e.frames) continue;
    if (e.frames->frame.us < before) {
      e.frames.reset();
      continue;
    }
    FrameNode* node = e.frames.get();
    while (node->before && node->before->frame.us >= before) node = node->before.get();
    node->before.reset();
  }
}

std::int64_t Explainer::Settled() const {
  std::int64_t settled = last_;
  for (const Explanation& e : held_)
    if (e.pending()) settled = std::min(settled, e.event_us);
  return settled;
}

}  // namespace station_check
