#pragma once

#include <cstdint>
#include <vector>

#include "checked.h"

// The station model: what the sequencer owns and what it decides, knowing no toolkit and no
// device. Each event returns an Answer, which the board link and the windows apply as it
// stands; station-check asks the same model what the reference station would have sent.
namespace orlanek {

// One write to the board: a green write (one report) or a red latch (three).
struct BoardWrite {
  bool red = false;
  std::uint8_t value = 0;
  bool operator==(const BoardWrite&) const = default;
};

inline constexpr BoardWrite kRedClear{true, 0};

// One feature report's data and control byte.
struct BoardReport {
  std::uint8_t data = 0;
  std::uint8_t control = 0;
  bool operator==(const BoardReport&) const = default;
};

// The reports a write sends, in order.
std::vector<BoardReport> ReportsOf(const std::vector<BoardWrite>& writes);

// One change to the sixteen on-screen LEDs.
struct ScreenChange {
  enum class Kind { kMarkPresent, kMarkAbsent, kGreenRow, kRedRow };
  Kind kind = Kind::kMarkPresent;
  std::uint8_t value = 0;  // the row's byte
  bool operator==(const ScreenChange&) const = default;
};

// Where the window flow goes after an event.
enum class Flow { kStay, kTimerOn, kShowMenu, kShowRunWindow };

// What to do in answer to one event, applied in this order: the writes (through an open of
// their own when reopen is set, dropped if that open finds no board), the screen changes in
// order, the run window's caption, the flow, and last the release of the board.
struct Answer {
  bool reopen = false;
  std::vector<BoardWrite> writes;
  std::vector<ScreenChange> screen;
  const char* caption = nullptr;
  Flow flow = Flow::kStay;
  bool release = false;
};

// RunMode values: the index of the run window's button clicked last, or idle.
inline constexpr std::int16_t kRunModeGreen = 0;
inline constexpr std::int16_t kRunModeRed = 1;
inline constexpr std::int16_t kRunModeExit = 2;
inline constexpr std::int16_t kRunModeIdle = 99;

class StationModel {
 public:
  // The run window was loaded: the sequencer is idle.
  void RunWindowLoaded();
  // A menu button; board is what the check of the board just found.
  Answer ExerciseChosen(std::int16_t index, std::int16_t board);
  // A run-window button: 0 "Green LED", 1 "Red LED", 2 "EXIT". It takes effect at the next tick.
  Answer ButtonClicked(std::int16_t index);
  // The run window's timer; board is what this tick's open found.
  Answer Tick(std::int16_t board);
  // The run window's close box; board is what its open found (it is not released).
  Answer RunWindowClosed(std::int16_t board);

  // The chosen exercise's step bytes, entries 0 to 99, all 0 at program start.
  CheckedArray<std::uint8_t, 100> PatternBuffer;
  // The step that the next tick plays.
  Int16 StepIndex = 0;
  // 0 green run, 1 red test, 2 exit requested, 99 idle.
  Int16 RunMode = 0;
  // The board state the previous tick found; kept across window switches and reloads.
  Int16 LastBoardState = 0;

 private:
  void BoardPresent(std::int16_t board, Answer& answer);
  void BoardAbsent(Answer& answer);
};

// The model that serves the program; StartProgram gives it a fresh one.
StationModel& Station();

}  // namespace orlanek
