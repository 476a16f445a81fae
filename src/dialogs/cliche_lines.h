#pragma once

#include <array>
#include <string>

#include "dialogs/char_counter.h"
#include "driver/records.h"

// The rows of the header-lines dialog ("Програмиране на клише и други"): the
// seven header lines, the advertisement line, the label before the tax number
// and the greeting, with what each may hold. No window here.

// Line widths of the two layouts: printers that print 38 or 42 characters a line.
constexpr int kClicheNarrowWidth = 38;
constexpr int kClicheWideWidth = 42;

struct ClicheRow {
  const char* caption;  // UTF-8
  int line;             // the printer's line number, 0..9
  int fixedWidth;       // characters the line holds; 0 = the printer's line width
  int redMargin;        // the counter turns red with fewer than this many left
};

// In the order of the dialog and of the "Selected" runs.
extern const std::array<ClicheRow, 10> kClicheRows;

// Characters row `row` holds (and the width it is sent at) for line width `width`.
int ClicheRowLimit(const ClicheRow& row, int width);

// The counter of a row holding `length` characters.
CharCounter ClicheCounter(const ClicheRow& row, int width, int length);

// The text a "Get" puts into the row's field, from the (Windows-1251) text read:
// the label and the greeting are cut to their width and then lose the white
// space at both ends; the full-width lines are shown as read.
std::string ClicheFieldText(const ClicheRow& row, const std::string& read);

// The layout to open for printers whose header line 1 reads as `line1`: the
// wide one when the printer keeps that line at 42 characters, else the narrow.
int ClicheWidthForLine1(const HeaderLine& line1);
