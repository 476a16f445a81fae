#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/memory_line.h"
#include "fuzz/require.h"
#include "link/ui_host.h"

// A printer at the far end of MemoryLine whose every answer comes from the fuzz
// input: how it answers each readiness handshake, and what it replies to each
// frame (a good or damaged data reply or ACK, REPEAT, NACK, raw bytes, nothing).
// Once the input is used up it behaves: ready, status 0x20 answered with
// `status`, everything else ACK "00". It records what the invariants need.
class FuzzDevice {
 public:
  // `status`: the six status bytes of the well-behaved answer to 0x20;
  // `fuzzStatus` false answers 0x20 that way always, keeping the input for the
  // command under test.
  FuzzDevice(FuzzInput& in, std::string status, bool fuzzStatus);
  ~FuzzDevice();

  // A prompt was shown: the next probe starts a new handshake.
  void NewHandshake() { handshake_ = Handshake::kNone; }

  std::vector<std::string> frames;  // every frame received, whole
  int repeats = 0;                  // 0x0E bytes sent (each may be taken for a REPEAT)
  int resends = 0;                  // frames equal to the frame before them
  std::set<std::string> payloads;   // DATA of data replies and codes of ACKs sent
  bool freeForm = false;            // raw bytes or a damaged length were sent

 private:
  enum class Handshake { kNone, kReady, kSilent, kBusy, kNoise };
  void OnSend(const std::string& bytes);
  void OnFrame(const std::string& frame);
  void Emit(const std::string& bytes);
  std::string Reply(uint8_t seq, uint8_t cmd);

  FuzzInput& in_;
  std::string status_;
  bool fuzzStatus_;
  Handshake handshake_ = Handshake::kNone;
  std::string logoHeader_;
};

// Answers prompts from the fuzz input (then 2, as closing the window would) and
// counts the "Повтори" answers; the date and time dialog is set or cancelled.
class FuzzUi : public UiHost {
 public:
  FuzzUi(FuzzInput& in, FuzzDevice& device) : in_(in), device_(device) {}
  int ShowPrompt(const std::string& text, const std::string& caption, unsigned style,
                 int textStyle) override;
  int RunDateTimeDialog(const PrinterLine& line) override;

  int prompts = 0;
  int retries = 0;

 private:
  FuzzInput& in_;
  FuzzDevice& device_;
};
