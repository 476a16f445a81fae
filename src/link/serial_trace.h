#pragma once

#include <functional>
#include <memory>
#include <string>

// Observer of every byte a SerialPort writes or reads, for diagnosing the line
// (fiscal-cli --trace, the line monitor window, the session recording).
// Process-wide and empty by default. When set, it is called synchronously on
// the thread of the port operation: after each write with the bytes given to
// Send/SendRaw (`sent` true), and after each read that returned bytes with those
// bytes (`sent` false). It must not block and must not call back into the port.
using SerialTraceHook = std::function<void(int port, bool sent, const std::string& bytes)>;

// The observers installed now, or null. Guarded: the installed set is replaced
// under a mutex of the link library and a port calls the snapshot it got, so a
// front end may install or remove an observer (ScopedSerialTrace) while other
// threads' ports are busy; a call already under way finishes with the old set.
std::shared_ptr<const SerialTraceHook> SerialTrace();

// Adds an observer for the lifetime of the object, beside whatever observer was
// installed before (which is called first); the destructor puts that one back.
// Scopes must end in the reverse order of their start (a recording for the
// whole run, a trace window opened and closed within it).
class ScopedSerialTrace {
 public:
  explicit ScopedSerialTrace(SerialTraceHook hook);
  ~ScopedSerialTrace();
  ScopedSerialTrace(const ScopedSerialTrace&) = delete;
  ScopedSerialTrace& operator=(const ScopedSerialTrace&) = delete;

 private:
  std::shared_ptr<const SerialTraceHook> previous_;
};
