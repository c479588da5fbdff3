// A station program for the coach's test: the reference station's decisions played on the
// board through libVarnel.so, a tick a second, as a candidate's program would: exercise 3
// chosen, "Green LED" to the end of the run, the board pulled out at the fifth tick and put back
// at the seventh (by the virtual board's SIGUSR1), "Red LED" to the end of the walk, "EXIT".
// Usage: coach_station BOARD-PID WRONG-TICK (the tick whose green step goes out with bit 4
// flipped, or -1); prints how many reports it sent.
#include <signal.h>
#include <sys/types.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "board_protocol.h"
#include "station_model.h"
#include "varnel.h"

namespace {

namespace board = orlanek::board;

int sent = 0;

std::int16_t Open() {
  return OpenUsbDevice(board::kVendorId, board::kProductId);
}

void Apply(const orlanek::Answer& answer, bool wrong) {
  const bool open = !answer.reopen || (!answer.writes.empty() && Open() == board::kPresent);
  for (const orlanek::BoardReport& report : orlanek::ReportsOf(answer.writes)) {
    if (!open) break;
    OutDataCtrl(wrong && report.control == 0 ? report.data ^ 0x10 : report.data, report.control);
    ++sent;
  }
  if (answer.reopen && open) CloseUsbDevice();
  if (answer.release) CloseUsbDevice();
}

// Asks the virtual board to be pulled out or put back, and waits until an open finds it so.
bool Replug(pid_t board_pid, bool in) {
  kill(board_pid, SIGUSR1);
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    const bool found = Open() == board::kPresent;
    CloseUsbDevice();
    if (found == in) return true;
    if (std::chrono::steady_clock::now() > give_up) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const pid_t board_pid = static_cast<pid_t>(std::atoi(argv[1]));
  const int wrong_tick = std::atoi(argv[2]);
  orlanek::StationModel model;
  model.RunWindowLoaded();
  const std::int16_t found = Open();
  CloseUsbDevice();
  Apply(model.ExerciseChosen(2, found), false);
  model.ButtonClicked(0);
  const auto start = std::chrono::steady_clock::now();
  for (int tick = 0; tick < 40; ++tick) {
    if ((tick == 5 || tick == 7) && !Replug(board_pid, tick == 7)) {
      std::fprintf(stderr, "coach_station: the board did not follow SIGUSR1\n");
      return 1;
    }
    if (tick == 26) model.ButtonClicked(1);
    if (tick == 37) model.ButtonClicked(2);
    std::this_thread::sleep_until(start + std::chrono::seconds(tick + 1));
    const orlanek::Answer answer = model.Tick(Open());
    Apply(answer, tick == wrong_tick);
    if (answer.flow == orlanek::Flow::kShowMenu) break;
  }
  std::printf("%d\n", sent);
  return 0;
}
