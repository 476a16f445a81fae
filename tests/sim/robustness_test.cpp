// Whatever arrives, the device answers with a well-formed reply and keeps a
// consistent state: random frames built from the pieces of real data fields,
// and state files with damaged values.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>

#include "sim/sim_device.h"
#include "sim/state_file.h"

namespace {
// Pieces that real data fields are made of, so that random frames get past
// the first checks and into the handlers.
const char* const kPieces[] = {"1",
                               "2",
                               "0",
                               ";",
                               ";",
                               ";",
                               "*",
                               ",",
                               "%",
                               ".",
                               "-",
                               " ",
                               ":",
                               "X",
                               "Z",
                               "E",
                               "0000001.00",
                               "000002.500",
                               "-000001.00",
                               "05.00",
                               "00001",
                               "000000",
                               "99",
                               "10",
                               "\xC1",
                               "\xC7",
                               "\x81",
                               "\x82",
                               "\xE0",
                               "1;1",
                               "1;1;0;1",
                               "0;0",
                               "1;1;0;0;1;a;b;c;d;e;",
                               "9999999999",
                               "07-12-26 10:00:00",
                               "020126",
                               "@"};

std::string RandomData(std::mt19937& rng) {
  std::string d;
  const int n = static_cast<int>(rng() % 8);
  for (int i = 0; i < n; ++i) d += kPieces[rng() % (sizeof kPieces / sizeof *kPieces)];
  if (rng() % 10 == 0) d += std::string(1, static_cast<char>(rng() % 256));
  if (rng() % 20 == 0) d += '\0';
  return d;
}

void CheckReply(const SimDevice::Reply& r, uint8_t cmd, const std::string& data) {
  if (!r.data) {
    ASSERT_EQ(r.payload.size(), 2u) << int(cmd) << " " << data;
  } else {
    ASSERT_LE(r.payload.size(), 220u) << int(cmd);
  }
  if (!r.stream.empty()) {
    ASSERT_EQ(r.stream.back(), '@');
    ASSERT_EQ(r.stream.find('@'), r.stream.size() - 1);
  }
}

TEST(RobustnessTest, RandomFramesGetWellFormedRepliesAndConsistentState) {
  for (bool factory : {false, true}) {
    SimDevice d(factory ? SimDevice::FactoryState(42) : SimDevice::SampleState(38));
    std::mt19937 rng(factory ? 7 : 11);
    for (int i = 0; i < 30000; ++i) {
      const uint8_t cmd = static_cast<uint8_t>(0x20 + rng() % 0x60);
      const std::string data = RandomData(rng);
      const SimDevice::Reply r = d.Execute(cmd, data);
      CheckReply(r, cmd, data);
      if (HasFatalFailure()) return;
      const DeviceState& s = d.State();
      // Money registers stay in range and receipts stay coherent.
      for (Money g : s.receipt.groups) ASSERT_LE(std::llabs(g), 9999999999LL);
      ASSERT_GE(s.receipt.paidTotal, 0);
      if (s.receipt.kind == OpenReceipt::kNone) {
        ASSERT_TRUE(s.receipt.lines.empty());
      }
      ASSERT_EQ(d.StatusBytes().size(), 6u);
      // Now and then the receipt is ended the way a host would end it.
      if (i % 500 == 499) {
        d.Execute(0x35, "0;0;0099999.00;0;");
        d.Execute(0x38, "");
        d.Execute(0x2F, "");
      }
    }
  }
}

TEST(RobustnessTest, DamagedStateFilesAreRefusedOrLoadConsistently) {
  char tmpl[] = "/tmp/fiscal-sim-robust-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  const std::string path = std::string(tmpl) + "/s";
  DeviceState base = SimDevice::SampleState(42);
  SimDevice warm(base);
  warm.Execute(0x30, "1;1;0;1");
  warm.Execute(0x31, "X;\xC1;0000001.00");
  ASSERT_EQ(SaveState(warm.State(), path), "");
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  const char* const kValues[] = {
      "-1", "999999999999", "1000000000000000000", "x", "s41", "s4", "", "7", "-100", "100000"};
  std::mt19937 rng(3);
  for (int i = 0; i < 400; ++i) {
    std::vector<std::string> damaged = lines;
    for (int k = 0; k < 3; ++k) {
      std::string& l = damaged[1 + rng() % (damaged.size() - 1)];
      l = l.substr(0, l.find(' ') + 1) + kValues[rng() % (sizeof kValues / sizeof *kValues)];
    }
    {
      std::ofstream out(path);
      for (const auto& l : damaged) out << l << "\n";
    }
    DeviceState s = SimDevice::SampleState(42);
    if (!LoadState(path, s).empty()) continue;
    SimDevice d(s);
    for (uint8_t cmd : {0x20, 0x72, 0x6D, 0x6E, 0x31, 0x33, 0x35, 0x38, 0x7C, 0x75, 0x22, 0x64,
                        0x6B, 0x67, 0x69, 0x62})
      CheckReply(d.Execute(cmd, cmd == 0x6E ? "5" : cmd == 0x7C ? "Z" : ""), cmd, "");
  }
}
}  // namespace
