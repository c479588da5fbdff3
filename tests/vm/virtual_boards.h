#pragma once

// Virtual boards for the checks that run inside the virtual machine: each one a virtual-board
// process (VIRTUAL_BOARD names the program) writing its JSON lines to a file.
#include <dirent.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
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
  // The reports the board received, each as its JSON line without the time. The board writes
  // a report's line before it answers the report, so every report sent so far is in the file.
  std::vector<std::string> Reports() const {
    std::ifstream in(log_);
    std::vector<std::string> reports;
    for (std::string line; std::getline(in, line);) {
      const std::size_t time = line.rfind("{\"ms\":", 0) == 0 ? line.find(',') : std::string::npos;
      if (time == std::string::npos) continue;
      line.erase(1, time);
      if (line.rfind("{\"report\"", 0) == 0) reports.push_back(line);
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
