// The frame codec: decoding any bytes as a command frame, and building frames.
//
// Invariants: a decoded frame builds back to the same bytes; checksum characters
// lie between '0' and '?'; a built frame decodes to what it was built from.
#include <cstdint>

#include "fuzz/require.h"
#include "link/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  if (const auto c = Frame::ParseCommand(bytes)) {
    Require(Frame::BuildCommand(c->seq, c->cmd, c->data) == bytes, "decoded frame rebuilds");
    Require(c->data.size() + 7 == bytes.size(), "decoded data length");
  }
  const std::string cs = Frame::Checksum(bytes);
  Require(cs.size() == 2 && cs[0] >= '0' && cs[0] <= '?' && cs[1] >= '0' && cs[1] <= '?',
          "checksum characters");
  if (size >= 2 && size - 2 <= Frame::kMaxData) {
    const std::string body = bytes.substr(2);
    const std::string frame = Frame::BuildCommand(data[0], data[1], body);
    const auto back = Frame::ParseCommand(frame);
    Require(back && back->seq == data[0] && back->cmd == data[1] && back->data == body,
            "built frame decodes");
    const std::string ack = Frame::BuildAck(data[0], body);
    Require(ack.size() == 7 && Frame::Checksum(ack.substr(1, 3)) == ack.substr(4, 2),
            "ACK checksum");
  }
  if (size && data[0] >= Frame::kFirstSequence) {
    const uint8_t next = Frame::NextSequence(data[0]);
    Require(next == (data[0] == 0xFF ? Frame::kFirstSequence : data[0] + 1), "next block number");
  }
  return 0;
}
