#include "link/printer_link.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "link/link_result.h"
#include "link/settings.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

namespace {

using Reply = FakeDevice::Reply;
using Clock = std::chrono::steady_clock;

int MsSince(Clock::time_point t) {
  return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// Shorter waits keep the suite quick; the real values are exercised in
// NoAnswerIsReportedAfterAboutFourSeconds.
LinkTimeouts Fast() {
  LinkTimeouts t;
  t.checkLink = 300;
  t.linkSeries = 400;
  t.reply = 500;
  t.drain = 5;
  return t;
}

class LinkTest : public ::testing::Test {
 protected:
  void SetUp() override { dev_.MapTo(2); }
  void TearDown() override { PortMap::Instance().Clear(); }
  std::unique_ptr<PrinterLink> Open(int baud = PrinterLine::kDefaultBaudRate) {
    auto link = std::make_unique<PrinterLink>(&ui_, PrinterLine{2, baud});
    link->SetTimeouts(Fast());
    return link;
  }
  FakeDevice dev_;
  ScriptedUi ui_;
};

TEST_F(LinkTest, FirstStatusFrameIsTheSevenBytes) {
  auto link = Open();
  ASSERT_TRUE(link->IsConnected());
  const std::string data = link->Transact(0x20, "");
  EXPECT_EQ(data.size(), 6u);
  const std::string raw = dev_.RawReceived();
  const std::string frame = "\x02\x23\x20\x20\x32\x33\x0A";
  ASSERT_NE(raw.find(frame), std::string::npos);
  // The handshake comes first: 0x04 probe(s), then 0x05.
  EXPECT_EQ(raw[0], 0x04);
  EXPECT_LT(raw.find('\x05'), raw.find(frame));
  EXPECT_TRUE(ui_.prompts.empty());
  EXPECT_EQ(link->Sequence(), 0x21);
  EXPECT_GT(ui_.waitCount_, 0);
  EXPECT_EQ(ui_.waitDepth_, 0);
}

TEST_F(LinkTest, AckCodesAreReturnedAndReported) {
  auto link = Open();
  dev_.Queue('1', Reply::Ack("00"));
  EXPECT_EQ(link->Transact('1', "x"), "00");
  EXPECT_TRUE(ui_.prompts.empty());

  dev_.Queue('1', Reply::Ack("01"));
  ui_.Answer({5});  // "Продължи" returns the code
  EXPECT_EQ(link->Transact('1', "x"), "01");
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Невалидна команда\n");
  EXPECT_EQ(ui_.prompts[0].style, 0x12u);

  dev_.Queue('1', Reply::Ack("90"));
  ui_.Answer({3});  // "Отказ"
  EXPECT_EQ(link->Transact('1', "x"), "");

  // "Повтори" sends the same frame again in a new attempt.
  dev_.ClearRecords();
  dev_.Queue('1', Reply::Ack("10"));
  dev_.Queue('1', Reply::Ack("00"));
  ui_.Answer({4});
  EXPECT_EQ(link->Transact('1', "y"), "00");
  EXPECT_EQ(dev_.Frames().size(), 2u);
}

TEST_F(LinkTest, HundredRepeatsAreFineHundredAndOneAreNot) {
  auto link = Open();
  for (int i = 0; i < 100; ++i) dev_.Queue('2', Reply::Repeat());
  dev_.Queue('2', Reply::Data("ok"));
  EXPECT_EQ(link->Transact('2', ""), "ok");
  EXPECT_TRUE(ui_.prompts.empty());
  EXPECT_EQ(dev_.Frames().size(), 101u);
  // Every resent frame keeps the block number.
  for (const auto& f : dev_.Frames()) EXPECT_EQ(f.seq, 0x20);

  for (int i = 0; i < 101; ++i) dev_.Queue('3', Reply::Repeat());
  EXPECT_EQ(link->Transact('3', ""), "");
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Твърде много получени REPEAT(над 100)");
}

TEST_F(LinkTest, NackThenCancelSendsNothingMore) {
  auto link = Open();
  dev_.Queue('4', Reply::Nack());
  ui_.Answer({2});
  EXPECT_EQ(link->Transact('4', "abc"), "");
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Получен е NACK");
  EXPECT_EQ(ui_.prompts[0].caption, "Грешка");
  EXPECT_EQ(ui_.prompts[0].style, 0x15u);
  EXPECT_EQ(dev_.Frames().size(), 1u);
  EXPECT_EQ(link->Sequence(), 0x20);  // nothing was accepted
}

TEST_F(LinkTest, WrongSequenceWithContinueReturnsDataAndAdvances) {
  auto link = Open();
  dev_.Queue('5', Reply::Data("payload").WithSeq(0x77));
  ui_.Answer({5});
  EXPECT_EQ(link->Transact('5', ""), "payload");
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Различен номер на блок, при получения STX");
  EXPECT_EQ(ui_.prompts[0].caption, "Предупреждение");
  EXPECT_EQ(ui_.prompts[0].style, 0x32u);
  EXPECT_EQ(link->Sequence(), 0x21);
}

TEST_F(LinkTest, ReplyChecksAreMadeInOrder) {
  auto link = Open();
  struct Row {
    Reply reply;
    std::string message;
  };
  const Row rows[] = {
      {Reply::Data("d").WithChecksum("00"), "Грешна контролна сума на получения STX"},
      {Reply::Data("d").WithCmd('Q'), "Подадената команда е различна, при получения STX"},
      {Reply::Ack("00").WithChecksum("??"), "Грешна контролна сума на получения ACK"},
      {Reply::Ack("00").WithSeq(0x99), "Номерът на блок е различен, при получения ACK"},
      {Reply::Raw("\x7F"), "Начало на съобщение различно от STX, ACK, NACK, и REPEAT"},
  };
  for (const Row& r : rows) {
    ui_.prompts.clear();
    dev_.Queue('6', r.reply);
    ui_.Answer({2});
    EXPECT_EQ(link->Transact('6', ""), "") << r.message;
    ASSERT_FALSE(ui_.prompts.empty()) << r.message;
    EXPECT_EQ(ui_.prompts[0].text, r.message);
  }
  // Several faults at once: each is reported, checksum first.
  ui_.prompts.clear();
  dev_.Queue('6', Reply::Data("d").WithChecksum("00").WithSeq(0x55).WithCmd('Q'));
  ui_.Answer({5, 5, 5});
  EXPECT_EQ(link->Transact('6', ""), "d");
  ASSERT_EQ(ui_.prompts.size(), 3u);
  EXPECT_EQ(ui_.prompts[0].text, "Грешна контролна сума на получения STX");
  EXPECT_EQ(ui_.prompts[1].text, "Различен номер на блок, при получения STX");
  EXPECT_EQ(ui_.prompts[2].text, "Подадената команда е различна, при получения STX");
}

TEST_F(LinkTest, BlockNumbersWrapAfter224Replies) {
  auto link = Open();
  LinkTimeouts t = Fast();
  t.drain = 1;
  link->SetTimeouts(t);
  for (int i = 0; i < 224; ++i) ASSERT_EQ(link->Transact('7', ""), "00") << i;
  EXPECT_EQ(link->Sequence(), 0x20);
  const auto frames = dev_.Frames();
  EXPECT_EQ(frames.front().seq, 0x20);
  EXPECT_EQ(frames.back().seq, 0xFF);
}

TEST_F(LinkTest, NoAnswerIsReportedAfterAboutFourSecondsAndNoFrameIsSent) {
  dev_.SetProbe(FakeDevice::Probe::kSilent);
  PrinterLink link(&ui_, 2);  // the real time-outs
  const auto start = Clock::now();
  EXPECT_EQ(link.Transact(0x20, ""), "");
  const int ms = MsSince(start);
  EXPECT_GE(ms, 3000);
  EXPECT_LE(ms, 6500);
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Няма връзка с Фискалния принтер");
  EXPECT_EQ(ui_.prompts[0].style, 0x15u);
  EXPECT_TRUE(dev_.Frames().empty());
  EXPECT_EQ(dev_.RawReceived().find('\x02'), std::string::npos);
}

TEST_F(LinkTest, BusyPrinterIsReported) {
  dev_.SetProbe(FakeDevice::Probe::kBusy);
  auto link = Open();
  EXPECT_EQ(link->CheckLink(200), LinkResult::kBusy);
  EXPECT_EQ(link->Transact(0x20, ""), "");
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Фискалният принтер е зает");
  EXPECT_TRUE(dev_.Frames().empty());
  // "Повтори" once the printer is ready again goes through.
  ui_.prompts.clear();
  dev_.SetProbe(FakeDevice::Probe::kReady);
  EXPECT_EQ(link->CheckLink(200), LinkResult::kReady);
}

TEST_F(LinkTest, BadBytesFromTheLineNeverHang) {
  auto link = Open();
  struct Row {
    const char* what;
    Reply reply;
  };
  const Row rows[] = {
      {"truncated data reply", Reply::Raw(std::string("\x02\x30\x20", 3))},
      {"zero byte", Reply::Data(std::string("a\0b", 3))},
      {"length too small", Reply::Raw(std::string("\x02\x10", 2))},
      {"truncated ack", Reply::Raw(std::string("\x06\x20", 2))},
      {"silence", Reply::Silence()},
  };
  for (const Row& r : rows) {
    ui_.prompts.clear();
    dev_.Queue('8', r.reply);
    ui_.Answer({2});
    const auto start = Clock::now();
    EXPECT_EQ(link->Transact('8', ""), "") << r.what;
    EXPECT_LT(MsSince(start), 3000) << r.what;
    EXPECT_FALSE(ui_.prompts.empty()) << r.what;
  }
}

TEST_F(LinkTest, DeviceClosingMidReplyEndsTheCall) {
  auto link = Open();
  dev_.Queue('9', Reply::Raw(std::string("\x02\x30", 2)));
  dev_.Queue('9', Reply::CloseLine());
  ui_.Answer({4, 2, 2, 2});
  const auto start = Clock::now();
  EXPECT_EQ(link->Transact('9', ""), "");
  EXPECT_LT(MsSince(start), 5000);
}

TEST_F(LinkTest, LogoFrameIsHeaderAndRawBytes) {
  auto link = Open();
  std::string logo(3902, '\0');
  for (size_t i = 0; i < logo.size(); ++i) logo[i] = static_cast<char>(i * 7);
  EXPECT_EQ(link->Transact('L', logo), "00");
  const auto frames = dev_.Frames();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].cmd, 'L');
  EXPECT_EQ(frames[0].data, logo);
  const std::string raw = dev_.RawReceived();
  EXPECT_NE(raw.find(std::string("\x02\x5E\x20\x4C", 4)), std::string::npos);
}

TEST_F(LinkTest, DataTooLongForTheLengthByteIsRefused) {
  auto link = Open();
  EXPECT_EQ(link->Transact('1', std::string(220, 'a')), "00");
  EXPECT_EQ(link->Transact('1', std::string(221, 'a')), "");
  EXPECT_EQ(link->Transact('L', std::string(3901, 'a')), "");
  ASSERT_EQ(ui_.prompts.size(), 2u);
  EXPECT_EQ(ui_.prompts[0].style, 0x10u);
  EXPECT_EQ(dev_.Frames().size(), 1u);
}

TEST_F(LinkTest, OpenFailureOffersRetry) {
  PortMap::Instance().Set(3, "/dev/no-such-port");
  ui_.Answer({4, 2});
  PrinterLink link(&ui_, 3);
  EXPECT_FALSE(link.IsConnected());
  ASSERT_EQ(ui_.prompts.size(), 2u);
  EXPECT_EQ(ui_.prompts[0].text, "Не може да бъде отворен COM 3");
  EXPECT_EQ(link.Transact(0x20, ""), "");
}

TEST_F(LinkTest, ReconnectKeepsTheChosenSpeed) {
  auto link = Open(38400);
  ASSERT_TRUE(link->IsConnected());
  EXPECT_EQ(dev_.LineBaud(), 38400);
  link->Disconnect();
  EXPECT_FALSE(link->IsConnected());
  EXPECT_EQ(link->Transact(0x20, ""), "");
  EXPECT_EQ(link->Reconnect(), 0);
  EXPECT_TRUE(link->IsConnected());
  EXPECT_EQ(dev_.LineBaud(), 38400);
  EXPECT_EQ(link->Transact(0x20, "").size(), 6u);
}

TEST_F(LinkTest, ReconnectStartsAgainAtTheFirstBlock) {
  auto link = Open();
  EXPECT_EQ(link->Transact('1', ""), "00");
  EXPECT_EQ(link->Transact('1', ""), "00");
  EXPECT_EQ(link->Sequence(), 0x22);
  link->Disconnect();
  EXPECT_EQ(link->Reconnect(), 0);
  EXPECT_EQ(link->Transact(0x20, "").size(), 6u);
  const auto frames = dev_.Frames();
  ASSERT_EQ(frames.size(), 3u);
  EXPECT_EQ(frames[2].seq, 0x20);
  EXPECT_EQ(link->Sequence(), 0x21);
}

TEST_F(LinkTest, ATerminatorOfAnyValueIsAccepted) {
  auto link = Open();
  for (const uint8_t term : {0x00, 0x0D, 0xFF}) {
    dev_.SetReplyTerminator(term);
    dev_.ClearRecords();
    const auto start = Clock::now();
    EXPECT_EQ(link->Transact(0x20, "").size(), 6u) << int(term);
    dev_.Queue('1', Reply::Ack("00"));
    EXPECT_EQ(link->Transact('1', "x"), "00") << int(term);
    dev_.Queue('2', Reply::Data("ab"));
    EXPECT_EQ(link->Transact('2', ""), "ab") << int(term);
    EXPECT_LT(MsSince(start), 1500) << int(term);
    EXPECT_EQ(dev_.Frames().size(), 3u) << int(term);
  }
  EXPECT_TRUE(ui_.prompts.empty());
}

// A zero byte read where a reply starts, or as its length, is shown with its
// message; the frame goes out again only when the user answers "Повтори".
TEST_F(LinkTest, ZeroBytesInTheReplyHeadAreShownAndNeverResentUnasked) {
  auto link = Open();
  const std::string unknownStart = "Начало на съобщение различно от STX, ACK, NACK, и REPEAT";
  const std::string badStx = "Грешна контролна сума на получения STX";
  struct Row {
    const char* what;
    std::string bytes;
    std::string message;
    std::string caption;
    unsigned style;
  };
  const Row rows[] = {
      {"lone zero", std::string(1, '\0'), unknownStart, "Грешка", 0x15},
      {"reply of zero bytes", std::string(7, '\0'), unknownStart, "Грешка", 0x15},
      {"zero length", std::string("\x02\x00", 2), badStx, "Предупреждение", 0x32},
      {"length below the smallest reply", std::string("\x02\x22\x20\x31\x30\x30\x0A", 7), badStx,
       "Предупреждение", 0x32},
  };
  for (const Row& r : rows) {
    // "Отказ" and an answer that cannot carry on ("Продължи" with nothing to
    // accept) both end the call after the one frame.
    for (const int answer : {2, 5}) {
      ui_.prompts.clear();
      dev_.ClearRecords();
      dev_.Queue('3', Reply::Raw(r.bytes));
      ui_.Answer({answer});
      const auto start = Clock::now();
      EXPECT_EQ(link->Transact('3', ""), "") << r.what;
      EXPECT_LT(MsSince(start), 2500) << r.what;
      EXPECT_EQ(dev_.Frames().size(), 1u) << r.what;
      ASSERT_EQ(ui_.prompts.size(), 1u) << r.what;
      EXPECT_EQ(ui_.prompts[0].text, r.message) << r.what;
      EXPECT_EQ(ui_.prompts[0].caption, r.caption) << r.what;
      EXPECT_EQ(ui_.prompts[0].style, r.style) << r.what;
    }
    // "Повтори" sends it once more, in a new attempt.
    ui_.prompts.clear();
    dev_.ClearRecords();
    dev_.Queue('3', Reply::Raw(r.bytes));
    dev_.Queue('3', Reply::Data("ok"));
    ui_.Answer({4});
    EXPECT_EQ(link->Transact('3', ""), "ok") << r.what;
    EXPECT_EQ(dev_.Frames().size(), 2u) << r.what;
    EXPECT_EQ(ui_.prompts.size(), 1u) << r.what;
  }
  EXPECT_EQ(link->Sequence(), 0x24);
}

TEST_F(LinkTest, OnlyARepeatResendsWithoutAnAnswer) {
  auto link = Open();
  // A host that answers "Продължи" to everything: after a REPEAT, a NACK and
  // garbage still end the call instead of sending the frame again.
  ui_.SetFallback(5);
  dev_.Queue('4', Reply::Repeat());
  dev_.Queue('4', Reply::Nack());
  EXPECT_EQ(link->Transact('4', ""), "");
  EXPECT_EQ(dev_.Frames().size(), 2u);
  dev_.ClearRecords();
  dev_.Queue('4', Reply::Repeat());
  dev_.Queue('4', Reply::Raw("\x7F"));
  EXPECT_EQ(link->Transact('4', ""), "");
  EXPECT_EQ(dev_.Frames().size(), 2u);
  // A reply cut short is not resent either.
  dev_.ClearRecords();
  dev_.Queue('4', Reply::Raw(std::string("\x06\x20", 2)));
  EXPECT_EQ(link->Transact('4', ""), "");
  EXPECT_EQ(dev_.Frames().size(), 1u);
}

// The drains of the handshake end after the reply time-out however long the
// line talks. (A loaded machine may stall the device long enough for the line to
// look quiet for a moment, so which message comes is not asserted beyond that.)
TEST_F(LinkTest, ALineThatKeepsTalkingIsGivenUpOnAfterTheReplyTimeOut) {
  auto link = Open();
  LinkTimeouts t = Fast();
  t.drain = 25;
  link->SetTimeouts(t);
  // Noise before any echo: no answer.
  dev_.SetChatter("\x7F\x7F\x7F\x7F\x7F\x7F\x7F\x7F");
  auto start = Clock::now();
  EXPECT_EQ(link->Transact(0x20, ""), "");
  EXPECT_LT(MsSince(start), 3000);
  // One message, whichever the timing gave, and no frame sent again.
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_FALSE(ui_.prompts[0].text.empty());
  EXPECT_LE(dev_.Frames().size(), 1u);
  // Echoes that never stop: not ready (busy, unless the line looked quiet).
  dev_.SetChatter("\x04\x04\x04\x04\x04\x04\x04\x04");
  start = Clock::now();
  const int r = link->CheckLink(300);
  EXPECT_LT(MsSince(start), 2000);
  EXPECT_TRUE(r == LinkResult::kBusy || r == LinkResult::kReady || r == LinkResult::kNoAnswer) << r;
  dev_.SetChatter("");
}

TEST_F(LinkTest, SilentCodesShowNothing) {
  auto link = Open();
  EXPECT_EQ(link->ReportLinkError(0), 0);
  EXPECT_EQ(link->ReportLinkError(51), 0);
  EXPECT_EQ(link->ReportLinkError(14), 0);
  EXPECT_EQ(link->ReportCommandError("00"), 0);
  EXPECT_TRUE(ui_.prompts.empty());
}

}  // namespace

namespace {

// Two printers at different speeds, opened at once from two threads, each on
// its own path: neither reads nor changes the process-wide selection or map.
TEST(PrinterLineTest, EachPrinterOpensItsOwnPathAndSpeed) {
#ifdef _WIN32
  // The Windows test line is one linked pair of COM ports: one fake device at a time.
  GTEST_SKIP() << "two fake devices need two linked COM pairs";
#endif
  PortMap::Instance().Clear();
  FakeDevice a, b;
  struct Opened {
    bool connected = false;
    int baud = 0;
    int ready = 0;
  } ra, rb;
  const auto open = [](const PrinterLine& line, Opened& out) {
    PrinterLink link(nullptr, line);
    link.SetTimeouts(Fast());
    out.connected = link.IsConnected();
    out.baud = link.BaudRate();
    out.ready = link.CheckLink(500);
  };
  std::thread ta(open, PrinterLine{41, 19200, a.Path()}, std::ref(ra));
  std::thread tb(open, PrinterLine{42, 115200, b.Path()}, std::ref(rb));
  ta.join();
  tb.join();
  EXPECT_TRUE(ra.connected);
  EXPECT_TRUE(rb.connected);
  EXPECT_EQ(ra.baud, 19200);
  EXPECT_EQ(rb.baud, 115200);
  EXPECT_EQ(ra.ready, LinkResult::kReady);
  EXPECT_EQ(rb.ready, LinkResult::kReady);
  EXPECT_TRUE(PortMap::Instance().Mappings().empty());
}

}  // namespace
