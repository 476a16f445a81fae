#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "link/line_recording.h"

// Plays the printer's side of a recorded session (fiscal-cli --record) back to
// a host on a pseudo-terminal, and checks that the host sends the same frames.
//
// Frames are compared as the printer reads them: command byte and data must be
// the same, byte for byte; the block number is not compared, because it counts
// the host's objects and retries rather than what it asks for. The recorded
// reply goes back with the host's block number (and its checksum made anew),
// unless the recorded reply itself carried another block number or a wrong
// checksum: such a fault is played back as it was. The handshake is answered
// at once (0x04 echoed, 0x05 answered ready) whatever was recorded, and the
// line speed is not checked.
//
// The first frame that differs is answered with NACK and ends the replay.

// One frame of the recorded session and the printer's answer to it.
struct ReplayStep {
  uint8_t seq = 0;
  uint8_t cmd = 0;
  std::string data;
  std::string reply;         // every byte the printer sent until the host's next write
  int64_t replyDelayMs = 0;  // from the frame to the first byte of the reply
};

// Picks the frames and their replies out of a recording. Returns false with a
// message when it holds no frame.
bool BuildReplaySteps(const std::vector<RecordedChunk>& chunks, std::vector<ReplayStep>& steps,
                      std::string& error);

// Whether a recorded reply stops in the middle of a frame: an acknowledgement
// or data frame whose bytes end before its length says (a recording cut off
// while the printer was answering). No reply at all is a silent printer, and
// a byte that is not a frame's start is played as it was: neither is cut.
bool ReplyIsCut(const std::string& reply);

// The recorded reply with block number `seq` in place of the recorded one (see
// above).
std::string RestampReply(const ReplayStep& step, uint8_t seq);

struct ReplayOptions {
  bool realTiming = false;    // wait the recorded time before each reply (at most 2.5 s)
  int idleTimeoutMs = 20000;  // a host silent this long has stopped
  int settleMs = 300;         // after the last frame: quiet this long ends the replay
};

struct ReplayResult {
  bool ok = false;
  int matched = 0;      // frames that matched
  int total = 0;        // frames recorded
  std::string message;  // one line, UTF-8, e.g. "replay: all 7 frames matched"
};

class SessionReplay {
 public:
  // Creates the pseudo-terminal. Throws std::runtime_error when it cannot.
  SessionReplay(std::vector<ReplayStep> steps, const ReplayOptions& options);
  ~SessionReplay();
  SessionReplay(const SessionReplay&) = delete;
  SessionReplay& operator=(const SessionReplay&) = delete;

  // The host's end of the line.
  const std::string& Path() const { return path_; }

  // Serves the host until every frame has been matched (and the line has been
  // quiet for the settle time), a frame differs, the host stops, or `stop`
  // becomes true. Call once. A recording whose last reply is cut (ReplyIsCut)
  // never passes: its host cannot have finished as recorded.
  ReplayResult Run(const std::atomic<bool>& stop);

 private:
  std::string OnFrame(uint8_t seq, uint8_t cmd, const std::string& data);

  std::vector<ReplayStep> steps_;
  ReplayOptions options_;
  std::string path_;
  int master_ = -1;
  int slave_ = -1;
  size_t next_ = 0;
  bool failed_ = false;
  std::string difference_;
};
