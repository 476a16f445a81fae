#pragma once

#include <map>
#include <mutex>
#include <string>
#include <utility>

// One printer's line: its COM number (it names the line in messages and, with
// no path, selects PortMap's path), the device path, and the speed. Every
// printer is opened on a PrinterLine: the port and the speed are the front
// end's choice (the main window's lists, fiscal-cli's options, the server's
// configuration), which it keeps itself; nothing process-wide holds them, so
// printers at different speeds can be opened at once from different threads.
struct PrinterLine {
  static constexpr int kDefaultBaudRate = 9600;

  PrinterLine() = default;
  // COM `port` at `baudRate` (the printer's factory speed unless given), on
  // PortMap's path for it unless `path` is given.
  PrinterLine(int port, int baudRate = kDefaultBaudRate, std::string path = {})
      : port(port), baudRate(baudRate), path(std::move(path)) {}

  int port = 1;
  int baudRate = kDefaultBaudRate;
  std::string path;  // "" = PortMap's path for `port`
};

// Maps COM numbers to device paths. By default COM n is /dev/ttyS<n-1> (on
// Windows the device \\.\COM<n>); a mapping
// given with --com N=PATH (a real device, a by-id symlink, a pseudo-terminal)
// replaces it.
//
// Process-wide and guarded: every member takes the map's own mutex, so the
// server's discovery thread and the workers may read it while a front end
// changes it (the main window's "Търсене" maps the COM number it lends to a
// device it found). A lookup gives a copy; no reference into the map escapes.
class PortMap {
 public:
  static PortMap& Instance();

  void Set(int port, const std::string& path);
  void Clear();
  std::string PathFor(int port) const;
  // The mappings given (COM number -> path), without the defaults: a copy.
  std::map<int, std::string> Mappings() const;
  // Drops the mapping of `port`, so that it reaches its default device again.
  void Remove(int port);

  // Parses "N=PATH" as given to --com. Returns false (and changes nothing) when
  // N is not a number from 1 to 255 or PATH is empty.
  bool ParseAndSet(const std::string& mapping);

 private:
  mutable std::mutex mutex_;
  std::map<int, std::string> paths_;
};

// True when `rate` is one of the line speeds the printer supports.
bool IsSupportedBaudRate(int rate);
