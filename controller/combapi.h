#pragma once

#include <cstdint>

#include "station_model.h"

// COMBAPI: the procedures shared by the windows' handlers, which apply the station model's
// answers to the windows and the board.
namespace orlanek {

// Window flow.
void ShowMenu();
void ShowRunWindow();

// LED mirror: paints the on-screen rows and marks the board present (filled) or absent
// (outline only).
void ShowGreenLeds(std::uint8_t value);
void ShowRedLeds(std::uint8_t value);
void MarkBoardPresent();
void MarkBoardAbsent();

// Does what the station model answered: writes to the board, paints, switches windows.
void Apply(const Answer& answer);

}  // namespace orlanek
