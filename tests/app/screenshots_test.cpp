// Pictures of the application for the documentation, taken against the
// simulated printer. Runs only when FS_SCREENSHOTS_DIR names the folder to
// write them to (scripts/screenshots).
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/display.h>
#include <wx/uiaction.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "app/about_dialog.h"
#include "app/line_monitor_window.h"
#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app/paper_window.h"
#include "app_test_support.h"
#include "dialogs/prompt_dialog.h"
#include "driver/fiscal_printer.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

namespace {

std::string ShotDir() {
  const char* dir = std::getenv("FS_SCREENSHOTS_DIR");
  return dir ? dir : "";
}

// Lets the windows paint for about `ms`.
void Settle(int ms = 600) {
  for (int i = 0; i < ms / 20; ++i) {
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

// Copies a rectangle of the screen with ImageMagick's "import" (the toolkit's
// own screen copy can return stale pixels).
void CaptureRect(const wxRect& r, const std::string& name) {
  const std::string path = ShotDir() + "/" + name + ".png";
  const std::string command = "import -window root -crop " + std::to_string(r.width) + "x" +
                              std::to_string(r.height) + "+" + std::to_string(r.x) + "+" +
                              std::to_string(r.y) + " +repage " + path;
  EXPECT_EQ(wxExecute(command, wxEXEC_SYNC | wxEXEC_NOEVENTS), 0) << command;
}

// A window's rectangle with a margin for the window manager's frame.
wxRect Framed(const wxWindow& w) {
  wxRect r = w.GetScreenRect();
  r.Inflate(2, 2);
  r.y -= 8;
  r.height += 8;
  return r.Intersect(wxDisplay(0u).GetGeometry());
}

// Runs `action`, and when a prompt dialog opens during it, photographs it and
// presses "Отказ" (result 2) where there is one, else the first button.
void CapturePromptDuring(const std::function<void()>& action, const std::string& name) {
  wxTimer timer;
  int ticks = 0;
  bool taken = false;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    PromptDialog* d = ModalDialog<PromptDialog>();
    if (!d || taken) return;
    if (++ticks < 25) return;  // let it paint
    taken = true;
    CaptureRect(Framed(*d), name);
    size_t press = 0;
    for (size_t i = 0; i < d->Style().buttons.size(); ++i) {
      if (d->Style().buttons[i].result == kPromptClosedResult) press = i;
    }
    Click(d, PromptDialog::kButtonIds[press]);
  });
  timer.Start(20);
  action();
  timer.Stop();
  EXPECT_TRUE(taken) << name << ": no prompt opened";
}

TEST(Screenshots, Application) {
  if (ShotDir().empty()) GTEST_SKIP() << "FS_SCREENSHOTS_DIR not set";
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  TemporaryHome home;
  const wxString testName = wxTheApp->GetAppDisplayName();
  wxTheApp->SetAppDisplayName("fiscal-service");

  auto* main = new MainDialog();
  main->Move(40, 60);
  main->Show();
  main->Raise();
  Settle();
  CaptureRect(Framed(*main), "main_window");

  // The reports menu with its X submenu open, opened from the keyboard.
  {
    wxUIActionSimulator input;
    const wxRect r = main->GetScreenRect();
    input.MouseMove(r.x + r.width / 2, r.y + r.height - 10);
    Settle(200);
    input.Char(WXK_F10);
    Settle(300);
    input.Char(WXK_RIGHT);
    Settle(300);
    input.Char(WXK_DOWN);
    input.Char(WXK_DOWN);
    Settle(200);
    input.Char(WXK_RIGHT);
    Settle(600);
    CaptureRect(wxRect(r.x - 6, r.y - 34, 720, 330).Intersect(wxDisplay(0u).GetGeometry()),
                "menu_reports");
    input.Char(WXK_ESCAPE);
    input.Char(WXK_ESCAPE);
    input.Char(WXK_ESCAPE);
    Settle(300);
  }

  CapturePromptDuring([&] { main->RunItem(menu_id::kFreeFMRecords); }, "prompt_free_records");

  sim.Inject(Fault::kNoAnswer, 1);
  CapturePromptDuring([&] { main->RunItem(menu_id::kDailyX); }, "prompt_no_answer");
  sim.Inject(Fault::kNoAnswer, 0);

  // A receipt's worth of paper, then the daily Z report.
  sim.ClearPaper();
  auto* paper = new PaperWindow(main, [&sim] {
    const std::string all = sim.Paper();
    sim.ClearPaper();
    return all;
  });
  paper->Show();
  sim.WithDevice([](SimDevice& d) {
    d.State().dailyTotals[1] = 1234;
    d.State().dailyUnzeroed = true;
  });
  main->RunItem(menu_id::kDailyZ);
  paper->Poll();
  Settle();
  CaptureRect(Framed(*paper), "paper_window");
  paper->Destroy();

  // The line monitor over a status and a version read.
  {
    LineMonitorWindow* monitor = LineMonitorWindow::Open(main);
    monitor->Move(40, 60);
    Settle(300);
    ScriptedUi ui;
    FiscalPrinter printer(&ui, 1);
    StatusFlags flags{};
    printer.ReadStatus(flags);
    printer.ReadVersion();
    Settle();
    CaptureRect(Framed(*monitor), "line_monitor");
    monitor->Destroy();
  }

  {
    AboutDialog about(main);
    about.Show();
    Settle();
    CaptureRect(Framed(about), "about_box");
    about.Hide();
  }
  main->Destroy();
  Settle(100);
  PortMap::Instance().Clear();
  wxTheApp->SetAppDisplayName(testName);
}

}  // namespace
