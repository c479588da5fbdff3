#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/core.h"
#include "core/module_state.h"
#include "core/session_log.h"

namespace varnel {
namespace {

constexpr std::size_t kReportBufferSize = 9;
constexpr std::size_t kDataByte = 1;
constexpr std::size_t kControlByte = 2;

}  // namespace

void OutDataCtrl(std::uint8_t data, std::uint8_t ctrl) {
  if (!platform::IsHeld(DeviceHandle)) return;
  // A device with a longer feature report gets a zero-filled report of its own length, so the
  // platform never reads past the buffer.
  const std::size_t length = Capabilities.feature_report_byte_length;
  std::vector<std::uint8_t> ReportBuffer(std::max(length, kReportBufferSize), 0);
  ReportBuffer[kDataByte] = data;
  ReportBuffer[kControlByte] = ctrl;
  const bool sent =
      platform::SetFeature(DeviceHandle, ReportBuffer.data(), static_cast<std::uint32_t>(length));
  session_log::NoteReport(ReportBuffer.data(), length, sent);
}

void CloseUsbDevice() {
  ReplaceDeviceHandle(0);
  ReplaceDeviceInfoSet(0);
  ReplacePreparsedData(0);
}

}  // namespace varnel
