#pragma once

#include <chrono>
#include <string>

// Turns the bytes crossing the serial line into readable trace lines:
//   12:04:31.207 > 02 23 20 20 32 33 0a  |.# 23.|  frame seq=0x20 cmd=0x20 data=0
// '>' is sent, '<' received; the bytes in hexadecimal, then as printable ASCII
// ('.' for anything else), then what they are in the protocol. It follows the
// conversation (probe, handshake, frame, reply) to name each piece, since the
// link reads a reply in several parts.
class TraceFormatter {
 public:
  // One line (no line break) for one write or one read.
  std::string Format(bool sent, const std::string& bytes,
                     std::chrono::system_clock::time_point when);

 private:
  std::string Describe(bool sent, const std::string& bytes);

  enum class State {
    kIdle,        // nothing expected: drained bytes or a report stream
    kLinkProbe,   // 0x04 sent, its echo expected
    kReadyProbe,  // 0x05 sent, 0x05 expected when ready
    kReply,       // a frame sent, the first byte of the reply expected
    kDataLength,  // STX received, LEN expected
    kDataRest,    // LEN received, the rest of the data reply expected
    kAckRest,     // ACK received, its six bytes expected
  };
  State state_ = State::kIdle;
  std::string reply_;  // the data reply read so far
};

// Time of day with milliseconds, local: "12:04:31.207".
std::string TraceTime(std::chrono::system_clock::time_point when);
