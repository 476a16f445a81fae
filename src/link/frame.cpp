#include "link/frame.h"

namespace Frame {

std::string Checksum(const std::string& body) {
  uint8_t x = 0;
  for (char c : body) x ^= static_cast<uint8_t>(c);
  std::string cs(2, '\0');
  cs[0] = static_cast<char>(0x30 + (x >> 4));
  cs[1] = static_cast<char>(0x30 + (x & 0x0F));
  return cs;
}

std::string BuildCommand(uint8_t seq, uint8_t cmd, const std::string& data) {
  std::string body;
  body += static_cast<char>(static_cast<uint8_t>(data.size() + 0x23));
  body += static_cast<char>(seq);
  body += static_cast<char>(cmd);
  body += data;
  return std::string(1, static_cast<char>(kStx)) + body + Checksum(body) +
         static_cast<char>(kTerminator);
}

std::string BuildLogoHeader(uint8_t seq) {
  std::string h;
  h += static_cast<char>(kStx);
  h += static_cast<char>(kLogoLength);
  h += static_cast<char>(seq);
  h += static_cast<char>(kLogoCommand);
  return h;
}

uint8_t NextSequence(uint8_t seq) {
  return seq >= 0xFF ? kFirstSequence : seq + 1;
}

std::string BuildDataReply(uint8_t seq, uint8_t cmd, const std::string& data) {
  return BuildCommand(seq, cmd, data);
}

std::string BuildAck(uint8_t seq, const std::string& code) {
  std::string body;
  body += static_cast<char>(seq);
  body += code.substr(0, 2);
  while (body.size() < 3) body += '0';
  return std::string(1, static_cast<char>(kAck)) + body + Checksum(body) +
         static_cast<char>(kTerminator);
}

std::optional<Command> ParseCommand(const std::string& frame) {
  if (frame.size() < 7 || static_cast<uint8_t>(frame[0]) != kStx) return std::nullopt;
  const uint8_t len = static_cast<uint8_t>(frame[1]);
  if (len < 0x23 || frame.size() != static_cast<size_t>(len - 0x23) + 7) return std::nullopt;
  if (static_cast<uint8_t>(frame.back()) != kTerminator) return std::nullopt;
  const std::string body = frame.substr(1, frame.size() - 4);
  if (Checksum(body) != frame.substr(frame.size() - 3, 2)) return std::nullopt;
  Command c;
  c.seq = static_cast<uint8_t>(frame[2]);
  c.cmd = static_cast<uint8_t>(frame[3]);
  c.data = frame.substr(4, frame.size() - 7);
  return c;
}

}  // namespace Frame
