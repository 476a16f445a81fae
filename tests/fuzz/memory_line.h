#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// The far end of the serial line for the fuzz targets, in memory. The fuzz build
// links memory_serial_port.cpp in place of the real SerialPort: every Send hands
// its bytes to `onSend` at once, and Receive takes bytes from `toHost` without
// waiting (fewer than asked is a time-out straight away). Receive keeps the real
// port's contract: a zero byte ends the returned text, and a zero before the
// last position is code 15.
struct MemoryLine {
  std::function<void(const std::string& bytes)> onSend;
  std::function<void()> onOpen;  // a port was opened on the line
  std::string toHost;
  bool openFails = false;  // the next open reports code 1

  static MemoryLine& Instance();
  void Reset() {
    onSend = nullptr;
    onOpen = nullptr;
    toHost.clear();
    openFails = false;
  }
};
