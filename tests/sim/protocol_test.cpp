// The device's side of the line: handshake, frames, NACK, the logo frame, and
// the reply forms.
#include <gtest/gtest.h>

#include <vector>

#include "sim/line_protocol.h"
#include "sim/sim_wire.h"
#include "sim_fixture.h"

namespace {
struct Ran {
  uint8_t seq, cmd;
  std::string data;
};

struct ProtocolTest : ::testing::Test {
  bool busy = false;
  std::vector<Ran> ran;
  LineProtocol p{LineProtocol::Hooks{[this] { return busy; },
                                     [this](uint8_t seq, uint8_t cmd, const std::string& data) {
                                       ran.push_back({seq, cmd, data});
                                       return simwire::AckReply(seq, "00");
                                     }}};
  int64_t now = 1000;
  std::string Feed(const std::string& bytes) {
    std::string out;
    for (unsigned char b : bytes) out += p.Feed(b, now);
    return out;
  }
};

TEST_F(ProtocolTest, HandshakeEchoesAndReportsBusy) {
  EXPECT_EQ(Feed("\x04"), "\x04");
  EXPECT_EQ(Feed("\x05"), "\x05");
  busy = true;
  EXPECT_EQ(Feed("\x05"), std::string(1, static_cast<char>(simwire::kBusy)));
  EXPECT_EQ(Feed("\x04"), "\x04");  // still echoes the link probe
  EXPECT_EQ(Feed("xyz\x0A"), "");   // stray bytes between frames are ignored
}

TEST_F(ProtocolTest, RunsAValidFrame) {
  // The status command as the first frame of a host: 02 23 20 20 32 33 0A.
  const std::string out = Feed(std::string("\x02\x23\x20\x20\x32\x33\x0A", 7));
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].seq, 0x20);
  EXPECT_EQ(ran[0].cmd, 0x20);
  EXPECT_EQ(ran[0].data, "");
  EXPECT_EQ(out, simwire::AckReply(0x20, "00"));
  // 200 data bytes: length byte 0xEB.
  const std::string frame = simwire::CommandFrame(0x21, 0x37, std::string(200, 'x'));
  EXPECT_EQ(static_cast<uint8_t>(frame[1]), 0xEB);
  Feed(frame);
  ASSERT_EQ(ran.size(), 2u);
  EXPECT_EQ(ran[1].data.size(), 200u);
}

TEST_F(ProtocolTest, BadFramesAreNacked) {
  const std::string good = simwire::CommandFrame(0x22, 0x31, "abc");
  std::string badSum = good;
  badSum[good.size() - 2] ^= 1;
  std::string badEnd = good;
  badEnd.back() = 0x0B;
  const std::string nack(1, static_cast<char>(simwire::kNack));
  EXPECT_EQ(Feed(badSum), nack);
  EXPECT_EQ(Feed(badEnd), nack);
  EXPECT_EQ(Feed(std::string("\x02\x10", 2)), nack);  // shorter than any frame
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(Feed("\x04"), "\x04");  // and the stream is read afresh
  Feed(good);
  EXPECT_EQ(ran.size(), 1u);
}

TEST_F(ProtocolTest, LogoFrameTakesExactly3902RawBytes) {
  std::string logo(3902, '\0');
  for (size_t i = 0; i < logo.size(); ++i) logo[i] = static_cast<char>(i * 7);
  logo[10] = 0x02;  // control bytes inside the picture are data
  logo[11] = 0x0A;
  logo[12] = 0x04;
  const std::string header("\x02\x5E\x25\x4C", 4);
  EXPECT_EQ(Feed(header + logo.substr(0, 3901)), "");
  EXPECT_TRUE(ran.empty());
  EXPECT_EQ(Feed(logo.substr(3901)), simwire::AckReply(0x25, "00"));
  ASSERT_EQ(ran.size(), 1u);
  EXPECT_EQ(ran[0].cmd, 0x4C);
  EXPECT_EQ(ran[0].data, logo);
  EXPECT_EQ(Feed("\x04"), "\x04");
}

TEST_F(ProtocolTest, AStalledFrameIsDropped) {
  Feed(std::string("\x02\x26\x20", 3));
  now += LineProtocol::kStallMs + 1;
  EXPECT_EQ(Feed("\x04"), "\x04");
  EXPECT_FALSE(p.InFrame());
}

TEST(WireTest, ReplyForms) {
  // ACK: 06 SEQ E1 E2 CS1 CS2 TERM, checksum over SEQ and the code.
  const std::string ack = simwire::AckReply(0x20, "00");
  EXPECT_EQ(ack, std::string("\x06\x20"
                             "00"
                             "\x32\x30\x0A",
                             7));
  const std::string data = simwire::DataReply(0x21, 0x63, "2");
  ASSERT_EQ(data.size(), 8u);
  EXPECT_EQ(static_cast<uint8_t>(data[1]), 0x24);
  EXPECT_EQ(data.substr(2, 3),
            "\x21\x63"
            "2");
  EXPECT_EQ(data.substr(5, 2), simwire::Checksum(data.substr(1, 4)));
}

class LineTest : public SimTest {};

TEST_F(LineTest, StatusBytesHaveBitSevenAndNoReplyHoldsAZero) {
  const auto st = Run(0x20);
  ASSERT_EQ(st.kind, SimClient::Reply::kData);
  ASSERT_EQ(st.data.size(), 6u);
  for (unsigned char c : st.data) EXPECT_EQ(c & 0x80, 0x80);
  EXPECT_TRUE(st.checksumOk);
  // A header line sent with a zero byte in it comes back without one.
  std::string line = "1;AB";
  line += '\0';
  line += "CD";
  EXPECT_EQ(client_->Transact(0x49, line).code, "00");
  const std::vector<std::pair<uint8_t, std::string>> reads = {
      {0x20, ""},      {0x21, ""}, {0x60, ""},   {0x61, ""},  {0x62, ""},    {0x63, ""},
      {0x64, ""},      {0x65, ""}, {0x67, "01"}, {0x68, ""},  {0x69, "1"},   {0x6A, "1"},
      {0x6B, "00001"}, {0x6D, ""}, {0x6E, "0"},  {0x6E, "5"}, {0x6F, "1;1"}, {0x70, ""},
      {0x71, ""},      {0x72, ""}, {0x73, ""},   {0x74, ""},  {0x33, "0;0"}};
  for (const auto& [cmd, data] : reads) {
    const auto r = client_->Transact(cmd, data);
    EXPECT_TRUE(r.kind == SimClient::Reply::kData || r.kind == SimClient::Reply::kAck) << int(cmd);
    EXPECT_TRUE(r.checksumOk) << int(cmd);
    EXPECT_EQ(r.raw.find('\0'), std::string::npos) << "command " << int(cmd);
  }
}

// With real timing every reply byte takes its time on the line; the replies
// are the same.
TEST(RealTimingTest, RepliesArriveWhole) {
  SimOptions o;
  o.realTiming = true;
  o.baud = 115200;
  SimServer sim(o);
  SimClient c(sim.Path(), 115200);
  EXPECT_EQ(c.Probe(), simwire::kReadyProbe);
  const auto r = c.Transact(0x72, "");
  EXPECT_EQ(r.kind, SimClient::Reply::kData);
  EXPECT_EQ(r.data.size(), 129u);
  EXPECT_TRUE(r.checksumOk);
  EXPECT_TRUE(sim.Flags()[27]);  // not 9600
}

// A long stream on a paced line arrives whole and in order.
TEST(RealTimingTest, LongDownloadArrivesWhole) {
  SimOptions o;
  o.realTiming = true;
  o.baud = 115200;
  SimServer sim(o);
  sim.Control("fm-fill 20");
  SimClient c(sim.Path(), 115200);
  const auto r = c.Transact(0x75, "");
  EXPECT_EQ(r.code, "00");
  const std::string stream = c.ReadUntil('@', 3000);
  ASSERT_FALSE(stream.empty());
  EXPECT_EQ(stream.back(), '@');
  EXPECT_EQ(stream.find('@'), stream.size() - 1);
  EXPECT_GT(stream.size(), 20u * 20);
}

TEST_F(LineTest, BlockNumbersAreEchoedAndWrap) {
  client_->SetSeq(0xFE);
  for (uint8_t want : {0xFE, 0xFF, 0x20}) {
    const auto r = Run(0x20);
    EXPECT_EQ(r.seq, want);
    EXPECT_EQ(r.cmd, 0x20);
  }
}

TEST_F(LineTest, AResentFrameIsNotRunTwice) {
  OpenReceipt();
  sim_->Inject(Fault::kBadChecksum);
  const uint8_t seq = client_->Seq();
  const auto bad = Run(0x31, "X;Б;0000001.00");
  EXPECT_FALSE(bad.checksumOk);
  client_->SetSeq(seq);  // the host resends with the same block number
  const auto again = Run(0x31, "X;Б;0000001.00");
  EXPECT_TRUE(again.checksumOk);
  EXPECT_EQ(again.code, "00");
  EXPECT_EQ(FieldInt(Data(0x72), 2, 4), 1);
  // The same sale in a new frame is a new sale.
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  EXPECT_EQ(FieldInt(Data(0x72), 2, 4), 2);
}

// Sales in the open receipt, read without a frame (a read would end the
// resend memory).
size_t Sales(SimServer& sim) {
  return sim.WithDevice([](SimDevice& d) { return d.State().receipt.lines.size(); });
}

TEST_F(LineTest, AResendCountsOnlySoonAfterTheReplyItRepeats) {
  OpenReceipt();
  const uint8_t seq = client_->Seq();
  sim_->Inject(Fault::kBadChecksum);
  EXPECT_FALSE(Run(0x31, "X;Б;0000001.00").checksumOk);
  // Each resend answered from memory starts the window again.
  for (int i = 0; i < 2; ++i) {
    sim_->AdvanceClockForTesting(6000);
    client_->SetSeq(seq);
    EXPECT_EQ(Run(0x31, "X;Б;0000001.00").code, "00");
    EXPECT_EQ(Sales(*sim_), 1u);
  }
  // Long after the last reply the same frame is a new sale.
  sim_->AdvanceClockForTesting(10001);
  client_->SetSeq(seq);
  EXPECT_EQ(Run(0x31, "X;Б;0000001.00").code, "00");
  EXPECT_EQ(Sales(*sim_), 2u);
}

TEST_F(LineTest, ANewSessionRunsAFrameThatMatchesTheLastOne) {
  // Every host session numbers its blocks from 0x20 again, so its first frame
  // may repeat the previous session's last one to the byte.
  EXPECT_EQ(Code(0x29), "00");
  client_.reset();
  client_ = std::make_unique<SimClient>(sim_->Path());
  EXPECT_EQ(Code(0x29), "00");
  const std::string paper = sim_->Paper();
  size_t cuts = 0;
  for (size_t at = paper.find("✂"); at != std::string::npos; at = paper.find("✂", at + 1)) ++cuts;
  EXPECT_EQ(cuts, 2u) << paper;
}

class SlowPrinterTest : public SimTest {
 protected:
  SlowPrinterTest() : SimTest(Slow()) {}
  static SimOptions Slow() {
    SimOptions o;
    o.busyMs = 60000;
    return o;
  }
};

TEST_F(SlowPrinterTest, TheResendWindowStartsWhenThePrintingEnds) {
  const uint8_t seq = client_->Seq();
  sim_->Inject(Fault::kBadChecksum);
  EXPECT_FALSE(Run(0x7C, "X").checksumOk);
  const std::string printed = sim_->Paper();
  // The host can only resend once the printer is ready again.
  sim_->AdvanceClockForTesting(65000);
  client_->SetSeq(seq);
  EXPECT_EQ(Run(0x7C, "X").code, "00");
  EXPECT_EQ(sim_->Paper(), printed);
  sim_->AdvanceClockForTesting(11000);
  client_->SetSeq(seq);
  EXPECT_EQ(Run(0x7C, "X").code, "00");
  EXPECT_GT(sim_->Paper().size(), printed.size());
}

TEST_F(LineTest, LogoFrameOverTheLine) {
  std::string bmp(3902, '\0');
  bmp[0] = 'B';
  bmp[1] = 'M';
  bmp[10] = 62;
  bmp[18] = static_cast<char>(384 & 0xFF);
  bmp[19] = static_cast<char>(384 >> 8);
  bmp[22] = 80;
  bmp[28] = 1;
  // Palette: index 0 black, index 1 white; the left half of each row is ink.
  for (int c = 0; c < 3; ++c) bmp[58 + c] = static_cast<char>(0xFF);
  for (int row = 0; row < 80; ++row)
    for (int b = 24; b < 48; ++b) bmp[62 + row * 48 + b] = static_cast<char>(0xFF);
  const auto r = client_->SendLogo(bmp);
  EXPECT_EQ(r.code, "00");
  EXPECT_EQ(State().logoBytes, bmp);
  sim_->ClearPaper();
  EXPECT_EQ(Code(0x6C), "00");
  const std::string paper = sim_->Paper();
  EXPECT_EQ(paper.substr(0, 3), "█");
  EXPECT_NE(paper.find(" \n"), std::string::npos) << paper;
}
}  // namespace
