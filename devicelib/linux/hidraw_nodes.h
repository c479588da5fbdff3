#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The hidraw nodes present, as sysfs lists them.
namespace varnel::linux_hidraw {

// The nodes' numbers (3 for hidraw3) in increasing order, from one listing of the class folder.
std::vector<std::uint32_t> PresentNodes();

struct NodeIds {
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
};

// The ids in the target of a node's sysfs link: those of the last path component shaped as a
// HID device's name, "bus:vendor:product.instance" in hex ("0003:1234:6789.0001"), each id the
// low 16 bits of its field. Ids 0 when no component has that shape.
NodeIds IdsFromLinkTarget(std::string_view target);

// A node's ids, read from its class link, whose target runs through its HID device's folder:
// one system call, no uevent text to generate. Ids 0 when the node is gone.
NodeIds ReadNodeIds(std::uint32_t node);

// The device path of a node: its file, then its ids as four lower-case hex digits after "vid_"
// and "pid_", e.g. "/dev/hidraw3?vid_1234&pid_6789".
std::string NodeDevicePath(std::uint32_t node, NodeIds ids);

// The node file a device path names: the part before its '?'.
std::string NodeOf(std::string_view device_path);

}  // namespace varnel::linux_hidraw
