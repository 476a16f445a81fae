// Starting and stopping the simulated printer's process, with small scripts
// standing in for it.
#include "app/simulator_process.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "app/paper_window.h"
#include "app_test_support.h"

namespace {

std::string Script(const TemporaryHome& dir, const std::string& name, const std::string& body) {
  const std::string path = dir.Path() + "/" + name;
  dir.Write(name, "#!/bin/sh\n" + body);
  ::chmod(path.c_str(), 0755);
  return path;
}

std::string ReadAllWithin(SimulatorProcess& sim, int ms) {
  std::string out;
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    out += sim.ReadOutput();
    if (out.find('\n') != std::string::npos) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return out;
}

TEST(SimulatorProcessTest, ReadsTheDevicePathThenThePaper) {
  TemporaryHome dir;
  const std::string sim = Script(dir, "sim", "echo /dev/pts/77\necho \"$1 $2\"\nexec sleep 30\n");
  SimulatorProcess process;
  std::string error;
  ASSERT_TRUE(process.Start(sim, {"--paper", "roll"}, 5000, error)) << error;
  EXPECT_EQ(process.DevicePath(), "/dev/pts/77");
  EXPECT_EQ(ReadAllWithin(process, 3000), "--paper roll\n");
  EXPECT_TRUE(process.Running());
  const auto start = std::chrono::steady_clock::now();
  process.Stop();
  EXPECT_FALSE(process.Running());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

TEST(SimulatorProcessTest, FailuresLeaveNoChild) {
  TemporaryHome dir;
  SimulatorProcess process;
  std::string error;
  EXPECT_FALSE(process.Start(dir.Path() + "/missing", {}, 2000, error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(process.Running());

  EXPECT_FALSE(process.Start(Script(dir, "silent", "exec sleep 30\n"), {}, 200, error));
  EXPECT_NE(error.find("within 200 ms"), std::string::npos) << error;
  EXPECT_FALSE(process.Running());

  EXPECT_FALSE(process.Start(Script(dir, "empty", "echo\nexec sleep 30\n"), {}, 2000, error));
  EXPECT_FALSE(process.Running());
}

TEST(SimulatorProcessTest, FindsTheSimulatorNextToTheProgram) {
  TemporaryHome dir;
  ::unsetenv("FISCAL_SIM");
  EXPECT_EQ(FindSimulator(dir.Path() + "/fiscal-service"), "fiscal-sim");
  ::mkdir((dir.Path() + "/app").c_str(), 0755);
  ::mkdir((dir.Path() + "/sim").c_str(), 0755);
  Script(dir, "sim/fiscal-sim", "exit 0\n");
  EXPECT_EQ(FindSimulator(dir.Path() + "/app/fiscal-service"),
            dir.Path() + "/app/../sim/fiscal-sim");
  ::setenv("FISCAL_SIM", "/opt/sim", 1);
  EXPECT_EQ(FindSimulator(dir.Path() + "/app/fiscal-service"), "/opt/sim");
  ::unsetenv("FISCAL_SIM");
}

TEST(PaperWindowTest, FollowsTheSimulatorsPaperFile) {
  TemporaryHome dir;
  const std::string roll = dir.Path() + "/roll.txt";
  auto* window = new PaperWindow(nullptr, roll);
  window->Poll();  // the file does not exist yet
  EXPECT_EQ(window->Paper(), "");
  dir.Write("roll.txt", "ФИСКАЛЕН БОН\n");
  window->Poll();
  EXPECT_EQ(window->Paper(), wxString::FromUTF8("ФИСКАЛЕН БОН\n"));
  std::ofstream(roll, std::ios::app) << "ОБЩО 1.00\n";
  window->Poll();
  EXPECT_EQ(window->Paper(), wxString::FromUTF8("ФИСКАЛЕН БОН\nОБЩО 1.00\n"));
  window->Destroy();

  // A roll kept from an earlier run shows only what is printed from now on.
  auto* again = new PaperWindow(nullptr, roll);
  std::ofstream(roll, std::ios::app) << "НОВ ДЕН\n";
  again->Poll();
  EXPECT_EQ(again->Paper(), wxString::FromUTF8("НОВ ДЕН\n"));
  again->Destroy();
  ProcessPending();
}

}  // namespace
