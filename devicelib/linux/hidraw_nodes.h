#pragma once

#include <string>
#include <string_view>
#include <vector>

// The hidraw nodes present, as sysfs lists them.
namespace varnel::linux_hidraw {

// The nodes' names ("hidraw3") in increasing minor number. Only the folder is read, so a
// snapshot stays cheap however often the library takes one.
std::vector<std::string> PresentNodes();

// The device path of a node: the node's file, then the vendor and product id of its HID device
// as four lower-case hex digits after "vid_" and "pid_", e.g. "/dev/hidraw3?vid_1234&pid_6789".
std::string DevicePath(const std::string& node);

// The same from the text of the node's HID device's uevent file (empty when it is gone).
std::string DevicePathFromUevent(const std::string& node, std::string_view uevent);

// The node file a device path names: the part before its '?'.
std::string NodeOf(const std::string& device_path);

}  // namespace varnel::linux_hidraw
