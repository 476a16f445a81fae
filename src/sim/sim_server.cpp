#include "sim/sim_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "sim/line_protocol.h"
#include "sim/sim_wire.h"
#include "sim/state_file.h"
#include "sim/tty_line.h"

namespace {
DeviceState StartState(const SimOptions& o) {
  const int width = o.headerWidth == 38 ? 38 : 42;
  DeviceState s = o.factory ? SimDevice::FactoryState(width) : SimDevice::SampleState(width);
  if (o.taxGroups >= 3 && o.taxGroups < kGroups) SimDevice::LimitGroups(s, o.taxGroups);
  if (o.decimals == '0') SimDevice::UseWholeNumbers(s);
  if (!o.stateFile.empty() && ::access(o.stateFile.c_str(), F_OK) == 0) {
    const std::string err = LoadState(o.stateFile, s);
    if (!err.empty()) throw std::runtime_error(err);
  }
  return s;
}

// What a byte sent at one speed looks like when read at another: the receiver
// samples the wrong bits. Never yields a zero byte.
uint8_t Garble(uint8_t b) {
  return static_cast<uint8_t>(((b << 1) | 1) ^ 0x80);
}
}  // namespace

SimServer::SimServer(const SimOptions& options) : opt_(options), device_(StartState(options)) {
  device_.SetReportBusyMs(opt_.busyMs);
  device_.SetLineSpeed(opt_.baud);
  PtyPair pty = OpenPtyPair(opt_.baud);
  master_ = pty.master;
  slave_ = pty.slave;
  path_ = std::move(pty.path);
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    ::close(master_);
    if (slave_ >= 0) ::close(slave_);
    throw std::runtime_error("cannot create a pipe");
  }
  if (!opt_.paperFile.empty() || opt_.paperToStdout) {
    const std::string file = opt_.paperFile;
    const bool toStdout = opt_.paperToStdout;
    device_.Roll().SetSink([file, toStdout](const std::string& text) {
      if (toStdout) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
      }
      if (!file.empty()) {
        if (std::FILE* f = std::fopen(file.c_str(), "ab")) {
          std::fwrite(text.data(), 1, text.size(), f);
          std::fclose(f);
        }
      }
    });
  }
  if (!opt_.stateFile.empty()) SaveLocked();
  // Watched after our own open: every open and close from now on is a host's.
  // Without the watch (no inotify), only the resend window tells sessions
  // apart.
  opens_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (opens_ >= 0 && ::inotify_add_watch(opens_, path_.c_str(), IN_OPEN | IN_CLOSE) < 0) {
    ::close(opens_);
    opens_ = -1;
  }
  thread_ = std::thread([this] { Run(); });
}

SimServer::~SimServer() {
  stop_ = true;
  if (wake_[1] >= 0) {
    const char c = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
  }
  if (thread_.joinable()) thread_.join();
  for (int fd : {master_, slave_, wake_[0], wake_[1], opens_})
    if (fd >= 0) ::close(fd);
}

int64_t SimServer::NowMs() const {
  return MonotonicMs() + clockShiftMs_.load();
}

std::string SimServer::Paper() const {
  std::lock_guard<std::mutex> lock(mu_);
  return const_cast<SimDevice&>(device_).Roll().Text();
}

void SimServer::ClearPaper() {
  std::lock_guard<std::mutex> lock(mu_);
  device_.Roll().Clear();
}

std::array<bool, 32> SimServer::Flags() {
  std::lock_guard<std::mutex> lock(mu_);
  return device_.Flags();
}

std::string SimServer::StateError() const {
  std::lock_guard<std::mutex> lock(mu_);
  return stateError_;
}

void SimServer::SaveLocked() {
  if (opt_.stateFile.empty()) return;
  stateError_ = SaveState(device_.State(), opt_.stateFile);
}

void SimServer::BusyFor(int ms) {
  std::lock_guard<std::mutex> lock(mu_);
  busyUntilMs_ = NowMs() + ms;
}

void SimServer::Inject(Fault fault, int count) {
  std::lock_guard<std::mutex> lock(mu_);
  DeviceState& s = device_.State();
  const bool on = count > 0;
  const int n = count < 0 ? 0 : count;
  switch (fault) {
    case Fault::kPaperOut:
      s.paperOut = on;
      break;
    case Fault::kBusy:
      busy_ = on;
      break;
    case Fault::kNoAnswer:
      noAnswer_ = on;
      break;
    case Fault::kClockNotSet:
      s.clockNotSet = on;
      break;
    case Fault::kClockIncorrect:
      s.clockIncorrect = on;
      break;
    case Fault::kClockHardware:
      s.clockHardware = on;
      break;
    case Fault::kFmMissing:
      s.fmMissing = on;
      break;
    case Fault::kFmFaulty:
      s.fmFaulty = on;
      break;
    case Fault::kReportOverflow:
      s.reportOverflow = on;
      break;
    case Fault::kRamReset:
      if (on) device_.ResetRam();
      break;
    case Fault::kFmNearlyFull:
    case Fault::kFmFull:
      if (!on) {
        const int used = static_cast<int>(s.fm.size());
        s.fmCapacity = used < 1000 ? 2000 : used + 1000;
      } else if (fault == Fault::kFmFull) {
        device_.FillFmFull();
      } else {
        device_.FillFmNearlyFull();
      }
      break;
    case Fault::kNack:
      nack_ = n;
      break;
    case Fault::kRepeat:
      repeat_ = n;
      break;
    case Fault::kBadChecksum:
      badChecksum_ = n;
      break;
    case Fault::kWrongSeq:
      wrongSeq_ = n;
      break;
    case Fault::kWrongCmd:
      wrongCmd_ = n;
      break;
    case Fault::kGarbageFirstByte:
      garbage_ = n;
      break;
    case Fault::kZeroByte:
      zeroByte_ = n;
      break;
    case Fault::kDownloadCut:
      downloadCut_ = n;
      break;
    case Fault::kOverheated:
      s.overheated = on;
      break;
    case Fault::kLowVoltage:
      s.lowVoltage = on;
      break;
  }
  SaveLocked();
}

void SimServer::ClearFaults() {
  for (Fault f : {Fault::kPaperOut, Fault::kBusy, Fault::kNoAnswer, Fault::kClockNotSet,
                  Fault::kClockIncorrect, Fault::kClockHardware, Fault::kFmMissing,
                  Fault::kFmFaulty, Fault::kReportOverflow, Fault::kNack, Fault::kRepeat,
                  Fault::kBadChecksum, Fault::kWrongSeq, Fault::kWrongCmd, Fault::kGarbageFirstByte,
                  Fault::kZeroByte, Fault::kDownloadCut, Fault::kOverheated, Fault::kLowVoltage})
    Inject(f, 0);
  std::lock_guard<std::mutex> lock(mu_);
  busyUntilMs_ = 0;
}

bool SimServer::Busy() {
  std::lock_guard<std::mutex> lock(mu_);
  return busy_ || NowMs() < busyUntilMs_;
}

// True when the host set the line to the device's speed.
bool SimServer::LineMatches() {
  termios t{};
  const int fd = slave_ >= 0 ? slave_ : master_;
  if (::tcgetattr(fd, &t) != 0) return true;
  return ::cfgetospeed(&t) == TermiosSpeed(opt_.baud);
}

std::string SimServer::Encode(const SimDevice::Reply& r, uint8_t seq, uint8_t cmd) {
  uint8_t outSeq = seq, outCmd = cmd;
  if (wrongSeq_ > 0) {
    --wrongSeq_;
    outSeq = seq == 0xFF ? 0x20 : static_cast<uint8_t>(seq + 1);
  }
  if (r.data && wrongCmd_ > 0) {
    --wrongCmd_;
    outCmd = static_cast<uint8_t>(cmd ^ 0x01);
  }
  std::string payload = r.payload;
  // A reply never carries a zero byte: the host reads replies as C strings.
  for (char& c : payload)
    if (c == 0) c = ' ';
  std::string bytes =
      r.data ? simwire::DataReply(outSeq, outCmd, payload) : simwire::AckReply(outSeq, payload);
  if (badChecksum_ > 0) {
    --badChecksum_;
    bytes[bytes.size() - 2] ^= 0x01;
  }
  if (zeroByte_ > 0) {
    --zeroByte_;
    bytes[2] = 0;
  }
  if (garbage_ > 0) {
    --garbage_;
    bytes[0] = static_cast<char>(0xA5);
  }
  std::string stream = r.stream;
  if (!stream.empty() && downloadCut_ > 0) {
    --downloadCut_;
    stream = stream.substr(0, stream.size() / 2);
  }
  return bytes + stream;
}

std::string SimServer::OnFrame(uint8_t seq, uint8_t cmd, const std::string& data) {
  std::lock_guard<std::mutex> lock(mu_);
  ++frames_;
  if (nack_ > 0) {
    --nack_;
    return std::string(1, static_cast<char>(simwire::kNack));
  }
  if (repeat_ > 0) {
    --repeat_;
    return std::string(1, static_cast<char>(simwire::kRepeat));
  }
  const int64_t now = NowMs();
  // A host resends only while it is still waiting for this reply: soon after
  // it, and on the line it had open then. A new session's host starts its
  // block numbers afresh and may well begin with the same command.
  if (haveLast_ && seq == lastSeq_ && cmd == lastCmd_ && data == lastData_ &&
      now <= lastReplyMs_ + opt_.resendWindowMs) {
    lastReplyMs_ = now;
    return Encode(lastReply_, seq, cmd);
  }
  const SimDevice::Reply r = device_.Execute(cmd, data);
  const int64_t busyMs = r.busyMs > 0 ? r.busyMs : 0;
  if (busyMs > 0) busyUntilMs_ = now + busyMs;
  if (!SimDevice::IsRead(cmd)) {
    writes_.push_back({cmd, data});
    haveLast_ = true;
    lastSeq_ = seq;
    lastCmd_ = cmd;
    lastData_ = data;
    lastReply_ = r;
    // The host cannot resend before the printing is over.
    lastReplyMs_ = now + busyMs;
    SaveLocked();
  } else {
    haveLast_ = false;
  }
  return Encode(r, seq, cmd);
}

std::vector<SimServer::Written> SimServer::Writes() const {
  std::lock_guard<std::mutex> lock(mu_);
  return writes_;
}

void SimServer::NoteOpens() {
  if (opens_ < 0) return;
  alignas(inotify_event) char events[1024];
  bool opened = false, closed = false;
  ssize_t n;
  while ((n = ::read(opens_, events, sizeof events)) > 0) {
    for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
      const auto* e = reinterpret_cast<const inotify_event*>(events + at);
      opened = opened || (e->mask & IN_OPEN) != 0;
      closed = closed || (e->mask & IN_CLOSE) != 0;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  // A host that set the line's exclusive flag and ended without clearing it
  // (killed, or an older build) would keep every ordinary user out while our
  // end stays open: the flag is the terminal's, not the host's descriptor's.
  // Hosts that share the line take turns by locking it, not by the flag.
  if (closed && slave_ >= 0) ::ioctl(slave_, TIOCNXCL);
  if (!opened) return;
  std::lock_guard<std::mutex> lock(mu_);
  haveLast_ = false;
}

void SimServer::Send(const std::string& bytes, bool garble) {
  std::string out = bytes;
  if (garble)
    for (char& c : out) c = static_cast<char>(Garble(static_cast<uint8_t>(c)));
  // Ten bits per byte on the line (start, eight data, stop). Paced by an
  // absolute schedule: byte i has left the line (i + 1) byte times after the
  // start, and whatever is due goes out in one write, so that sleeping late
  // never slows the line down. A one-byte answer of the handshake goes out at
  // once: the host waits only 3 ms for the echo, and the sleep's scheduling
  // delay, not the line, would make it miss it.
  const bool paced = opt_.realTiming && out.size() > 1;
  const std::chrono::nanoseconds byteTime(paced ? 10000000000LL / (opt_.baud > 0 ? opt_.baud : 9600)
                                                : 0);
  const auto start = std::chrono::steady_clock::now();
  size_t done = 0;
  int stalls = 0;
  while (done < out.size() && !stop_) {
    size_t due = out.size();
    if (paced) {
      due = std::min<size_t>(out.size(), (std::chrono::steady_clock::now() - start) / byteTime);
      if (due <= done) {
        std::this_thread::sleep_until(start + byteTime * static_cast<int64_t>(done + 1));
        continue;
      }
    }
    const ssize_t n = ::write(master_, out.data() + done, due - done);
    if (n > 0) {
      done += static_cast<size_t>(n);
      stalls = 0;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) return;
    // The host does not read: wait a while, then give the bytes up.
    pollfd p{master_, POLLOUT, 0};
    ::poll(&p, 1, 100);
    if (++stalls > 30) return;
  }
}

void SimServer::Run() {
  LineProtocol protocol(
      LineProtocol::Hooks{[this] { return Busy(); },
                          [this](uint8_t seq, uint8_t cmd, const std::string& data) {
                            return OnFrame(seq, cmd, data);
                          }});
  char buf[4096];
  while (!stop_) {
    pollfd p[3] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}, {opens_, POLLIN, 0}};
    if (::poll(p, 3, 200) <= 0) continue;
    if (p[1].revents) break;
    // A host opens the line before it writes, so its open is known before its
    // first byte is read.
    NoteOpens();
    if (!(p[0].revents & POLLIN)) {
      // No host on the line (or it hung up): avoid spinning.
      if (p[0].revents) ::usleep(20000);
      continue;
    }
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) continue;
    bool silent;
    {
      std::lock_guard<std::mutex> lock(mu_);
      silent = noAnswer_;
    }
    if (silent) continue;
    const bool garble = !LineMatches();
    for (ssize_t i = 0; i < n && !stop_; ++i) {
      uint8_t b = static_cast<uint8_t>(buf[i]);
      if (garble) b = Garble(b);
      const std::string out = protocol.Feed(b, NowMs());
      if (!out.empty()) Send(out, garble);
    }
  }
}
