// Varnel.dll called as a Visual Basic program calls it, over the setupapi.dll and hid.dll
// test doubles, so that the library's real Windows code path runs.
#include <windows.h>
// windows.h comes first: the OLE Automation header needs its types.
#include <gtest/gtest.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "doubles/hid_bus.h"
#include "export_call.h"

namespace {

constexpr std::uint32_t kGarbage = 0xA5A50000;
// The interface record's size and the detail record's size field, as this Windows has them.
const std::string kRecordSize = sizeof(void*) == 4 ? "28" : "32";
const std::string kDetailField = sizeof(void*) == 4 ? "5" : "8";

HMODULE Library() {
  static HMODULE library = LoadLibraryA("Varnel.dll");
  return library;
}

void* Export(const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(Library(), name));
}

std::uintptr_t Slot(const void* pointer) {
  return reinterpret_cast<std::uintptr_t>(pointer);
}

// One call of an export, with the balance of the stack checked.
std::uintptr_t Call(const char* name, std::initializer_list<std::uintptr_t> args) {
  void* function = Export(name);
  EXPECT_NE(function, nullptr) << name;
  if (function == nullptr) return 0;
  const CallResult result = CallExport(function, args);
  EXPECT_TRUE(result.balanced) << name << " left the stack unbalanced";
  return result.value;
}

// 16-bit results: whatever the rest of the register holds is not part of them.
std::int16_t Truth(std::uintptr_t value) {
  return static_cast<std::int16_t>(value & 0xFFFF);
}

// Takes over a BSTR result: its whole text (NULs included), then frees it.
std::wstring Take(std::uintptr_t value) {
  BSTR text = reinterpret_cast<BSTR>(value);
  std::wstring copy = text ? std::wstring(text, SysStringLen(text)) : L"";
  SysFreeString(text);
  return copy;
}

std::wstring IdText(VARIANT* index) {
  return Take(Call("FindVidPid", {Slot(index)}));
}

std::vector<std::string> Calls() {
  std::vector<std::string> calls;
  for (int i = 0; i < Bus_CallCount(); ++i) {
    char text[512];
    Bus_Call(i, text, sizeof text);
    calls.push_back(text);
  }
  return calls;
}

// The value after "key=" in a recorded call, or "" when the call has no such field.
std::string Field(const std::string& call, const std::string& key) {
  const std::size_t at = call.find(" " + key + "=");
  if (at == std::string::npos) return "";
  const std::size_t start = at + key.size() + 2;
  return call.substr(start, call.find(' ', start) - start);
}

std::vector<std::string> CallsOf(const std::string& function) {
  std::vector<std::string> found;
  for (const std::string& call : Calls()) {
    if (call.rfind(function + " ", 0) == 0 || call == function) found.push_back(call);
  }
  return found;
}

std::vector<std::uint8_t> Report(int i) {
  std::vector<std::uint8_t> bytes(64);
  bytes.resize(Bus_Report(i, bytes.data(), static_cast<int>(bytes.size())));
  return bytes;
}

int AddBoard(std::uint16_t feature_length = 9, std::uint32_t flags = 0) {
  return Bus_Add("vid_1234&pid_6789", 0x1234, 0x6789, feature_length, flags);
}

class VarnelDll : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Library(), nullptr);
    Call("CloseUsbDevice", {});
    Bus_Reset();
  }
  void TearDown() override {
    Call("CloseUsbDevice", {});
    EXPECT_EQ(Bus_Faults(), 0);
    Bus_Reset();
  }
  std::int16_t OpenBoard() {
    return Truth(Call("OpenUsbDevice", {kGarbage | 0x1234, kGarbage | 0x6789}));
  }
};

TEST_F(VarnelDll, CountsAndReadsIdTextsAsBstrs) {
  EXPECT_EQ(Take(Call("FindHidDevice", {})), L"0");
  Bus_Add("vid_04d8&pid_003f", 0x04d8, 0x003f, 9, 0);
  AddBoard();
  EXPECT_EQ(Take(Call("FindHidDevice", {})), L"2");
  VARIANT one = I4(1);
  EXPECT_EQ(IdText(&one), L"12346789");
  VARIANT two = I4(2);
  EXPECT_EQ(Call("FindVidPid", {Slot(&two)}), 0u) << "the empty text is a null BSTR";
  // A marker at the end of the path: its field runs into the path's NULs, kept in the BSTR.
  Bus_Add("vid_12", 0, 0, 9, 0);
  VARIANT end = I4(2);
  EXPECT_EQ(IdText(&end), std::wstring(L"12\0\0"
                                       L"0000",
                                       8));
}

TEST_F(VarnelDll, NumbersByReferenceAreAnyNumericVariant) {
  for (int i = 0; i < 13; ++i)
    Bus_Add(("vid_00" + std::to_string(10 + i) + "&pid_0000").c_str(), 0, 0, 9, 0);
  short two = 2;
  VARIANT by_ref;
  VariantInit(&by_ref);
  V_VT(&by_ref) = VT_I2 | VT_BYREF;
  V_I2REF(&by_ref) = &two;
  EXPECT_EQ(IdText(&by_ref), L"00120000");

  VARIANT real;
  VariantInit(&real);
  V_VT(&real) = VT_R8;
  V_R8(&real) = 3.0;
  EXPECT_EQ(IdText(&real), L"00130000");

  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  V_BSTR(&text) = SysAllocString(L"12");
  EXPECT_EQ(IdText(&text), L"00220000");

  VARIANT inner = I4(4);
  VARIANT outer;
  VariantInit(&outer);
  V_VT(&outer) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&outer) = &inner;
  EXPECT_EQ(IdText(&outer), L"00140000");

  // What holds no number is no interface, and the platform is not asked.
  Bus_ClearRecord();
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(IdText(&empty), L"");
  V_BSTR(&text)[0] = L'x';
  EXPECT_EQ(IdText(&text), L"");
  EXPECT_EQ(Call("FindVidPid", {0}), 0u);
  EXPECT_EQ(Bus_CallCount(), 0);
  VariantClear(&text);
}

// Every type tag, plain, by reference (to zeroed memory), as an array and as a vector, handed
// to both functions that take numbers by reference: the numeric ones read as 0 and find the
// interface at index 0, everything else is no interface; nothing faults or loops.
TEST_F(VarnelDll, EveryVariantTypeIsANumberOrNoInterfaceAndNothingFaults) {
  Bus_Add("vid_0000&pid_0000", 0, 0, 9, 0);
  const std::vector<VARTYPE> numeric = {VT_I2,   VT_I4,      VT_R4,  VT_R8,  VT_CY,  VT_DATE,
                                        VT_BOOL, VT_DECIMAL, VT_I1,  VT_UI1, VT_UI2, VT_UI4,
                                        VT_I8,   VT_UI8,     VT_INT, VT_UINT};
  std::vector<VARTYPE> tags;
  for (VARTYPE tag = 0; tag <= VT_CLSID + 1; ++tag) tags.push_back(tag);
  tags.insert(tags.end(), {VT_BSTR_BLOB, 0x0FFF});
  struct Case {
    VARTYPE vt;
    bool number;
  };
  std::vector<Case> cases;
  for (const VARTYPE tag : tags) {
    const bool is_numeric = std::find(numeric.begin(), numeric.end(), tag) != numeric.end();
    for (const int form : {0, int{VT_BYREF}, int{VT_ARRAY}, VT_ARRAY | VT_BYREF, int{VT_VECTOR}}) {
      cases.push_back({static_cast<VARTYPE>(tag | form), is_numeric && (form & ~VT_BYREF) == 0});
    }
  }
  cases.push_back({0xFFFF, false});

  auto expect = [](VARIANT* v, bool number, const std::string& what) {
    EXPECT_EQ(IdText(v), number ? L"00000000" : L"") << what;
    const std::int16_t opened = Truth(Call("OpenDevice", {Slot(v), Slot(v), Slot(v)}));
    EXPECT_EQ(opened, number ? -1 : 0) << what;
    Call("CloseUsbDevice", {});
  };
  for (const Case& c : cases) {
    alignas(16) unsigned char referred[64] = {};
    VARIANT v;
    std::memset(&v, 0, sizeof v);
    V_VT(&v) = c.vt;
    if (c.vt & VT_BYREF) V_BYREF(&v) = referred;
    char what[32];
    std::snprintf(what, sizeof what, "vt 0x%04x", c.vt);
    expect(&v, c.number, what);
  }

  // A null BSTR, plain and by reference; a real array of one 0; a null reference.
  VARIANT text;
  VariantInit(&text);
  V_VT(&text) = VT_BSTR;
  expect(&text, false, "null BSTR");
  BSTR null_text = nullptr;
  V_VT(&text) = VT_BSTR | VT_BYREF;
  V_BSTRREF(&text) = &null_text;
  expect(&text, false, "reference to a null BSTR");
  SAFEARRAYBOUND bound = {1, 0};
  VARIANT array;
  VariantInit(&array);
  V_VT(&array) = VT_ARRAY | VT_I4;
  V_ARRAY(&array) = SafeArrayCreate(VT_I4, 1, &bound);
  expect(&array, false, "array of one 0");
  VariantClear(&array);
  VARIANT nowhere;
  VariantInit(&nowhere);
  V_VT(&nowhere) = VT_I2 | VT_BYREF;
  expect(&nowhere, false, "null reference");

  // References to references are followed; a loop of them is no number.
  VARIANT zero = I4(0), middle, outer;
  VariantInit(&middle);
  V_VT(&middle) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&middle) = &zero;
  VariantInit(&outer);
  V_VT(&outer) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&outer) = &middle;
  expect(&outer, true, "nested references");
  V_VARIANTREF(&middle) = &outer;
  expect(&outer, false, "a loop of references");
  V_VARIANTREF(&outer) = &outer;
  expect(&outer, false, "a variant referring to itself");
}

TEST_F(VarnelDll, OpenDeviceComparesTheIdsItIsGivenByReference) {
  Bus_Add("vid_ffff&pid_8000", 0xffff, 0x8000, 9, 0);
  VARIANT index = I4(0), vendor = I4(-1), product = I4(-32768);
  EXPECT_EQ(Truth(Call("OpenDevice", {Slot(&index), Slot(&vendor), Slot(&product)})), -1);
  Call("CloseUsbDevice", {});
  VARIANT empty;
  VariantInit(&empty);
  EXPECT_EQ(Truth(Call("OpenDevice", {Slot(&index), Slot(&empty), Slot(&product)})), 0);
  EXPECT_EQ(Truth(Call("OpenUsbDevice", {kGarbage | 0xffff, kGarbage | 0x8000})), -1);
}

TEST_F(VarnelDll, PassesWhatTheSetupApiAsksFor) {
  Bus_Add("vid_046d&pid_c31c", 0x046d, 0xc31c, 9, 0);
  AddBoard();
  Bus_ClearRecord();
  ASSERT_EQ(OpenBoard(), -1);
  const std::vector<std::string> calls = Calls();
  EXPECT_EQ(calls[0], "HidD_GetHidGuid");
  EXPECT_EQ(calls[1], "SetupDiGetClassDevsA guid=hid enumerator=null window=null flags=12");
  EXPECT_EQ(CallsOf("SetupDiGetClassDevsA").size(), 4u);

  // The double spoils the size after a step that finds nothing, so every step must set it.
  const std::vector<std::string> steps = CallsOf("SetupDiEnumDeviceInterfaces");
  ASSERT_EQ(steps.size(), 128u + 2 + 1) << "the count, two id texts, the open at index 1";
  for (std::size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(Field(steps[i], "element"), "null") << steps[i];
    EXPECT_EQ(Field(steps[i], "size"), kRecordSize) << steps[i];
    if (i < 128) {
      EXPECT_EQ(Field(steps[i], "index"), std::to_string(i));
    }
  }

  int sized = 0, filled = 0;
  for (const std::string& call : CallsOf("SetupDiGetDeviceInterfaceDetailA")) {
    EXPECT_EQ(Field(call, "element"), "null") << call;
    EXPECT_EQ(Field(call, "record"), kRecordSize) << call;
    if (Field(call, "buffer") == "no") {
      EXPECT_EQ(Field(call, "size"), "0") << call;
      EXPECT_EQ(Field(call, "required_in"), "0") << call;
      ++sized;
    } else {
      // The buffer is one byte longer than asked for; the call is told the size asked for.
      EXPECT_EQ(Field(call, "size"), Field(call, "required_out")) << call;
      EXPECT_EQ(Field(call, "field"), kDetailField) << call;
      ++filled;
    }
  }
  EXPECT_EQ(sized, 3);
  EXPECT_EQ(filled, 3);
  EXPECT_EQ(Bus_Faults(), 0);
}

TEST_F(VarnelDll, OpensForReadingAndWritingSharingBothAndOnlyWhatExists) {
  const int missing = AddBoard(9, 8);
  AddBoard();
  Bus_ClearRecord();
  // The board's file is held open for reading and writing by the double: an open that did not
  // share both would be refused.
  ASSERT_EQ(OpenBoard(), -1);
  EXPECT_FALSE(Bus_FileExists(missing)) << "the open created the missing interface's file";
  const std::vector<std::string> reads = CallsOf("HidD_GetAttributes");
  ASSERT_EQ(reads.size(), 1u) << "the missing interface is never opened";
  // GENERIC_READ | GENERIC_WRITE as a file's rights: FILE_GENERIC_READ | FILE_GENERIC_WRITE.
  EXPECT_EQ(Field(reads[0], "access"), "12019f");
}

TEST_F(VarnelDll, ReportsCarryTheBytesWithTheDevicesLength) {
  AddBoard();
  ASSERT_EQ(OpenBoard(), -1);
  Call("OutDataCtrl", {kGarbage | 0xFF, kGarbage | 0x00});
  Call("OutDataCtrl", {0x100, 0x20});
  ASSERT_EQ(Bus_ReportCount(), 2);
  EXPECT_EQ(Report(0), (std::vector<std::uint8_t>{0, 0xFF, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Report(1), (std::vector<std::uint8_t>{0, 0, 0x20, 0, 0, 0, 0, 0, 0}));
}

TEST_F(VarnelDll, RefusedAndSilentInterfacesAreWalkedPast) {
  AddBoard(9, 1);  // read-only: refuses the read-write open
  AddBoard(9, 2);  // attributes unreadable
  AddBoard(9, 4);  // vanished: its detail is too small for a path
  EXPECT_EQ(OpenBoard(), 0);
  AddBoard(16);
  ASSERT_EQ(OpenBoard(), -1);
  Call("OutDataCtrl", {7, 0});
  ASSERT_EQ(Bus_ReportCount(), 1);
  EXPECT_EQ(Report(0).size(), 16u);
  EXPECT_EQ(Bus_LiveHandles(), 1);
}

TEST_F(VarnelDll, CloseReleasesHandleSetAndPreparsedDataInOrderOnce) {
  AddBoard();
  ASSERT_EQ(OpenBoard(), -1);
  Bus_ClearRecord();
  Call("CloseUsbDevice", {});
  const std::vector<std::string> calls = Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[0].find("SetupDiDestroyDeviceInfoList"), std::string::npos);
  EXPECT_NE(calls[0].find("open_handles=0"), std::string::npos) << "the handle is closed first";
  EXPECT_NE(calls[1].find("HidD_FreePreparsedData"), std::string::npos);
  Bus_ClearRecord();
  Call("CloseUsbDevice", {});
  EXPECT_EQ(Bus_CallCount(), 0);
  EXPECT_EQ(Bus_LiveSets() + Bus_LivePreparsed() + Bus_LiveHandles(), 0);
}

TEST_F(VarnelDll, TenThousandTicksLeaveNothingBehind) {
  const int board = AddBoard();
  Bus_Add("vid_046d&pid_c31c", 0x046d, 0xc31c, 9, 0);
  for (int tick = 0; tick < 10000; ++tick) {
    Bus_SetPresent(board, tick % 3 != 0);
    if (OpenBoard() == -1) {
      for (int i = 0; i < 7; ++i) Call("OutDataCtrl", {static_cast<std::uint32_t>(tick), 0});
    }
    if (tick % 4 != 0) Call("CloseUsbDevice", {});
    Bus_ClearRecord();
    ASSERT_LE(Bus_LiveSets() + Bus_LivePreparsed(), 2) << tick;
  }
  Call("CloseUsbDevice", {});
  EXPECT_EQ(Bus_LiveSets() + Bus_LivePreparsed() + Bus_LiveHandles(), 0);
}

TEST_F(VarnelDll, GetDeviceCapabilitiesWithNothingOpenDoesNothing) {
  Bus_ClearRecord();
  Call("GetDeviceCapabilities", {});
  Call("OutDataCtrl", {1, 0});
  EXPECT_EQ(Bus_CallCount(), 0);
}

}  // namespace
