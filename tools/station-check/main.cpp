// station-check: judges a station program from what it sent to the LED board, rule by rule,
// against how the reference station behaves.
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>

#include "judge.h"
#include "picture.h"

namespace {

const char kUsage[] =
    "Usage: station-check [--exercise N] [--usbmon] [--tolerance MS] [--picture FILE] [FILE]\n"
    "  Reads a session of a station program with the LED board (virtual-board --json lines,\n"
    "  or with --usbmon the kernel's usbmon text) from FILE or standard input and says, rule\n"
    "  by rule, whether the program behaves as the reference station does; then PASS or FAIL.\n"
    "  --exercise N    the exercise (1 to 10) the program played; without it, the one seen\n"
    "  --usbmon        the input is usbmon text (a real board on this machine's USB)\n"
    "  --tolerance MS  how far a tick may stray from the whole second (default 100; wider\n"
    "                  only where the program's clock runs rough, as in an emulated PC)\n"
    "  --picture FILE  draws the session tick by tick beside the reference (.svg or .png)\n"
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

bool EndsWith(const std::string& text, const char* suffix) {
  const std::size_t n = std::strlen(suffix);
  return text.size() >= n && text.compare(text.size() - n, n, suffix) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int exercise = 0;
  int tolerance_ms = station_check::kToleranceMs;
  bool usbmon = false;
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

  std::string text;
  if (input.empty() || input == "-") {
    // Ctrl-C at the end of "virtual-board --json | station-check" ends the board; the check
    // goes on to judge what it got.
    if (!isatty(STDIN_FILENO)) std::signal(SIGINT, SIG_IGN);
    text.assign(std::istreambuf_iterator<char>(std::cin), {});
  } else {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
      std::fprintf(stderr, "station-check: cannot read %s: %s\n", input.c_str(),
                   std::strerror(errno));
      return 2;
    }
    std::ostringstream all;
    all << file.rdbuf();
    text = all.str();
  }
  const station_check::SessionResult session = station_check::ReadSession(text, usbmon);
  if (!session.error.empty()) {
    std::fprintf(stderr, "station-check: %s: %s\n",
                 input.empty() ? "standard input" : input.c_str(), session.error.c_str());
    return 2;
  }
  const station_check::Verdict verdict =
      station_check::Judge(session.session, exercise, tolerance_ms);
  std::fputs(station_check::Describe(verdict).c_str(), stdout);

  if (!picture.empty()) {
    std::ofstream out(picture, std::ios::binary);
    if (EndsWith(picture, ".svg")) {
      out << station_check::PictureSvg(verdict);
    } else {
      const std::vector<std::uint8_t> png = station_check::PicturePng(verdict);
      out.write(reinterpret_cast<const char*>(png.data()),
                static_cast<std::streamsize>(png.size()));
    }
    if (!out.flush()) {
      std::fprintf(stderr, "station-check: cannot write %s\n", picture.c_str());
      return 2;
    }
  }
  return verdict.pass ? 0 : 1;
}
