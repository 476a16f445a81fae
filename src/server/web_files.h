#pragma once

#include <cstddef>

// The files of the server's page (src/server/web/), built into the program by
// cmake/embed_files.cmake. `name` is the file's name without folders; `data`
// holds `size` bytes (and a 0 after them).
struct WebFile {
  const char* name;
  const unsigned char* data;
  size_t size;
};

extern const WebFile kWebFiles[];
extern const size_t kWebFileCount;
