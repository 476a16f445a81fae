#pragma once

#include <cstdio>
#include <string>

// Opens the file named by the UTF-8 text `path` for writing so that only its
// owner can read it: for files that hold passwords (configuration backups,
// operator tables, the server's configuration and journal, line recordings).
// `mode` is "wb" (replace), "ab" (append), or either with "+". The caller owns
// the result and closes it with std::fclose; nullptr (with errno set) when it
// cannot be opened.
//
// On POSIX systems the file is created with permissions 0600, and an existing
// file of ours that others could read is narrowed to 0600 before anything is
// written to it. On Windows a new file takes the permissions of its folder (a
// user's own folders are the user's already; the service's data folder is the
// installer's to restrict), so it opens as OpenFileUtf8 does.
std::FILE* OpenPrivateFileUtf8(const std::string& path, const char* mode);
