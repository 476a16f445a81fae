#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "link/link_errors.h"
#include "link/link_result.h"
#include "link/settings.h"

namespace {

// The far end of a pseudo-terminal, written and read directly by the test.
class PtyEnd {
 public:
  PtyEnd() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ::grantpt(master_);
    ::unlockpt(master_);
    path_ = ::ptsname(master_);
  }
  ~PtyEnd() { Close(); }
  void Close() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  const std::string& Path() const { return path_; }
  void Write(const std::string& s) {
    ASSERT_EQ(::write(master_, s.data(), s.size()), ssize_t(s.size()));
  }
  std::string Read(size_t n, int timeoutMs = 1000) {
    std::string out;
    while (out.size() < n) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, timeoutMs) <= 0) break;
      char buf[256];
      const ssize_t r = ::read(master_, buf, std::min(sizeof buf, n - out.size()));
      if (r <= 0) break;
      out.append(buf, static_cast<size_t>(r));
    }
    return out;
  }

 private:
  int master_ = -1;
  std::string path_;
};

class SerialPortTest : public ::testing::Test {
 protected:
  void SetUp() override { PortMap::Instance().Set(7, pty_.Path()); }
  void TearDown() override { PortMap::Instance().Clear(); }
  PtyEnd pty_;
};

using Clock = std::chrono::steady_clock;
int MsSince(Clock::time_point t) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

TEST(SerialPortOpen, MissingDeviceGivesCodeOneOnce) {
  PortMap::Instance().Set(8, "/dev/this-port-does-not-exist");
  SerialPort port(8, nullptr);
  EXPECT_EQ(port.TakeError(), LinkResult::kOpenFailed);
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_NE(port.LastSystemError(), 0);
  port.Send("x");  // a port that never opened refuses to write and read
  EXPECT_EQ(port.TakeError(), LinkResult::kSendNotOpen);
  EXPECT_EQ(port.Receive(1, 10), "");
  EXPECT_EQ(port.TakeError(), LinkResult::kReadNotOpen);
  PortMap::Instance().Clear();
}

TEST(SerialPortOpen, DefaultPathsAndMapping) {
  PortMap m;
  EXPECT_EQ(m.PathFor(1), "/dev/ttyS0");
  EXPECT_EQ(m.PathFor(8), "/dev/ttyS7");
  EXPECT_TRUE(m.ParseAndSet("3=/dev/serial/by-id/usb-x"));
  EXPECT_EQ(m.PathFor(3), "/dev/serial/by-id/usb-x");
  for (const char* bad : {"", "=x", "3=", "x=/dev/a", "0=/dev/a", "256=/dev/a", "/dev/a"})
    EXPECT_FALSE(m.ParseAndSet(bad)) << bad;
}

TEST_F(SerialPortTest, UnsupportedSpeedIsCodeThree) {
  SerialPort port(7, 12345, 0, 0, 8, nullptr);
  EXPECT_EQ(port.TakeError(), LinkResult::kSetStateFailed);
}

TEST_F(SerialPortTest, LineIsRawEightBitsAtTheChosenSpeed) {
  SerialPort port(7, 38400, 0, 0, 8, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  termios tio{};
  const int fd = ::open(pty_.Path().c_str(), O_RDWR | O_NOCTTY);
  if (fd >= 0) {  // root may open past the exclusive flag; check the line as set
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    EXPECT_EQ(::cfgetospeed(&tio), speed_t(B38400));
    EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
    EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG));
    EXPECT_FALSE(tio.c_iflag & (IXON | ICRNL | ISTRIP));
    EXPECT_FALSE(tio.c_oflag & OPOST);
    ::close(fd);
  }
  // Control bytes that a cooked line would eat or translate pass unchanged.
  const std::string every = [] {
    std::string s;
    for (int b = 1; b < 256; ++b) s += static_cast<char>(b);
    return s;
  }();
  port.Send(every);
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_EQ(pty_.Read(every.size()), every);
  pty_.Write(every);
  std::string back;
  for (int i = 0; i < 5 && back.size() < every.size(); ++i) back += port.Receive(51, 1000);
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_EQ(back, every);
}

TEST_F(SerialPortTest, ReceiveTimesOutWithCodeTen) {
  SerialPort port(7, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  const auto start = Clock::now();
  EXPECT_EQ(port.Receive(1, 300), "");
  EXPECT_EQ(port.TakeError(), LinkResult::kTimeout);
  EXPECT_GE(MsSince(start), 290);
  // Too few bytes within the time: nothing is taken, they stay for later.
  pty_.Write("ab");
  EXPECT_EQ(port.Receive(3, 100), "");
  EXPECT_EQ(port.TakeError(), LinkResult::kTimeout);
  EXPECT_EQ(port.Receive(2, 100), "ab");
  EXPECT_EQ(port.TakeError(), 0);
}

TEST_F(SerialPortTest, ReceiveReadsExactlyAndLeavesTheRest) {
  SerialPort port(7, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  pty_.Write("12345");
  EXPECT_EQ(port.Receive(2, 1000), "12");
  EXPECT_EQ(port.Receive(3, 1000), "345");
  EXPECT_EQ(port.TakeError(), 0);
}

TEST_F(SerialPortTest, ReturnsAsSoonAsTheBytesArrive) {
  SerialPort port(7, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  std::thread late([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    pty_.Write("x");
  });
  const auto start = Clock::now();
  EXPECT_EQ(port.Receive(1, 3000), "x");
  late.join();
  EXPECT_LT(MsSince(start), 2500);  // not the whole time-out
}

TEST_F(SerialPortTest, ZeroByteIsCodeFifteenExceptInTheLastPlace) {
  SerialPort port(7, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  pty_.Write(std::string("ab\0cd", 5));
  EXPECT_EQ(port.Receive(5, 1000), "ab");
  EXPECT_EQ(port.TakeError(), LinkResult::kZeroByte);
  pty_.Write(std::string("xy\0", 3));
  EXPECT_EQ(port.Receive(3, 1000), "xy");
  EXPECT_EQ(port.TakeError(), 0);
  pty_.Write(std::string("\0", 1));
  EXPECT_EQ(port.Receive(1, 1000), "");
  EXPECT_EQ(port.TakeError(), 0);
}

TEST_F(SerialPortTest, FarEndClosingEndsAReadAtOnce) {
  SerialPort port(7, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  pty_.Write("a");
  pty_.Close();
  const auto start = Clock::now();
  std::string got = port.Receive(4, 3000);
  EXPECT_NE(port.TakeError(), 0);
  EXPECT_LT(MsSince(start), 2500);
  (void)got;
}

TEST_F(SerialPortTest, LogoSizedBlockGoesOutWhole) {
  SerialPort port(7, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  std::string block(3902, '\xAA');
  std::thread reader([&] { EXPECT_EQ(pty_.Read(block.size(), 2000).size(), block.size()); });
  port.SendRaw(reinterpret_cast<const uint8_t*>(block.data()), block.size());
  EXPECT_EQ(port.TakeError(), 0);
  reader.join();
}

// One program at a time, any number of times one after another, also when
// the far end keeps the line open (as the simulated printer does) and also
// for an administrator, whom the system lets past the exclusive flag.
class SharedLineTest : public SerialPortTest {
 protected:
  void SetUp() override {
    SerialPortTest::SetUp();
    held_ = ::open(pty_.Path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(held_, 0);
  }
  void TearDown() override {
    if (held_ >= 0) ::close(held_);
    SerialPortTest::TearDown();
  }
  bool ExclusiveFlag() const {
    int set = 0;
    EXPECT_EQ(::ioctl(held_, TIOCGEXCL, &set), 0);
    return set != 0;
  }
  int held_ = -1;  // the far end's own descriptor of the line, never locked
};

TEST_F(SharedLineTest, ClosingClearsTheExclusiveFlagSoTheLineOpensAgain) {
  for (int round = 0; round < 3; ++round) {
    {
      SerialPort port(7, nullptr);
      ASSERT_EQ(port.TakeError(), 0) << "round " << round << ": " << port.LastSystemError();
      EXPECT_TRUE(ExclusiveFlag());
      port.Send("a");
      EXPECT_EQ(port.TakeError(), 0);
      EXPECT_EQ(pty_.Read(1), "a");
    }
    EXPECT_FALSE(ExclusiveFlag()) << "round " << round;
  }
}

TEST_F(SharedLineTest, ALineAnotherProgramHoldsIsInUseUntilItLetsGo) {
  std::string text;
  {
    SerialPort first(7, nullptr);
    ASSERT_EQ(first.TakeError(), 0);
    SerialPort second(7, nullptr);
    EXPECT_EQ(second.TakeError(), LinkResult::kOpenFailed);
    EXPECT_FALSE(second.IsOpen());
    EXPECT_TRUE(PortInUse(second.LastSystemError())) << second.LastSystemError();
    text = LinkErrorMessage(LinkResult::kOpenFailed, 7, second.LastSystemError())->text;
    // The refused open leaves the holder's line as it was.
    EXPECT_TRUE(ExclusiveFlag());
    first.Send("b");
    EXPECT_EQ(first.TakeError(), 0);
    EXPECT_EQ(pty_.Read(1), "b");
  }
  EXPECT_EQ(text, "COM 7 се използва от друга програма");
  SerialPort third(7, nullptr);
  EXPECT_EQ(third.TakeError(), 0);
}

TEST_F(SharedLineTest, AnExclusiveFlagSetByAProgramThatDoesNotLockMeansInUse) {
  ASSERT_EQ(::ioctl(held_, TIOCEXCL), 0);
  {
    SerialPort port(7, nullptr);
    EXPECT_EQ(port.TakeError(), LinkResult::kOpenFailed);
    EXPECT_TRUE(PortInUse(port.LastSystemError())) << port.LastSystemError();
  }
  EXPECT_TRUE(ExclusiveFlag());  // not ours to clear
  ASSERT_EQ(::ioctl(held_, TIOCNXCL), 0);
  SerialPort port(7, nullptr);
  EXPECT_EQ(port.TakeError(), 0);
}

}  // namespace
