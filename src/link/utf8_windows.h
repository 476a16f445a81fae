#pragma once

#include <string>
#include <vector>

// UTF-8 at the edges of the Windows calls. Inside the programs every text is
// UTF-8 (file names, arguments, messages); the wide-character Win32 calls take
// and give UTF-16. These are the one place that converts between the two.

// The program's arguments without its name, as UTF-8. On Windows they come
// from the wide command line (argv holds them in the ANSI code page, which
// cannot carry every text and is not UTF-8 on a Bulgarian desktop) and `argv`
// is not read; elsewhere they are argv's bytes.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

#ifdef _WIN32
// UTF-16 form of a UTF-8 text; false (and `wide` unspecified) when the text is
// not valid UTF-8.
bool TryWidenUtf8(const std::string& utf8, std::wstring& wide);
// UTF-16 form of a UTF-8 text; a byte that is not UTF-8 becomes U+FFFD.
std::wstring WidenUtf8(const std::string& utf8);
// UTF-8 form of a UTF-16 text; an unpaired surrogate becomes U+FFFD.
std::string NarrowToUtf8(const std::wstring& wide);
#endif
