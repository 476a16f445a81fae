#pragma once

#include <map>
#include <string>

// One printer's line: its COM number (it names the line in messages and, with
// no path, selects PortMap's path), the device path, and the speed. A
// FiscalPrinter opened with a PrinterLine reads nothing process-wide, so
// printers at different speeds can be opened at once from different threads.
struct PrinterLine {
  int port = 1;
  int baudRate = 9600;
  std::string path;  // "" = PortMap's path for `port`
};

// The selection of the main window's lists (or of fiscal-cli's command line).
// Not persisted: every run starts at COM 1, 9600 baud. The application and
// fiscal-cli open their printers with CurrentLine(); the server and the port
// scan give each printer its own PrinterLine and never touch these.
extern int CurrentPort;      // 1..8
extern int CurrentBaudRate;  // 9600, 19200, 38400, 57600 or 115200
// CurrentPort at CurrentBaudRate, its path left to PortMap.
inline PrinterLine CurrentLine() {
  return PrinterLine{CurrentPort, CurrentBaudRate, {}};
}

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
