// The process-wide state of the link library is guarded: the port map and the
// serial trace hook may change while other threads read them (the server's
// discovery thread, a worker's port, the main window's "Търсене").
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "link/serial_trace.h"
#include "link/settings.h"

namespace {

constexpr int kRounds = 20000;

TEST(SharedState, PortMapReadsWhileAnotherThreadChangesIt) {
  PortMap& map = PortMap::Instance();
  map.Clear();
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < kRounds; ++i) {
      map.Set(10 + i % 20, "/dev/pts/" + std::to_string(i));
      if (i % 3 == 0) map.Remove(10 + (i / 3) % 20);
    }
    done = true;
  });
  long seen = 0;
  while (!done) {
    const std::string path = map.PathFor(15);
    EXPECT_FALSE(path.empty());
    seen += static_cast<long>(map.Mappings().size());
  }
  writer.join();
  EXPECT_GE(seen, 0);
  map.Clear();
  EXPECT_TRUE(map.Mappings().empty());
}

TEST(SharedState, TraceObserversComeAndGoWhileAPortCallsThem) {
  std::atomic<bool> done{false};
  std::atomic<long> calls{0};
  std::thread port([&] {
    while (!done)
      if (const auto trace = SerialTrace()) (*trace)(1, true, "x");
  });
  for (int i = 0; i < kRounds / 10; ++i) {
    ScopedSerialTrace outer([&](int, bool, const std::string&) { ++calls; });
    ScopedSerialTrace inner([&](int, bool, const std::string&) { ++calls; });
  }
  done = true;
  port.join();
  EXPECT_EQ(SerialTrace(), nullptr) << "every scope put back what it found";
}

TEST(SharedState, NestedObserversAreCalledInTheOrderInstalled) {
  std::string order;
  {
    ScopedSerialTrace first([&](int, bool, const std::string& b) { order += "1" + b; });
    {
      ScopedSerialTrace second([&](int, bool, const std::string& b) { order += "2" + b; });
      (*SerialTrace())(1, false, "a");
    }
    (*SerialTrace())(1, false, "b");
  }
  EXPECT_EQ(order, "1a2a1b");
  EXPECT_EQ(SerialTrace(), nullptr);
}

}  // namespace
