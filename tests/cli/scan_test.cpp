// Finding the printer: the simulated printer behind COM 3 at 19200 baud among
// ports that cannot be opened, stay silent, talk nonsense, or echo the probe
// but never answer a frame; the candidates; the settings left as they were.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "cli_run.h"
#include "json_lite.h"
#include "link/serial_port.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/fake_device.h"

namespace {

// Shorter than the real windows where nothing answers, yet roomy enough for
// the simulated printer's echo on a loaded machine.
ScanTimeouts QuickScan() {
  ScanTimeouts t;
  t.probeWindow = 300;
  t.echoWait = 60;
  return t;
}

CliRun RunScan(std::vector<std::string> args) {
  std::istringstream in;
  std::ostringstream out, err;
  CliEnvironment env{in, out, err, false, FastTimeouts()};
  env.scanTimeouts = QuickScan();
  env.scanDevices = false;
  CliRun r;
  r.code = RunCli(args, env);
  r.out = out.str();
  r.err = err.str();
  return r;
}

SimOptions At19200() {
  SimOptions o;
  o.baud = 19200;
  return o;
}

const Json* PortNamed(const Json& report, const std::string& name) {
  for (const Json& p : report["ports"].array)
    if (p["name"].string == name) return &p;
  return nullptr;
}

TEST(Scan, FindsTheSimulatedPrinterAndSaysWhyNotElsewhere) {
  SimServer sim(At19200());
  FakeDevice silent;
  silent.SetProbe(FakeDevice::Probe::kSilent);
  FakeDevice chatter;  // another device, or the printer at another speed
  chatter.SetProbe(FakeDevice::Probe::kSilent);
  chatter.SetChatter("\xA5\x5A\x81");
  FakeDevice mute;  // echoes the handshake, never answers a frame
  mute.SetHandler([](const FakeDevice::ReceivedFrame&) { return FakeDevice::Reply::Silence(); });

  const CliRun r = RunScan({"--json", "--com", "1=/nonexistent/tty", "--com", "2=" + silent.Path(),
                            "--com", "3=" + sim.Path(), "--com", "4=" + chatter.Path(), "--com",
                            "5=" + mute.Path(), "scan"});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  const auto json = Json::Parse(r.OutLines().at(0));
  ASSERT_TRUE(json) << r.out;
  const Json& report = *json;
  EXPECT_TRUE(report["ok"].boolean);
  EXPECT_EQ(report["found"]["name"].string, "COM 3");
  EXPECT_EQ(report["found"]["baud"].number, 19200);
  EXPECT_EQ(report["found"]["version"].string.rfind("FS-SIM 1.00", 0), 0u);

  const Json* com3 = PortNamed(report, "COM 3");
  ASSERT_TRUE(com3);
  EXPECT_EQ(com3->operator[]("result").string, "printer");
  EXPECT_EQ(com3->operator[]("path").string, sim.Path());
  // Every speed up to the one that answered, then no further.
  const auto& speeds = com3->operator[]("speeds").array;
  ASSERT_EQ(speeds.size(), 2u);
  EXPECT_EQ(speeds[0]["baud"].number, 9600);
  EXPECT_NE(speeds[0]["result"].string, "printer");
  EXPECT_EQ(speeds[1]["result"].string, "printer");
  EXPECT_EQ(com3->operator[]("status").string.size(), 6u * 3 - 1)
      << com3->operator[]("status").string;

  const Json* com1 = PortNamed(report, "COM 1");
  ASSERT_TRUE(com1);
  EXPECT_EQ(com1->operator[]("result").string, "cannot open");
  EXPECT_FALSE(com1->operator[]("detail").string.empty());
  EXPECT_EQ(com1->operator[]("speeds").array.size(), 1u);  // not tried again at other speeds

  const struct {
    const char* name;
    const char* result;
  } kOthers[] = {{"COM 2", "no answer"},
                 {"COM 4", "garbage at this speed"},
                 {"COM 5", "handshake but no status"}};
  for (const auto& o : kOthers) {
    const Json* p = PortNamed(report, o.name);
    ASSERT_TRUE(p) << o.name;
    EXPECT_EQ(p->operator[]("result").string, o.result) << o.name;
    EXPECT_EQ(p->operator[]("speeds").array.size(), 5u) << o.name;
  }
  // Nothing was sent to the silent device but link probes.
  EXPECT_TRUE(silent.Frames().empty());
  EXPECT_GT(silent.ProbeCount(), 0);
  // The printer was read, not changed: status and version only.
  EXPECT_EQ(sim.FrameCount(), 2);
}

TEST(Scan, APortAnotherProgramHoldsIsLeftAlone) {
  FakeDevice printer;  // answers the handshake: a probe would show up
  PortMap::Instance().Set(6, printer.Path());
  SerialPort holder(6, nullptr);  // the other program, in the middle of its work
  ASSERT_EQ(holder.TakeError(), 0);

  const CliRun r = RunScan({"--com", "6=" + printer.Path(), "scan"});
  EXPECT_EQ(r.code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find(printer.Path() + "  in use by another program\n"), std::string::npos)
      << r.out;
  EXPECT_EQ(printer.ProbeCount(), 0);
  EXPECT_TRUE(printer.Frames().empty());

  PortScanner scanner;
  scanner.SetTimeouts(QuickScan());
  const PortScanResult p = scanner.ScanPort({"COM 6", 6, printer.Path()});
  EXPECT_EQ(p.outcome, ScanOutcome::kInUse);
  EXPECT_EQ(p.speeds.size(), 1u);  // not tried again at other speeds
  EXPECT_EQ(printer.ProbeCount(), 0);
  PortMap::Instance().Clear();
}

TEST(Scan, ReadableReportAndNothingFound) {
  FakeDevice silent;
  silent.SetProbe(FakeDevice::Probe::kSilent);
  const CliRun r = RunScan({"--com", "1=" + silent.Path(), "scan"});
  EXPECT_EQ(r.code, 1);
  const auto lines = r.OutLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("no answer at 9600, 19200, 38400, 57600, 115200"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no printer found\n"), std::string::npos);
  EXPECT_EQ(lines.back().rfind("scanned 8 ports in ", 0), 0u) << r.out;

  EXPECT_EQ(RunScan({"scan", "now"}).code, 2);  // no arguments, nothing opened
}

TEST(Scan, ADeviceWithoutACOMNumberIsReachedAndTheSettingsAreRestored) {
  SimServer sim(At19200());
  PortMap::Instance().Clear();
  PortScanner scanner;
  scanner.SetTimeouts(QuickScan());
  const PortScanResult p = scanner.ScanPort({sim.Path(), 0, sim.Path()});
  EXPECT_EQ(p.outcome, ScanOutcome::kPrinter);
  EXPECT_EQ(p.baud, 19200);
  EXPECT_EQ(p.comPort, 0);
  EXPECT_TRUE(PortMap::Instance().Mappings().empty());  // the borrowed number is given back
}

TEST(Scan, CandidatesNameEachDeviceOnceAndNoUnnamedPseudoTerminal) {
  FakeDevice a;
  const std::string link =
      (std::filesystem::temp_directory_path() / ("scan-link-" + std::to_string(::getpid())))
          .string();
  std::filesystem::remove(link);
  std::filesystem::create_symlink(a.Path(), link);
  PortMap& map = PortMap::Instance();
  map.Clear();
  map.Set(3, a.Path());
  map.Set(12, link);   // the same device under another name
  FakeDevice unnamed;  // a pseudo-terminal nobody mapped

  const auto candidates = PortScanner::Candidates(true);
  std::filesystem::remove(link);
  map.Clear();
  ASSERT_GE(candidates.size(), 8u);
  for (int n = 1; n <= 8; ++n) EXPECT_EQ(candidates[n - 1].name, "COM " + std::to_string(n));
  EXPECT_EQ(candidates[2].path, a.Path());
  for (const auto& c : candidates) {
    EXPECT_NE(c.name, "COM 12") << "a second name of COM 3's device";
    EXPECT_NE(c.path, unnamed.Path());
    EXPECT_EQ(c.path.rfind("/dev/pts/", 0) == 0, c.path == a.Path()) << c.path;
  }
}

}  // namespace
