#pragma once

#include <cstdint>

#include "checked.h"

// COMBAPI: the controller's program-wide variables and the procedures shared by the windows'
// handlers.
namespace orlanek {

// The chosen exercise's step bytes, entries 0 to 99, all 0 at program start.
extern CheckedArray<std::uint8_t, 100> PatternBuffer;
// The step that the next tick plays.
extern Int16 StepIndex;
// 0 green run, 1 red test, 2 exit requested, 99 idle.
extern Int16 RunMode;

// RunMode values: the index of the run window's button clicked last, or idle.
inline constexpr std::int16_t kRunModeGreen = 0;
inline constexpr std::int16_t kRunModeRed = 1;
inline constexpr std::int16_t kRunModeExit = 2;
inline constexpr std::int16_t kRunModeIdle = 99;

// The last PatternBuffer entry an exercise plays; it and every entry after the steps are 0.
inline constexpr std::int16_t kLastStep = 20;

// Window flow.
void ShowMenu();
void ShowRunWindow();

// LED mirror: paints the on-screen rows and marks the board present (filled) or absent
// (outline only).
void ShowGreenLeds(std::uint8_t value);
void ShowRedLeds(std::uint8_t value);
void MarkBoardPresent();
void MarkBoardAbsent();

}  // namespace orlanek
