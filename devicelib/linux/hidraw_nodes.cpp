#include "linux/hidraw_nodes.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstddef>

#include "hex_digit.h"

namespace varnel::linux_hidraw {
namespace {

constexpr const char* kClassDirectory = "/sys/class/hidraw";
constexpr std::string_view kPrefix = "hidraw";
// Where each node's class link lies: this, then its number.
constexpr std::string_view kLinkPrefix = "/sys/class/hidraw/hidraw";
constexpr std::string_view kNodePrefix = "/dev/hidraw";
// A node number's longest decimal text.
constexpr std::size_t kNumberDigits = 10;

// The number in a node's name; false for any other entry.
bool NodeNumber(std::string_view name, std::uint32_t* number) {
  if (!name.starts_with(kPrefix)) return false;
  const char* end = name.data() + name.size();
  const auto [at, error] = std::from_chars(name.data() + kPrefix.size(), end, *number);
  return error == std::errc{} && at == end;
}

// Four lower-case hex digits.
void AppendHex4(std::string& text, std::uint16_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int shift = 12; shift >= 0; shift -= 4) text.push_back(kDigits[(value >> shift) & 0xF]);
}

// Takes the hex digits at the front of text, at least one. The value keeps its low 32 bits, so
// a field of any length leaves its low 16 bits right.
bool TakeHex(std::string_view& text, std::uint32_t* value) {
  std::size_t at = 0;
  for (*value = 0; at < text.size() && HexDigitValue(text[at]) >= 0; ++at) {
    *value = *value << 4 | static_cast<std::uint32_t>(HexDigitValue(text[at]));
  }
  text.remove_prefix(at);
  return at > 0;
}

bool TakeChar(std::string_view& text, char c) {
  if (text.empty() || text.front() != c) return false;
  text.remove_prefix(1);
  return true;
}

// "bus:vendor:product.instance", each field hex.
bool HidDeviceName(std::string_view name, NodeIds* ids) {
  std::uint32_t bus = 0, vendor = 0, product = 0, instance = 0;
  if (!(TakeHex(name, &bus) && TakeChar(name, ':') && TakeHex(name, &vendor) &&
        TakeChar(name, ':') && TakeHex(name, &product) && TakeChar(name, '.') &&
        TakeHex(name, &instance) && name.empty())) {
    return false;
  }
  ids->vendor = static_cast<std::uint16_t>(vendor);
  ids->product = static_cast<std::uint16_t>(product);
  return true;
}

}  // namespace

std::vector<std::uint32_t> PresentNodes() {
  std::vector<std::uint32_t> nodes;
  const int dir = open(kClassDirectory, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return nodes;
  alignas(dirent64) char listing[8192];
  // Enough for every entry of a full buffer, so the list is allocated once.
  nodes.reserve(sizeof listing / (offsetof(dirent64, d_name) + kPrefix.size() + 2));
  for (ssize_t length; (length = getdents64(dir, listing, sizeof listing)) > 0;) {
    for (ssize_t at = 0; at < length;) {
      const auto* entry = reinterpret_cast<const dirent64*>(listing + at);
      std::uint32_t number = 0;
      if (NodeNumber(entry->d_name, &number)) nodes.push_back(number);
      at += entry->d_reclen;
    }
  }
  close(dir);
  // The folder lists its entries in no useful order; by number, a node keeps its place while
  // others come and go after it.
  std::sort(nodes.begin(), nodes.end());
  return nodes;
}

NodeIds IdsFromLinkTarget(std::string_view target) {
  NodeIds ids;
  while (!target.empty()) {
    const std::size_t slash = target.rfind('/');
    const std::string_view component =
        slash == std::string_view::npos ? target : target.substr(slash + 1);
    if (HidDeviceName(component, &ids)) return ids;
    target = slash == std::string_view::npos ? std::string_view{} : target.substr(0, slash);
  }
  return {};
}

NodeIds ReadNodeIds(std::uint32_t node) {
  char link[kLinkPrefix.size() + kNumberDigits + 1] = {};
  kLinkPrefix.copy(link, kLinkPrefix.size());
  std::to_chars(link + kLinkPrefix.size(), link + sizeof link - 1, node);
  char target[PATH_MAX];
  const ssize_t length = readlink(link, target, sizeof target);
  if (length <= 0 || static_cast<std::size_t>(length) == sizeof target) return {};
  return IdsFromLinkTarget({target, static_cast<std::size_t>(length)});
}

std::string NodeDevicePath(std::uint32_t node, NodeIds ids) {
  char number[kNumberDigits];
  const char* number_end = std::to_chars(number, number + sizeof number, node).ptr;
  std::string path;
  path.reserve(kNodePrefix.size() + kNumberDigits + 18);
  path.append(kNodePrefix).append(std::string_view(number, number_end));
  path.append("?vid_");
  AppendHex4(path, ids.vendor);
  path.append("&pid_");
  AppendHex4(path, ids.product);
  return path;
}

std::string NodeOf(std::string_view device_path) {
  return std::string(device_path.substr(0, device_path.find('?')));
}

}  // namespace varnel::linux_hidraw
