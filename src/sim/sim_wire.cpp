#include "sim/sim_wire.h"

namespace simwire {

std::string Checksum(const std::string& body) {
  uint8_t x = 0;
  for (unsigned char c : body) x ^= c;
  std::string cs;
  cs += static_cast<char>(0x30 + (x >> 4));
  cs += static_cast<char>(0x30 + (x & 0x0F));
  return cs;
}

std::string DataReply(uint8_t seq, uint8_t cmd, const std::string& data) {
  const std::string d = data.size() > kMaxData ? data.substr(0, kMaxData) : data;
  std::string body;
  body += static_cast<char>(0x23 + d.size());
  body += static_cast<char>(seq);
  body += static_cast<char>(cmd);
  body += d;
  return std::string(1, static_cast<char>(kStx)) + body + Checksum(body) +
         static_cast<char>(kTerminator);
}

std::string AckReply(uint8_t seq, const std::string& code) {
  std::string body;
  body += static_cast<char>(seq);
  body += code.size() >= 2 ? code.substr(0, 2) : (code + "00").substr(0, 2);
  return std::string(1, static_cast<char>(kAck)) + body + Checksum(body) +
         static_cast<char>(kTerminator);
}

std::string CommandFrame(uint8_t seq, uint8_t cmd, const std::string& data) {
  std::string body;
  body += static_cast<char>((0x23 + data.size()) & 0xFF);
  body += static_cast<char>(seq);
  body += static_cast<char>(cmd);
  body += data;
  return std::string(1, static_cast<char>(kStx)) + body + Checksum(body) +
         static_cast<char>(kTerminator);
}

}  // namespace simwire
