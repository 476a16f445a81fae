#pragma once

#include <string>

// Whole-file reads and writes for the backup and CSV files. Paths are UTF-8 on
// every system (Windows paths are not limited to the ANSI code page).

// Reads the file into `text`. False with a one-line English message.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error);

// Writes `text` to a temporary file beside `path` and renames it over `path`,
// so a failed write never leaves half a file where a good one was. False with
// a one-line English message (the temporary file is removed).
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error);
