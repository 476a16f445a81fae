// The whole reply path of Transact against a printer whose every answer comes
// from the input, with the user's answers from the input as well.
//
// Invariants: the frame goes out again only after a REPEAT or a "Повтори";
// what comes back is a DATA field or an ACK code the printer sent (unless it
// sent free-form bytes), never longer than a reply can carry; the block number
// stays in 0x20..0xFF and advances exactly once for each accepted reply.
#include <cstdint>

#include "fuzz/fuzz_device.h"
#include "link/frame.h"
#include "link/printer_link.h"

namespace {

LinkTimeouts Tiny() {
  LinkTimeouts t;
  t.checkLink = 1;
  t.linkSeries = 1;
  t.reply = 1;
  t.probeEcho = 1;
  t.drain = 1;
  t.readyEcho = 1;
  return t;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in(data, size);
  const uint8_t cmd = in.Byte();
  const std::string payload = in.Bytes(in.Byte() % 40);
  const int calls = 1 + in.Byte() % 3;
  FuzzDevice device(in, std::string(6, '\x80'), true);
  FuzzUi ui(in, device);
  PrinterLink link(&ui, 1);
  link.SetTimeouts(Tiny());
  for (int i = 0; i < calls; ++i) {
    const uint8_t before = link.Sequence();
    const size_t framesBefore = device.frames.size();
    const int resendsBefore = device.resends;
    const int repeatsBefore = device.repeats;
    const int retriesBefore = ui.retries;
    const std::string result = link.Transact(cmd, payload);

    Require(link.Sequence() >= Frame::kFirstSequence, "block number below 0x20");
    Require(result.size() <= 0xFF - 0x23, "reply longer than a frame can carry");
    Require(device.resends - resendsBefore <=
                (device.repeats - repeatsBefore) + (ui.retries - retriesBefore),
            "frame sent again without REPEAT or Повтори");
    if (device.frames.size() == framesBefore) Require(result.empty(), "reply without a frame");
    if (!result.empty()) {
      Require(device.freeForm || device.payloads.count(result) == 1,
              "returned text the printer never sent");
      Require(!link.LastReplyWasAck() || result.size() == 2, "ACK code not two characters");
      // Each accepted reply advances the block number once; a retried ACK
      // error may have advanced it before.
      Require(link.Sequence() != before || ui.retries != retriesBefore,
              "accepted reply did not advance the block number");
    }
    // A new call must not see an identical frame as a resend of the old one.
    device.frames.push_back(std::string());
  }
  return 0;
}
