#pragma once

#include <cstdint>
#include <string>

// The device's end of the frame protocol: control bytes, the checksum and the
// two reply forms. Pure functions, no I/O.
//
// This is deliberately not the link's codec (link/frame.h). The simulated
// printer stands in for the hardware when the driver is tested, so it must not
// share the driver's code for the bytes on the wire: a fault in one codec then
// shows up as a failed exchange instead of being agreed on by both ends. Keep
// the two written independently from the protocol description below.
//
// Command frame (host to device): STX LEN SEQ CMD DATA CS1 CS2 0x0A with
// LEN = 0x23 + |DATA| (mod 256); the logo frame is STX 0x5E SEQ 'L' followed by
// exactly 3902 raw bytes, no checksum and no terminator.
// Data reply: STX LEN SEQ CMD DATA CS1 CS2 TERM. ACK reply: ACK SEQ E1 E2 CS1 CS2 TERM.
// The checksum is the XOR of the body (LEN..DATA, or SEQ E1 E2 for an ACK),
// written as 0x30 + high nibble, 0x30 + low nibble.
namespace simwire {
constexpr uint8_t kStx = 0x02;
constexpr uint8_t kLinkProbe = 0x04;
constexpr uint8_t kReadyProbe = 0x05;
constexpr uint8_t kAck = 0x06;
constexpr uint8_t kTerminator = 0x0A;
constexpr uint8_t kRepeat = 0x0E;
constexpr uint8_t kNack = 0x15;
// The answer to the ready probe while the device is busy.
constexpr uint8_t kBusy = 0x11;
constexpr uint8_t kLogoCommand = 0x4C;
constexpr uint8_t kLogoLength = 0x5E;
constexpr size_t kLogoSize = 3902;
// Largest data field a length byte can describe (0x23 + 220 = 0xFF).
constexpr size_t kMaxData = 0xFF - 0x23;

std::string Checksum(const std::string& body);
// `data` longer than kMaxData is cut: a reply must stay describable by its LEN.
std::string DataReply(uint8_t seq, uint8_t cmd, const std::string& data);
std::string AckReply(uint8_t seq, const std::string& code);
// A whole command frame, as a host builds it (used by the test client).
std::string CommandFrame(uint8_t seq, uint8_t cmd, const std::string& data);
}  // namespace simwire
