#pragma once

#include <map>
#include <string>

// Process-wide link settings. Not persisted: every run starts at COM 1, 9600 baud.
// The main window's lists (or the command line of fiscal-cli) change them; every
// FiscalPrinter is created with CurrentPort and opens the port at CurrentBaudRate.
extern int CurrentPort;      // 1..8
extern int CurrentBaudRate;  // 9600, 19200, 38400, 57600 or 115200

// Maps COM numbers to device paths. By default COM n is /dev/ttyS<n-1> (on
// Windows the device \\.\COM<n>); a mapping
// given with --com N=PATH (a real device, a by-id symlink, a pseudo-terminal)
// replaces it.
class PortMap {
 public:
  static PortMap& Instance();

  void Set(int port, const std::string& path);
  void Clear();
  std::string PathFor(int port) const;
  // The mappings given (COM number -> path), without the defaults.
  const std::map<int, std::string>& Mappings() const { return paths_; }
  // Drops the mapping of `port`, so that it reaches its default device again.
  void Remove(int port) { paths_.erase(port); }

  // Parses "N=PATH" as given to --com. Returns false (and changes nothing) when
  // N is not a number from 1 to 255 or PATH is empty.
  bool ParseAndSet(const std::string& mapping);

 private:
  std::map<int, std::string> paths_;
};

// True when `rate` is one of the line speeds the printer supports.
bool IsSupportedBaudRate(int rate);
