// station-check: judges a station program from what it sent to the LED board, rule by rule,
// against how the reference station behaves.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "board_protocol.h"
#include "capture.h"
#include "console.h"
#include "error_text.h"
#include "judge.h"
#include "messages.h"
#include "picture.h"
#include "room.h"
#include "room_command.h"

namespace {

// The usage, a paragraph at a time for the translators; {1} is the board's identity.
constexpr const char* kSynopsis = messages::N_(
    "Usage: station-check [--exercise N] [--device BUS.ADDRESS] [--tolerance MS]\n"
    "                     [--picture FILE] [FILE]\n"
    "       station-check [--exercise N | --class LIST] [--report PAGE.html] [--csv TABLE.csv]\n"
    "                     [--device BUS.ADDRESS] [--tolerance MS] FILE|FOLDER...\n");
constexpr const char* kWhatItReads = messages::N_(
    "  Reads a session of a station program with the LED board from FILE or standard input\n"
    "  and says, rule by rule, whether the program behaves as the reference station does; then\n"
    "  PASS or FAIL. The input is any of these, told apart by its first bytes:\n"
    "    a USB capture, pcap or pcapng, gzip-compressed or not, from Wireshark, tshark, dumpcap\n"
    "      or USBPcapCMD: USBPcap on Windows, or Linux usbmon (with or without the memory-mapped\n"
    "      header); of several interfaces, the USB ones\n"
    "    virtual-board --json lines, or the session log of the library (VARNEL_SESSION_LOG)\n"
    "    the kernel's usbmon text (/sys/kernel/debug/usb/usbmon/0u)\n"
    "  A capture on standard input (dumpcap -i usbmon1 -w - | station-check) is judged when it\n"
    "  ends. In a capture the board is the device that names itself {1},\n"
    "  else the one device that received feature reports; where there is none, no verdict.\n");
constexpr const char* kRooms = messages::N_(
    "  Several files, or a folder (the files in it that are sessions, whatever their names), are\n"
    "  judged as a room: one line per session, sorted by name, then the totals.\n");
constexpr const char* kOptions = messages::N_(
    "  --exercise N    the exercise (1 to 10) the program played; without it, the one seen\n"
    "  --class LIST    a room's class list (CSV: a header line, then the file or candidate\n"
    "                  name and the exercise drawn, one candidate a line)\n"
    "  --report PAGE.html  writes the room's report: its table, then each session's rules and\n"
    "                  picture, one page that prints a session a sheet\n"
    "  --csv TABLE.csv writes the room's table for a spreadsheet, a column per rule\n"
    "  --device BUS.ADDRESS  in a capture, the board where several devices received feature\n"
    "                  reports and none names itself (Wireshark shows BUS.ADDRESS.ENDPOINT)\n"
    "  --tolerance MS  how far a tick may stray from the whole second (default 100; wider\n"
    "                  only where the program's clock runs rough, as in an emulated PC)\n"
    "  --picture FILE  draws the session tick by tick beside the reference (.svg or .png)\n"
    "  --usbmon        reads text as usbmon text even where its first line is not (still\n"
    "                  accepted; the form is recognised without it)\n");
constexpr const char* kExitStatus = messages::N_(
    "  Exit status: 0 PASS, 1 FAIL, 2 bad arguments, input that cannot be read, or a capture\n"
    "  with no traffic to the board; for a room, 0 when every session passed, 1 when any\n"
    "  failed, 2 when any could not be judged.\n");
#ifdef _WIN32
constexpr const char* kDroppedOnIt = messages::N_(
    "  A file dropped onto station-check.exe in Explorer is judged in a window of its own, the\n"
    "  picture written beside it (the same name, .png). A folder or several files dropped onto\n"
    "  it are judged as a room, room.html and room.csv written beside them and the page opened.\n");
#endif

using messages::Tr;
using station_check::Write;

std::string UsageText() {
  std::string text = Tr(kSynopsis) + Tr(kWhatItReads, orlanek::board::kIdentityText) + Tr(kRooms) +
                     Tr(kOptions) + Tr(kExitStatus);
#ifdef _WIN32
  text += Tr(kDroppedOnIt);
#endif
  return text;
}

int Usage(const std::string& why) {
  Write(stderr, Tr("station-check: {1} (try station-check --help)\n", why));
  return 2;
}

// A whole argument of decimal digits from low to high (both under 1000).
bool SmallNumber(const std::string& text, int low, int high, int* value) {
  if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const int parsed = std::stoi(text);
  if (parsed < low || parsed > high) return false;
  *value = parsed;
  return true;
}

// BUS.ADDRESS as a device number of the capture reader (bus * 1000 + address).
bool DeviceNumber(const std::string& text, std::uint32_t* device) {
  const std::size_t dot = text.find('.');
  int bus = 0, address = 0;
  if (dot == std::string::npos || !SmallNumber(text.substr(0, dot), 0, 999, &bus) ||
      !SmallNumber(text.substr(dot + 1), 1, 127, &address))
    return false;
  *device = static_cast<std::uint32_t>(bus * 1000 + address);
  return true;
}

// The input as a file read from its start: standard input is copied to a temporary file first,
// which libpcap then reads as it reads any capture file.
std::FILE* OpenInput(const std::string& input) {
  if (!input.empty() && input != "-") return station_check::OpenFile(input, "rb");
  station_check::ReadStandardInputToItsEnd();
  std::FILE* copy = station_check::TemporaryFile();
  if (copy == nullptr) return nullptr;
  char chunk[65536];
  std::size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) {
    if (std::fwrite(chunk, 1, got, copy) != got) break;
  }
  if (std::ferror(stdin) || std::ferror(copy) || std::fseek(copy, 0, SEEK_SET) != 0) {
    std::fclose(copy);
    return nullptr;
  }
  return copy;
}

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

// Where the picture of a file dropped onto the program goes: beside it, the same name, .png.
std::string PictureBeside(const std::string& input) {
  const std::size_t name = input.find_last_of("/\\:") + 1;
  const std::size_t dot = input.rfind('.');
  return (dot != std::string::npos && dot > name ? input.substr(0, dot) : input) + ".png";
}

bool WritePicture(const std::string& name, const station_check::Verdict& verdict,
                  const station_check::Frames& frames) {
  // A UTF-8 name, which Windows's narrow file functions would take for its code page's text.
  std::ofstream out(std::filesystem::path(std::u8string(name.begin(), name.end())),
                    std::ios::binary);
  const bool drawn = EndsWith(name, ".svg") ? station_check::WritePictureSvg(verdict, frames, out)
                                            : station_check::WritePicturePng(verdict, frames, out);
  return drawn && static_cast<bool>(out.flush());
}

struct Options {
  int exercise = 0;
  int tolerance_ms = station_check::kToleranceMs;
  bool usbmon = false;
  bool help = false;
  std::uint32_t device = 0;
  std::string picture;
  std::vector<std::string> inputs;
  std::string class_list, report, csv;  // a room's
};

// Reads the arguments into options: 0 when they are sound, else the exit status.
int ReadOptions(const std::vector<std::string>& args, Options* options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool has_value = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      options->help = true;
      return 0;
    } else if (arg == "--usbmon") {
      options->usbmon = true;
    } else if (arg == "--exercise" && has_value) {
      if (!SmallNumber(args[++i], 1, 10, &options->exercise))
        return Usage(Tr("the exercise is a number from 1 to 10"));
    } else if (arg == "--device" && has_value) {
      if (!DeviceNumber(args[++i], &options->device))
        return Usage(Tr("the device is BUS.ADDRESS, as 1.5 (an address from 1 to 127)"));
    } else if (arg == "--tolerance" && has_value) {
      if (!SmallNumber(args[++i], 1, 499, &options->tolerance_ms))
        return Usage(Tr("the tolerance is a number of milliseconds from 1 to 499"));
    } else if (arg == "--picture" && has_value) {
      options->picture = args[++i];
      if (!EndsWith(options->picture, ".svg") && !EndsWith(options->picture, ".png"))
        return Usage(Tr("the picture's file name ends in .svg or .png"));
    } else if (arg == "--class" && has_value) {
      options->class_list = args[++i];
    } else if (arg == "--report" && has_value) {
      options->report = args[++i];
      if (!EndsWith(options->report, ".html") && !EndsWith(options->report, ".htm"))
        return Usage(Tr("the report's file name ends in .html"));
    } else if (arg == "--csv" && has_value) {
      options->csv = args[++i];
      if (!EndsWith(options->csv, ".csv")) return Usage(Tr("the table's file name ends in .csv"));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(Tr("bad argument {1}", arg));
    } else {
      options->inputs.push_back(arg);
    }
  }
  return 0;
}

// Several inputs, a folder or an option of a room's make a room.
bool IsRoom(const Options& options) {
  std::error_code error;
  return options.inputs.size() > 1 || !options.class_list.empty() || !options.report.empty() ||
         !options.csv.empty() ||
         (options.inputs.size() == 1 &&
          std::filesystem::is_directory(station_check::PathOf(options.inputs[0]), error));
}

int RoomRun(const Options& options, bool own_window) {
  if (!options.picture.empty())
    return Usage(Tr("--picture draws one session; a room's pictures are in its --report"));
  if (options.exercise != 0 && !options.class_list.empty())
    return Usage(Tr("--exercise or --class, not both"));
  for (const std::string& input : options.inputs)
    if (input == "-") return Usage(Tr("standard input is judged alone, not in a room"));
  if (options.inputs.empty()) return Usage(Tr("a room needs its files or folders"));
  station_check::RoomOptions room;
  room.inputs = options.inputs;
  room.exercise = options.exercise;
  room.class_list = options.class_list;
  room.report = options.report;
  room.csv = options.csv;
  room.judge = {options.usbmon, options.device, options.tolerance_ms};
  return station_check::RunRoom(std::move(room), own_window);
}

int Run(const std::vector<std::string>& args, bool own_window) {
  Options options;
  if (const int status = ReadOptions(args, &options)) return status;
  // Started with a double click, there is nothing to read from its own window.
  if (options.help || (own_window && options.inputs.empty())) {
    Write(stdout, UsageText());
    return options.help ? 0 : 2;
  }
  if (IsRoom(options)) return RoomRun(options, own_window);
  const std::string input = options.inputs.empty() ? "" : options.inputs.front();
  // A file dropped onto the program (or onto a shortcut to it that gives options): its picture
  // goes beside it, unless one is named.
  if (own_window && options.picture.empty() && input != "-") options.picture = PictureBeside(input);

  const std::string name = input.empty() || input == "-" ? Tr("standard input") : input;
  std::FILE* file = OpenInput(input);
  if (file == nullptr) {
    Write(stderr,
          Tr("station-check: cannot read {1}: {2}\n", name, station_check::ErrorText(errno)));
    return 2;
  }
  // The picture's frames wait in a file of their own until the verdict heads the picture.
  std::unique_ptr<station_check::Frames> frames;
  if (!options.picture.empty()) {
    std::FILE* spool = station_check::TemporaryFile();
    if (spool == nullptr) {
      std::fclose(file);
      Write(stderr, Tr("station-check: cannot make a temporary file for the picture\n"));
      return 2;
    }
    frames = std::make_unique<station_check::Frames>(spool);
  }
  station_check::Judge judge({options.exercise, options.tolerance_ms, frames.get()});
  const station_check::SessionResult session =
      station_check::ReadInput(file, options.usbmon, options.device, judge);
  if (!session.error.empty()) {
    Write(stderr, Tr("station-check: {1}: {2}\n", name, session.error));
    return 2;
  }
  for (const std::string& note : session.notes) Write(stdout, Tr("{1}: {2}\n", name, note));
  const station_check::Verdict verdict = judge.Finish();
  Write(stdout, station_check::Describe(verdict));

  if (frames) {
    if (!WritePicture(options.picture, verdict, *frames)) {
      Write(stderr, Tr("station-check: cannot write {1}\n", options.picture));
      return 2;
    }
    if (own_window) Write(stdout, Tr("The picture: {1}\n", options.picture));
  }
  return verdict.pass ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool own_window = station_check::HasOwnConsoleWindow();
  const int status = Run(station_check::Arguments(argc, argv), own_window);
  // Explorer would close the window with the program, before its verdict could be read.
  if (own_window) station_check::WaitForKey(messages::Tr("Press a key to close this window."));
  return status;
}
