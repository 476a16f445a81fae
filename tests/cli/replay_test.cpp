// Replaying a recorded session: the receipt recorded against the simulated
// printer passes again, a changed price is reported at the first frame that
// differs, and a host that stops early or goes on too long is told apart.
#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <iterator>

#include "cli_run.h"
#include "sim/session_replay.h"

namespace {

std::string ReadSource(const std::string& relative) {
  std::ifstream in(std::string(FS_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<ReplayStep> Steps(const std::string& recording) {
  std::vector<RecordedChunk> chunks;
  std::vector<ReplayStep> steps;
  std::string error;
  EXPECT_TRUE(ParseRecording(ReadSource(recording), chunks, error)) << error;
  EXPECT_TRUE(BuildReplaySteps(chunks, steps, error)) << error;
  return steps;
}

struct Replayed {
  ReplayResult replay;
  CliRun host;
};

// Serves `recording` on a pseudo-terminal while fiscal-cli runs `script` on it.
Replayed Replay(const std::string& recording, const std::string& script) {
  ReplayOptions options;
  options.idleTimeoutMs = 5000;
  options.settleMs = 100;
  SessionReplay replay(Steps(recording), options);
  std::atomic<bool> stop{false};
  auto served = std::async(std::launch::async, [&] { return replay.Run(stop); });
  Replayed r;
  r.host = RunTool({"--device", replay.Path(), "--script", "-"}, script);
  r.replay = served.get();
  return r;
}

TEST(Replay, TheRecordedReceiptPassesAgain) {
  const Replayed r = Replay("tests/replay/receipt.rec", ReadSource("tests/replay/receipt.cli"));
  EXPECT_TRUE(r.replay.ok) << r.replay.message;
  EXPECT_EQ(r.replay.matched, r.replay.total);
  EXPECT_EQ(r.host.code, 0) << r.host.err;
  // The printer's answers came back as recorded: the receipt number it read.
  EXPECT_NE(r.host.out.find("ReadLastReceiptNumber result=\"OK\" number="), std::string::npos)
      << r.host.out;
}

TEST(Replay, AChangedPriceIsReportedAtTheFirstFrameThatDiffers) {
  const std::string script = ReadSource("tests/replay/receipt-changed-price.cli");
  const Replayed r = Replay("tests/replay/receipt.rec", script);
  EXPECT_FALSE(r.replay.ok);
  const std::string expect = script.substr(10, script.find('\n') - 10);  // after "# expect: "
  EXPECT_NE(r.replay.message.find(expect), std::string::npos) << r.replay.message;
  EXPECT_NE(r.replay.message.find("expected cmd=0x31 data=\"Хляб бял"), std::string::npos)
      << r.replay.message;
  EXPECT_NE(r.replay.message.find("1.20"), std::string::npos);
  EXPECT_NE(r.replay.message.find("1.30"), std::string::npos);
  EXPECT_EQ(r.host.code, 1);  // the host was refused (NACK)
}

TEST(Replay, AHostThatStopsEarlyOrGoesOnIsNotAPass) {
  ReplayOptions options;
  options.idleTimeoutMs = 1500;
  options.settleMs = 100;
  {
    SessionReplay replay(Steps("tests/replay/status.rec"), options);
    std::atomic<bool> stop{false};
    auto served = std::async(std::launch::async, [&] { return replay.Run(stop); });
    const CliRun host = RunTool({"--device", replay.Path(), "read-status"});
    const ReplayResult result = served.get();
    EXPECT_EQ(host.code, 0) << host.err;
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message, "replay: the host stopped after 1 of 2 frames");
  }
  {
    SessionReplay replay(Steps("tests/replay/status.rec"), options);
    std::atomic<bool> stop{false};
    auto served = std::async(std::launch::async, [&] { return replay.Run(stop); });
    const CliRun host = RunTool({"--device", replay.Path(), "--script", "-"},
                                "read-status\nread-version\nread-version\n");
    const ReplayResult result = served.get();
    EXPECT_EQ(host.code, 1);
    EXPECT_EQ(result.message.rfind("replay: the host sent frame 3, beyond the 2 recorded", 0), 0u)
        << result.message;
  }
}

TEST(Replay, ARecordingThatEndsInTheMiddleOfAReplyFails) {
  std::vector<ReplayStep> steps = Steps("tests/replay/status.rec");
  ASSERT_FALSE(steps.empty());
  std::string& last = steps.back().reply;
  last.resize(last.size() / 2);
  ReplayOptions options;
  options.idleTimeoutMs = 1500;
  options.settleMs = 100;
  SessionReplay replay(steps, options);
  std::atomic<bool> stop{false};
  auto served = std::async(std::launch::async, [&] { return replay.Run(stop); });
  const CliRun host =
      RunTool({"--device", replay.Path(), "--script", "-"}, "read-status\nread-version\n");
  const ReplayResult result = served.get();
  EXPECT_EQ(host.code, 1);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(
      result.message.rfind("replay: the recording ends in the middle of the reply to frame 2", 0),
      0u)
      << result.message;
}

}  // namespace
