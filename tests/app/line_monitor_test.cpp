// The line monitor: opened from "Инструменти", it shows the frames of a status
// read on the simulated printer as they cross the line; pause, clear and save;
// closed, it no longer watches the port. Its window-free log beside it.
#include "app/line_monitor_window.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app_test_support.h"
#include "driver/fiscal_printer.h"
#include "link/serial_trace.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

std::string ReadStatusOn(int port) {
  ScriptedUi ui;
  FiscalPrinter printer(&ui, port);
  StatusFlags flags{};
  return printer.ReadStatus(flags);
}

class LineMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PortMap::Instance().Clear();
    PortMap::Instance().Set(1, sim_.Path());
  }
  void TearDown() override {
    if (window_) window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
  }

  TemporaryHome home_;
  SimServer sim_;
  MainDialog* window_ = nullptr;
};

TEST_F(LineMonitorTest, ShowsTheFramesOfAStatusReadFromTheToolsMenu) {
  window_ = new MainDialog();
  ASSERT_TRUE(window_->IsItemEnabled(tools_id::kLineMonitor));
  EXPECT_FALSE(SerialTrace());  // nothing watches the line before it opens
  window_->RunItem(tools_id::kLineMonitor);
  LineMonitorWindow* monitor = LineMonitorWindow::Current();
  ASSERT_NE(monitor, nullptr);
  EXPECT_TRUE(monitor->IsShown());
  window_->RunItem(tools_id::kLineMonitor);  // a second time: the same window
  EXPECT_EQ(LineMonitorWindow::Current(), monitor);

  ASSERT_FALSE(ReadStatusOn(1).empty());
  const std::string shown = monitor->ShownText().utf8_string();
  for (const char* piece :
       {" > 04  |.|  link probe", " < 04  |.|  link probe echo", " > 05  |.|  ready probe",
        " < 05  |.|  ready", " > 02 23 20 20 32 33 0a  |.#  23.|  frame seq=0x20 cmd=0x20 data=0",
        "  STX: data reply", "  data reply seq=0x20 cmd=0x20 data="}) {
    EXPECT_NE(shown.find(piece), std::string::npos) << piece << "\n" << shown;
  }

  // Paused: lines are held back, then shown on resuming.
  const size_t before = monitor->Log().LineCount();
  Click(monitor, LineMonitorWindow::kPauseButton);
  ASSERT_FALSE(ReadStatusOn(1).empty());
  EXPECT_EQ(monitor->ShownText().utf8_string(), shown);
  EXPECT_GT(monitor->Log().HeldBack(), 0u);
  Click(monitor, LineMonitorWindow::kPauseButton);
  EXPECT_EQ(monitor->Log().HeldBack(), 0u);
  EXPECT_GT(monitor->Log().LineCount(), before);
  EXPECT_EQ(monitor->ShownText().utf8_string(), monitor->Log().Text());

  // Saved as shown.
  const std::string path =
      (std::filesystem::temp_directory_path() / ("monitor-" + std::to_string(::getpid()) + ".txt"))
          .string();
  monitor->SetChooseFile([&](wxWindow*) { return wxString::FromUTF8(path); });
  Click(monitor, LineMonitorWindow::kSaveButton);
  std::ifstream in(path, std::ios::binary);
  const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  EXPECT_EQ(saved, monitor->Log().Text());

  // A file that cannot be written: the message with the system's reason.
  std::vector<std::string> messages;
  monitor->SetChooseFile([](wxWindow*) { return wxString("/nonexistent/dir/trace.txt"); });
  monitor->SetMessageBox(
      [&](const wxString& text, const wxString&) { messages.push_back(text.utf8_string()); });
  Click(monitor, LineMonitorWindow::kSaveButton);
  EXPECT_EQ(messages,
            std::vector<std::string>{"Грешка при създаване на файла:\nNo such file or directory"});

  Click(monitor, LineMonitorWindow::kClearButton);
  EXPECT_TRUE(monitor->ShownText().empty());
  EXPECT_EQ(monitor->Log().LineCount(), 0u);

  // Closed: gone, and the port is watched by nobody.
  monitor->Close();
  EXPECT_EQ(LineMonitorWindow::Current(), nullptr);
  EXPECT_FALSE(SerialTrace());
  wxTheApp->ProcessIdle();  // deletes the destroyed window
}

TEST_F(LineMonitorTest, ClosingItLeavesAnEarlierObserverInPlace) {
  int seen = 0;
  {
    ScopedSerialTrace recording([&](int, bool, const std::string&) { ++seen; });
    LineMonitorWindow* monitor = LineMonitorWindow::Open(nullptr);
    ASSERT_FALSE(ReadStatusOn(1).empty());
    const int withMonitor = seen;
    EXPECT_GT(withMonitor, 0);
    EXPECT_GT(monitor->Log().LineCount(), 0u);
    monitor->Destroy();
    wxTheApp->ProcessIdle();  // deletes the destroyed window
    ASSERT_FALSE(ReadStatusOn(1).empty());
    EXPECT_GT(seen, withMonitor);  // the recording goes on
  }
  EXPECT_FALSE(SerialTrace());
}

TEST_F(LineMonitorTest, TheOldestLinesLeaveTheWindowAsTheLogDropsThem) {
  LineMonitorWindow* monitor = LineMonitorWindow::Open(nullptr, 5);
  ASSERT_FALSE(ReadStatusOn(1).empty());  // about ten lines
  ASSERT_FALSE(ReadStatusOn(1).empty());
  EXPECT_EQ(monitor->Log().LineCount(), 5u);
  EXPECT_EQ(monitor->ShownText().utf8_string(), monitor->Log().Text());
  monitor->Destroy();
  wxTheApp->ProcessIdle();
}

TEST(LineMonitorLogTest, KeepsTheNewestLinesAndHoldsBackWhilePaused) {
  const auto now = std::chrono::system_clock::now();
  LineMonitorLog log(3);
  EXPECT_TRUE(log.Add(true, "\x04", now));
  const std::string first = log.Text();  // one line and its break
  EXPECT_TRUE(log.Add(false, "\x04", now));
  EXPECT_EQ(log.TakeNewLines().size(), 2u);
  EXPECT_EQ(log.TakeTrimmedChars(), 0u);
  log.SetPaused(true);
  EXPECT_FALSE(log.Add(true, "\x05", now));
  EXPECT_FALSE(log.Add(false, "\x05", now));
  EXPECT_EQ(log.HeldBack(), 2u);
  EXPECT_EQ(log.LineCount(), 2u);
  EXPECT_TRUE(log.TakeNewLines().empty());
  log.SetPaused(false);
  // Four lines, three kept: the oldest went, and the window removes it.
  EXPECT_EQ(log.LineCount(), 3u);
  const std::string text = log.Text();
  EXPECT_EQ(log.TakeTrimmedChars(), first.size());
  EXPECT_EQ(log.TakeTrimmedChars(), 0u);
  EXPECT_EQ(text.find("link probe\n"), std::string::npos) << text;  // the first line went
  EXPECT_NE(text.find("link probe echo\n"), std::string::npos) << text;
  // Named in order although formatted while paused: the ready probe's answer.
  EXPECT_NE(text.find("ready probe\n"), std::string::npos) << text;
  EXPECT_NE(text.find("|  ready\n"), std::string::npos) << text;
  log.Clear();
  EXPECT_EQ(log.Text(), "");
  EXPECT_EQ(log.HeldBack(), 0u);
}

}  // namespace
