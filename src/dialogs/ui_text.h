#pragma once

#include <wx/string.h>

#include <string>

#include "driver/cp1251.h"

// Text conversion at the edge between the dialogs and the driver. Controls hold
// wxString; the driver takes and returns Windows-1251 bytes; literals in the
// source are UTF-8. Never rely on the process locale for any of these.

// A UTF-8 literal or text as shown in a control.
inline wxString FromUtf8(const std::string& utf8) {
  return wxString::FromUTF8(utf8.data(), utf8.size());
}

// Printer text (Windows-1251) for a control.
inline wxString FromCp1251(const std::string& cp1251) {
  return FromUtf8(Cp1251ToUtf8(cp1251));
}

// Control text for the driver. A character that Windows-1251 cannot carry
// becomes '?', so what the printer gets has the same length as what was typed.
inline std::string ToCp1251(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return Utf8ToCp1251Lossy(std::string(utf8.data(), utf8.length()));
}
