#include "server/service_log.h"

#include <utility>

namespace service {

Log::Log(std::string defaultPath) : defaultPath_(std::move(defaultPath)) {}

bool Log::Open(const std::string& configured, uint64_t maxBytes, std::string& error) {
  const std::string path = configured.empty() ? defaultPath_ : configured;
  std::string why;
  // Opened afresh even when it is the file in use: the cap may differ.
  std::shared_ptr<RequestLog> log = RequestLog::Open(path, maxBytes, why);
  if (!log) {
    error = "cannot write the log " + path + ": " + why;
    return false;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  log_ = std::move(log);
  path_ = path;
  return true;
}

std::shared_ptr<RequestLog> Log::Current() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!log_) {
    std::string ignored;
    log_ = RequestLog::Open(defaultPath_, RequestLog::kDefaultMaxBytes, ignored);
    if (log_) path_ = defaultPath_;
  }
  return log_;
}

void Log::Line(const std::string& text) {
  if (const auto log = Current()) log->Line("fiscal-server: " + text);
}

std::shared_ptr<RequestLog> Log::Requests() {
  return Current();
}

std::string Log::Path() {
  std::lock_guard<std::mutex> lock(mutex_);
  return path_;
}

}  // namespace service
