#include "link/settings.h"

#include <cerrno>
#include <cstdlib>

PortMap& PortMap::Instance() {
  static PortMap instance;
  return instance;
}

void PortMap::Set(int port, const std::string& path) {
  const std::lock_guard<std::mutex> lock(mutex_);
  paths_[port] = path;
}

void PortMap::Clear() {
  const std::lock_guard<std::mutex> lock(mutex_);
  paths_.clear();
}

std::map<int, std::string> PortMap::Mappings() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  return paths_;
}

void PortMap::Remove(int port) {
  const std::lock_guard<std::mutex> lock(mutex_);
  paths_.erase(port);
}

std::string PortMap::PathFor(int port) const {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    const auto it = paths_.find(port);
    if (it != paths_.end()) return it->second;
  }
#ifdef _WIN32
  // The device namespace form reaches COM10 and up as well as COM1 to COM9.
  return "\\\\.\\COM" + std::to_string(port);
#else
  return "/dev/ttyS" + std::to_string(port - 1);
#endif
}

bool PortMap::ParseAndSet(const std::string& mapping) {
  const size_t eq = mapping.find('=');
  if (eq == std::string::npos || eq == 0 || eq + 1 >= mapping.size()) return false;
  const std::string number = mapping.substr(0, eq);
  for (char c : number)
    if (c < '0' || c > '9') return false;
  if (number.size() > 3) return false;
  const int port = std::atoi(number.c_str());
  if (port < 1 || port > 255) return false;
  Set(port, mapping.substr(eq + 1));
  return true;
}

bool IsSupportedBaudRate(int rate) {
  return rate == 9600 || rate == 19200 || rate == 38400 || rate == 57600 || rate == 115200;
}
