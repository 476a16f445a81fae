#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "server/request_log.h"

namespace service {

// The Windows service's log: its own lines (started, stopped, why it could
// not start) and the server's request log, in one file with the request
// log's cap (FILE.1 and a new FILE; see RequestLog). Portable, so it is
// tested anywhere; windows_service_win32.cpp names the files.
//
// Until the configuration is read (and when its log cannot be opened, so
// that the reason is written somewhere), lines go to `defaultPath` with
// RequestLog's default cap. Thread-safe.
class Log {
 public:
  // `defaultPath` (UTF-8): the data folder's log.
  explicit Log(std::string defaultPath);

  // The configuration's log: `configured`, or the default one when it names
  // none, capped at `maxBytes`. Lines written from now on go there. False
  // with `error` (the file's name and the system's words) when it cannot be
  // opened; the log in use stays.
  bool Open(const std::string& configured, uint64_t maxBytes, std::string& error);

  // One line of the service's own ("fiscal-server: " and `text`, escaped
  // and time-stamped). Dropped when no log can be opened.
  void Line(const std::string& text);

  // The file the request lines go to (the HTTP front's log); null when none
  // could be opened.
  std::shared_ptr<RequestLog> Requests();

  // The path of the file in use ("" when none is open).
  std::string Path();

 private:
  std::shared_ptr<RequestLog> Current();  // opens the default one when none is open

  std::mutex mutex_;
  const std::string defaultPath_;
  std::string path_;
  std::shared_ptr<RequestLog> log_;
};

}  // namespace service
