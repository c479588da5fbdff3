#pragma once

#include <windows.h>

#include <bit>
#include <cstdint>

#include "hid_guid.h"

// The scriptable HID bus behind the setupapi.dll and hid.dll test doubles. It lives in the
// setupapi.dll double; the hid.dll double and the tests reach it through these exports.
// Each interface is a real file in the temporary folder, so that kernel32's CreateFileA opens
// it as Windows opens a HID interface; the file holds the interface's number.
// The HID interface class as the system's hid.dll gives it.
inline constexpr GUID kHidGuid = std::bit_cast<GUID>(varnel::platform::kHidGuid);

extern "C" {

// Plain C calls, so their names need no undecorating.
#ifdef HID_BUS_IMPLEMENTATION
#define HID_BUS_EXPORT __declspec(dllexport)
#else
#define HID_BUS_EXPORT __declspec(dllimport)
#endif

HID_BUS_EXPORT void Bus_Reset();
// Adds an interface and returns its number. flags: 1 open refused (the double holds the file
// open without sharing), 2 attributes unreadable, 4 detail sizing reports 3 bytes, 8 its file
// is missing (an open that may create one leaves it behind). Any other interface's file is
// held open for reading and writing, sharing both, as the system holds a HID device: an open
// that does not share reading and writing is refused.
HID_BUS_EXPORT int Bus_Add(const char* ids_in_path, std::uint16_t vendor, std::uint16_t product,
                           std::uint16_t feature_length, std::uint32_t flags);
HID_BUS_EXPORT void Bus_SetPresent(int number, BOOL present);
HID_BUS_EXPORT BOOL Bus_FileExists(int number);

// Every call to the doubles since the last Bus_ClearRecord, one line each.
HID_BUS_EXPORT int Bus_CallCount();
HID_BUS_EXPORT int Bus_Call(int i, char* text, int size);
// Every feature report's bytes, as many as its length gives.
HID_BUS_EXPORT int Bus_ReportCount();
HID_BUS_EXPORT int Bus_Report(int i, std::uint8_t* bytes, int size);
HID_BUS_EXPORT void Bus_ClearRecord();

HID_BUS_EXPORT int Bus_LiveSets();
HID_BUS_EXPORT int Bus_LivePreparsed();
// Device handles the library showed the doubles that are still open.
HID_BUS_EXPORT int Bus_LiveHandles();
// Calls with a set or preparsed data that was never handed out or was already released.
HID_BUS_EXPORT int Bus_Faults();

// For the hid.dll double.
HID_BUS_EXPORT void Bus_Record(const char* line);
// The interface a handle opened, or -1; remembers the handle for Bus_LiveHandles.
// Also its granted access rights, when access is not null.
HID_BUS_EXPORT int Bus_InterfaceOf(HANDLE device, std::uint32_t* access);
HID_BUS_EXPORT BOOL Bus_Attributes(int number, std::uint16_t* vendor, std::uint16_t* product);
HID_BUS_EXPORT void* Bus_NewPreparsed(int number);
// The feature length preparsed data stands for, or -1 when it is not live.
HID_BUS_EXPORT int Bus_PreparsedLength(void* preparsed);
HID_BUS_EXPORT BOOL Bus_FreePreparsed(void* preparsed);
HID_BUS_EXPORT void Bus_AddReport(int number, const std::uint8_t* bytes, int length);
}
