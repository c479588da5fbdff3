// The Windows form of the library's interface: stdcall, numbers by reference as VARIANTs,
// texts as BSTRs, by-value slots read only in their low bits. The names and ordinals come
// from varnel.def.
#include <windows.h>
// windows.h comes first: the OLE Automation header needs its types.
#include <oleauto.h>

#include <cstdint>
#include <string>

#include "core/core.h"
#include "varnel.h"
#include "win32/variant_number.h"

namespace {

using varnel::windows::VariantNumber;

// The whole text, NUL characters included, through the ANSI code page; null when empty.
BSTR ToBstr(const std::string& text) {
  if (text.empty()) return nullptr;
  const int length = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
  BSTR result = SysAllocStringLen(nullptr, static_cast<UINT>(wide));
  if (result != nullptr) MultiByteToWideChar(CP_ACP, 0, text.data(), length, result, wide);
  return result;
}

std::int16_t Low16(std::uint32_t slot) {
  return static_cast<std::int16_t>(slot & 0xFFFF);
}
std::uint8_t Low8(std::uint32_t slot) {
  return static_cast<std::uint8_t>(slot & 0xFF);
}

}  // namespace

extern "C" {

void WINAPI CloseUsbDevice() {
  varnel::CloseUsbDevice();
}

BSTR WINAPI FindHidDevice() {
  return ToBstr(varnel::FindHidDevice());
}

BSTR WINAPI FindVidPid(const VARIANT* index) {
  const auto member = VariantNumber(index);
  return member ? ToBstr(varnel::FindVidPid(*member)) : nullptr;
}

void WINAPI GetDeviceCapabilities() {
  varnel::GetDeviceCapabilities();
}

std::int16_t WINAPI OpenDevice(const VARIANT* index, const VARIANT* vendor,
                               const VARIANT* product) {
  const auto member = VariantNumber(index);
  const auto vendor_id = VariantNumber(vendor);
  const auto product_id = VariantNumber(product);
  if (!member || !vendor_id || !product_id) return 0;
  return varnel::OpenDevice(*member, Low16(static_cast<std::uint32_t>(*vendor_id)),
                            Low16(static_cast<std::uint32_t>(*product_id)));
}

std::int16_t WINAPI OpenUsbDevice(std::uint32_t vendor, std::uint32_t product) {
  return varnel::OpenUsbDevice(Low16(vendor), Low16(product));
}

void WINAPI OutDataCtrl(std::uint32_t data, std::uint32_t ctrl) {
  varnel::OutDataCtrl(Low8(data), Low8(ctrl));
}

}  // extern "C"
