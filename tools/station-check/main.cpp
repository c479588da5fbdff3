// station-check: judges a station program from what it sent to the LED board, rule by rule,
// against how the reference station behaves.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console.h"
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
    "  Exit status: 0 PASS, 1 FAIL, 2 bad arguments or input that cannot be read.\n"
#ifdef _WIN32
    "  A file dropped onto station-check.exe in Explorer is judged in a window of its own, the\n"
    "  picture written beside it (the same name, .png).\n"
#endif
    ;

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

// The whole of a file named in UTF-8, or of standard input for "" or "-".
bool ReadAll(const std::string& name, std::string* bytes) {
  std::FILE* file = stdin;
  if (name.empty() || name == "-") {
    station_check::ReadStandardInputToItsEnd();
  } else if ((file = station_check::OpenFile(name, "rb")) == nullptr) {
    return false;
  }
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->append(buffer, got);
  const bool whole = std::ferror(file) == 0;
  if (file != stdin) std::fclose(file);
  return whole;
}

bool WriteAll(const std::string& name, const void* bytes, std::size_t size) {
  std::FILE* file = station_check::OpenFile(name, "wb");
  if (file == nullptr) return false;
  const bool written = std::fwrite(bytes, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

// Where the picture of a file dropped onto the program goes: beside it, the same name, .png.
std::string PictureBeside(const std::string& input) {
  const std::size_t name = input.find_last_of("/\\:") + 1;
  const std::size_t dot = input.rfind('.');
  return (dot != std::string::npos && dot > name ? input.substr(0, dot) : input) + ".png";
}

struct Options {
  int exercise = 0;
  int tolerance_ms = station_check::kToleranceMs;
  bool usbmon = false;
  bool help = false;
  std::string picture, input;
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
        return Usage("the exercise is a number from 1 to 10");
    } else if (arg == "--tolerance" && has_value) {
      if (!SmallNumber(args[++i], 1, 499, &options->tolerance_ms))
        return Usage("the tolerance is a number of milliseconds from 1 to 499");
    } else if (arg == "--picture" && has_value) {
      options->picture = args[++i];
      if (!EndsWith(options->picture, ".svg") && !EndsWith(options->picture, ".png"))
        return Usage("the picture's file name ends in .svg or .png");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage(("bad argument " + arg).c_str());
    } else if (options->input.empty()) {
      options->input = arg;
    } else {
      return Usage("one input file at most");
    }
  }
  return 0;
}

bool WritePicture(const std::string& name, const station_check::Verdict& verdict) {
  if (EndsWith(name, ".svg")) {
    const std::string svg = station_check::PictureSvg(verdict);
    return WriteAll(name, svg.data(), svg.size());
  }
  const std::vector<std::uint8_t> png = station_check::PicturePng(verdict);
  return WriteAll(name, png.data(), png.size());
}

int Run(const std::vector<std::string>& args, bool own_window) {
  Options options;
  if (const int status = ReadOptions(args, &options)) return status;
  // Started with a double click, there is nothing to read from its own window.
  if (options.help || (own_window && options.input.empty())) {
    std::fputs(kUsage, stdout);
    return options.help ? 0 : 2;
  }
  // A file dropped onto the program: its picture goes beside it.
  if (own_window && args.size() == 1) options.picture = PictureBeside(options.input);

  std::string text;
  if (!ReadAll(options.input, &text)) {
    std::fprintf(stderr, "station-check: cannot read %s: %s\n", options.input.c_str(),
                 std::strerror(errno));
    return 2;
  }
  const station_check::SessionResult session = station_check::ReadSession(text, options.usbmon);
  if (!session.error.empty()) {
    std::fprintf(stderr, "station-check: %s: %s\n",
                 options.input.empty() ? "standard input" : options.input.c_str(),
                 session.error.c_str());
    return 2;
  }
  const station_check::Verdict verdict =
      station_check::Judge(session.session, options.exercise, options.tolerance_ms);
  std::fputs(station_check::Describe(verdict).c_str(), stdout);

  if (!options.picture.empty()) {
    if (!WritePicture(options.picture, verdict)) {
      std::fprintf(stderr, "station-check: cannot write %s\n", options.picture.c_str());
      return 2;
    }
    if (own_window) std::printf("The picture: %s\n", options.picture.c_str());
  }
  return verdict.pass ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const bool own_window = station_check::HasOwnConsoleWindow();
  const int status = Run(station_check::Arguments(argc, argv), own_window);
  // Explorer would close the window with the program, before its verdict could be read.
  if (own_window) station_check::WaitForKey("Press a key to close this window.");
  return status;
}
