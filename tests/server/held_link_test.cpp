// The printer's port kept open between the jobs of a burst: the printer's
// identity is read once per opening of the port, and again after a link
// failure, a reopening or an idle spell; what the answers carry from the
// printer's clock (to the second) and its device info.
#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>
#include <thread>

#include "server/held_link.h"
#include "server/netfp_device.h"
#include "server_on_sim.h"

using nlohmann::json;

namespace {

constexpr const char* kReceipt = R"({"items":[{"text":"Хляб","unitPrice":1.20,"taxGroup":2}]})";

class HeldLinkOnSim : public ServerOnSimBase {
 protected:
  void SetUp() override { Start(); }

  // Frames the simulated printer received for one request.
  template <typename F>
  int FramesOf(F request) {
    const int before = sim.FrameCount();
    request();
    return sim.FrameCount() - before;
  }
  int StatusFrames() {
    return FramesOf([&] { EXPECT_EQ(Get("/printers/1/status").second["ok"], true); });
  }
  void WaitPastIdleRelease() {
    std::this_thread::sleep_for(HeldLink::kIdleRelease + std::chrono::milliseconds(400));
  }
  void SetSerial(int number) {
    sim.WithDevice([number](SimDevice& d) { d.State().printerNumber = number; });
  }
};

// Status: the status, the factory numbers (on a new opening only: the
// identity) and the clock; the status read serves the other two as the
// driver's status check.
TEST_F(HeldLinkOnSim, AStatusReadIsThreeTransactionsOnANewOpeningAndTwoOnAKeptOne) {
  EXPECT_EQ(StatusFrames(), 3);
  EXPECT_EQ(StatusFrames(), 2);
  EXPECT_EQ(StatusFrames(), 2);
  WaitPastIdleRelease();  // the port was closed: the next request opens and checks again
  EXPECT_EQ(StatusFrames(), 3);
  // A status that does not allow the quick reads: the driver's own, checked.
  sim.Inject(Fault::kClockNotSet);
  WaitPastIdleRelease();
  const json body = Get("/printers/1/status").second;
  EXPECT_FALSE(body.contains("deviceDateTime")) << body.dump();
  EXPECT_EQ(body["status"]["flags"]["clockNotSet"], true) << body.dump();
  sim.Inject(Fault::kClockNotSet, 0);
}

TEST_F(HeldLinkOnSim, AReceiptOnAKeptLinkSendsNoIdentityRead) {
  // The printer's receipt rules are read once and kept past the port's closing.
  EXPECT_EQ(Post("/printers/1/receipt", kReceipt).second["ok"], true);
  WaitPastIdleRelease();
  const int first =
      FramesOf([&] { EXPECT_EQ(Post("/printers/1/receipt", kReceipt).second["ok"], true); });
  json body;
  const int second = FramesOf([&] { body = Post("/printers/1/receipt", kReceipt).second; });
  EXPECT_EQ(body["ok"], true) << body.dump();
  // The first checked the identity (two frames); the fiscal memory's number
  // came with it, so neither reads the factory numbers after closing.
  EXPECT_EQ(first - second, 2);
  EXPECT_EQ(body["fiscalMemorySerialNumber"], "50654321");
}

// A printer swapped on a kept port: the swap takes the printer off the line,
// which a request meanwhile meets as a link failure; or, with no request
// meanwhile, the port is closed by the time the other printer answers. Either
// way the identity is read again and nothing is printed on the other one.
TEST_F(HeldLinkOnSim, APrinterSwappedOnAKeptPortIsCaught) {
  const struct {
    const char* what;
    bool requestDuringTheSwap;
  } kSwaps[] = {{"a request meets the unplugged line", true},
                {"nothing is sent while it is unplugged", false}};
  for (const auto& swap : kSwaps) {
    SCOPED_TRACE(swap.what);
    SetSerial(123456);
    EXPECT_EQ(Post("/printers/1/xreport", "").second["ok"], true);  // kept, identity confirmed
    sim.Inject(Fault::kNoAnswer, 1000);
    if (swap.requestDuringTheSwap) {
      EXPECT_EQ(Get("/printers/1/status").second["ok"], false);
    }
    SetSerial(333333);  // another printer on the same line
    sim.ClearFaults();
    if (!swap.requestDuringTheSwap) {
      WaitPastIdleRelease();
    }
    sim.ClearPaper();
    const json body = Post("/printers/1/receipt", kReceipt).second;
    EXPECT_EQ(body["ok"], false);
    ASSERT_FALSE(body["messages"].empty()) << body.dump();
    EXPECT_EQ(body["messages"][0]["code"], "E112") << body.dump();
    EXPECT_EQ(sim.Paper().find("Хляб"), std::string::npos) << sim.Paper();
  }
  SetSerial(123456);
}

// The time on the paper, to the second: the simulated printer's clock set to
// a time with seconds, read back right away by every answer that carries it.
TEST_F(HeldLinkOnSim, TimesCarryThePrintersSeconds) {
  ASSERT_EQ(Post("/printers/1/datetime", R"({"deviceDateTime":"2030-03-04T10:11:17",
                  "corrections":{"setClock":true}})")
                .second["ok"],
            true);
  const struct {
    const char* what;
    std::function<json()> request;
    const char* member;
  } kAnswers[] = {
      {"status", [&] { return Get("/printers/1/status").second; }, "deviceDateTime"},
      {"clock", [&] { return Get("/printers/1/datetime").second; }, "deviceDateTime"},
      {"receipt", [&] { return Post("/printers/1/receipt", kReceipt).second; }, "receiptDateTime"},
  };
  for (const auto& a : kAnswers) {
    const json body = a.request();
    ASSERT_TRUE(body.contains(a.member)) << a.what << ": " << body.dump();
    const std::string t = body[a.member];
    // Seconds passed since the clock was set, but not a minute; never cut to ":00".
    EXPECT_GE(t, "2030-03-04T10:11:17") << a.what;
    EXPECT_LT(t, "2030-03-04T10:11:47") << a.what;
  }
}

TEST_F(HeldLinkOnSim, TheDeviceInfoLeavesOutTheMakerThePrinterDoesNotTell) {
  const json info = Get("/printers/1").second;
  EXPECT_EQ(info["serialNumber"], "NV123456") << info.dump();
  EXPECT_FALSE(info.contains("manufacturer")) << info.dump();
}

TEST(DeviceTime, TheClockReplyToTheSecond) {
  const struct {
    const char* reply;
    const char* time;
  } kReplies[] = {
      {"07-12-2026 17:40:21", "2026-12-07T17:40:21"},
      {"07-12-2026 17:40:00", "2026-12-07T17:40:00"},
      {"31-12-2026 23:59:59", "2026-12-31T23:59:59"},
      {"07-12-2026 17:40", "2026-12-07T17:40:00"},     // a printer without seconds
      {"07-12-2026 17:40:7", "2026-12-07T17:40:00"},   // cut short
      {"07-12-2026 17:40:61", "2026-12-07T17:40:00"},  // no such second
      {"07-12-2026 17:40-21", "2026-12-07T17:40:00"},  // not after a colon
      {"07-12-2026 17:4", ""},
      {"", ""},
      {"ab-12-2026 17:40:21", ""},
  };
  for (const auto& r : kReplies) EXPECT_EQ(DeviceTimeOf(r.reply), r.time) << r.reply;
}

}  // namespace
