#pragma once

#include <string>
#include <vector>

// The hidraw nodes present, as sysfs lists them.
namespace varnel::linux_hidraw {

struct Node {
  std::string device_path;  // e.g. "/dev/hidraw3?vid_1234&pid_6789"
};

// The nodes in increasing minor number, each with the vendor and product id of its HID device.
std::vector<Node> PresentNodes();

// The node a device path names: the part before its '?'.
std::string NodeOf(const std::string& device_path);

}  // namespace varnel::linux_hidraw
