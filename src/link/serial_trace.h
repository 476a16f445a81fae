#pragma once

#include <functional>
#include <string>

// Observer of every byte a SerialPort writes or reads, for diagnosing the line
// (fiscal-cli --trace). Process-wide and empty by default. When set, it is called
// synchronously on the thread of the port operation: after each write with the
// bytes given to Send/SendRaw (`sent` true), and after each read that returned
// bytes with those bytes (`sent` false). It must not call back into the port.
using SerialTraceHook = std::function<void(int port, bool sent, const std::string& bytes)>;

inline SerialTraceHook& SerialTrace() {
  static SerialTraceHook hook;
  return hook;
}
