#pragma once

#include <string>
#include <vector>

// Texts typed for the printer (header lines, operator, article and department
// names, display lines) go out in Windows-1251. A character it has no byte
// for is never sent as something else: the dialog names it and sends nothing.

// The stop message for the field `name` holding `chars` (CharsWithoutCp1251),
// each named with its code point, since some cannot be seen. `frame` is the
// caption of the group the field stands in, where several fields share one
// caption ("" for none). UTF-8.
std::string UnprintableMessage(const std::string& name, const std::vector<std::string>& chars,
                               const std::string& frame = "");
