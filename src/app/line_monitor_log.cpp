#include "app/line_monitor_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/private_file.h"

bool LineMonitorLog::Add(bool sent, const std::string& bytes,
                         std::chrono::system_clock::time_point when) {
  // Formatted even while paused: the formatter follows the conversation to
  // name each piece, and must not lose its place.
  std::string line = formatter_.Format(sent, bytes, when);
  if (paused_) {
    held_.push_back(std::move(line));
    if (held_.size() > maxLines_) held_.pop_front();
    return false;
  }
  Show(std::move(line));
  return true;
}

void LineMonitorLog::Show(std::string line) {
  lines_.push_back(line);
  new_.push_back(std::move(line));
  if (lines_.size() > maxLines_) {
    trimmedChars_ += lines_.front().size() + 1;
    lines_.pop_front();
  }
  if (new_.size() > maxLines_) new_.pop_front();
}

void LineMonitorLog::SetPaused(bool paused) {
  if (paused_ == paused) return;
  paused_ = paused;
  if (paused_) return;
  while (!held_.empty()) {
    Show(std::move(held_.front()));
    held_.pop_front();
  }
}

std::deque<std::string> LineMonitorLog::TakeNewLines() {
  std::deque<std::string> out;
  out.swap(new_);
  return out;
}

size_t LineMonitorLog::TakeTrimmedChars() {
  const size_t n = trimmedChars_;
  trimmedChars_ = 0;
  return n;
}

void LineMonitorLog::Clear() {
  lines_.clear();
  new_.clear();
  held_.clear();
  trimmedChars_ = 0;
}

std::string LineMonitorLog::Text() const {
  std::string s;
  for (const auto& l : lines_) {
    s += l;
    s += '\n';
  }
  return s;
}

bool LineMonitorLog::SaveTo(const std::string& path, std::string& error) const {
  // Owner-only: the line carries the operators' and the service passwords.
  std::FILE* f = OpenPrivateFileUtf8(path, "wb");
  if (!f) {
    error = std::strerror(errno);
    return false;
  }
  const std::string text = Text();
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int savedErrno = errno;
  const bool closed = std::fclose(f) == 0;
  if (!written || !closed) {
    error = std::strerror(written ? errno : savedErrno);
    return false;
  }
  return true;
}
