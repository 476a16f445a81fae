// The simulated printer keeps its end of the line open for its whole life, so
// the line's exclusive flag is never cleared by a last close: a host that ends
// without clearing it (killed, or an older build) must not lock everybody else
// out.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sim/sim_server.h"

namespace {

// Opens the line as a host would and reads its exclusive flag; -1 when the
// line cannot be opened (an ordinary user meets the flag that way).
int ExclusiveFlagSeenByANewHost(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return -1;
  int set = -1;
  ::ioctl(fd, TIOCGEXCL, &set);
  ::close(fd);
  return set;
}

TEST(LineSharing, AFlagLeftBehindByAHostIsClearedWhenItsLineCloses) {
  SimServer sim(SimOptions{});
  for (int host = 0; host < 3; ++host) {
    const int fd = ::open(sim.Path().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0) << "host " << host;
    ASSERT_EQ(::ioctl(fd, TIOCEXCL), 0);
    ::close(fd);  // ends without TIOCNXCL
    int seen = -1;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while ((seen = ExclusiveFlagSeenByANewHost(sim.Path())) != 0 &&
           std::chrono::steady_clock::now() < until)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(seen, 0) << "host " << host;
  }
}

}  // namespace
