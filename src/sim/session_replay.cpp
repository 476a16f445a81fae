#include "sim/session_replay.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "sim/line_protocol.h"
#include "sim/sim_text.h"
#include "sim/sim_wire.h"
#include "sim/tty_line.h"

using namespace simtext;

namespace {

// The longest recorded wait that is played back: the host waits 3 s for a reply.
constexpr int64_t kMaxReplyDelayMs = 2500;

uint8_t At(const std::string& s, size_t i) {
  return i < s.size() ? static_cast<uint8_t>(s[i]) : 0;
}

// A frame's data as readable text: Windows-1251 shown as UTF-8, control bytes
// and quotes escaped, long data cut.
std::string Readable(const std::string& data) {
  constexpr size_t kShown = 80;
  std::string s;
  for (size_t i = 0; i < data.size() && i < kShown; ++i) {
    const auto c = static_cast<unsigned char>(data[i]);
    if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02x", c);
      s += buf;
    } else if (c == '"' || c == '\\') {
      s += '\\';
      s += static_cast<char>(c);
    } else {
      s += ToUtf8(std::string(1, static_cast<char>(c)));
    }
  }
  if (data.size() > kShown) s += "...";
  return s;
}

std::string Describe(uint8_t cmd, const std::string& data) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "cmd=0x%02x", cmd);
  return std::string(buf) + " data=\"" + Readable(data) + "\"";
}

bool IsFrame(const std::string& bytes) {
  return bytes.size() > 1 && At(bytes, 0) == simwire::kStx;
}

bool IsLogoHeader(const std::string& bytes) {
  return bytes.size() == 4 && At(bytes, 0) == simwire::kStx &&
         At(bytes, 1) == simwire::kLogoLength && At(bytes, 3) == simwire::kLogoCommand;
}

}  // namespace

bool BuildReplaySteps(const std::vector<RecordedChunk>& chunks, std::vector<ReplayStep>& steps,
                      std::string& error) {
  std::vector<ReplayStep> out;
  bool collecting = false;  // reading the reply of the last frame
  bool haveReply = false;
  int64_t frameMs = 0;
  for (size_t i = 0; i < chunks.size(); ++i) {
    const RecordedChunk& c = chunks[i];
    if (!c.sent) {
      if (!collecting) continue;  // handshake echoes, drained bytes
      if (!haveReply) out.back().replyDelayMs = std::max<int64_t>(0, c.ms - frameMs);
      haveReply = true;
      out.back().reply += c.bytes;
      continue;
    }
    collecting = false;
    ReplayStep step;
    if (IsLogoHeader(c.bytes)) {
      // The 3902 logo bytes follow in a write of their own.
      step.seq = At(c.bytes, 2);
      step.cmd = simwire::kLogoCommand;
      if (i + 1 < chunks.size() && chunks[i + 1].sent) step.data = chunks[++i].bytes;
    } else if (IsFrame(c.bytes)) {
      // STX LEN SEQ CMD DATA CS1 CS2 TERM
      if (c.bytes.size() < 7) continue;
      step.seq = At(c.bytes, 2);
      step.cmd = At(c.bytes, 3);
      step.data = c.bytes.substr(4, c.bytes.size() - 7);
    } else {
      continue;  // a probe
    }
    out.push_back(std::move(step));
    collecting = true;
    haveReply = false;
    frameMs = chunks[i].ms;
  }
  if (out.empty()) {
    error = "the recording holds no frame";
    return false;
  }
  steps = std::move(out);
  return true;
}

bool ReplyIsCut(const std::string& r) {
  constexpr size_t kAckSize = 7;         // ACK SEQ E1 E2 CS1 CS2 TERM
  constexpr uint8_t kLengthBase = 0x1E;  // LEN counts from here
  constexpr uint8_t kShortestLength = 0x23;
  if (r.empty()) return false;
  if (At(r, 0) == simwire::kAck) return r.size() < kAckSize;
  if (At(r, 0) != simwire::kStx) return false;
  if (r.size() < 2) return true;
  if (At(r, 1) < kShortestLength) return false;  // not a length: played as it was
  return static_cast<size_t>(At(r, 1)) - kLengthBase + 2 > r.size();
}

std::string RestampReply(const ReplayStep& step, uint8_t seq) {
  std::string r = step.reply;
  if (At(r, 0) == simwire::kStx && r.size() >= 2) {
    // STX LEN SEQ CMD DATA CS1 CS2 TERM, possibly followed by a report stream.
    const size_t n = static_cast<size_t>(At(r, 1)) - 0x1E + 2;
    if (At(r, 1) < 0x23 || n > r.size()) return r;
    const std::string body = r.substr(1, n - 4);
    if (At(r, 2) != step.seq || r.substr(n - 3, 2) != simwire::Checksum(body)) return r;
    r[2] = static_cast<char>(seq);
    const std::string cs = simwire::Checksum(r.substr(1, n - 4));
    r[n - 3] = cs[0];
    r[n - 2] = cs[1];
  } else if (At(r, 0) == simwire::kAck && r.size() >= 7) {
    // ACK SEQ E1 E2 CS1 CS2 TERM
    if (At(r, 1) != step.seq || r.substr(4, 2) != simwire::Checksum(r.substr(1, 3))) return r;
    r[1] = static_cast<char>(seq);
    const std::string cs = simwire::Checksum(r.substr(1, 3));
    r[4] = cs[0];
    r[5] = cs[1];
  }
  return r;
}

SessionReplay::SessionReplay(std::vector<ReplayStep> steps, const ReplayOptions& options)
    : steps_(std::move(steps)), options_(options) {
  PtyPair pty = OpenPtyPair(9600);
  master_ = pty.master;
  slave_ = pty.slave;
  path_ = std::move(pty.path);
}

SessionReplay::~SessionReplay() {
  for (int fd : {master_, slave_})
    if (fd >= 0) ::close(fd);
}

std::string SessionReplay::OnFrame(uint8_t seq, uint8_t cmd, const std::string& data) {
  const std::string nack(1, static_cast<char>(simwire::kNack));
  if (failed_) return nack;
  const int number = static_cast<int>(next_) + 1;
  const int total = static_cast<int>(steps_.size());
  if (next_ >= steps_.size()) {
    failed_ = true;
    difference_ = "replay: the host sent frame " + std::to_string(number) + ", beyond the " +
                  std::to_string(total) + " recorded: " + Describe(cmd, data);
    return nack;
  }
  const ReplayStep& step = steps_[next_];
  if (cmd != step.cmd || data != step.data) {
    failed_ = true;
    std::string where;
    if (cmd != step.cmd) {
      where = "in its command";
    } else {
      size_t i = 0;
      while (i < data.size() && i < step.data.size() && data[i] == step.data[i]) ++i;
      where = "at data byte " + std::to_string(i + 1);
    }
    difference_ = "replay: frame " + std::to_string(number) + " of " + std::to_string(total) +
                  " differs " + where + ": expected " + Describe(step.cmd, step.data) + ", got " +
                  Describe(cmd, data);
    return nack;
  }
  ++next_;
  if (options_.realTiming && step.replyDelayMs > 0)
    std::this_thread::sleep_for(
        std::chrono::milliseconds(std::min(step.replyDelayMs, kMaxReplyDelayMs)));
  return RestampReply(step, seq);
}

ReplayResult SessionReplay::Run(const std::atomic<bool>& stop) {
  LineProtocol protocol(LineProtocol::Hooks{
      [] { return false; }, [this](uint8_t seq, uint8_t cmd,
                                   const std::string& data) { return OnFrame(seq, cmd, data); }});
  ReplayResult result;
  result.total = static_cast<int>(steps_.size());
  int64_t lastActivity = MonotonicMs();
  char buf[4096];
  while (!stop) {
    const int64_t now = MonotonicMs();
    const bool done = next_ >= steps_.size();
    if (failed_) break;
    if (done && now - lastActivity >= options_.settleMs) break;
    if (!done && now - lastActivity >= options_.idleTimeoutMs) break;
    pollfd p{master_, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    if (!(p.revents & POLLIN)) {
      ::usleep(20000);  // no host on the line
      continue;
    }
    const ssize_t n = ::read(master_, buf, sizeof buf);
    if (n <= 0) continue;
    lastActivity = MonotonicMs();
    for (ssize_t i = 0; i < n; ++i) {
      const std::string out = protocol.Feed(static_cast<uint8_t>(buf[i]), MonotonicMs());
      size_t done = 0;
      int stalls = 0;
      while (done < out.size() && stalls < 50) {
        const ssize_t w = ::write(master_, out.data() + done, out.size() - done);
        if (w > 0) {
          done += static_cast<size_t>(w);
          continue;
        }
        if (w < 0 && errno == EINTR) continue;
        pollfd o{master_, POLLOUT, 0};
        ::poll(&o, 1, 20);
        ++stalls;
      }
    }
    lastActivity = MonotonicMs();
  }
  result.matched = static_cast<int>(std::min(next_, steps_.size()));
  if (failed_) {
    result.message = difference_;
  } else if (next_ >= steps_.size() && ReplyIsCut(steps_.back().reply)) {
    char cmd[16];
    std::snprintf(cmd, sizeof cmd, "cmd=0x%02x", steps_.back().cmd);
    result.message = "replay: the recording ends in the middle of the reply to frame " +
                     std::to_string(result.total) + " (" + cmd +
                     "): the recorded host cannot have finished";
  } else if (next_ >= steps_.size()) {
    result.ok = true;
    result.message = "replay: all " + std::to_string(result.total) + " frames matched";
  } else {
    result.message = "replay: the host stopped after " + std::to_string(result.matched) + " of " +
                     std::to_string(result.total) + " frames";
  }
  return result;
}
