#include "driver/line_trace.h"

#include <ctime>

#include "driver/text.h"
#include "link/frame.h"

namespace {

std::string Hex(const std::string& bytes) {
  std::string s;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) s += ' ';
    s += Sprintf("%02x", static_cast<unsigned char>(bytes[i]));
  }
  return s;
}

std::string Printable(const std::string& bytes) {
  std::string s;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    s += (u >= 0x20 && u < 0x7F) ? c : '.';
  }
  return s;
}

uint8_t At(const std::string& s, size_t i) {
  return i < s.size() ? static_cast<uint8_t>(s[i]) : 0;
}

}  // namespace

std::string TraceTime(std::chrono::system_clock::time_point when) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count() % 1000;
  const std::time_t t = std::chrono::system_clock::to_time_t(when);
  std::tm tm{};
  localtime_r(&t, &tm);
  return Sprintf("%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms));
}

std::string TraceFormatter::Format(bool sent, const std::string& bytes,
                                   std::chrono::system_clock::time_point when) {
  const std::string what = Describe(sent, bytes);
  return TraceTime(when) + (sent ? " > " : " < ") + Hex(bytes) + "  |" + Printable(bytes) + "|  " +
         what;
}

std::string TraceFormatter::Describe(bool sent, const std::string& bytes) {
  const uint8_t first = At(bytes, 0);
  if (sent) {
    reply_.clear();
    if (bytes.size() == 1 && first == Frame::kLinkProbe) {
      state_ = State::kLinkProbe;
      return "link probe";
    }
    if (bytes.size() == 1 && first == Frame::kReadyProbe) {
      state_ = State::kReadyProbe;
      return "ready probe";
    }
    if (bytes.size() == 4 && first == Frame::kStx && At(bytes, 3) == Frame::kLogoCommand) {
      state_ = State::kIdle;  // the logo data follows before the reply
      return Sprintf("logo frame header seq=0x%02x", At(bytes, 2));
    }
    if (first == Frame::kStx) {
      state_ = State::kReply;
      if (const auto cmd = Frame::ParseCommand(bytes)) {
        return Sprintf("frame seq=0x%02x cmd=0x%02x data=%zu", cmd->seq, cmd->cmd,
                       cmd->data.size());
      }
      return "frame (malformed)";
    }
    state_ = State::kReply;
    return Sprintf("logo data, %zu bytes", bytes.size());
  }

  switch (state_) {
    case State::kLinkProbe:
      state_ = State::kIdle;
      return first == Frame::kLinkProbe && bytes.size() == 1 ? "link probe echo" : "stray bytes";
    case State::kReadyProbe:
      state_ = State::kIdle;
      return first == Frame::kReadyProbe && bytes.size() == 1 ? "ready" : "busy";
    case State::kReply:
      if (bytes.size() != 1) break;
      switch (first) {
        case Frame::kStx:
          state_ = State::kDataLength;
          reply_ = bytes;
          return "STX: data reply";
        case Frame::kAck:
          state_ = State::kAckRest;
          return "ACK";
        case Frame::kRepeat:
          return "REPEAT";
        case Frame::kNack:
          return "NACK";
        default:
          state_ = State::kIdle;
          return "unexpected start byte";
      }
    case State::kDataLength:
      state_ = State::kDataRest;
      reply_ += bytes;
      return Sprintf("LEN: %d bytes follow", static_cast<int>(first) - 0x1E);
    case State::kDataRest: {
      state_ = State::kIdle;
      reply_ += bytes;
      const size_t dataLen = reply_.size() >= 7 ? reply_.size() - 7 : 0;
      return Sprintf("data reply seq=0x%02x cmd=0x%02x data=%zu", first, At(bytes, 1), dataLen);
    }
    case State::kAckRest:
      state_ = State::kIdle;
      return Sprintf("ACK seq=0x%02x code=%c%c", first, At(bytes, 1), At(bytes, 2));
    case State::kIdle:
      break;
  }
  state_ = State::kIdle;
  return "stream";
}
