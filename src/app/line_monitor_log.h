#pragma once

#include <chrono>
#include <cstddef>
#include <deque>
#include <string>

#include "driver/line_trace.h"

// The window-free half of the line monitor: the trace lines of the bytes on
// the serial line (the same lines as fiscal-cli --trace), what is shown, what
// is held back while paused, and saving them.
//
// At most `maxLines` lines are kept; the oldest go first. Lines that arrive
// while paused are held back (up to the same limit) and shown on resuming.
class LineMonitorLog {
 public:
  explicit LineMonitorLog(size_t maxLines = 20000) : maxLines_(maxLines) {}

  // One write (`sent`) or read of the port. Returns true when the line was
  // added to the shown lines (then NewLines has it), false while paused.
  bool Add(bool sent, const std::string& bytes, std::chrono::system_clock::time_point when);

  bool Paused() const { return paused_; }
  // Pausing holds new lines back; resuming shows them (NewLines has them).
  void SetPaused(bool paused);
  size_t HeldBack() const { return held_.size(); }

  // Lines shown since the last call (for the window to append), oldest first.
  std::deque<std::string> TakeNewLines();
  // Characters (line breaks included) of the oldest shown lines dropped since
  // the last call: the window removes that many from its start. The lines are
  // ASCII, so bytes and characters agree.
  size_t TakeTrimmedChars();

  // Empties the shown and the held-back lines.
  void Clear();
  size_t LineCount() const { return lines_.size(); }
  // The shown lines, each ending with '\n'.
  std::string Text() const;
  // Writes Text() into the file named `path` (a UTF-8 name; the trace lines
  // are ASCII). False with
  // the system's reason when the file cannot be written.
  bool SaveTo(const std::string& path, std::string& error) const;

 private:
  void Show(std::string line);

  size_t maxLines_;
  TraceFormatter formatter_;
  bool paused_ = false;
  size_t trimmedChars_ = 0;
  std::deque<std::string> lines_;
  std::deque<std::string> new_;
  std::deque<std::string> held_;
};
