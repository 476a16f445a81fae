#pragma once

#include <cstdint>
#include <functional>
#include <string>

// The device's reading of the byte stream from the host: the readiness
// handshake, command frames and the logo frame. Pure logic, no I/O: the server
// feeds every received byte and writes whatever Feed returns.
//
//  - 0x04 between frames is echoed; 0x05 is echoed when ready, answered with
//    simwire::kBusy while busy.
//  - STX starts a frame. A frame whose length byte is impossible, whose checksum
//    does not match or whose last byte is not 0x0A is answered with NACK.
//  - STX 0x5E SEQ 'L' is the logo frame: exactly 3902 raw bytes follow.
//  - A frame that stalls for more than kStallMs between two bytes is dropped
//    (the host gave up on it), and the stream is read afresh.
//  - Any other byte between frames is ignored.
class LineProtocol {
 public:
  static constexpr int64_t kStallMs = 2000;

  struct Hooks {
    // True while the device is busy (answers 0x05 with kBusy).
    std::function<bool()> busy;
    // Runs one valid frame and returns the bytes of the reply (possibly none).
    std::function<std::string(uint8_t seq, uint8_t cmd, const std::string& data)> execute;
  };

  explicit LineProtocol(Hooks hooks) : hooks_(std::move(hooks)) {}

  // One byte from the host, received at `nowMs` (any monotonic milliseconds).
  // Returns the bytes to send back.
  std::string Feed(uint8_t byte, int64_t nowMs);

  // True while a frame is being received.
  bool InFrame() const { return state_ != State::kIdle; }

 private:
  enum class State { kIdle, kLength, kBody, kLogo };
  std::string Finish();
  void Reset();

  Hooks hooks_;
  State state_ = State::kIdle;
  std::string frame_;  // bytes after STX
  size_t want_ = 0;    // bytes still expected
  int64_t lastMs_ = 0;
};
