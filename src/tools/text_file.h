#pragma once

#include <string>

// Whole-file reads and writes for the backup and CSV files. Paths are UTF-8 on
// every system (Windows paths are not limited to the ANSI code page). Messages
// are Bulgarian, one line, with the file's name and the system's reason.

// Reads the file into `text`.
bool ReadWholeFile(const std::string& path, std::string& text, std::string& error);

// Who may read a file written.
enum class FileAccess {
  kUsual,      // as the user's files are made (the umask decides)
  kOwnerOnly,  // the owner alone: a backup holds the operators' passwords
};

// Writes `text` to a temporary file beside `path` and renames it over `path`,
// so a failed write never leaves half a file where a good one was (the
// temporary file is removed).
bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error,
                    FileAccess access = FileAccess::kUsual);

// Whether WriteWholeFile could write `path` now: its folder takes a new file
// and `path` is not a folder. Checked before a long read of the printer, so
// that the reading is not lost at the end. Leaves nothing behind.
bool CheckWritable(const std::string& path, std::string& error);
