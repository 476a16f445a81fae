#include "sim/tty_line.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

speed_t TermiosSpeed(int baud) {
  switch (baud) {
    case 1200:
      return B1200;
    case 2400:
      return B2400;
    case 4800:
      return B4800;
    case 19200:
      return B19200;
    case 38400:
      return B38400;
    case 57600:
      return B57600;
    case 115200:
      return B115200;
    default:
      return B9600;
  }
}

bool SetRawLine(int fd, int baud) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  ::cfmakeraw(&t);
  ::cfsetispeed(&t, TermiosSpeed(baud));
  ::cfsetospeed(&t, TermiosSpeed(baud));
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

int64_t MonotonicMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

PtyPair OpenPtyPair(int baud) {
  PtyPair p;
  p.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (p.master < 0 || ::grantpt(p.master) != 0 || ::unlockpt(p.master) != 0) {
    const std::string e = std::strerror(errno);
    if (p.master >= 0) ::close(p.master);
    throw std::runtime_error("cannot create a pseudo-terminal: " + e);
  }
  char name[128] = {};
  if (::ptsname_r(p.master, name, sizeof name) != 0) {
    ::close(p.master);
    throw std::runtime_error("cannot name the pseudo-terminal");
  }
  p.path = name;
  p.slave = ::open(p.path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (p.slave >= 0) SetRawLine(p.slave, baud);
  ::fcntl(p.master, F_SETFL, ::fcntl(p.master, F_GETFL) | O_NONBLOCK);
  return p;
}
