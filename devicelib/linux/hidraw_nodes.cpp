#include "linux/hidraw_nodes.h"

#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace varnel::linux_hidraw {
namespace {

constexpr const char* kClassDirectory = "/sys/class/hidraw";
constexpr const char* kPrefix = "hidraw";

// A node's minor number is the number in its name.
unsigned long Minor(const std::string& name) {
  return std::strtoul(name.c_str() + std::strlen(kPrefix), nullptr, 10);
}

}  // namespace

std::vector<std::string> PresentNodes() {
  std::vector<std::string> nodes;
  if (DIR* dir = opendir(kClassDirectory)) {
    while (const dirent* entry = readdir(dir)) {
      if (std::strncmp(entry->d_name, kPrefix, std::strlen(kPrefix)) == 0) {
        nodes.push_back(entry->d_name);
      }
    }
    closedir(dir);
  }
  std::sort(nodes.begin(), nodes.end(),
            [](const std::string& a, const std::string& b) { return Minor(a) < Minor(b); });
  return nodes;
}

std::string DevicePath(const std::string& node) {
  std::ifstream uevent(std::string(kClassDirectory) + "/" + node + "/device/uevent");
  std::ostringstream text;
  text << uevent.rdbuf();
  return DevicePathFromUevent(node, text.str());
}

// HID_ID=bus:vendor:product in the HID device's uevent, each field in hex; the ids are the low
// 16 bits of their fields. A node whose device is gone reads as ids 0.
std::string DevicePathFromUevent(const std::string& node, std::string_view uevent) {
  std::istringstream lines{std::string(uevent)};
  unsigned bus = 0, vendor = 0, product = 0;
  for (std::string line; std::getline(lines, line);) {
    if (std::sscanf(line.c_str(), "HID_ID=%x:%x:%x", &bus, &vendor, &product) == 3) break;
  }
  char ids[32];
  std::snprintf(ids, sizeof ids, "?vid_%04x&pid_%04x", vendor & 0xFFFF, product & 0xFFFF);
  return "/dev/" + node + ids;
}

std::string NodeOf(const std::string& device_path) {
  return device_path.substr(0, device_path.find('?'));
}

}  // namespace varnel::linux_hidraw
