// A server started without --com/--device finds its printers: simulated
// printers behind COM mappings (links that may point nowhere yet), served
// under their serial numbers, found again on POST /printers/rescan and at the
// rescan interval, kept when they stop answering.
#include <unistd.h>

#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "link/settings.h"
#include "server/printer_discovery.h"
#include "server_on_sim.h"

using nlohmann::json;
namespace fs = std::filesystem;

namespace {

constexpr int kComA = 3;
constexpr int kComB = 4;
constexpr int kListedComs = 8;

void SetSerial(SimServer& sim, int number) {
  sim.WithDevice([number](SimDevice& d) { d.State().printerNumber = number; });
}

class FindingPrinters : public ServerOnSimBase {
 protected:
  void SetUp() override {
    dir_ = fs::path(::testing::TempDir()) / ("fs-discovery-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    // COM 1 to 8 are links the test points at a printer when it wants one there
    // (none of them at /dev/ttyS*).
    for (int com = 1; com <= kListedComs; ++com) PortMap::Instance().Set(com, Link(com));
    discovery.scanDevices = false;
    discovery.scanTimeouts = ScanTimeouts{};
    discovery.scanTimeouts->probeWindow = 300;
    discovery.scanTimeouts->echoWait = 60;
    LinkTimeouts link;
    link.checkLink = 300;
    link.linkSeries = 400;
    link.reply = 1000;
    discovery.identityTimeouts = link;
  }
  void TearDown() override {
    Stop();
    if (requestLog) std::fclose(requestLog);
    PortMap::Instance().Clear();
    fs::remove_all(dir_);
  }

  std::string Link(int com) const { return (dir_ / ("com" + std::to_string(com))).string(); }
  void Plug(int com, const SimServer& printer) { fs::create_symlink(printer.Path(), Link(com)); }

  void StartFinding(int rescanInterval = 0) {
    ServerConfig config;
    config.findPrinters = true;
    config.rescanInterval = rescanInterval;
    StartServing(config);
  }

  // The printers table: id -> device path.
  std::map<std::string, std::string> Table(const json& body) {
    std::map<std::string, std::string> out;
    for (auto it = body.begin(); it != body.end(); ++it)
      out[it.key()] = it.value().value("port", "");
    return out;
  }

  fs::path dir_;
};

TEST_F(FindingPrinters, TwoPrintersAreServedUnderTheirSerialNumbers) {
  SimServer second;
  SetSerial(second, 222222);
  Plug(kComA, sim);
  Plug(kComB, second);
  StartFinding();
  auto [status, body] = Get("/printers");
  ASSERT_EQ(status, 200);
  EXPECT_EQ(Table(body), (std::map<std::string, std::string>{{"nv123456", Link(kComA)},
                                                             {"nv222222", Link(kComB)}}))
      << body.dump();
  EXPECT_EQ(body["nv222222"]["serialNumber"], "NV222222");
  EXPECT_EQ(body["nv123456"]["com"], kComA);
  EXPECT_EQ(body["nv123456"]["connected"], true);
  std::tie(status, body) = Get("/printers/nv222222/status");
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_NE(ScanLog().find("printer nv222222 on " + Link(kComB) + " at 9600 baud"),
            std::string::npos)
      << ScanLog();
}

TEST_F(FindingPrinters, RescanAddsANewPrinterLeavesTheServedOnesAloneAndSuffixesACollision) {
  Plug(kComA, sim);
  StartFinding();
  ASSERT_EQ(Table(Get("/printers").second).size(), 1u);

  SimServer sameSerial;  // a second printer whose serial number gives the same id
  Plug(kComB, sameSerial);
  const int servedFrames = sim.FrameCount();
  EXPECT_EQ(api->Rescan(), 1u);
  EXPECT_EQ(sim.FrameCount(), servedFrames);  // a served port is never probed

  const int frames = sim.FrameCount() + sameSerial.FrameCount();
  EXPECT_EQ(api->Rescan(), 0u);
  EXPECT_EQ(sim.FrameCount() + sameSerial.FrameCount(), frames);

  // POST /printers/rescan answers the table, ids as they were.
  auto [status, body] = Post("/printers/rescan", "");
  ASSERT_EQ(status, 200) << body.dump();
  EXPECT_EQ(Table(body), (std::map<std::string, std::string>{{"nv123456", Link(kComA)},
                                                             {"nv123456_1", Link(kComB)}}))
      << body.dump();
  EXPECT_EQ(body["nv123456_1"]["serialNumber"], "NV123456");
  // The suffixed id reaches the second printer, the plain one the first.
  sim.ClearPaper();
  sameSerial.ClearPaper();
  EXPECT_EQ(Post("/printers/nv123456_1/xreport", "").second["ok"], true);
  EXPECT_TRUE(sim.Paper().empty());
  EXPECT_FALSE(sameSerial.Paper().empty());
  EXPECT_EQ(Post("/printers/rescan", "{\"x\":1}").first, 400);
  EXPECT_EQ(Get("/printers/rescan").first, 405);
}

TEST_F(FindingPrinters, APrinterThatStopsAnsweringStaysListedAndItsStatusSaysSo) {
  auto second = std::make_unique<SimServer>();
  SetSerial(*second, 222222);
  Plug(kComA, sim);
  Plug(kComB, *second);
  StartFinding();
  // Its simulator stopped and the device gone (the link too: another program
  // on this machine may get the freed pseudo-terminal).
  second.reset();
  fs::remove(Link(kComB));

  auto [status, body] = Get("/printers/nv222222/status");
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body["ok"], false);
  ASSERT_FALSE(body["messages"].empty()) << body.dump();
  EXPECT_EQ(body["messages"][0]["code"], "E101") << body.dump();

  std::tie(status, body) = Post("/printers/rescan", "");
  ASSERT_EQ(Table(body).size(), 2u) << body.dump();
  EXPECT_EQ(body["nv222222"]["connected"], false);
  EXPECT_EQ(body["nv222222"]["serialNumber"], "NV222222");  // as last read
  EXPECT_EQ(body["nv123456"]["connected"], true);
}

TEST_F(FindingPrinters, NoPrinterFoundStillServesAndTheRescanNeedsTheToken) {
  ServerConfig config;
  config.findPrinters = true;
  config.token = "s3cret";
  StartServing(config);
  const httplib::Headers auth = {{"Authorization", "Bearer s3cret"}};
  auto [status, body] = Get("/printers", auth);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body, json::object());
  EXPECT_NE(ScanLog().find("scan: no printer found"), std::string::npos) << ScanLog();

  Plug(kComA, sim);
  EXPECT_EQ(Post("/printers/rescan", "").first, 401);
  EXPECT_EQ(api->PrinterCount(), 0u);
  std::tie(status, body) = Post("/printers/rescan", "", auth);
  EXPECT_EQ(Table(body).size(), 1u) << body.dump();
}

TEST_F(FindingPrinters, PrintersFoundLaterHaveTheirQueuesOnTheHttpSide) {
  StartFinding();  // none found: handler threads for the refusals only
  SimServer second;
  SetSerial(second, 222222);
  Plug(kComA, sim);
  Plug(kComB, second);
  ASSERT_EQ(Table(Post("/printers/rescan", "").second).size(), 2u);
  sim.Inject(Fault::kNoAnswer);  // every request now takes a while
  second.Inject(Fault::kNoAnswer);
  LinkTimeouts quick;  // but not long
  quick.checkLink = 60;
  quick.linkSeries = 80;
  quick.reply = 100;
  api->SetTimeoutsForTesting(quick);
  // Each printer's full queue at once: more requests than the handlers made at the start.
  std::vector<std::future<std::string>> calls;
  for (const char* id : {"nv123456", "nv222222"}) {
    for (size_t i = 0; i <= Api::kMaxQueuedPerPrinter; ++i) {
      calls.push_back(std::async(std::launch::async, [this, id] {
        httplib::Client c("127.0.0.1", front->Port());
        c.set_read_timeout(120, 0);
        auto res = c.Get((std::string("/printers/") + id + "/status").c_str());
        return res ? res->body : std::string("no answer");
      }));
    }
  }
  for (auto& call : calls) EXPECT_EQ(call.get().find("The server is busy"), std::string::npos);
}

TEST_F(FindingPrinters, TheIntervalFindsAPrinterPluggedInLater) {
  Plug(kComA, sim);
  StartFinding(1);
  SimServer second;
  SetSerial(second, 222222);
  Plug(kComB, second);
  for (int i = 0; i < 300 && CountOf(ScanLog(), " served (") < 2; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(Table(Get("/printers").second).size(), 2u) << ScanLog();
  // The scans at the interval that find nothing new leave the log alone.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  EXPECT_EQ(CountOf(ScanLog(), " served ("), 2) << ScanLog();
}

// Another printer on a served port (swapped on the cable, a reused adapter):
// nothing meant for the id reaches it, and the sale waits for the right one.
TEST_F(FindingPrinters, AnotherPrinterOnTheSamePortPrintsNothingMeantForTheId) {
  SimServer other;
  SetSerial(other, 333333);
  Plug(kComA, sim);
  requestLog = std::tmpfile();
  StartFinding();
  fs::remove(Link(kComA));
  Plug(kComA, other);
  other.ClearPaper();
  const std::string receipt =
      R"({"uniqueSaleNumber":"SW-1","items":[{"text":"Хляб","unitPrice":1.20,"taxGroup":2}]})";
  const int frames = other.FrameCount();
  auto [status, body] = Post("/printers/nv123456/receipt", receipt);
  EXPECT_EQ(body["ok"], false);
  ASSERT_FALSE(body["messages"].empty()) << body.dump();
  EXPECT_EQ(body["messages"][0]["code"], "E112");
  EXPECT_EQ(body["messages"][0]["text"],
            "На този порт отговаря друг принтер (NV333333), а не NV123456; нищо не е изпратено");
  EXPECT_EQ(body["printed"]["opened"], false);
  EXPECT_EQ(other.FrameCount() - frames, 2);  // the serial number read only: status, numbers
  EXPECT_EQ(Post("/printers/nv123456/zreport", "").second["messages"][0]["code"], "E112");
  EXPECT_TRUE(other.Paper().empty()) << other.Paper();
  std::tie(status, body) = Get("/printers/nv123456/status");
  EXPECT_EQ(body["ok"], false);
  EXPECT_NE(body["messages"].dump().find("E112"), std::string::npos) << body.dump();
  std::tie(status, body) = Get("/printers/nv123456");
  EXPECT_EQ(body["serialNumber"], "NV333333");  // what answers, and that it is not this one
  EXPECT_EQ(body["connected"], true);
  EXPECT_EQ(body["messages"][0]["code"], "E112");
  const std::string log = LogOnceItHolds(requestLog, "(NV333333), а не NV123456");
  const size_t line = log.find("SW-1 200 failed - ");
  ASSERT_NE(line, std::string::npos) << log;
  EXPECT_LT(log.find("(NV333333), а не NV123456", line), log.find('\n', line)) << log;

  // The right printer back: the same sale prints once.
  fs::remove(Link(kComA));
  Plug(kComA, sim);
  sim.ClearPaper();
  std::tie(status, body) = Post("/printers/nv123456/receipt", receipt);
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_EQ(Get("/printers/nv123456/status").second["ok"], true);
  Post("/printers/nv123456/receipt", receipt);
  EXPECT_EQ(CountOf(sim.Paper(), "Хляб"), 1) << sim.Paper();
  EXPECT_TRUE(other.Paper().empty());
}

TEST_F(FindingPrinters, APrinterGivenByItsPortIsTheOneFirstRead) {
  SimServer other;
  SetSerial(other, 333333);
  Plug(kComA, sim);
  ServerConfig config;
  config.printers = {ServedPrinter{"till", kComA, Link(kComA), 9600}};
  StartServing(config);
  EXPECT_EQ(Post("/printers/till/xreport", "").second["ok"], true);  // reads NV123456 first
  fs::remove(Link(kComA));
  Plug(kComA, other);
  other.ClearPaper();
  const json body = Post("/printers/till/xreport", "").second;
  EXPECT_EQ(body["messages"][0]["code"], "E112") << body.dump();
  EXPECT_TRUE(other.Paper().empty());
}

TEST_F(FindingPrinters, ConfiguredPrintersAreNotRescanned) {
  Start();
  EXPECT_EQ(Post("/printers/rescan", "").first, 404);
}

TEST(PrinterDiscovery, IdsComesAndTheServedPortsLeftOut) {
  const std::set<std::string> taken = {"nv123456", "nv123456_1", "other"};
  const struct {
    const char* serial;
    const char* id;
  } kIds[] = {{"NV123456", "nv123456_2"},
              {"NV654321", "nv654321"},
              {"ab 12/3", "ab123"},
              {"", ""},
              {"/ ", ""},
              {"OTHER", "other_1"}};
  for (const auto& c : kIds) EXPECT_EQ(UniquePrinterId(c.serial, taken), c.id) << c.serial;

  EXPECT_EQ(ComFor(3, {1, 2}), 3);
  EXPECT_EQ(ComFor(3, {3}), 101);
  EXPECT_EQ(ComFor(0, {101, 102}), 103);

  const std::vector<ScanCandidate> all = {{"COM 1", 1, "/dev/null"}, {"COM 2", 2, "/dev/zero"}};
  const auto left = UnservedCandidates(all, {ServedPrinter{"x", 9, "/dev/../dev/null", 9600}});
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].path, "/dev/zero");
}

TEST(PrinterDiscovery, NoPrinterGivenMeansFindThemAndOnlyThenAnInterval) {
  ServerConfig config;
  std::string error;
  ASSERT_TRUE(ParseServerArgs({"--rescan-interval", "60"}, config, error)) << error;
  EXPECT_TRUE(config.findPrinters);
  EXPECT_EQ(config.rescanInterval, 60);
  ASSERT_TRUE(ParseServerArgs({"--com", "1=/dev/null"}, config, error)) << error;
  EXPECT_FALSE(config.findPrinters);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--com", "1=/dev/null", "--rescan-interval", "60"},
        {"--rescan-interval", "-1"},
        {"--rescan-interval", "86401"}})
    EXPECT_FALSE(ParseServerArgs(bad, config, error)) << bad.back();
  ASSERT_TRUE(LoadServerConfig("{\"rescanInterval\":30}", config, error)) << error;
  EXPECT_EQ(config.rescanInterval, 30);
  EXPECT_FALSE(LoadServerConfig("{\"rescanInterval\":-5}", config, error));
}

}  // namespace
