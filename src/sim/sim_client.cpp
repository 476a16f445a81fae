#include "sim/sim_client.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "sim/sim_wire.h"
#include "sim/tty_line.h"

SimClient::SimClient(const std::string& path, int baud) {
  fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd_ < 0) return;
  SetRawLine(fd_, baud);
  ::tcflush(fd_, TCIOFLUSH);
}

SimClient::~SimClient() {
  if (fd_ >= 0) ::close(fd_);
}

void SimClient::WriteRaw(const std::string& bytes) {
  size_t done = 0;
  while (fd_ >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

int SimClient::ReadByte(int timeoutMs) {
  const int64_t end = MonotonicMs() + timeoutMs;
  for (;;) {
    unsigned char c;
    const ssize_t n = ::read(fd_, &c, 1);
    if (n == 1) return c;
    const int64_t left = end - MonotonicMs();
    if (left <= 0) return -1;
    pollfd p{fd_, POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(left));
  }
}

std::string SimClient::ReadRaw(size_t n, int timeoutMs) {
  std::string out;
  const int64_t end = MonotonicMs() + timeoutMs;
  while (out.size() < n) {
    const int64_t left = end - MonotonicMs();
    if (left < 0) break;
    const int c = ReadByte(static_cast<int>(left));
    if (c < 0) break;
    out += static_cast<char>(c);
  }
  return out;
}

std::string SimClient::ReadUntil(char terminator, int timeoutMs) {
  std::string out;
  for (;;) {
    const int c = ReadByte(timeoutMs);
    if (c < 0) return out;
    out += static_cast<char>(c);
    if (static_cast<char>(c) == terminator) return out;
  }
}

void SimClient::Drain(int ms) {
  while (ReadByte(ms) >= 0) {
  }
}

int SimClient::Probe(int timeoutMs) {
  if (fd_ < 0) return -1;
  WriteRaw(std::string(1, static_cast<char>(simwire::kLinkProbe)));
  const int echo = ReadByte(timeoutMs);
  if (echo != simwire::kLinkProbe) {
    Drain(20);
    return -1;
  }
  WriteRaw(std::string(1, static_cast<char>(simwire::kReadyProbe)));
  const int ready = ReadByte(timeoutMs);
  return ready < 0 ? -2 : ready;
}

SimClient::Reply SimClient::ReadReply(int timeoutMs) {
  Reply r;
  const int first = ReadByte(timeoutMs);
  if (first < 0) return r;
  r.raw += static_cast<char>(first);
  if (first == simwire::kNack || first == simwire::kRepeat) {
    r.kind = first == simwire::kNack ? Reply::kNack : Reply::kRepeat;
    return r;
  }
  if (first == simwire::kAck) {
    const std::string rest = ReadRaw(6, timeoutMs);
    r.raw += rest;
    if (rest.size() < 6) return r;  // Timeout
    r.kind = Reply::kAck;
    r.seq = static_cast<uint8_t>(rest[0]);
    r.code = rest.substr(1, 2);
    r.checksumOk = simwire::Checksum(rest.substr(0, 3)) == rest.substr(3, 2);
    return r;
  }
  if (first == simwire::kStx) {
    const std::string len = ReadRaw(1, timeoutMs);
    r.raw += len;
    if (len.empty() || static_cast<uint8_t>(len[0]) < 0x23) return r;
    const size_t want = static_cast<uint8_t>(len[0]) - 0x1E;
    const std::string rest = ReadRaw(want, timeoutMs);
    r.raw += rest;
    if (rest.size() < want) return r;
    r.kind = Reply::kData;
    r.seq = static_cast<uint8_t>(rest[0]);
    r.cmd = static_cast<uint8_t>(rest[1]);
    r.data = rest.substr(2, want - 5);
    r.checksumOk = simwire::Checksum(len + rest.substr(0, want - 3)) == rest.substr(want - 3, 2);
    return r;
  }
  r.kind = Reply::kOther;
  return r;
}

SimClient::Reply SimClient::Send(uint8_t cmd, const std::string& data, int timeoutMs) {
  return SendFrame(simwire::CommandFrame(seq_, cmd, data), timeoutMs);
}

SimClient::Reply SimClient::SendLogo(const std::string& bytes, int timeoutMs) {
  std::string frame;
  frame += static_cast<char>(simwire::kStx);
  frame += static_cast<char>(simwire::kLogoLength);
  frame += static_cast<char>(seq_);
  frame += static_cast<char>(simwire::kLogoCommand);
  return SendFrame(frame + bytes, timeoutMs);
}

SimClient::Reply SimClient::SendFrame(const std::string& frame, int timeoutMs) {
  WriteRaw(frame);
  Reply r = ReadReply(timeoutMs);
  if ((r.kind == Reply::kAck || r.kind == Reply::kData) && r.seq == seq_)
    seq_ = seq_ == 0xFF ? 0x20 : static_cast<uint8_t>(seq_ + 1);
  return r;
}

SimClient::Reply SimClient::Transact(uint8_t cmd, const std::string& data, int waitMs) {
  const int64_t end = MonotonicMs() + waitMs;
  for (;;) {
    const int p = Probe();
    if (p == simwire::kReadyProbe) break;
    if (MonotonicMs() > end) return Reply{};
    ::usleep(5000);
  }
  return Send(cmd, data);
}
