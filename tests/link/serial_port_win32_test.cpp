// The Win32 serial port against the far end of a linked pair of COM ports
// (FS_TEST_COM_PAIR="HOST,DEVICE", set up by scripts/test-windows under Wine).
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "link/link_result.h"
#include "link/serial_port.h"
#include "link/settings.h"

namespace {

using Clock = std::chrono::steady_clock;
int MsSince(Clock::time_point t) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// The device's end, written and read directly by the test.
class FarEnd {
 public:
  explicit FarEnd(int port) {
    const std::string name = "\\\\.\\COM" + std::to_string(port);
    h_ = CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                     nullptr);
    if (h_ == INVALID_HANDLE_VALUE) return;
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    GetCommState(h_, &dcb);
    dcb.BaudRate = 9600;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fOutX = dcb.fInX = FALSE;
    SetCommState(h_, &dcb);
    COMMTIMEOUTS t{};
    t.ReadIntervalTimeout = MAXDWORD;  // reads take what is there
    SetCommTimeouts(h_, &t);
    PurgeComm(h_, PURGE_RXCLEAR | PURGE_TXCLEAR);
  }
  ~FarEnd() {
    if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
  }
  bool Ok() const { return h_ != INVALID_HANDLE_VALUE; }
  void Write(const std::string& s) {
    DWORD n = 0;
    ASSERT_TRUE(WriteFile(h_, s.data(), DWORD(s.size()), &n, nullptr));
    ASSERT_EQ(n, s.size());
  }
  std::string Read(size_t n, int timeoutMs = 2000) {
    std::string out;
    const auto start = Clock::now();
    while (out.size() < n && MsSince(start) < timeoutMs) {
      char buf[512];
      DWORD got = 0;
      const DWORD want = DWORD(std::min(sizeof buf, n - out.size()));
      if (!ReadFile(h_, buf, want, &got, nullptr)) break;
      if (got == 0) Sleep(2);
      out.append(buf, got);
    }
    return out;
  }

 private:
  HANDLE h_ = INVALID_HANDLE_VALUE;
};

class SerialPortWin32 : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* pair = std::getenv("FS_TEST_COM_PAIR");
    if (!pair || std::sscanf(pair, "%d,%d", &host_, &device_) != 2)
      GTEST_SKIP() << "FS_TEST_COM_PAIR is not set";
    far_ = std::make_unique<FarEnd>(device_);
    ASSERT_TRUE(far_->Ok());
  }
  void TearDown() override { PortMap::Instance().Clear(); }
  int host_ = 0;
  int device_ = 0;
  std::unique_ptr<FarEnd> far_;
};

TEST(SerialPortWin32Open, MissingPortGivesCodeOneWithTheSystemError) {
  EXPECT_EQ(PortMap().PathFor(3), "\\\\.\\COM3");
  EXPECT_EQ(PortMap().PathFor(12), "\\\\.\\COM12");
  SerialPort port(199, nullptr);
  EXPECT_EQ(port.TakeError(), LinkResult::kOpenFailed);
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_NE(port.LastSystemError(), 0);
  EXPECT_FALSE(port.IsOpen());
  port.Send("x");
  EXPECT_EQ(port.TakeError(), LinkResult::kSendNotOpen);
  const uint8_t logo[2] = {1, 2};
  port.SendRaw(logo, 2);
  EXPECT_EQ(port.TakeError(), LinkResult::kSendNotOpen);
  EXPECT_EQ(port.Receive(1, 10), "");
  EXPECT_EQ(port.TakeError(), LinkResult::kReadNotOpen);
}

TEST_F(SerialPortWin32, EveryByteValuePassesBothWays) {
  SerialPort port(host_, 38400, 0, 0, 8, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  ASSERT_TRUE(port.IsOpen());
  // XON/XOFF, CR/LF and the other control bytes must pass untouched.
  std::string every;
  for (int b = 1; b < 256; ++b) every += static_cast<char>(b);
  port.Send(every);
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_EQ(far_->Read(every.size()), every);
  far_->Write(every);
  std::string back;
  for (int i = 0; i < 10 && back.size() < every.size(); ++i) back += port.Receive(51, 2000);
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_EQ(back, every);
}

TEST_F(SerialPortWin32, TimeOutLeavesTooFewBytesQueued) {
  SerialPort port(host_, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  const auto start = Clock::now();
  EXPECT_EQ(port.Receive(1, 300), "");
  EXPECT_EQ(port.TakeError(), LinkResult::kTimeout);
  EXPECT_GE(MsSince(start), 280);
  far_->Write("ab");
  EXPECT_EQ(port.Receive(3, 300), "");
  EXPECT_EQ(port.TakeError(), LinkResult::kTimeout);
  EXPECT_EQ(port.Receive(2, 1000), "ab");
  EXPECT_EQ(port.TakeError(), 0);
}

TEST_F(SerialPortWin32, ReadsExactlyTheCountAndLeavesTheRest) {
  SerialPort port(host_, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  far_->Write("12345");
  EXPECT_EQ(port.Receive(2, 2000), "12");
  EXPECT_EQ(port.Receive(3, 2000), "345");
  EXPECT_EQ(port.TakeError(), 0);
}

TEST_F(SerialPortWin32, ZeroByteIsCodeFifteenExceptInTheLastPlace) {
  SerialPort port(host_, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  far_->Write(std::string("ab\0cd", 5));
  EXPECT_EQ(port.Receive(5, 2000), "ab");
  EXPECT_EQ(port.TakeError(), LinkResult::kZeroByte);
  far_->Write(std::string("xy\0", 3));
  EXPECT_EQ(port.Receive(3, 2000), "xy");
  EXPECT_EQ(port.TakeError(), 0);
}

TEST_F(SerialPortWin32, LogoSizedBlockGoesOutWholeAndTheQueuesComeBack) {
  SerialPort port(host_, nullptr);
  ASSERT_EQ(port.TakeError(), 0);
  const std::string block(3902, '\x13');  // XOFF, byte after byte
  std::string got;
  std::thread reader([&] { got = far_->Read(block.size(), 5000); });
  port.SendRaw(reinterpret_cast<const uint8_t*>(block.data()), block.size());
  EXPECT_EQ(port.TakeError(), 0);
  reader.join();
  EXPECT_EQ(got, block);
  // The port still reads and writes normally afterwards.
  port.Send("z");
  EXPECT_EQ(port.TakeError(), 0);
  EXPECT_EQ(far_->Read(1), "z");
}

}  // namespace
