#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>

// fiscal-server's log: one line per request, and what the server says of
// itself (printers found, failed TLS handshakes, running out of sockets).
//
// What a client sends can neither forge a line nor cut one: every text from
// outside goes through EscapeForLog, and a line is cut at kMaxLineBytes. A log
// file has a cap: before a line would take it over `maxBytes`, the file is
// renamed to FILE.1 (replacing the older one) and begun anew, so the log never
// holds more than about twice the cap on the disk. Thread-safe.
class RequestLog {
 public:
  static constexpr size_t kMaxLineBytes = 2048;
  static constexpr uint64_t kDefaultMaxBytes = 4ull * 1024 * 1024;

  // Writes to `file` (standard error, a test's file): not closed, no cap.
  explicit RequestLog(std::FILE* file);
  ~RequestLog();
  RequestLog(const RequestLog&) = delete;
  RequestLog& operator=(const RequestLog&) = delete;

  // Appends to the file `path` (UTF-8), renamed to `path`.1 at `maxBytes`.
  // nullptr with `error` (the system's words) when it cannot be opened.
  static std::unique_ptr<RequestLog> Open(const std::string& path, uint64_t maxBytes,
                                          std::string& error);

  // `text` (escaped here) after the time stamp.
  void Line(const std::string& text);
  // A line as it stands, already escaped by the caller; cut to kMaxLineBytes.
  void Write(std::string line);

  // Tests only: the bytes the current file holds.
  uint64_t SizeForTesting();

 private:
  void Rotate();

  std::mutex mutex_;
  std::FILE* file_;
  bool owned_ = false;
  std::string path_;
  uint64_t maxBytes_ = 0;  // 0: no cap
  uint64_t size_ = 0;
};

// `text` safe for one field or line of the log: control characters, bytes
// that are not UTF-8 and the backslash are written as \xNN (\\ for the
// backslash); with `spaces` the space too (a field never splits in two). Cut
// to at most `maxBytes` of the original text (at a character's start), "..."
// marking the cut.
std::string EscapeForLog(const std::string& text, bool spaces, size_t maxBytes = SIZE_MAX);
