#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// A scripted device at the far end of a real pseudo-terminal, for tests of the
// link and the driver. It answers exactly as the test says and records every
// byte and every frame the host sent.
//
// Handshake: 0x04 is echoed and 0x05 answered with 0x05 (ready) unless told
// otherwise. Each complete command frame is recorded and answered with the next
// queued reply for its command byte, else the handler, else the default reply:
// the status command 0x20 answers the status of SetStatus/SetFlag (by default a
// fiscalized printer in working order: factory numbers written, prices with
// decimals, nothing open, nothing unzeroed), everything else ACK "00".
// A frame with a bad checksum, length or terminator is answered with NACK.
class FakeDevice {
 public:
  // One reply to one command frame.
  struct Reply {
    enum class Kind { kAck, kData, kNack, kRepeat, kRaw, kSilence, kCloseLine };
    Kind kind = Kind::kAck;
    std::string payload;                  // the ACK code, the reply data, or raw bytes
    std::optional<uint8_t> seq;           // overrides the echoed block number
    std::optional<uint8_t> cmd;           // overrides the echoed command byte
    std::optional<std::string> checksum;  // overrides the two checksum characters
    std::string after;  // raw bytes sent right after the reply (a download stream)

    static Reply Ack(const std::string& code = "00");
    static Reply Data(const std::string& data);
    static Reply Nack();
    static Reply Repeat();
    static Reply Raw(const std::string& bytes);
    static Reply Silence();
    static Reply CloseLine();  // closes the device's end of the line
    Reply WithSeq(uint8_t s) const;
    Reply WithCmd(uint8_t c) const;
    Reply WithChecksum(const std::string& cs) const;
    Reply Then(const std::string& raw) const;
  };

  enum class Probe {
    kReady,   // echo 0x04, answer 0x05 with 0x05
    kBusy,    // echo 0x04, answer 0x05 with another byte
    kSilent,  // no answer to 0x04
  };

  struct ReceivedFrame {
    uint8_t seq;
    uint8_t cmd;
    std::string data;
  };

  FakeDevice();
  ~FakeDevice();
  FakeDevice(const FakeDevice&) = delete;
  FakeDevice& operator=(const FakeDevice&) = delete;

  // Path of the host's end (/dev/pts/N). Map a COM number to it with PortMap.
  // On Windows there are no pseudo-terminals: the device and the host use the
  // two ends of a linked pair of COM ports named by FS_TEST_COM_PAIR="HOST,DEVICE"
  // (scripts/test-windows links them under Wine), and Path() is the host's end.
  const std::string& Path() const { return path_; }

  void SetProbe(Probe p);
  // Switches the probe to `p` once a frame with command `cmd` has been
  // answered (a printer that stops answering after a report, say).
  void SetProbeAfter(uint8_t cmd, Probe p);
  // Replies for the next frames with this command byte, in order.
  void Queue(uint8_t cmd, Reply reply);
  // Replies for the next frames whatever their command byte, before any queue.
  void QueueAny(Reply reply);
  // Answers frames that have no queued reply. The default handler answers the
  // status command 0x20 with the status bytes of SetStatus and ACK "00" otherwise.
  void SetHandler(std::function<Reply(const ReceivedFrame&)> handler);
  // The last byte of every ACK and data reply (0x0A unless told otherwise).
  void SetReplyTerminator(uint8_t b);
  // A line that keeps talking: while `bytes` is not empty the device sends
  // them over and over, all of them about every millisecond, besides its answers.
  void SetChatter(const std::string& bytes);
  // The six status bytes the default handler returns (bit 7 set on each).
  void SetStatus(const std::string& sixBytes);
  // Sets or clears one of the 32 status flags in the default status reply.
  void SetFlag(int flag, bool on);
  static std::string StatusBytes(const std::vector<int>& flagsSet);

  // Everything received so far.
  std::vector<ReceivedFrame> Frames() const;
  std::vector<uint8_t> Commands() const;  // command bytes of Frames(), in order
  std::string RawReceived() const;
  int ProbeCount() const;  // 0x04 bytes received
  void ClearRecords();

  // The speed the host last set on the line (termios of the pseudo-terminal);
  // 0 on Windows, where the linked pair does not carry it across.
  int LineBaud() const;

  // Tells the port number to map: maps `port` to Path() in PortMap.
  void MapTo(int port);

 private:
  void Run();
  void HandleByte(uint8_t b);
  void Answer(const ReceivedFrame& f);
  void Write(const std::string& bytes);
  void CloseDeviceEnd();  // the line goes dead for the host

#ifdef _WIN32
  void* line_ = nullptr;  // HANDLE of the device's COM port
#endif
  int master_ = -1;
  int slave_ = -1;  // kept open so that the line survives the host's close
  std::string path_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  int wake_[2] = {-1, -1};

  mutable std::mutex mu_;
  Probe probe_ = Probe::kReady;
  std::optional<std::pair<uint8_t, Probe>> probeAfter_;
  std::deque<Reply> anyQueue_;
  std::vector<std::deque<Reply>> queues_{256};
  std::function<Reply(const ReceivedFrame&)> handler_;
  std::string status_;
  std::vector<ReceivedFrame> frames_;
  std::string raw_;
  int probes_ = 0;
  std::string pending_;  // bytes of a frame being received
  bool lineClosed_ = false;
  char terminator_ = '\x0A';
  std::string chatter_;
};
