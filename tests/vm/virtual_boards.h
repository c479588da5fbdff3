#pragma once

// Virtual boards for the checks that run inside the virtual machine: each one a virtual-board
// process (VIRTUAL_BOARD names the program, VIRTUAL_BOARD_OPTIONS may add "--usb") writing its
// JSON lines to a file.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vm_checks {

using namespace std::chrono_literals;

// The entries of a folder, "." and ".." aside.
inline int EntriesOf(const char* folder) {
  int entries = 0;
  if (DIR* dir = opendir(folder)) {
    while (const dirent* entry = readdir(dir)) entries += entry->d_name[0] != '.';
    closedir(dir);
  }
  return entries;
}

// The hidraw node of the first HID device with these ids ("0003:00001234:00006789"), or "".
inline std::string NodeOf(const std::string& hid_id) {
  for (int minor = 0; minor < 64; ++minor) {
    const std::string name = "hidraw" + std::to_string(minor);
    std::ifstream uevent("/sys/class/hidraw/" + name + "/device/uevent");
    for (std::string line; std::getline(uevent, line);) {
      if (line == "HID_ID=" + hid_id) return "/dev/" + name;
    }
  }
  return "";
}

inline int HidrawNodes() {
  return EntriesOf("/sys/class/hidraw");
}

inline int OpenFiles() {
  return EntriesOf("/proc/self/fd");
}

// One virtual board, its JSON lines written to a file; plugged in when made.
class Board {
 public:
  explicit Board(std::vector<std::string> options = {}) {
    log_ = "/tmp/board-" + std::to_string(count_++) + ".json";
    const int before = HidrawNodes();
    pid_ = fork();
    if (pid_ == 0) {
      std::vector<char*> argv;
      static std::string program = std::getenv("VIRTUAL_BOARD");
      argv.push_back(program.data());
      static std::string json = "--json";
      argv.push_back(json.data());
      const char* maker_options = std::getenv("VIRTUAL_BOARD_OPTIONS");
      std::istringstream maker(maker_options ? maker_options : "");
      std::vector<std::string> words;
      for (std::string word; maker >> word;) words.push_back(word);
      options.insert(options.begin(), words.begin(), words.end());
      for (std::string& option : options) argv.push_back(option.data());
      argv.push_back(nullptr);
      freopen(log_.c_str(), "w", stdout);
      execv(argv[0], argv.data());
      _exit(127);
    }
    WaitForNodes(before + 1);
  }
  ~Board() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  void Toggle(int expected_nodes) {
    kill(pid_, SIGUSR1);
    WaitForNodes(expected_nodes);
  }
  // Unplugs or plugs again without waiting; the change shows as an event line in log().
  void Flip() const { kill(pid_, SIGUSR1); }
  const std::string& log() const { return log_; }
  // The reports the board received, each as its JSON line, once there are at least
  // `at_least` of them (or 5 s have passed). The uhid board writes a report's line before it
  // answers the report; the USB board as the host's call returns.
  std::vector<std::string> Reports(std::size_t at_least = 0) const {
    std::vector<std::string> reports;
    for (int i = 0; i < 100; ++i) {
      reports.clear();
      std::ifstream in(log_);
      for (std::string line; std::getline(in, line);) {
        const std::size_t time =
            line.rfind("{\"ms\":", 0) == 0 ? line.find(',') : std::string::npos;
        if (time == std::string::npos) continue;
        line.erase(1, time);
        if (line.rfind("{\"report\"", 0) == 0) reports.push_back(line);
      }
      if (reports.size() >= at_least) break;
      std::this_thread::sleep_for(50ms);
    }
    return reports;
  }

 private:
  static void WaitForNodes(int nodes) {
    for (int i = 0; i < 100 && HidrawNodes() != nodes; ++i) std::this_thread::sleep_for(50ms);
    // udev is not running: give the kernel a moment to finish the node.
    std::this_thread::sleep_for(100ms);
  }
  static inline int count_ = 0;
  pid_t pid_ = -1;
  std::string log_;
};

}  // namespace vm_checks
