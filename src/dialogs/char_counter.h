#pragma once

#include <string>

// The remaining-characters counter beside a text field that the printer keeps
// at a fixed width: how many characters are left, and whether the user is
// getting close to the end (the counter is then drawn red).
struct CharCounter {
  std::string text;  // the characters left, as a decimal number (negative when over)
  bool red = false;

  bool operator==(const CharCounter&) const = default;
};

// The counter of a field of `limit` characters that holds `length` characters;
// red once the length is above `redAbove`.
CharCounter CountCharacters(int limit, int length, int redAbove);
