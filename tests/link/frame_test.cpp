#include "link/frame.h"

#include <gtest/gtest.h>

namespace {

std::string Bytes(std::initializer_list<int> b) {
  std::string s;
  for (int c : b) s += static_cast<char>(c);
  return s;
}

TEST(FrameCodec, BuildsCommandFrames) {
  struct Row {
    uint8_t seq, cmd;
    std::string data;
    std::string expected;
  };
  const Row rows[] = {
      // The first status read of a new driver: XOR of 23 20 20 is 0x23 -> "23".
      {0x20, 0x20, "", Bytes({0x02, 0x23, 0x20, 0x20, 0x32, 0x33, 0x0A})},
      // 0x23 ^ 0x41 ^ 0x21 = 0x43 -> "4" "3".
      {0x41, 0x21, "", Bytes({0x02, 0x23, 0x41, 0x21, 0x34, 0x33, 0x0A})},
      {0x2F, 0x7C, "Z",
       Bytes({0x02, 0x24, 0x2F, 0x7C, 'Z', 0x30 + ((0x24 ^ 0x2F ^ 0x7C ^ 'Z') >> 4),
              0x30 + ((0x24 ^ 0x2F ^ 0x7C ^ 'Z') & 0xF), 0x0A})},
  };
  for (const Row& r : rows)
    EXPECT_EQ(Frame::BuildCommand(r.seq, r.cmd, r.data), r.expected) << int(r.cmd);
}

TEST(FrameCodec, LengthByteCountsData) {
  const std::string f = Frame::BuildCommand(0x20, 0x31, std::string(200, 'a'));
  EXPECT_EQ(static_cast<uint8_t>(f[1]), 0xEB);
  EXPECT_EQ(f.size(), 207u);
  EXPECT_EQ(static_cast<uint8_t>(f.back()), 0x0A);
}

TEST(FrameCodec, ChecksumCharactersStayInRange) {
  for (int x = 0; x < 256; ++x) {
    const std::string cs = Frame::Checksum(std::string(1, static_cast<char>(x)));
    ASSERT_EQ(cs.size(), 2u);
    EXPECT_EQ(cs[0], static_cast<char>(0x30 + (x >> 4)));
    EXPECT_EQ(cs[1], static_cast<char>(0x30 + (x & 0xF)));
    EXPECT_GE(cs[0], '0');
    EXPECT_LE(cs[1], '?');
  }
}

TEST(FrameCodec, AckAndDataRepliesRoundTrip) {
  const std::string ack = Frame::BuildAck(0x25, "01");
  ASSERT_EQ(ack.size(), 7u);
  EXPECT_EQ(ack[0], 0x06);
  EXPECT_EQ(ack.substr(1, 3),
            "\x25"
            "01");
  EXPECT_EQ(ack.substr(4, 2), Frame::Checksum("\x25"
                                              "01"));

  const auto parsed = Frame::ParseCommand(Frame::BuildDataReply(0x33, 'r', "1;002"));
  ASSERT_TRUE(parsed);
  EXPECT_EQ(parsed->seq, 0x33);
  EXPECT_EQ(parsed->cmd, 'r');
  EXPECT_EQ(parsed->data, "1;002");
}

TEST(FrameCodec, RejectsCorruptedFrames) {
  const std::string good = Frame::BuildCommand(0x20, 0x31, "abc");
  ASSERT_TRUE(Frame::ParseCommand(good));
  struct Row {
    const char* what;
    std::string frame;
  };
  std::string badCs = good;
  badCs[good.size() - 2] ^= 1;
  std::string badTerm = good;
  badTerm.back() = 0x0B;
  std::string badLen = good;
  badLen[1] = 0x27;
  std::string badStx = good;
  badStx[0] = 0x03;
  std::string shortLen = good;
  shortLen[1] = 0x10;
  const Row rows[] = {
      {"checksum", badCs}, {"terminator", badTerm},   {"length", badLen},
      {"start", badStx},   {"tiny length", shortLen}, {"truncated", good.substr(0, 5)},
      {"empty", ""},       {"one byte", "\x02"},
  };
  for (const Row& r : rows) EXPECT_FALSE(Frame::ParseCommand(r.frame)) << r.what;
}

TEST(FrameCodec, SequenceWrapsFromFFTo20) {
  EXPECT_EQ(Frame::NextSequence(0x20), 0x21);
  EXPECT_EQ(Frame::NextSequence(0xFE), 0xFF);
  EXPECT_EQ(Frame::NextSequence(0xFF), 0x20);
  uint8_t s = 0x20;
  for (int i = 0; i < 224; ++i) s = Frame::NextSequence(s);
  EXPECT_EQ(s, 0x20);
}

TEST(FrameCodec, LogoHeaderHasFixedLength) {
  EXPECT_EQ(Frame::BuildLogoHeader(0x2A), Bytes({0x02, 0x5E, 0x2A, 0x4C}));
  EXPECT_EQ((3902 + 0x20) & 0xFF, Frame::kLogoLength);
}

}  // namespace
