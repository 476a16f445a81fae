#include "sim/line_protocol.h"

#include "sim/sim_wire.h"

using namespace simwire;

void LineProtocol::Reset() {
  state_ = State::kIdle;
  frame_.clear();
  want_ = 0;
}

std::string LineProtocol::Feed(uint8_t byte, int64_t nowMs) {
  if (state_ != State::kIdle && nowMs - lastMs_ > kStallMs) Reset();
  lastMs_ = nowMs;
  switch (state_) {
    case State::kIdle:
      if (byte == kLinkProbe) return std::string(1, static_cast<char>(kLinkProbe));
      if (byte == kReadyProbe) {
        const bool busy = hooks_.busy && hooks_.busy();
        return std::string(1, static_cast<char>(busy ? kBusy : kReadyProbe));
      }
      if (byte == kStx) {
        state_ = State::kLength;
        frame_.clear();
      }
      return {};
    case State::kLength:
      frame_ += static_cast<char>(byte);
      if (byte < 0x23) {
        // Shorter than an empty frame: nothing sensible can follow.
        Reset();
        return std::string(1, static_cast<char>(kNack));
      }
      state_ = State::kBody;
      want_ = byte - 0x1E;
      return {};
    case State::kBody:
      frame_ += static_cast<char>(byte);
      // The logo frame is recognised by its fixed length byte and command.
      if (frame_.size() == 3 && static_cast<uint8_t>(frame_[0]) == kLogoLength &&
          static_cast<uint8_t>(frame_[2]) == kLogoCommand) {
        state_ = State::kLogo;
        want_ = kLogoSize;
        return {};
      }
      if (--want_ > 0) return {};
      return Finish();
    case State::kLogo:
      frame_ += static_cast<char>(byte);
      if (--want_ > 0) return {};
      {
        const uint8_t seq = static_cast<uint8_t>(frame_[1]);
        std::string data = frame_.substr(3);
        Reset();
        return hooks_.execute ? hooks_.execute(seq, kLogoCommand, data) : std::string();
      }
  }
  return {};
}

std::string LineProtocol::Finish() {
  // frame_ = LEN SEQ CMD DATA CS1 CS2 TERM
  const std::string f = frame_;
  Reset();
  const size_t n = f.size();
  const std::string body = f.substr(0, n - 3);
  if (static_cast<uint8_t>(f[n - 1]) != kTerminator || f.substr(n - 3, 2) != Checksum(body))
    return std::string(1, static_cast<char>(kNack));
  const uint8_t seq = static_cast<uint8_t>(f[1]);
  const uint8_t cmd = static_cast<uint8_t>(f[2]);
  return hooks_.execute ? hooks_.execute(seq, cmd, body.substr(3)) : std::string();
}
