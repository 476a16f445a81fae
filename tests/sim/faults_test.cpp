// Every fault the simulated printer shows on demand, as a host sees it.
#include "sim/sim_wire.h"
#include "sim_fixture.h"

namespace {
using R = SimClient::Reply;

class FaultTest : public SimTest {};

TEST_F(FaultTest, LineConditions) {
  sim_->Inject(Fault::kBusy);
  EXPECT_EQ(client_->Probe(), simwire::kBusy);
  sim_->Inject(Fault::kBusy, 0);
  EXPECT_EQ(client_->Probe(), simwire::kReadyProbe);

  sim_->Inject(Fault::kNoAnswer);
  EXPECT_EQ(client_->Probe(50), -1);
  EXPECT_EQ(client_->Send(0x20, "", 100).kind, R::kTimeout);
  sim_->Inject(Fault::kNoAnswer, 0);
  EXPECT_EQ(client_->Probe(), simwire::kReadyProbe);

  sim_->BusyFor(300);
  EXPECT_EQ(client_->Probe(), simwire::kBusy);
  EXPECT_EQ(Run(0x20).kind, R::kData);  // Transact waits until it is over
}

TEST_F(FaultTest, NackAndRepeatDoNotRunTheFrame) {
  OpenReceipt();
  sim_->Inject(Fault::kNack);
  const uint8_t seq = client_->Seq();
  EXPECT_EQ(Run(0x31, "X;Б;0000001.00").kind, R::kNack);
  EXPECT_EQ(client_->Seq(), seq);
  sim_->Inject(Fault::kRepeat, 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Run(0x31, "X;Б;0000001.00").kind, R::kRepeat);
  EXPECT_EQ(FieldInt(Data(0x72), 2, 4), 0);
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  EXPECT_EQ(FieldInt(Data(0x72), 2, 4), 1);
}

TEST_F(FaultTest, DamagedReplies) {
  const uint8_t seq = client_->Seq();
  sim_->Inject(Fault::kBadChecksum);
  R r = Run(0x20);
  EXPECT_EQ(r.kind, R::kData);
  EXPECT_FALSE(r.checksumOk);

  client_->SetSeq(seq);
  sim_->Inject(Fault::kWrongSeq);
  r = Run(0x2B);  // an ACK reply
  EXPECT_EQ(r.kind, R::kAck);
  EXPECT_TRUE(r.checksumOk);
  EXPECT_NE(r.seq, seq);

  sim_->Inject(Fault::kWrongCmd);
  EXPECT_EQ(Run(0x2B).code, "00");  // an ACK carries no command byte: the fault waits
  r = Run(0x20);
  EXPECT_EQ(r.kind, R::kData);
  EXPECT_TRUE(r.checksumOk);
  EXPECT_NE(r.cmd, 0x20);
  EXPECT_EQ(Run(0x20).cmd, 0x20);

  sim_->Inject(Fault::kGarbageFirstByte);
  r = Run(0x20);
  EXPECT_EQ(r.kind, R::kOther);
  client_->Drain(30);

  sim_->Inject(Fault::kZeroByte);
  r = Run(0x20);
  ASSERT_GT(r.raw.size(), 3u);
  EXPECT_EQ(r.raw[2], '\0');
  client_->Drain(30);
  EXPECT_EQ(Run(0x20).kind, R::kData);
}

TEST_F(FaultTest, ClockFaults) {
  sim_->Inject(Fault::kClockNotSet);
  EXPECT_TRUE(Flags()[3]);
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "32");
  sim_->Inject(Fault::kClockIncorrect);
  EXPECT_TRUE(Flags()[6]);
  const std::string now = FormatTime(std::time(nullptr) + 60, "%d-%m-%y %H:%M:%S");
  EXPECT_EQ(Code(0x48, now), "00");
  EXPECT_FALSE(Flags()[3]);
  EXPECT_FALSE(Flags()[6]);
  sim_->Inject(Fault::kClockHardware);
  EXPECT_TRUE(Flags()[4]);
  EXPECT_EQ(Code(0x48, now), "32");
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "32");
  sim_->Inject(Fault::kClockHardware, 0);
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "00");
}

TEST_F(FaultTest, RamResetLosesWorkingMemory) {
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  EXPECT_EQ(Code(0x3F, "000000"), "42");
  sim_->Inject(Fault::kRamReset);
  const auto f = Flags();
  EXPECT_TRUE(f[5]);
  EXPECT_TRUE(f[3]);
  EXPECT_FALSE(f[14]);
  EXPECT_EQ(Code(0x3F, "     1"), "92");
  EXPECT_EQ(Code(0x3F, "000000"), "00");  // the EEPROM erase needs a RAM reset
  EXPECT_TRUE(State().articles.empty());
  EXPECT_EQ(Code(0x48, FormatTime(std::time(nullptr), "%d-%m-%y %H:%M:%S")), "00");
  EXPECT_FALSE(Flags()[5]);
  EXPECT_EQ(Code(0x3F, "000000"), "02");
}

TEST_F(FaultTest, FiscalMemoryFaults) {
  sim_->Inject(Fault::kFmMissing);
  EXPECT_TRUE(Flags()[18]);
  EXPECT_EQ(Code(0x74), "82");
  EXPECT_EQ(Code(0x7C, "Z"), "82");
  sim_->Inject(Fault::kFmMissing, 0);
  sim_->Inject(Fault::kFmFaulty);
  EXPECT_TRUE(Flags()[19]);
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "82");
  sim_->Inject(Fault::kFmFaulty, 0);

  sim_->Inject(Fault::kFmNearlyFull);
  EXPECT_TRUE(Flags()[21]);
  EXPECT_FALSE(Flags()[20]);
  EXPECT_EQ(Data(0x74), "49");
  EXPECT_EQ(Code(0x7C, "Z"), "00");
  EXPECT_EQ(Data(0x74), "48");
  sim_->Inject(Fault::kFmFull);
  const auto f = Flags();
  EXPECT_TRUE(f[20]);
  EXPECT_TRUE(f[0]);
  EXPECT_EQ(Data(0x74), "0");
  EXPECT_EQ(Code(0x7C, "Z"), "82");
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "82");
  sim_->Inject(Fault::kFmFull, 0);
  EXPECT_FALSE(Flags()[21]);
}

TEST_F(FaultTest, PaperOutAndOverflow) {
  sim_->Inject(Fault::kPaperOut);
  EXPECT_TRUE(Flags()[7]);
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "12");
  EXPECT_EQ(Code(0x2B), "00");  // feeding is always possible
  EXPECT_EQ(sim_->Control("paper"), "ok: paper in\n");
  EXPECT_FALSE(Flags()[7]);

  sim_->Inject(Fault::kOverheated);
  EXPECT_TRUE(Flags()[2]);
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "C2");
  sim_->Inject(Fault::kOverheated, 0);
  sim_->Inject(Fault::kLowVoltage);
  EXPECT_TRUE(Flags()[1]);
  sim_->Inject(Fault::kLowVoltage, 0);

  sim_->Inject(Fault::kReportOverflow);
  EXPECT_TRUE(Flags()[8]);
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "22");
  EXPECT_EQ(Code(0x7C, "Z"), "00");
  EXPECT_FALSE(Flags()[8]);
}

TEST_F(FaultTest, DownloadCutStopsBeforeTheTerminator) {
  sim_->Inject(Fault::kDownloadCut);
  EXPECT_EQ(Code(0x75), "00");
  const std::string cut = client_->ReadUntil('@', 200);
  EXPECT_FALSE(cut.empty());
  EXPECT_EQ(cut.find('@'), std::string::npos);
  EXPECT_EQ(Code(0x75), "00");
  const std::string whole = client_->ReadUntil('@', 500);
  EXPECT_EQ(whole.back(), '@');
  EXPECT_GT(whole.size(), cut.size());
}

TEST_F(FaultTest, ControlLanguage) {
  EXPECT_EQ(sim_->Control("nack 2"), "ok: nack 2\n");
  EXPECT_EQ(Run(0x20).kind, R::kNack);
  EXPECT_EQ(Run(0x20).kind, R::kNack);
  EXPECT_EQ(Run(0x20).kind, R::kData);
  EXPECT_EQ(sim_->Control("paper-out on"), "ok: paper-out on\n");
  EXPECT_NE(sim_->Control("status").find("7(no paper)"), std::string::npos);
  EXPECT_EQ(sim_->Control("clear"), "ok: faults cleared\n");
  EXPECT_FALSE(Flags()[7]);
  EXPECT_EQ(sim_->Control("bogus").rfind("error", 0), 0u);
  EXPECT_EQ(sim_->Control("repeat x").rfind("error", 0), 0u);
  EXPECT_EQ(sim_->Control("busy maybe").rfind("error", 0), 0u);
  EXPECT_EQ(sim_->Control("busy-for 0").rfind("error", 0), 0u);
  EXPECT_EQ(sim_->Control(""), "");
  const std::string help = SimServer::ControlHelp();
  for (const char* name : {"paper-out",      "busy",         "no-answer",     "nack",
                           "repeat",         "bad-checksum", "wrong-seq",     "wrong-cmd",
                           "garbage",        "zero-byte",    "clock-not-set", "clock-incorrect",
                           "clock-error",    "ram-reset",    "fm-missing",    "fm-faulty",
                           "fm-nearly-full", "fm-full",      "overflow",      "download-cut"})
    EXPECT_NE(help.find(name), std::string::npos) << name;
}

TEST_F(FaultTest, FillingTheFiscalMemory) {
  const auto count = [this] {
    return sim_->WithDevice([](SimDevice& d) { return static_cast<int>(d.State().fm.size()); });
  };
  const int before = count();
  EXPECT_EQ(sim_->Control("fm-fill 100"), "ok: fm-fill 100 records written\n");
  EXPECT_EQ(count(), before + 100);
  // Records stay in date order and number on from the last report.
  sim_->WithDevice([](SimDevice& d) {
    const auto& fm = d.State().fm;
    for (size_t i = 1; i < fm.size(); ++i) EXPECT_LE(fm[i - 1].time, fm[i].time) << i;
    EXPECT_EQ(fm.back().number + 1, d.State().reportNumber);
    return 0;
  });
  // Never past the capacity: the memory is then full.
  EXPECT_EQ(sim_->Control("fm-fill 100000").rfind("ok: fm-fill ", 0), 0u);
  EXPECT_EQ(count(), sim_->WithDevice([](SimDevice& d) { return d.State().fmCapacity; }));
  EXPECT_TRUE(Flags()[20]);
  EXPECT_EQ(sim_->Control("fm-fill 5"), "ok: fm-fill 0 records written\n");
  for (const char* bad : {"fm-fill", "fm-fill 0", "fm-fill -3", "fm-fill x"})
    EXPECT_EQ(sim_->Control(bad).rfind("error", 0), 0u) << bad;
}

// A host at another speed than the device's gets nothing it can read.
TEST(LineSpeedTest, MismatchedSpeedGarblesTheLine) {
  SimServer sim;
  SimClient fast(sim.Path(), 19200);
  EXPECT_EQ(fast.Probe(50), -1);
  SimClient right(sim.Path(), 9600);
  EXPECT_EQ(right.Probe(), simwire::kReadyProbe);
}
}  // namespace
