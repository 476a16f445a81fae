#include "link/serial_trace.h"

#include <mutex>
#include <utility>

namespace {

std::mutex& TraceMutex() {
  static std::mutex mutex;
  return mutex;
}

// Guarded by TraceMutex(); the function it points to is never changed.
std::shared_ptr<const SerialTraceHook>& Installed() {
  static std::shared_ptr<const SerialTraceHook> installed;
  return installed;
}

}  // namespace

std::shared_ptr<const SerialTraceHook> SerialTrace() {
  const std::lock_guard<std::mutex> lock(TraceMutex());
  return Installed();
}

ScopedSerialTrace::ScopedSerialTrace(SerialTraceHook hook) {
  const std::lock_guard<std::mutex> lock(TraceMutex());
  previous_ = Installed();
  if (previous_) {
    Installed() = std::make_shared<const SerialTraceHook>(
        [prev = previous_, hook = std::move(hook)](int port, bool sent, const std::string& bytes) {
          (*prev)(port, sent, bytes);
          hook(port, sent, bytes);
        });
  } else {
    Installed() = std::make_shared<const SerialTraceHook>(std::move(hook));
  }
}

ScopedSerialTrace::~ScopedSerialTrace() {
  const std::lock_guard<std::mutex> lock(TraceMutex());
  Installed() = previous_;
}
