#pragma once

#include <cstdint>
#include <optional>
#include <string>

// Frame codec of the printer's serial protocol. Pure functions, no I/O.
//
// Command frame:  STX LEN SEQ CMD DATA CS1 CS2 0x0A, LEN = 0x23 + |DATA| (mod 256).
// Data reply:     STX LEN SEQ CMD DATA CS1 CS2 TERM (LEN - 0x1E bytes after LEN).
// ACK reply:      ACK SEQ E1 E2 CS1 CS2 TERM.
// The checksum is the XOR of LEN..DATA (for an ACK: SEQ E1 E2), written as two
// characters 0x30 + high nibble, 0x30 + low nibble.
namespace Frame {
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kLinkProbe = 0x04;
constexpr uint8_t kReadyProbe = 0x05;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kTerminator = 0x0A;
constexpr uint8_t kRepeat = 0x0E;
constexpr uint8_t kNack = 0x15;
constexpr uint8_t kFirstSequence = 0x20;
constexpr uint8_t kLogoCommand = 0x4C;
constexpr uint8_t kLogoLength = 0x5E;  // low byte of 3902 + 0x20
constexpr size_t kLogoSize = 3902;
constexpr size_t kMaxData = 0xFF - 0x23;  // the most data one command frame can carry

// Two checksum characters of `body`.
std::string Checksum(const std::string& body);
// A whole command frame.
std::string BuildCommand(uint8_t seq, uint8_t cmd, const std::string& data);
// The four header bytes of the logo frame; the 3902 data bytes follow as they are.
std::string BuildLogoHeader(uint8_t seq);
// The block number after `seq`: 0x20..0xFF, wrapping from 0xFF to 0x20.
uint8_t NextSequence(uint8_t seq);

// Device side, for the scripted fake device of the tests. The simulated printer
// does not use these: it has its own codec (sim/sim_wire.h).
std::string BuildDataReply(uint8_t seq, uint8_t cmd, const std::string& data);
std::string BuildAck(uint8_t seq, const std::string& code);

struct Command {
  uint8_t seq = 0;
  uint8_t cmd = 0;
  std::string data;
};
// Decodes one whole command frame (STX through terminator). Empty when the
// length byte, checksum or terminator does not match.
std::optional<Command> ParseCommand(const std::string& frame);
}  // namespace Frame
