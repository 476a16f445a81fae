// The frames of a recording and the replies played back: block numbers follow
// the host, recorded faults stay as they were, the logo is one frame.
#include <gtest/gtest.h>

#include "sim/session_replay.h"
#include "sim/sim_wire.h"

namespace {

RecordedChunk Sent(int64_t ms, const std::string& bytes) {
  return {ms, 1, true, bytes};
}
RecordedChunk Read(int64_t ms, const std::string& bytes) {
  return {ms, 1, false, bytes};
}

TEST(ReplaySteps, FramesWithTheRepliesReadInParts) {
  const std::string status = simwire::CommandFrame(0x20, 0x20, "");
  const std::string reply = simwire::DataReply(0x20, 0x20, "ABCDEF");
  const std::vector<RecordedChunk> chunks = {
      Sent(0, "\x04"),
      Read(1, "\x04"),
      Sent(2, "\x05"),
      Read(2, "\x05"),
      Sent(3, status),
      Read(40, reply.substr(0, 1)),
      Read(41, reply.substr(1, 1)),
      Read(45, reply.substr(2)),
      Sent(60, "\x04"),  // the next handshake: not part of the reply
      Read(61, "\x04"),
      Sent(62, simwire::CommandFrame(0x21, 0x31, "x")),
      Read(70, "\x0e"),  // REPEAT: the host sends the frame again
      Sent(71, simwire::CommandFrame(0x21, 0x31, "x")),
      Read(80, simwire::AckReply(0x21, "00")),
  };
  std::vector<ReplayStep> steps;
  std::string error;
  ASSERT_TRUE(BuildReplaySteps(chunks, steps, error)) << error;
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[0].cmd, 0x20);
  EXPECT_EQ(steps[0].data, "");
  EXPECT_EQ(steps[0].reply, reply);
  EXPECT_EQ(steps[0].replyDelayMs, 37);
  EXPECT_EQ(steps[1].reply, "\x0e");
  EXPECT_EQ(steps[2].data, "x");
  EXPECT_EQ(steps[2].reply, simwire::AckReply(0x21, "00"));

  EXPECT_FALSE(BuildReplaySteps({Sent(0, "\x04"), Read(1, "\x04")}, steps, error));
  EXPECT_EQ(error, "the recording holds no frame");
}

TEST(ReplaySteps, TheLogoHeaderAndItsBytesAreOneFrame) {
  const std::string logo(simwire::kLogoSize, '\x55');
  std::string header = "\x02\x5e\x2a";
  header += static_cast<char>(simwire::kLogoCommand);
  std::vector<ReplayStep> steps;
  std::string error;
  ASSERT_TRUE(BuildReplaySteps(
      {Sent(0, header), Sent(1, logo), Read(300, simwire::AckReply(0x2a, "00"))}, steps, error));
  ASSERT_EQ(steps.size(), 1u);
  EXPECT_EQ(steps[0].cmd, simwire::kLogoCommand);
  EXPECT_EQ(steps[0].data, logo);
  EXPECT_EQ(steps[0].reply, simwire::AckReply(0x2a, "00"));
}

TEST(ReplaySteps, RepliesTakeTheHostsBlockNumberUnlessTheRecordingHadAFault) {
  ReplayStep step;
  step.seq = 0x25;
  step.cmd = 0x21;
  const std::string stream = "report lines@";
  step.reply = simwire::DataReply(0x25, 0x21, "FS 1.0") + stream;
  EXPECT_EQ(RestampReply(step, 0x20), simwire::DataReply(0x20, 0x21, "FS 1.0") + stream);

  step.reply = simwire::AckReply(0x25, "01");
  EXPECT_EQ(RestampReply(step, 0xff), simwire::AckReply(0xff, "01"));

  const struct {
    const char* what;
    std::string reply;
  } kKept[] = {
      {"another block number", simwire::DataReply(0x26, 0x21, "FS")},
      {"a wrong checksum",
       [] {
         std::string r = simwire::DataReply(0x25, 0x21, "FS");
         r[r.size() - 2] ^= 1;
         return r;
       }()},
      {"an ACK with another block number", simwire::AckReply(0x30, "00")},
      {"a length beyond the bytes", std::string("\x02\x40\x25\x21", 4)},
      {"a length below the least", std::string("\x02\x10\x25\x21\x30\x30\x0a", 7)},
      {"NACK", "\x15"},
      {"nothing", ""},
  };
  for (const auto& k : kKept) {
    step.reply = k.reply;
    EXPECT_EQ(RestampReply(step, 0x20), k.reply) << k.what;
  }
}

// A recording cut off while the printer was answering never passes.
TEST(ReplaySteps, ARecordingThatEndsInTheMiddleOfAReplyIsCut) {
  const std::string data = simwire::DataReply(0x20, 0x20, "ABCDEF");
  const std::string ack = simwire::AckReply(0x21, "00");
  const struct {
    std::string reply;
    bool cut;
  } cases[] = {
      {data, false},
      {data.substr(0, data.size() - 1), true},
      {data.substr(0, 1), true},
      {ack, false},
      {ack.substr(0, 6), true},
      {"", false},      // a silent printer, as recorded
      {"\x15", false},  // NACK
      {"\x0e", false},  // REPEAT
  };
  for (const auto& c : cases) EXPECT_EQ(ReplyIsCut(c.reply), c.cut) << c.reply.size();
}

}  // namespace
