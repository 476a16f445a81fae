// The Windows service's portable parts: its command line, the configuration
// file it is installed with, and its life as the service manager sees it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/server_config.h"
#include "server/service_log.h"
#include "server/service_runner.h"
#include "server/service_setup.h"

namespace {

using service::Action;
using service::State;

TEST(ServiceCommand, PicksTheServiceOptionAndKeepsTheRest) {
  struct Row {
    std::vector<std::string> args;
    bool ok;
    Action action;
    std::vector<std::string> rest;
  } rows[] = {
      {{"--com", "1=COM1"}, true, Action::kNone, {"--com", "1=COM1"}},
      {{"--install-service", "--listen", "127.0.0.1:9000", "--com", "3=COM3"},
       true,
       Action::kInstall,
       {"--listen", "127.0.0.1:9000", "--com", "3=COM3"}},
      {{"--com", "3=COM3", "--install-service"}, true, Action::kInstall, {"--com", "3=COM3"}},
      {{"--uninstall-service"}, true, Action::kUninstall, {}},
      {{"--service"}, true, Action::kRun, {}},
      // The service takes its options from its file, never from its command line.
      {{"--service", "--com", "1=COM1"}, false, Action::kNone, {}},
      {{"--uninstall-service", "--listen", "0.0.0.0:1"}, false, Action::kNone, {}},
      {{"--install-service", "--uninstall-service"}, false, Action::kNone, {}},
      {{"--service", "--service"}, false, Action::kNone, {}},
  };
  for (const Row& row : rows) {
    service::Command command;
    std::string error;
    const bool ok = service::ParseCommand(row.args, command, error);
    const std::string where = ::testing::PrintToString(row.args);
    ASSERT_EQ(ok, row.ok) << where;
    if (!ok) {
      EXPECT_FALSE(error.empty()) << where;
      continue;
    }
    EXPECT_EQ(command.action, row.action) << where;
    EXPECT_EQ(command.serverArgs, row.rest) << where;
  }
}

// What --install-service writes is what the service reads back.
TEST(ServiceConfigFile, ReadsBackToTheSameSettings) {
  const std::vector<std::vector<std::string>> commandLines = {
      {"--com", "3=\\\\.\\COM3"},
      {"--listen", "0.0.0.0:8123", "--token", "тайна \"x\"", "--allow-raw", "--operator", "2:4321",
       "--retries", "0", "--baud", "115200", "--device", "kasa=COM4", "--com", "7=COM7"},
      {"--listen", "[::1]:9001", "--retries", "10", "--com", "1=COM1", "--allow-host", "kasa",
       "--allow-origin", "http://pos.example:8080", "--log", "C:\\логове\\server.log", "--journal",
       "D:\\journal.json", "--payment-type", "bank=4", "--payment-type", "check=3"},
  };
  for (const auto& args : commandLines) {
    ServerConfig given;
    std::string error;
    ASSERT_TRUE(ParseServerArgs(args, given, error)) << error;
    ServerConfig read;
    ASSERT_TRUE(LoadServerConfig(service::ConfigJson(given), read, error)) << error;
    const std::string where = ::testing::PrintToString(args);
    EXPECT_EQ(read.host, given.host) << where;
    EXPECT_EQ(read.port, given.port) << where;
    EXPECT_EQ(read.token, given.token) << where;
    EXPECT_EQ(read.allowRaw, given.allowRaw) << where;
    EXPECT_EQ(read.retries, given.retries) << where;
    EXPECT_EQ(read.defaultOperator.number, given.defaultOperator.number) << where;
    EXPECT_EQ(read.defaultOperator.password, given.defaultOperator.password) << where;
    EXPECT_EQ(read.allowedHosts, given.allowedHosts) << where;
    EXPECT_EQ(read.allowedOrigins, given.allowedOrigins) << where;
    EXPECT_EQ(read.logPath, given.logPath) << where;
    EXPECT_EQ(read.journalPath, given.journalPath) << where;
    for (const std::string& name : PaymentTypeMap::Names())
      EXPECT_EQ(read.paymentTypes.Find(name), given.paymentTypes.Find(name)) << where << name;
    ASSERT_EQ(read.printers.size(), given.printers.size()) << where;
    for (size_t i = 0; i < given.printers.size(); ++i) {
      EXPECT_EQ(read.printers[i].id, given.printers[i].id) << where;
      EXPECT_EQ(read.printers[i].com, given.printers[i].com) << where;
      EXPECT_EQ(read.printers[i].path, given.printers[i].path) << where;
      EXPECT_EQ(read.printers[i].baud, given.printers[i].baud) << where;
    }
  }
}

// A fake service: records what the manager would hear and serves until stopped.
class FakeService {
 public:
  bool startOk = true;
  int stopsIgnored = 0;       // stop calls that come too early to end serving
  bool servesForever = true;  // false: serving ends by itself at once
  std::function<void()> onStart;

  service::Runner::Hooks Hooks() {
    return {
        [this](State s, int code) {
          std::lock_guard<std::mutex> lock(mutex_);
          states.push_back(s);
          lastExitCode = code;
        },
        [this](std::string& error) {
          if (onStart) onStart();
          if (!startOk) error = "address in use";
          return startOk;
        },
        [this] {
          serving = true;
          while (servesForever && !stopped)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        },
        [this] {
          ++stopCalls;
          if (stopCalls > stopsIgnored) stopped = true;
        },
        [this](const std::string& line) {
          std::lock_guard<std::mutex> lock(mutex_);
          log.push_back(line);
        },
    };
  }
  std::vector<State> States() {
    std::lock_guard<std::mutex> lock(mutex_);
    return states;
  }

  std::vector<State> states;
  std::vector<std::string> log;
  int lastExitCode = -1;
  std::atomic<bool> serving{false};
  std::atomic<bool> stopped{false};
  std::atomic<int> stopCalls{0};

 private:
  std::mutex mutex_;
};

void WaitFor(const std::atomic<bool>& flag) {
  for (int i = 0; i < 2000 && !flag; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_TRUE(flag);
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The service's log: the data folder's file until the configuration is read,
// then the configured file with the configured cap; a configured file that
// cannot be opened leaves the reason in the default one.
TEST(ServiceLog, FollowsTheConfigurationAndKeepsItsCap) {
  std::string dir = ::testing::TempDir() + "/fs-service-log-XXXXXX";
  ASSERT_NE(mkdtemp(dir.data()), nullptr);
  const std::string fallback = dir + "/fiscal-server.log";
  const std::string configured = dir + "/own.log";
  service::Log log(fallback);
  std::string error;

  log.Line("refused: the configuration\n can be changed by Users\n");
  EXPECT_EQ(log.Path(), fallback);
  EXPECT_FALSE(log.Open(dir + "/no-such-folder/x.log", 4096, error));
  EXPECT_NE(error.find(dir + "/no-such-folder/x.log"), std::string::npos) << error;
  log.Line("cannot start: " + error);
  EXPECT_EQ(log.Path(), fallback);

  ASSERT_TRUE(log.Open(configured, 4096, error)) << error;
  EXPECT_EQ(log.Path(), configured);
  log.Line("listening on 127.0.0.1:8001");
  log.Requests()->Write("request line");
  const std::string before = FileText(fallback);
  EXPECT_NE(before.find("fiscal-server: refused: the configuration"), std::string::npos);
  EXPECT_NE(before.find("fiscal-server: cannot start: cannot write the log"), std::string::npos);
  EXPECT_EQ(before.find("listening"), std::string::npos) << before;
  EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 2) << "one line each: " << before;
  const std::string own = FileText(configured);
  EXPECT_NE(own.find("Z fiscal-server: listening on 127.0.0.1:8001\n"), std::string::npos) << own;
  EXPECT_NE(own.find("request line\n"), std::string::npos) << own;

  // The configured cap holds for both kinds of line: FILE.1 and a new FILE.
  for (int i = 0; i < 40; ++i) {
    log.Line(std::string(100, 'a'));
    log.Requests()->Write(std::string(100, 'b'));
  }
  EXPECT_LE(std::filesystem::file_size(configured), 4096u);
  EXPECT_GE(std::filesystem::file_size(configured + ".1"), 3900u);
  EXPECT_LE(std::filesystem::file_size(configured + ".1"), 4096u);

  // No log named: the default file, now with the configured cap.
  ASSERT_TRUE(log.Open("", 2048, error)) << error;
  EXPECT_EQ(log.Path(), fallback);
  for (int i = 0; i < 40; ++i) log.Line(std::string(100, 'c'));
  EXPECT_LE(std::filesystem::file_size(fallback), 2048u);
  EXPECT_TRUE(std::filesystem::exists(fallback + ".1"));
  std::filesystem::remove_all(dir);
}

TEST(ServiceRunner, StartsServesAndStopsWhenAsked) {
  FakeService fake;
  service::Runner runner(fake.Hooks());
  int exitCode = -1;
  std::thread main([&] { exitCode = runner.Run(); });
  WaitFor(fake.serving);
  EXPECT_EQ(runner.Current(), State::kRunning);
  runner.Stop();
  runner.Stop();  // a second stop (shutdown after stop) changes nothing
  main.join();
  EXPECT_EQ(exitCode, 0);
  EXPECT_EQ(fake.States(), (std::vector<State>{State::kStartPending, State::kRunning,
                                               State::kStopPending, State::kStopped}));
  EXPECT_EQ(fake.lastExitCode, 0);
  EXPECT_EQ(fake.log, (std::vector<std::string>{"started", "stopped"}));
}

TEST(ServiceRunner, AFailedStartStopsWithAnErrorAndSaysWhy) {
  FakeService fake;
  fake.startOk = false;
  service::Runner runner(fake.Hooks());
  EXPECT_EQ(runner.Run(), 1);
  runner.Stop();  // too late: nothing more is reported
  EXPECT_EQ(fake.States(), (std::vector<State>{State::kStartPending, State::kStopped}));
  EXPECT_EQ(fake.lastExitCode, 1);
  EXPECT_FALSE(fake.serving);
  ASSERT_EQ(fake.log.size(), 1u);
  EXPECT_EQ(fake.log[0], "cannot start: address in use");
}

// A stop that reaches the server before it listens is repeated until serving ends.
TEST(ServiceRunner, AnEarlyStopIsRepeatedUntilServingEnds) {
  FakeService fake;
  fake.stopsIgnored = 2;
  service::Runner runner(fake.Hooks());
  fake.onStart = [&runner] { runner.Stop(); };  // the manager's stop arrives while binding
  EXPECT_EQ(runner.Run(), 0);
  EXPECT_EQ(fake.stopCalls, 3);
  // Never reported running: it was asked to stop first.
  EXPECT_EQ(fake.States(),
            (std::vector<State>{State::kStartPending, State::kStopPending, State::kStopped}));
}

// Serving that ends without a stop is a failure, so the manager's recovery restarts it.
TEST(ServiceRunner, ServingThatEndsByItselfIsAFailure) {
  FakeService fake;
  fake.servesForever = false;
  service::Runner runner(fake.Hooks());
  EXPECT_EQ(runner.Run(), 1);
  EXPECT_EQ(fake.States(),
            (std::vector<State>{State::kStartPending, State::kRunning, State::kStopped}));
  EXPECT_EQ(fake.lastExitCode, 1);
  EXPECT_EQ(fake.stopCalls, 0);
}

}  // namespace
