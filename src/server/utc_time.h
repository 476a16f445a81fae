#pragma once

#include <ctime>
#include <string>

// The present moment in UTC as ISO 8601 with its zone ("2026-12-08T10:15:00Z"):
// the time stamp of the request log and the sale journal.
inline std::string UtcNow() {
  const std::time_t t = std::time(nullptr);
  std::tm tm{};
#ifdef _WIN32
  gmtime_s(&tm, &t);
#else
  gmtime_r(&t, &tm);
#endif
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}
