#pragma once

#include <cstdio>
#include <string>

// An anonymous temporary file (std::tmpfile) for code that writes into a FILE*;
// removed when closed. `f` is null when none could be made.
struct TempFile {
  TempFile() : f(std::tmpfile()) {}
  ~TempFile() {
    if (f) std::fclose(f);
  }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;

  // Everything written so far, read from the start.
  std::string Contents() const {
    std::rewind(f);
    std::string s;
    for (int c; (c = std::fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
  }

  std::FILE* f;
};
