#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "link/serial_trace.h"

// A recording of the bytes on the serial line, one line of text per write or
// read, so that a session can be read, compared and played back later
// (fiscal-sim --replay):
//
//   # fiscal-service line recording 1
//   0 3 > 04
//   2 3 < 04
//   31 3 > 02 23 20 20 32 33 0a
//
// Each line: milliseconds since the recording started, the COM number, '>' for
// bytes the host sent or '<' for bytes it read, then the bytes in hexadecimal.
// Lines starting with '#' are comments; blank lines are ignored.
struct RecordedChunk {
  int64_t ms = 0;
  int port = 0;
  bool sent = false;
  std::string bytes;
};

// Formats one chunk as its line (without the line break).
std::string FormatRecordedChunk(const RecordedChunk& chunk);

// Reads a recording. Returns false with a message naming the line when a line
// is not of the form above (nothing is returned then).
bool ParseRecording(const std::string& text, std::vector<RecordedChunk>& chunks,
                    std::string& error);

// Writes every byte of the serial line into a file while it exists (through
// the serial trace hook, beside any other observer). Each line is flushed as it
// is written, so a session that ends abruptly is kept up to its last byte.
class LineRecorder {
 public:
  LineRecorder() = default;
  ~LineRecorder();
  LineRecorder(const LineRecorder&) = delete;
  LineRecorder& operator=(const LineRecorder&) = delete;

  // Creates (or truncates) `path`, writes the header and starts recording.
  // Returns false with the system's reason when the file cannot be created.
  bool Start(const std::string& path, std::string& error);
  // The first write error, "" while all is well (recording stops at it).
  const std::string& WriteError() const { return writeError_; }

 private:
  void Write(int port, bool sent, const std::string& bytes);

  std::FILE* file_ = nullptr;
  std::chrono::steady_clock::time_point start_;
  std::string writeError_;
  std::unique_ptr<ScopedSerialTrace> hook_;
};
