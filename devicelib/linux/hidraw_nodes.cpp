#include "linux/hidraw_nodes.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace varnel::linux_hidraw {
namespace {

constexpr const char* kClassDirectory = "/sys/class/hidraw";

unsigned Minor(const std::filesystem::path& entry) {
  std::ifstream dev(entry / "dev");
  unsigned major = 0, minor = 0;
  char colon = 0;
  dev >> major >> colon >> minor;
  return minor;
}

// HID_ID=bus:vendor:product in the HID device's uevent, each field in hex; the ids are the low
// 16 bits of their fields.
bool ReadIds(const std::filesystem::path& entry, unsigned* vendor, unsigned* product) {
  std::ifstream uevent(entry / "device" / "uevent");
  std::string line;
  while (std::getline(uevent, line)) {
    unsigned bus = 0;
    if (std::sscanf(line.c_str(), "HID_ID=%x:%x:%x", &bus, vendor, product) == 3) return true;
  }
  return false;
}

}  // namespace

std::vector<Node> PresentNodes() {
  std::vector<std::pair<unsigned, Node>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(kClassDirectory, error)) {
    unsigned vendor = 0, product = 0;
    ReadIds(entry.path(), &vendor, &product);
    char ids[32];
    std::snprintf(ids, sizeof ids, "?vid_%04x&pid_%04x", vendor & 0xFFFF, product & 0xFFFF);
    found.push_back({Minor(entry.path()), {"/dev/" + entry.path().filename().string() + ids}});
  }
  std::sort(found.begin(), found.end(),
            [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Node> nodes;
  for (auto& [minor, node] : found) nodes.push_back(std::move(node));
  return nodes;
}

std::string NodeOf(const std::string& device_path) {
  return device_path.substr(0, device_path.find('?'));
}

}  // namespace varnel::linux_hidraw
