// station-check: judges a station program from what it sent to the LED board, rule by rule,
// against how the reference station behaves.
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>

#include "capture.h"
#include "judge.h"
#include "picture.h"
#include "readers.h"

namespace {

const char kUsage[] =
    "Usage: station-check [--exercise N] [--device BUS.ADDRESS] [--tolerance MS]\n"
    "                     [--picture FILE] [FILE]\n"
    "  Reads a session of a station program with the LED board from FILE or standard input\n"
    "  and says, rule by rule, whether the program behaves as the reference station does; then\n"
    "  PASS or FAIL. The input is any of these, told apart by its first bytes:\n"
    "    a USB capture, pcap or pcapng, from Wireshark, tshark, dumpcap or USBPcapCMD: USBPcap\n"
    "      on Windows, or Linux usbmon (with or without the memory-mapped header)\n"
    "    virtual-board --json lines, or the session log of the library (VARNEL_SESSION_LOG)\n"
    "    the kernel's usbmon text (/sys/kernel/debug/usb/usbmon/0u)\n"
    "  A capture on standard input (dumpcap -i usbmon1 -w - | station-check) is judged when it\n"
    "  ends. In a capture the board is the device that names itself vendor 1234, product 6789,\n"
    "  else the one device that received feature reports.\n"
    "  --exercise N    the exercise (1 to 10) the program played; without it, the one seen\n"
    "  --device BUS.ADDRESS  in a capture, the board where several devices received feature\n"
    "                  reports and none names itself (Wireshark shows BUS.ADDRESS.ENDPOINT)\n"
    "  --tolerance MS  how far a tick may stray from the whole second (default 100; wider\n"
    "                  only where the program's clock runs rough, as in an emulated PC)\n"
    "  --picture FILE  draws the session tick by tick beside the reference (.svg or .png)\n"
    "  --usbmon        reads text as usbmon text even where its first line is not (still\n"
    "                  accepted; the form is recognised without it)\n"
    "  Exit status: 0 PASS, 1 FAIL, 2 bad arguments or input that cannot be read.\n";

int Usage(const char* why) {
  std::fprintf(stderr, "station-check: %s (try station-check --help)\n", why);
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
  if (!input.empty() && input != "-") return std::fopen(input.c_str(), "rb");
  // Ctrl-C at the end of "virtual-board --json | station-check" ends the board; the check
  // goes on to judge what it got.
  if (!isatty(STDIN_FILENO)) std::signal(SIGINT, SIG_IGN);
#ifdef _WIN32
  // A capture is bytes: no line ends translated.
  _setmode(_fileno(stdin), _O_BINARY);
#endif
  std::FILE* copy = std::tmpfile();
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

}  // namespace

int main(int argc, char** argv) {
  int exercise = 0;
  int tolerance_ms = station_check::kToleranceMs;
  bool usbmon = false;
  std::uint32_t device = 0;
  std::string picture, input;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (arg == "--usbmon") {
      usbmon = true;
    } else if (arg == "--exercise" && i + 1 < argc) {
      if (!SmallNumber(argv[++i], 1, 10, &exercise))
        return Usage("the exercise is a number from 1 to 10");
    } else if (arg == "--device" && i + 1 < argc) {
      if (!DeviceNumber(argv[++i], &device))
        return Usage("the device is BUS.ADDRESS, as 1.5 (an address from 1 to 127)");
    } else if (arg == "--tolerance" && i + 1 < argc) {
      if (!SmallNumber(argv[++i], 1, 499, &tolerance_ms))
        return Usage("the tolerance is a number of milliseconds from 1 to 499");
    } else if (arg == "--picture" && i + 1 < argc) {
      picture = argv[++i];
      if (!EndsWith(picture, ".svg") && !EndsWith(picture, ".png"))
        return Usage("the picture's file name ends in .svg or .png");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("bad argument " + arg).c_str());
    } else if (input.empty()) {
      input = arg;
    } else {
      return Usage("one input file at most");
    }
  }

  const char* name = input.empty() || input == "-" ? "standard input" : input.c_str();
  std::FILE* file = OpenInput(input);
  if (file == nullptr) {
    std::fprintf(stderr, "station-check: cannot read %s: %s\n", name, std::strerror(errno));
    return 2;
  }
  const station_check::SessionResult session = station_check::ReadInput(file, usbmon, device);
  if (!session.error.empty()) {
    std::fprintf(stderr, "station-check: %s: %s\n", name, session.error.c_str());
    return 2;
  }
  for (const std::string& note : session.notes) std::printf("%s: %s\n", name, note.c_str());
  const station_check::Verdict verdict =
      station_check::Judge(session.session, exercise, tolerance_ms);
  std::fputs(station_check::Describe(verdict).c_str(), stdout);

  if (!picture.empty()) {
    std::ofstream out(picture, std::ios::binary);
    if (EndsWith(picture, ".svg")) {
      station_check::WritePictureSvg(verdict, out);
    } else {
      station_check::WritePicturePng(verdict, out);
    }
    if (!out.flush()) {
      std::fprintf(stderr, "station-check: cannot write %s\n", picture.c_str());
      return 2;
    }
  }
  return verdict.pass ? 0 : 1;
}
