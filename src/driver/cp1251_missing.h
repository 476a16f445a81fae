#pragma once

#include <string>
#include <vector>

// The characters of the UTF-8 text `utf8` that Windows-1251 has no byte for,
// each once, in the order they first appear, each as UTF-8 ("☺", "ł"). Empty
// when the whole text can go to the printer as it is. A byte that is not part
// of valid UTF-8 is named as U+FFFD.
std::vector<std::string> CharsWithoutCp1251(const std::string& utf8);

// The code point of one UTF-8 character, as "U+263A"; "" when `ch` is not one
// valid character.
std::string CodePointName(const std::string& ch);
