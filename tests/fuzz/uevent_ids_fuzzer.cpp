// A node's ids come from the text of its HID device's uevent file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/id_text.h"
#include "fuzz_check.h"
#include "linux/hidraw_nodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view uevent(reinterpret_cast<const char*>(data), size);
  const std::string node = "hidraw7";
  const std::string path = varnel::linux_hidraw::DevicePathFromUevent(node, uevent);
  // Whatever the text, the path names the node and carries both ids as four hex digits.
  FuzzCheck(varnel::linux_hidraw::NodeOf(path) == "/dev/" + node, "the path names another node");
  const std::string_view ids = std::string_view(path).substr(("/dev/" + node).size());
  FuzzCheck(ids.size() == 18 && ids.starts_with("?vid_") && ids.substr(9, 5) == "&pid_",
            "the ids are not ?vid_xxxx&pid_xxxx");
  for (const char* marker : {"vid_", "pid_"}) {
    const std::string field = varnel::IdField(path, marker);
    FuzzCheck(field.find_first_not_of("0123456789abcdef") == std::string::npos,
              "an id field that is not four lower-case hex digits");
  }
  return 0;
}
