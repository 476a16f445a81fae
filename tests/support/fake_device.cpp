#include "support/fake_device.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include "link/frame.h"
#include "link/settings.h"

namespace {

// Byte and bit of each of the 32 status flags.
struct FlagBit {
  int byte;
  int bit;
};
constexpr FlagBit kFlagBits[32] = {
    {0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}, {0, 5}, {0, 6},  // 0..6
    {1, 0}, {1, 1}, {1, 3}, {1, 4}, {1, 5}, {1, 6},          // 7..12
    {2, 0}, {2, 1}, {2, 2}, {2, 3}, {2, 4},                  // 13..17
    {3, 0}, {3, 1}, {3, 2}, {3, 3}, {3, 4}, {3, 5}, {3, 6},  // 18..24
    {4, 0}, {4, 1}, {4, 2}, {4, 4}, {4, 5}, {4, 3}, {4, 6},  // 25..31
};

}  // namespace

using Reply = FakeDevice::Reply;

Reply Reply::Ack(const std::string& code) {
  return Reply{Kind::kAck, code, {}, {}, {}, {}};
}
Reply Reply::Data(const std::string& data) {
  return Reply{Kind::kData, data, {}, {}, {}, {}};
}
Reply Reply::Nack() {
  return Reply{Kind::kNack, {}, {}, {}, {}, {}};
}
Reply Reply::Repeat() {
  return Reply{Kind::kRepeat, {}, {}, {}, {}, {}};
}
Reply Reply::Raw(const std::string& bytes) {
  return Reply{Kind::kRaw, bytes, {}, {}, {}, {}};
}
Reply Reply::Silence() {
  return Reply{Kind::kSilence, {}, {}, {}, {}, {}};
}
Reply Reply::CloseLine() {
  return Reply{Kind::kCloseLine, {}, {}, {}, {}, {}};
}
Reply Reply::WithSeq(uint8_t s) const {
  Reply r = *this;
  r.seq = s;
  return r;
}
Reply Reply::WithCmd(uint8_t c) const {
  Reply r = *this;
  r.cmd = c;
  return r;
}
Reply Reply::WithChecksum(const std::string& cs) const {
  Reply r = *this;
  r.checksum = cs;
  return r;
}
Reply Reply::Then(const std::string& raw) const {
  Reply r = *this;
  r.after += raw;
  return r;
}

std::string FakeDevice::StatusBytes(const std::vector<int>& flagsSet) {
  std::string s(6, static_cast<char>(0x80));
  for (int f : flagsSet) {
    if (f < 0 || f > 31) continue;
    s[kFlagBits[f].byte] = static_cast<char>(s[kFlagBits[f].byte] | (1 << kFlagBits[f].bit));
  }
  return s;
}

#ifndef _WIN32  // the Windows line is in fake_device_win32.cpp
FakeDevice::FakeDevice() {
  status_ = StatusBytes({22, 23, 24});
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0)
    throw std::runtime_error("cannot create a pseudo-terminal");
  const char* name = ::ptsname(master_);
  if (!name) throw std::runtime_error("ptsname failed");
  path_ = name;
  // Holding the slave open keeps the line alive (and raw) while the host closes
  // and reopens its end.
  slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  if (::tcgetattr(slave_, &tio) == 0) {
    ::cfmakeraw(&tio);
    ::tcsetattr(slave_, TCSANOW, &tio);
  }
  ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
  if (::pipe(wake_) != 0) throw std::runtime_error("pipe failed");
  thread_ = std::thread([this] { Run(); });
}

FakeDevice::~FakeDevice() {
  stop_ = true;
  if (wake_[1] >= 0) (void)!::write(wake_[1], "x", 1);
  if (thread_.joinable()) thread_.join();
  if (master_ >= 0) ::close(master_);
  if (slave_ >= 0) ::close(slave_);
  if (wake_[0] >= 0) ::close(wake_[0]);
  if (wake_[1] >= 0) ::close(wake_[1]);
}

int FakeDevice::LineBaud() const {
  termios tio{};
  if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) return 0;
  switch (::cfgetospeed(&tio)) {
    case B1200:
      return 1200;
    case B2400:
      return 2400;
    case B4800:
      return 4800;
    case B9600:
      return 9600;
    case B19200:
      return 19200;
    case B38400:
      return 38400;
    case B57600:
      return 57600;
    case B115200:
      return 115200;
    default:
      return 0;
  }
}

void FakeDevice::MapTo(int port) {
  PortMap::Instance().Set(port, path_);
}

void FakeDevice::CloseDeviceEnd() {
  ::close(master_);
  ::close(slave_);
  master_ = -1;
  slave_ = -1;
}
#endif

void FakeDevice::SetProbe(Probe p) {
  std::lock_guard<std::mutex> l(mu_);
  probe_ = p;
}

void FakeDevice::SetProbeAfter(uint8_t cmd, Probe p) {
  std::lock_guard<std::mutex> l(mu_);
  probeAfter_ = std::make_pair(cmd, p);
}

void FakeDevice::Queue(uint8_t cmd, Reply reply) {
  std::lock_guard<std::mutex> l(mu_);
  queues_[cmd].push_back(std::move(reply));
}

void FakeDevice::QueueAny(Reply reply) {
  std::lock_guard<std::mutex> l(mu_);
  anyQueue_.push_back(std::move(reply));
}

void FakeDevice::SetHandler(std::function<Reply(const ReceivedFrame&)> handler) {
  std::lock_guard<std::mutex> l(mu_);
  handler_ = std::move(handler);
}

void FakeDevice::SetReplyTerminator(uint8_t b) {
  std::lock_guard<std::mutex> l(mu_);
  terminator_ = static_cast<char>(b);
}

void FakeDevice::SetChatter(const std::string& bytes) {
  {
    std::lock_guard<std::mutex> l(mu_);
    chatter_ = bytes;
  }
#ifndef _WIN32
  // Start talking now, not at the next byte from the host.
  if (wake_[1] >= 0) (void)!::write(wake_[1], "c", 1);
#endif
}

void FakeDevice::SetStatus(const std::string& sixBytes) {
  std::lock_guard<std::mutex> l(mu_);
  status_ = sixBytes;
}

void FakeDevice::SetFlag(int flag, bool on) {
  if (flag < 0 || flag > 31) return;
  std::lock_guard<std::mutex> l(mu_);
  char& b = status_[kFlagBits[flag].byte];
  const char mask = static_cast<char>(1 << kFlagBits[flag].bit);
  b = on ? static_cast<char>(b | mask) : static_cast<char>(b & ~mask);
}

std::vector<FakeDevice::ReceivedFrame> FakeDevice::Frames() const {
  std::lock_guard<std::mutex> l(mu_);
  return frames_;
}

std::vector<uint8_t> FakeDevice::Commands() const {
  std::lock_guard<std::mutex> l(mu_);
  std::vector<uint8_t> out;
  for (const auto& f : frames_) out.push_back(f.cmd);
  return out;
}

std::string FakeDevice::RawReceived() const {
  std::lock_guard<std::mutex> l(mu_);
  return raw_;
}

int FakeDevice::ProbeCount() const {
  std::lock_guard<std::mutex> l(mu_);
  return probes_;
}

void FakeDevice::ClearRecords() {
  std::lock_guard<std::mutex> l(mu_);
  frames_.clear();
  raw_.clear();
  probes_ = 0;
}

#ifndef _WIN32
void FakeDevice::Run() {
  uint8_t buf[4096];
  while (!stop_) {
    std::string chatter;
    {
      std::lock_guard<std::mutex> l(mu_);
      chatter = chatter_;
    }
    if (!chatter.empty()) Write(chatter);
    pollfd p[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    if (::poll(p, 2, chatter.empty() ? 200 : 1) < 0 && errno != EINTR) return;
    if (stop_) return;
    if (p[1].revents & POLLIN) (void)!::read(wake_[0], buf, sizeof buf);
    if (!(p[0].revents & POLLIN)) continue;
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) continue;
    for (ssize_t i = 0; i < n; ++i) {
      HandleByte(buf[i]);
      std::lock_guard<std::mutex> l(mu_);
      if (lineClosed_) return;
    }
  }
}

void FakeDevice::Write(const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size() && master_ >= 0) {
    const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
      pollfd p{master_, POLLOUT, 0};
      ::poll(&p, 1, 100);
    } else {
      return;
    }
  }
}

#endif

void FakeDevice::HandleByte(uint8_t b) {
  std::unique_lock<std::mutex> l(mu_);
  raw_ += static_cast<char>(b);
  if (pending_.empty()) {
    if (b == Frame::kLinkProbe) {
      ++probes_;
      const bool answer = probe_ != Probe::kSilent;
      l.unlock();
      if (answer) Write(std::string(1, static_cast<char>(Frame::kLinkProbe)));
    } else if (b == Frame::kReadyProbe) {
      const Probe p = probe_;
      l.unlock();
      if (p == Probe::kReady) Write(std::string(1, static_cast<char>(Frame::kReadyProbe)));
      if (p == Probe::kBusy) Write("\x11");
    } else if (b == Frame::kStx) {
      pending_ = std::string(1, static_cast<char>(b));
    }
    return;
  }
  pending_ += static_cast<char>(b);
  if (pending_.size() < 4) return;
  const uint8_t len = static_cast<uint8_t>(pending_[1]);
  const bool logo = len == Frame::kLogoLength && static_cast<uint8_t>(pending_[3]) == 'L';
  if (!logo && len < 0x23) {
    pending_.clear();
    l.unlock();
    Write(std::string(1, static_cast<char>(Frame::kNack)));
    return;
  }
  const size_t total = logo ? 4 + Frame::kLogoSize : static_cast<size_t>(len - 0x23) + 7;
  if (pending_.size() < total) return;
  const std::string frame = pending_;
  pending_.clear();
  ReceivedFrame f;
  if (logo) {
    f = {static_cast<uint8_t>(frame[2]), static_cast<uint8_t>(frame[3]), frame.substr(4)};
  } else {
    const auto c = Frame::ParseCommand(frame);
    if (!c) {
      l.unlock();
      Write(std::string(1, static_cast<char>(Frame::kNack)));
      return;
    }
    f = {c->seq, c->cmd, c->data};
  }
  frames_.push_back(f);
  l.unlock();
  Answer(f);
}

void FakeDevice::Answer(const ReceivedFrame& f) {
  Reply r;
  {
    std::lock_guard<std::mutex> l(mu_);
    if (!anyQueue_.empty()) {
      r = anyQueue_.front();
      anyQueue_.pop_front();
    } else if (!queues_[f.cmd].empty()) {
      r = queues_[f.cmd].front();
      queues_[f.cmd].pop_front();
    } else if (handler_) {
      r = handler_(f);
    } else if (f.cmd == 0x20) {
      r = Reply::Data(status_);
    } else {
      r = Reply::Ack("00");
    }
    if (probeAfter_ && probeAfter_->first == f.cmd) probe_ = probeAfter_->second;
  }
  const uint8_t seq = r.seq.value_or(f.seq);
  const uint8_t cmd = r.cmd.value_or(f.cmd);
  char terminator;
  {
    std::lock_guard<std::mutex> l(mu_);
    terminator = terminator_;
  }
  std::string out;
  switch (r.kind) {
    case Reply::Kind::kAck: {
      std::string body(1, static_cast<char>(seq));
      body += r.payload;
      out = std::string(1, static_cast<char>(Frame::kAck)) + body +
            r.checksum.value_or(Frame::Checksum(body)) + terminator;
      break;
    }
    case Reply::Kind::kData: {
      std::string body;
      body += static_cast<char>(static_cast<uint8_t>(0x23 + r.payload.size()));
      body += static_cast<char>(seq);
      body += static_cast<char>(cmd);
      body += r.payload;
      out = std::string(1, static_cast<char>(Frame::kStx)) + body +
            r.checksum.value_or(Frame::Checksum(body)) + terminator;
      break;
    }
    case Reply::Kind::kNack:
      out = std::string(1, static_cast<char>(Frame::kNack));
      break;
    case Reply::Kind::kRepeat:
      out = std::string(1, static_cast<char>(Frame::kRepeat));
      break;
    case Reply::Kind::kRaw:
      out = r.payload;
      break;
    case Reply::Kind::kSilence:
      break;
    case Reply::Kind::kCloseLine: {
      std::lock_guard<std::mutex> l(mu_);
      lineClosed_ = true;
      CloseDeviceEnd();
      return;
    }
  }
  Write(out + r.after);
}
