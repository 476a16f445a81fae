#include "link/settings.h"

#include <cerrno>
#include <cstdlib>

int CurrentPort = 1;
int CurrentBaudRate = 9600;

PortMap& PortMap::Instance() {
  static PortMap instance;
  return instance;
}

void PortMap::Set(int port, const std::string& path) {
  paths_[port] = path;
}

void PortMap::Clear() {
  paths_.clear();
}

std::string PortMap::PathFor(int port) const {
  const auto it = paths_.find(port);
  if (it != paths_.end()) return it->second;
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
