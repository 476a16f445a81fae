#pragma once

#include <cstdio>
#include <string>

// Opens the file named by the UTF-8 text `path` with std::fopen's `mode`
// ("rb", "wb", ...). The caller owns the result and closes it with
// std::fclose; nullptr (with errno set) when it cannot be opened.
//
// Every file name the programs take from a user (command-line arguments,
// file choosers) is UTF-8 inside the program. On Windows the C library's
// fopen reads names in the ANSI code page, so a Cyrillic folder name (a
// user's own folder, typically) would not open; there the name goes to the
// wide-character call instead. Elsewhere the bytes are the name.
std::FILE* OpenFileUtf8(const std::string& path, const char* mode);
