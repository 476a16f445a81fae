#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "link/link_result.h"
#include "link/serial_trace.h"
#include "link/settings.h"
#include "link/ui_host.h"

namespace {

using Clock = std::chrono::steady_clock;

int ElapsedMs(Clock::time_point start) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

bool SpeedFor(int baud, speed_t& out) {
  switch (baud) {
    case 1200:
      out = B1200;
      return true;
    case 2400:
      out = B2400;
      return true;
    case 4800:
      out = B4800;
      return true;
    case 9600:
      out = B9600;
      return true;
    case 19200:
      out = B19200;
      return true;
    case 38400:
      out = B38400;
      return true;
    case 57600:
      out = B57600;
      return true;
    case 115200:
      out = B115200;
      return true;
    case 230400:
      out = B230400;
      return true;
    default:
      return false;
  }
}

}  // namespace

SerialPort::SerialPort(int port, UiHost* owner) : SerialPort(port, 9600, 0, 0, 8, owner) {}

SerialPort::SerialPort(int port, const std::string& path, int baudRate, UiHost* owner)
    : owner_(owner), port_(static_cast<uint8_t>(port)), path_(path) {
  error_ = Open(port, baudRate, 0, 0, 8);
}

SerialPort::SerialPort(int port, int baudRate, int parity, int stopBits, int dataBits,
                       UiHost* owner)
    : owner_(owner), port_(static_cast<uint8_t>(port)) {
  error_ = Open(port, baudRate, parity, stopBits, dataBits);
}

SerialPort::~SerialPort() {
  Close();
}

int SerialPort::Refuse(int systemError) {
  lastErrno_ = systemError;
  ::close(fd_);
  fd_ = -1;
  return LinkResult::kOpenFailed;
}

int SerialPort::Open(int port, int baudRate, int parity, int stopBits, int dataBits) {
  fd_ = -1;
  const std::string path = path_.empty() ? PortMap::Instance().PathFor(port) : path_;
  // Non-blocking, so that neither open nor a write can hang on modem lines or
  // a line nobody reads; every wait below is bounded by poll().
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    // EBUSY: another program holds the line exclusively (PortInUse).
    lastErrno_ = errno;
    return LinkResult::kOpenFailed;
  }
  if (::isatty(fd_)) {
    // One program at a time on a line, whoever runs it: the lock is taken
    // without waiting, so a port another program holds is reported at once.
    // The lock goes with the descriptor, so a program that dies releases it.
    // (Only terminals: anything else is no serial line and fails below. A
    // system that cannot lock the device at all leaves it to the flag.)
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) return Refuse(EBUSY);
      // The exclusive flag keeps out other programs that do not lock. The
      // system lets an administrator open such a line anyway, so the flag is
      // also read: set, another program is using the line.
#ifdef TIOCGEXCL
    int held = 0;
    if (::ioctl(fd_, TIOCGEXCL, &held) == 0 && held != 0) return Refuse(EBUSY);
#endif
    exclusive_ = ::ioctl(fd_, TIOCEXCL) == 0;
  }

  termios tio{};
  if (::tcgetattr(fd_, &tio) != 0) {
    lastErrno_ = errno;
    return LinkResult::kGetStateFailed;
  }
  speed_t speed;
  if (!SpeedFor(baudRate, speed)) {
    lastErrno_ = EINVAL;
    return LinkResult::kSetStateFailed;
  }
  // A raw line: no echo, no line editing, no CR/LF translation, no XON/XOFF, no
  // hardware flow control. Cooked mode would alter the protocol's bytes.
  ::cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | CSIZE | PARENB | PARODD | CSTOPB);
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  switch (dataBits) {
    case 5:
      tio.c_cflag |= CS5;
      break;
    case 6:
      tio.c_cflag |= CS6;
      break;
    case 7:
      tio.c_cflag |= CS7;
      break;
    default:
      tio.c_cflag |= CS8;
      break;
  }
  if (parity == 1) tio.c_cflag |= PARENB | PARODD;
  if (parity == 2) tio.c_cflag |= PARENB;
  if (stopBits == 2) tio.c_cflag |= CSTOPB;
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd_, TCSANOW, &tio) != 0) {
    lastErrno_ = errno;
    return LinkResult::kSetStateFailed;
  }
  // Time-outs and queue sizes have no termios counterpart: Receive and Send
  // bound their own waits.
  return LinkResult::kOk;
}

void SerialPort::Close() {
  if (fd_ < 0) return;
  ::tcflush(fd_, TCOFLUSH);
  ::tcflush(fd_, TCIFLUSH);
  // The flag belongs to the terminal, not to this descriptor: it stays set
  // until the line's last close, and the simulated printer (or anything else
  // keeping its end open) never closes it, so nobody but an administrator
  // could open the line again.
  if (exclusive_) ::ioctl(fd_, TIOCNXCL);
  exclusive_ = false;
  ::close(fd_);
  fd_ = -1;
  pending_.clear();
}

bool SerialPort::IsOpen() const {
  return fd_ >= 0;
}

void SerialPort::Send(const std::string& data) {
  SendRaw(reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

void SerialPort::SendRaw(const uint8_t* data, size_t count) {
  if (fd_ < 0) {
    SetError(LinkResult::kSendNotOpen);
    return;
  }
  WaitCursor wait(owner_);
  const auto start = Clock::now();
  const int limitMs = 300 + static_cast<int>(count);
  size_t written = 0;
  while (written < count) {
    const ssize_t n = ::write(fd_, data + written, count - written);
    if (n > 0) {
      written += static_cast<size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
      lastErrno_ = errno;
      SetError(LinkResult::kWriteFailed);
      return;
    }
    const int left = limitMs - ElapsedMs(start);
    if (left <= 0) break;
    pollfd p{fd_, POLLOUT, 0};
    if (::poll(&p, 1, left) < 0 && errno != EINTR) break;
  }
  ::tcdrain(fd_);
  if (written > 0) {
    if (const auto trace = SerialTrace())
      (*trace)(port_, true, std::string(reinterpret_cast<const char*>(data), written));
  }
  if (written != count) SetError(LinkResult::kWriteShort);
}

std::string SerialPort::Receive(int count, int timeoutMs) {
  if (fd_ < 0) {
    SetError(LinkResult::kReadNotOpen);
    return std::string();
  }
  if (count < 1) count = 1;
  if (count > 255) count = 255;
  const size_t want = static_cast<size_t>(count);
  WaitCursor wait(owner_);
  const auto start = Clock::now();
  char buf[512];
  while (pending_.size() < want) {
    const int left = timeoutMs - ElapsedMs(start);
    if (left <= 0) break;
    pollfd p{fd_, POLLIN, 0};
    const int r = ::poll(&p, 1, left);
    if (r < 0) {
      if (errno == EINTR) continue;
      lastErrno_ = errno;
      SetError(LinkResult::kReadFailed);
      return std::string();
    }
    if (r == 0) break;
    int waiting = 0;
    if (::ioctl(fd_, FIONREAD, &waiting) != 0 || waiting <= 0) waiting = 1;
    const size_t chunk = std::min(sizeof buf, static_cast<size_t>(waiting));
    const ssize_t n = ::read(fd_, buf, chunk);
    if (n > 0) {
      pending_.append(buf, static_cast<size_t>(n));
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      continue;
    } else {
      // The other end went away (a pseudo-terminal's master closed, a USB
      // adapter unplugged): the line cannot deliver anything more.
      lastErrno_ = n < 0 ? errno : EIO;
      SetError(LinkResult::kReadFailed);
      return std::string();
    }
  }
  if (pending_.size() < want) {
    SetError(LinkResult::kTimeout);
    return std::string();
  }
  std::string out = pending_.substr(0, want);
  pending_.erase(0, want);
  if (const auto trace = SerialTrace()) (*trace)(port_, false, out);
  const size_t zero = out.find('\0');
  if (zero != std::string::npos && zero + 1 < want) {
    SetError(LinkResult::kZeroByte);
    out.resize(zero);
  } else if (zero != std::string::npos) {
    out.resize(zero);  // a zero in the last position ends the text there
  }
  return out;
}
