#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The LED board's protocol, as the program, the library's tools and the board stand-ins all
// speak it: its identity, the form of its one feature report and what the control byte does.
// Plain constants, so that any tool can take them without the program.
namespace orlanek::board {

// The board's identity, passed on every open, vendor first; as text in the library's id texts
// (vvvvpppp, lower-case hex).
inline constexpr std::int16_t kVendorId = 0x1234;
inline constexpr std::int16_t kProductId = 0x6789;
inline constexpr char kIdText[] = "12346789";
// The identity as the tools' messages name it.
inline constexpr char kIdentityText[] = "vendor 1234, product 6789";

// Board state as an open returns it: -1 when the board was found and opened, 0 otherwise.
inline constexpr std::int16_t kPresent = -1;

// The feature report: report ID 0, the data byte, the control byte, then zero bytes up to the
// device's feature report length.
inline constexpr std::uint8_t kReportId = 0;
inline constexpr std::size_t kDataAt = 1;
inline constexpr std::size_t kControlAt = 2;
inline constexpr std::size_t kPaddingFrom = 3;

// Control bytes. The green row shows the data byte of a green write. The red row is a latch:
// it takes over the data byte on the strobe (bit 4) while bit 5 is held, and keeps it until the
// next strobe.
inline constexpr std::uint8_t kGreenWrite = 0x00;
inline constexpr std::uint8_t kRedHoldBit = 0x20;
inline constexpr std::uint8_t kRedStrobeBit = 0x10;
inline constexpr std::uint8_t kRedHold = kRedHoldBit;
inline constexpr std::uint8_t kRedStrobe = kRedHoldBit | kRedStrobeBit;
// One red-row write: three reports back to back with the same data byte.
inline constexpr std::array<std::uint8_t, 3> kRedLatch = {kRedHold, kRedStrobe, kRedHold};

// Whether a control byte is one the station sends.
constexpr bool KnownControl(std::uint8_t control) {
  return control == kGreenWrite || control == kRedHold || control == kRedStrobe;
}

// The sequencer's pace and reach: one step a tick; the last step an exercise plays (it and
// every entry after the exercise's steps are 0); the red walk's length, one LED a step.
inline constexpr int kTickMs = 1000;
inline constexpr int kLastStep = 20;
inline constexpr int kRedWalkSteps = 8;
// The most reports one tick sends: plug-in clear, the clear of a run's first step, the step.
inline constexpr std::size_t kMaxTickReports = 2 * kRedLatch.size() + 1;

}  // namespace orlanek::board
