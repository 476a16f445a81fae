#include "fuzz/fuzz_device.h"

#include <algorithm>

#include "link/frame.h"

namespace {
constexpr uint8_t kStatusCommand = 0x20;
constexpr char kBusyAnswer = 0x11;
}  // namespace

FuzzDevice::FuzzDevice(FuzzInput& in, std::string status, bool fuzzStatus)
    : in_(in), status_(std::move(status)), fuzzStatus_(fuzzStatus) {
  MemoryLine::Instance().Reset();
  MemoryLine::Instance().onSend = [this](const std::string& b) { OnSend(b); };
  // A new port session starts its block numbers afresh: its first frame is
  // no resend of the last frame of the session before.
  MemoryLine::Instance().onOpen = [this] { frames.push_back(std::string()); };
}

FuzzDevice::~FuzzDevice() {
  MemoryLine::Instance().Reset();
}

void FuzzDevice::OnSend(const std::string& bytes) {
  std::string& out = MemoryLine::Instance().toHost;
  if (!logoHeader_.empty()) {  // the 3902 bytes after the logo header
    OnFrame(logoHeader_ + bytes);
    logoHeader_.clear();
    return;
  }
  if (bytes.size() == 1 && bytes[0] == Frame::kLinkProbe) {
    if (handshake_ == Handshake::kNone) {
      switch (in_.Byte() % 8) {
        case 5:
          handshake_ = Handshake::kSilent;
          break;
        case 6:
          handshake_ = Handshake::kBusy;
          break;
        case 7:
          handshake_ = Handshake::kNoise;
          break;
        default:
          handshake_ = Handshake::kReady;
      }
    }
    if (handshake_ == Handshake::kNoise)
      Emit(std::string(1, static_cast<char>(in_.Byte(Frame::kLinkProbe))));
    if (handshake_ == Handshake::kReady || handshake_ == Handshake::kBusy) out += bytes;
    return;
  }
  if (bytes.size() == 1 && bytes[0] == Frame::kReadyProbe) {
    if (handshake_ == Handshake::kReady) out += bytes;
    if (handshake_ == Handshake::kBusy) out += kBusyAnswer;
    handshake_ = Handshake::kNone;
    return;
  }
  if (bytes.size() == 4 && static_cast<uint8_t>(bytes[0]) == Frame::kStx &&
      static_cast<uint8_t>(bytes[1]) == Frame::kLogoLength &&
      static_cast<uint8_t>(bytes[3]) == Frame::kLogoCommand) {
    logoHeader_ = bytes;
    return;
  }
  if (!bytes.empty() && static_cast<uint8_t>(bytes[0]) == Frame::kStx) OnFrame(bytes);
}

void FuzzDevice::OnFrame(const std::string& frame) {
  handshake_ = Handshake::kNone;
  if (!frames.empty() && frames.back() == frame) ++resends;
  frames.push_back(frame);
  const uint8_t seq = static_cast<uint8_t>(frame[2]);
  const uint8_t cmd = static_cast<uint8_t>(frame[3]);
  Emit(Reply(seq, cmd));
}

void FuzzDevice::Emit(const std::string& bytes) {
  // Any 0x0E may be read as a REPEAT where the host expects a reply to start
  // (stray bytes of a damaged reply, raw bytes, noise).
  repeats +=
      static_cast<int>(std::count(bytes.begin(), bytes.end(), static_cast<char>(Frame::kRepeat)));
  MemoryLine::Instance().toHost += bytes;
}

std::string FuzzDevice::Reply(uint8_t seq, uint8_t cmd) {
  const bool status = cmd == kStatusCommand;
  if (in_.Empty() || (status && !fuzzStatus_)) {
    const std::string data = status ? status_ : std::string();
    payloads.insert(status ? data : "00");
    return status ? Frame::BuildDataReply(seq, cmd, data) : Frame::BuildAck(seq, "00");
  }
  const uint8_t kind = in_.Byte() % 10;
  switch (kind) {
    case 0:
    case 1: {  // a good data reply
      const std::string data = in_.Bytes(in_.Byte() % 96);
      payloads.insert(data);
      return Frame::BuildDataReply(seq, cmd, data);
    }
    case 2: {  // a good ACK
      std::string code = in_.Bytes(2);
      code.resize(2, '0');
      payloads.insert(code);
      return Frame::BuildAck(seq, code);
    }
    case 3:
      return std::string(1, static_cast<char>(Frame::kRepeat));
    case 4:
      return std::string(1, static_cast<char>(Frame::kNack));
    case 5:
      freeForm = true;
      return in_.Bytes(in_.Byte() % 24);
    case 6:
      return std::string();
    case 7:
    case 8: {  // a damaged reply: block number, command, checksum, terminator, length
      const uint8_t damage = in_.Byte();
      const bool data = kind == 7;
      std::string payload = data ? in_.Bytes(in_.Byte() % 96) : in_.Bytes(2);
      if (!data) payload.resize(2, '0');
      payloads.insert(payload);
      std::string r =
          data ? Frame::BuildDataReply(seq, cmd, payload) : Frame::BuildAck(seq, payload);
      if (damage & 1) r[data ? 2 : 1] = static_cast<char>(in_.Byte());
      if (data && (damage & 2)) r[3] = static_cast<char>(in_.Byte());
      if (damage & 4) r[r.size() - 2] = static_cast<char>(in_.Byte());
      if (damage & 8) r.back() = static_cast<char>(in_.Byte());
      if (data && (damage & 16)) {
        r[1] = static_cast<char>(in_.Byte());
        freeForm = true;
      }
      if (damage & 32) r.resize(r.size() - 1 - in_.Byte() % 4);  // cut short
      return r;
    }
    default: {  // a good data reply ending in a zero byte
      const std::string data = in_.Bytes(in_.Byte() % 32);
      payloads.insert(data);
      std::string r = Frame::BuildDataReply(seq, cmd, data);
      r.back() = '\0';
      return r;
    }
  }
}

int FuzzUi::ShowPrompt(const std::string&, const std::string&, unsigned, int) {
  static constexpr int kAnswers[] = {2, 3, 4, 5, 0, 1, 6, 7, 10};
  ++prompts;
  device_.NewHandshake();
  const int answer = in_.Empty() ? 2 : kAnswers[in_.Byte() % 9];
  if (answer == 4) ++retries;
  return answer;
}

int FuzzUi::RunDateTimeDialog(const PrinterLine&) {
  return in_.Byte() % 2 ? 1 : 2;
}
