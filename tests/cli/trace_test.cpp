#include "driver/line_trace.h"

#include <gtest/gtest.h>

#include "link/frame.h"

namespace {

// The protocol name at the end of a trace line.
std::string What(TraceFormatter& f, bool sent, const std::string& bytes) {
  const std::string line = f.Format(sent, bytes, std::chrono::system_clock::now());
  const size_t bar = line.rfind("|  ");
  return bar == std::string::npos ? line : line.substr(bar + 3);
}

TEST(CliTrace, FollowsAConversation) {
  TraceFormatter f;
  const std::string frame = Frame::BuildCommand(0x20, 0x20, "");
  const std::string reply = Frame::BuildDataReply(0x20, 0x20, "ABCDEF");
  const std::string ack = Frame::BuildAck(0x21, "00");

  const std::pair<bool, std::string> steps[] = {
      {true, "\x04"},
      {false, "\x04"},
      {true, "\x05"},
      {false, "\x05"},
      {true, frame},
      {false, reply.substr(0, 1)},
      {false, reply.substr(1, 1)},
      {false, reply.substr(2)},
      {true, "\x05"},
      {false, "\x11"},
      {true, Frame::BuildCommand(0x21, 0x2B, "")},
      {false, "\x0e"},
      {true, Frame::BuildCommand(0x21, 0x2B, "")},
      {false, "\x06"},
      {false, ack.substr(1)},
  };
  const char* want[] = {
      "link probe",
      "link probe echo",
      "ready probe",
      "ready",
      "frame seq=0x20 cmd=0x20 data=0",
      "STX: data reply",
      "LEN: 11 bytes follow",
      "data reply seq=0x20 cmd=0x20 data=6",
      "ready probe",
      "busy",
      "frame seq=0x21 cmd=0x2b data=0",
      "REPEAT",
      "frame seq=0x21 cmd=0x2b data=0",
      "ACK",
      "ACK seq=0x21 code=00",
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    EXPECT_EQ(What(f, steps[i].first, steps[i].second), want[i]) << i;
  }
}

TEST(CliTrace, LineShowsTimeDirectionHexAndPrintable) {
  TraceFormatter f;
  const std::string line =
      f.Format(true, Frame::BuildCommand(0x20, 0x20, ""), std::chrono::system_clock::now());
  // hh:mm:ss.mmm > 02 23 20 20 32 33 0a  |.#  23.|  frame ...
  ASSERT_GT(line.size(), 13u);
  EXPECT_EQ(line[2], ':');
  EXPECT_EQ(line[8], '.');
  EXPECT_EQ(line.substr(12, 26), " > 02 23 20 20 32 33 0a  |");
  EXPECT_NE(line.find("|.#  23.|"), std::string::npos) << line;
}

}  // namespace
