// The simulated printer's reading of the line and the commands it runs: bytes
// from the input fed to its line protocol, every complete frame run by the
// device model.
//
// Invariants: every answer to a frame is one whole reply (an ACK, a data reply,
// NACK or REPEAT) with a valid checksum; nothing is answered outside a frame but
// the probe echoes.
#include <cstdint>

#include "fuzz/fuzz_input.h"
#include "fuzz/require.h"
#include "link/frame.h"
#include "sim/line_protocol.h"
#include "sim/sim_device.h"

namespace {

// Checks one answer of the device.
void CheckAnswer(const std::string& out) {
  if (out.empty()) return;
  const uint8_t first = static_cast<uint8_t>(out[0]);
  if (out.size() == 1) return;  // a probe echo, busy, NACK or REPEAT
  Require(first == Frame::kStx || first == Frame::kAck, "reply starts with STX or ACK");
  if (first == Frame::kAck) {
    Require(out.size() == 7, "ACK length");
    Require(Frame::Checksum(out.substr(1, 3)) == out.substr(4, 2), "ACK checksum");
    return;
  }
  const size_t len = static_cast<uint8_t>(out[1]);
  Require(len >= 0x23 && out.size() == len - 0x1E + 2, "data reply length");
  Require(Frame::Checksum(out.substr(1, out.size() - 4)) == out.substr(out.size() - 3, 2),
          "data reply checksum");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const bool factory = in.Byte() & 1;
  SimDevice device(factory ? SimDevice::FactoryState(42) : SimDevice::SampleState(42));
  device.SetReportBusyMs(0);
  LineProtocol line({[] { return false; },
                     [&device](uint8_t seq, uint8_t cmd, const std::string& d) {
                       const SimDevice::Reply r = device.Execute(cmd, d);
                       Require(r.payload.size() <= Frame::kMaxData || !r.data, "reply too long");
                       return r.data ? Frame::BuildDataReply(seq, cmd, r.payload)
                                     : Frame::BuildAck(seq, r.payload);
                     }});
  // Raw bytes exercise the frame parser; framed commands (the harness puts
  // length, checksum and terminator around them) reach every command handler.
  const bool framed = in.Byte() & 1;
  int64_t now = 0;
  uint8_t seq = Frame::kFirstSequence;
  while (!in.Empty()) {
    std::string bytes;
    if (framed) {
      const uint8_t cmd = in.Byte();
      bytes = Frame::BuildCommand(seq, cmd, in.Bytes(in.Byte() % 64));
      seq = Frame::NextSequence(seq);
    } else {
      bytes.assign(1, static_cast<char>(in.Byte()));
    }
    for (const char b : bytes) CheckAnswer(line.Feed(static_cast<uint8_t>(b), ++now));
  }
  return 0;
}
