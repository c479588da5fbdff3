#include "board_link.h"

#include <string>

#include "board_protocol.h"
#include "combapi.h"
#include "runtime_error.h"
#include "shared_library.h"

namespace orlanek {

#ifdef _WIN32
const char* const kDeviceLibraryFile = "Varnel.dll";
#else
const char* const kDeviceLibraryFile = "libVarnel.so";
#endif

namespace {

void* library = nullptr;

void* Library() {
  if (!library) {
    std::string reason;
    library = shared_library::Open(kDeviceLibraryFile, reason);
    if (!library) {
      throw RuntimeError(std::string("Cannot load the device library ") + kDeviceLibraryFile +
                         ": " + reason);
    }
  }
  return library;
}

// One exported function, looked up at its own first call and kept.
template <typename Signature>
class Bound {
 public:
  explicit Bound(const char* name) : name_(name) {}
  Signature* Get() {
    if (!function_) {
      std::string reason;
      void* found = shared_library::Function(Library(), name_, reason);
      if (!found) {
        throw RuntimeError(std::string("The device library ") + kDeviceLibraryFile +
                           " has no function " + name_ + ": " + reason);
      }
      function_ = reinterpret_cast<Signature*>(found);
    }
    return function_;
  }

 private:
  const char* name_;
  Signature* function_ = nullptr;
};

// The library's calling convention: stdcall in the Windows DLL, the platform's own elsewhere.
#ifdef _WIN32
#define VARNEL_CALL __stdcall
#else
#define VARNEL_CALL
#endif

Bound<std::int16_t VARNEL_CALL(std::int16_t, std::int16_t)> open_usb_device("OpenUsbDevice");
Bound<void VARNEL_CALL(std::uint8_t, std::uint8_t)> out_data_ctrl("OutDataCtrl");
Bound<void VARNEL_CALL()> close_usb_device("CloseUsbDevice");

}  // namespace

std::int16_t OpenUsbDevice(std::int16_t vendor, std::int16_t product) {
  return open_usb_device.Get()(vendor, product);
}

void OutDataCtrl(std::uint8_t data, std::uint8_t ctrl) {
  out_data_ctrl.Get()(data, ctrl);
}

void CloseUsbDevice() {
  close_usb_device.Get()();
}

std::int16_t ProbeBoard() {
  const std::int16_t state = OpenUsbDevice(board::kVendorId, board::kProductId);
  if (state == board::kPresent) {
    MarkBoardPresent();
  } else {
    MarkBoardAbsent();
  }
  CloseUsbDevice();
  return state;
}

}  // namespace orlanek
