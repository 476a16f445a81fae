#pragma once

#include <array>

#include "driver/records.h"

// The grid of the status dialog: one check box per status flag, with its
// control id, caption (UTF-8) and position in dialog units. Each box is 94 x 10
// dialog units.
struct StatusBox {
  int id;
  const char* caption;
  int x, y;       // dialog units
  int flag;       // index into StatusFlags (Flag::)
  bool inverted;  // ticked when the flag is clear
};

constexpr int kStatusBoxWidth = 94;
// The caption colour of a ticked box (RGB), so that the boxes that say
// something stand out of the grid at a glance.
constexpr unsigned char kStatusTickedColour[3] = {0, 0, 192};
constexpr int kStatusBoxHeight = 10;

extern const std::array<StatusBox, 32> kStatusBoxes;

// Whether `box` shows ticked for the flags read from the printer.
inline bool StatusBoxTicked(const StatusBox& box, const StatusFlags& flags) {
  return flags[static_cast<size_t>(box.flag)] != box.inverted;
}
