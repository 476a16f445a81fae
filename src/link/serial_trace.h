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

// Adds an observer for the lifetime of the object, beside whatever observer was
// installed before (which is called first); the destructor puts that one back.
// Scopes must end in the reverse order of their start (a recording for the
// whole run, a trace window opened and closed within it).
class ScopedSerialTrace {
 public:
  explicit ScopedSerialTrace(SerialTraceHook hook) : previous_(SerialTrace()) {
    if (previous_) {
      SerialTrace() = [prev = previous_, hook = std::move(hook)](int port, bool sent,
                                                                 const std::string& bytes) {
        prev(port, sent, bytes);
        hook(port, sent, bytes);
      };
    } else {
      SerialTrace() = std::move(hook);
    }
  }
  ~ScopedSerialTrace() { SerialTrace() = previous_; }
  ScopedSerialTrace(const ScopedSerialTrace&) = delete;
  ScopedSerialTrace& operator=(const ScopedSerialTrace&) = delete;

 private:
  SerialTraceHook previous_;
};
