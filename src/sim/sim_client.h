#pragma once

#include <cstdint>
#include <string>

// A minimal host end of the printer's frame protocol, for the simulator's own
// tests and the demo: open the line raw at a speed, probe, send frames, read
// replies. It reports what came back and never prompts or retries.
class SimClient {
 public:
  struct Reply {
    enum Kind { kTimeout, kAck, kData, kNack, kRepeat, kOther };
    Kind kind = kTimeout;
    uint8_t seq = 0;
    uint8_t cmd = 0;
    std::string code;  // ACK: the two-character code
    std::string data;  // data reply: DATA
    std::string raw;   // every byte of the reply as received
    bool checksumOk = false;
    bool ok() const { return (kind == kAck && code == "00") || kind == kData; }
  };

  // Opens `path` raw (8N1) at `baud`. IsOpen tells whether that worked.
  explicit SimClient(const std::string& path, int baud = 9600);
  ~SimClient();
  SimClient(const SimClient&) = delete;
  SimClient& operator=(const SimClient&) = delete;
  bool IsOpen() const { return fd_ >= 0; }

  // 0x04 then 0x05: the byte answered to 0x05, -1 when 0x04 is not echoed
  // within `timeoutMs`, -2 when 0x05 gets no answer.
  int Probe(int timeoutMs = 300);
  // Probes until ready (at most `waitMs`), then sends the frame and reads the
  // reply. A device that stays busy gives a Timeout reply.
  Reply Transact(uint8_t cmd, const std::string& data, int waitMs = 3000);
  // Sends the frame with the current block number and reads the reply; the
  // block number advances after an ACK or data reply whose SEQ matches.
  Reply Send(uint8_t cmd, const std::string& data, int timeoutMs = 3000);
  // The logo frame: STX 0x5E SEQ 'L' and the bytes as they are.
  Reply SendLogo(const std::string& bytes, int timeoutMs = 3000);
  // Reads a reply without sending anything.
  Reply ReadReply(int timeoutMs);

  void WriteRaw(const std::string& bytes);
  // Up to `n` bytes, waiting at most `timeoutMs` in all.
  std::string ReadRaw(size_t n, int timeoutMs);
  // Bytes up to and including `terminator`, or what came before a pause of
  // `timeoutMs`.
  std::string ReadUntil(char terminator, int timeoutMs);
  // Discards what arrives until the line is quiet for `ms`.
  void Drain(int ms);

  uint8_t Seq() const { return seq_; }
  void SetSeq(uint8_t s) { seq_ = s; }

 private:
  int ReadByte(int timeoutMs);
  // Writes a frame carrying seq_ and reads its reply, advancing seq_ as Send says.
  Reply SendFrame(const std::string& frame, int timeoutMs);
  int fd_ = -1;
  uint8_t seq_ = 0x20;
};
