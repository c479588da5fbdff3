// A node's ids come from the target of its sysfs class link.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/id_text.h"
#include "fuzz_check.h"
#include "linux/hidraw_nodes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view target(reinterpret_cast<const char*>(data), size);
  const varnel::linux_hidraw::NodeIds ids = varnel::linux_hidraw::IdsFromLinkTarget(target);
  const std::string path = varnel::linux_hidraw::NodeDevicePath(7, ids);
  // Whatever the target, the path names the node and carries both ids as four hex digits.
  FuzzCheck(varnel::linux_hidraw::NodeOf(path) == "/dev/hidraw7", "the path names another node");
  FuzzCheck(
      path.size() == 12 + 18 && path.substr(12, 5) == "?vid_" && path.substr(21, 5) == "&pid_",
      "the ids are not ?vid_xxxx&pid_xxxx");
  for (const char* marker : {"vid_", "pid_"}) {
    const std::string field = varnel::IdField(path, marker);
    FuzzCheck(field.find_first_not_of("0123456789abcdef") == std::string::npos,
              "an id field that is not four lower-case hex digits");
  }
  return 0;
}
