// The main window as a real window under Xvfb, with the real driver talking to
// a scripted device on a pseudo-terminal.
#include "app/main_dialog.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/choice.h>
#include <wx/menu.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "app/about_dialog.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app_test_support.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/fake_device.h"

namespace {

constexpr uint8_t kStatusCmd = 0x20;
constexpr uint8_t kDailyReportCmd = 0x7C;
constexpr uint8_t kFreeRecordsCmd = 0x74;
constexpr uint8_t kDownloadCmd = 0x75;

// The line speed currently set on the terminal `path`.
speed_t SpeedOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return 0;
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::close(fd);
  return ::cfgetospeed(&tio);
}

void SetSpeed(const std::string& path, speed_t speed) {
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios tio{};
  ::tcgetattr(fd, &tio);
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  ::tcsetattr(fd, TCSANOW, &tio);
  ::close(fd);
}

class MainDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { PortMap::Instance().Clear(); }
  void TearDown() override {
    if (window_) window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
  }
  MainDialog* Open(MenuRoutes routes = StandardMenuRoutes()) {
    window_ = new MainDialog(std::move(routes));
    return window_;
  }

  TemporaryHome home_;
  MainDialog* window_ = nullptr;
};

TEST_F(MainDialogTest, OpensAtCom1And9600) {
  MainDialog* w = Open();
  EXPECT_EQ(w->Line().port, 1);
  EXPECT_EQ(w->Line().baudRate, 9600);
  auto* ports = dynamic_cast<wxChoice*>(w->FindWindow(MainDialog::kPortList));
  auto* speeds = dynamic_cast<wxChoice*>(w->FindWindow(MainDialog::kSpeedList));
  ASSERT_NE(ports, nullptr);
  ASSERT_NE(speeds, nullptr);
  ASSERT_EQ(ports->GetCount(), 8u);
  EXPECT_EQ(ports->GetString(0), "COM 1");
  EXPECT_EQ(ports->GetString(7), "COM 8");
  EXPECT_EQ(speeds->GetString(4), "115200");
  EXPECT_EQ(w->GetTitle(), wxString::FromUTF8("Фискален Принтер NORK"));
  EXPECT_FALSE(w->HasFlag(wxRESIZE_BORDER));
  EXPECT_FALSE(w->HasFlag(wxMAXIMIZE_BOX));
}

TEST_F(MainDialogTest, ExitClosesTheWindowAndTheAboutItemOpensTheAboutBox) {
  MainDialog* w = Open();
  std::string title;
  bool versionShown = false;
  wxTheApp->CallAfter([&] {
    for (wxWindow* tlw : wxTopLevelWindows) {
      auto* about = dynamic_cast<AboutDialog*>(tlw);
      if (!about || !about->IsModal()) continue;
      title = about->GetTitle().utf8_string();
      for (wxWindow* child : about->GetChildren()) {
        if (child->GetLabel().EndsWith("v2.1")) versionShown = true;
      }
      about->EndModal(wxID_OK);
    }
  });
  wxCommandEvent about(wxEVT_MENU, menu_id::kAbout);
  w->ProcessWindowEvent(about);
  EXPECT_EQ(title, "About " + wxTheApp->GetAppDisplayName().utf8_string());
  EXPECT_TRUE(versionShown);

  bool closed = false;
  w->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent& e) {
    closed = true;
    e.Skip();
  });
  wxCommandEvent exit(wxEVT_BUTTON, wxID_OK);
  wxWindow* button = w->FindWindow(wxID_OK);
  ASSERT_NE(button, nullptr);
  EXPECT_EQ(button->GetLabel(), "Exit");
  exit.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(exit);
  EXPECT_TRUE(closed);
  window_ = nullptr;  // destroyed by closing
  ProcessPending();
}

TEST_F(MainDialogTest, ListsChooseThePortAndSpeedTheNextCommandUses) {
  MainDialog* w = Open();
  FakeDevice com3;
  com3.MapTo(3);
  FakeDevice com1;
  com1.MapTo(1);
  SetSpeed(com3.Path(), B9600);

  Select(w, MainDialog::kPortList, 2);
  Select(w, MainDialog::kSpeedList, 2);
  EXPECT_EQ(w->Line().port, 3);
  EXPECT_EQ(w->Line().baudRate, 38400);

  w->RunItem(menu_id::kDailyX);
  const std::vector<uint8_t> sent = com3.Commands();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent.back(), kDailyReportCmd);
  EXPECT_EQ(com3.Frames().back().data, "X");
  EXPECT_EQ(SpeedOf(com3.Path()), static_cast<speed_t>(B38400));
  EXPECT_EQ(com1.ProbeCount(), 0);
}

TEST_F(MainDialogTest, SpeedListEntries) {
  const int expected[] = {9600, 19200, 38400, 57600, 115200, 9600, 9600};
  const int indexes[] = {0, 1, 2, 3, 4, -1, 7};
  for (size_t i = 0; i < std::size(indexes); ++i) {
    EXPECT_EQ(BaudRateForIndex(indexes[i]), expected[i]) << indexes[i];
  }
}

TEST_F(MainDialogTest, DistributorValueAloneEnablesFactoryNumbers) {
  int ran = 0;
  MenuRoutes routes = StandardMenuRoutes();
  routes[menu_id::kFactoryNumbers] = [&](MenuContext&) { ++ran; };

  struct Case {
    const char* file;  // content of ~/.NFPService, or null for none
    bool enabled;
  };
  const Case cases[] = {
      {nullptr, false},          {"Distributor=1\n", true},    {"Distributor=0\n", false},
      {"Distributor=7\n", true}, {"Distributor=yes\n", false}, {"Other=1\n", false},
  };
  for (const Case& c : cases) {
    TemporaryHome home;
    if (c.file) home.Write(".NFPService", c.file);
    MainDialog* w = Open(routes);
    EXPECT_EQ(w->DistributorMode(), c.enabled) << (c.file ? c.file : "no file");
    EXPECT_EQ(w->IsItemEnabled(menu_id::kFactoryNumbers), c.enabled);
    // The enable query, run whenever the menu is shown, keeps it so.
    w->UpdateWindowUI(wxUPDATE_UI_RECURSE);
    w->DoMenuUpdates();
    EXPECT_EQ(w->IsItemEnabled(menu_id::kFactoryNumbers), c.enabled);
    w->RunItem(menu_id::kFactoryNumbers);
    EXPECT_EQ(ran, c.enabled ? 1 : 0);
    ran = 0;
    w->Destroy();
    window_ = nullptr;
    ProcessPending();
  }
}

TEST_F(MainDialogTest, ItemsWithoutAnActionAreGreyed) {
  MenuRoutes routes;
  routes[menu_id::kDailyX] = [](MenuContext&) {};
  MainDialog* w = Open(routes);
  w->DoMenuUpdates();
  EXPECT_TRUE(w->IsItemEnabled(menu_id::kDailyX));
  EXPECT_FALSE(w->IsItemEnabled(menu_id::kReceiptOperations));
  EXPECT_FALSE(w->IsItemEnabled(menu_id::kDailyZ));
  EXPECT_TRUE(w->GetMenuBar()->IsEnabled(menu_id::kAbout));

  // The program's own table: every command item has its action.
  for (int id : {menu_id::kDailyZ, menu_id::kOperatorsZ, menu_id::kArticlesZ,
                 menu_id::kExtendedDailyZ, menu_id::kDailyX, menu_id::kAllOperatorsX,
                 menu_id::kArticlesX, menu_id::kExtendedDailyX, menu_id::kSpecialFMReport,
                 menu_id::kFMReportToFile, menu_id::kFreeFMRecords, menu_id::kJournalReport}) {
    EXPECT_EQ(StandardMenuRoutes().count(id), 1u) << id;
  }
  for (int op = 0; op < 9; ++op)
    EXPECT_EQ(StandardMenuRoutes().count(menu_id::kOperatorX1 + op), 1u);
}

TEST_F(MainDialogTest, MenuTexts) {
  MainDialog* w = Open();
  wxMenuBar* bar = w->GetMenuBar();
  ASSERT_EQ(bar->GetMenuCount(), 4u);
  EXPECT_EQ(bar->GetMenuLabel(3), wxString::FromUTF8("Инструменти"));
  EXPECT_EQ(bar->GetMenuLabel(0), wxString::FromUTF8("Продажби"));
  EXPECT_EQ(bar->GetMenuLabel(1), wxString::FromUTF8("Отчети"));
  EXPECT_EQ(bar->GetMenuLabel(2), "&Setup");
  struct Label {
    int id;
    const char* text;
  };
  const Label labels[] = {
      {32797, "Операции с бонове"},
      {32800, "Въвеждане/Извеждане на Служебни суми"},
      {32778, "Дневен финансов Z"},
      {32779, "Дневен финансов Х"},
      {32803, "Оператор 1"},
      {32811, "Оператор 9"},
      {32812, "Всички оператори"},
      {32785, "Разширен дневен X"},
      {32817, "Във Файл"},
      {32813, "Оставащи свободни записи във ФП"},
      {32819, "Отчет на ЕКЛ"},
      {32793, "Програмиране на видовете Плащания"},
      {32789, "Фискализация, Дес.точка и Дан.Ставки"},
      {32816, "Записване на Фабрични Номера"},
      {32773, "&Статус|Версия|Диагностика"},
      {32820, "Номера на фактури"},
      {menu_id::kAbout, "&За програмата"},
  };
  for (const Label& l : labels) {
    EXPECT_EQ(bar->GetLabel(ToolkitMenuId(l.id)), wxString::FromUTF8(l.text)) << l.id;
  }
  // Separators around "Във Файл" in the fiscal-memory submenu.
  wxMenu* reports = bar->GetMenu(1);
  wxMenuItem* fm = reports->FindItemByPosition(3);
  ASSERT_TRUE(fm->IsSubMenu());
  EXPECT_EQ(fm->GetItemLabel(), wxString::FromUTF8("Отчети на ФП"));
  wxMenu* fmMenu = fm->GetSubMenu();
  ASSERT_EQ(fmMenu->GetMenuItemCount(), 7u);
  EXPECT_TRUE(fmMenu->FindItemByPosition(3)->IsSeparator());
  EXPECT_EQ(CommandOfMenuId(fmMenu->FindItemByPosition(4)->GetId()), 32817);
  EXPECT_TRUE(fmMenu->FindItemByPosition(5)->IsSeparator());
  // The About item closes the last menu, behind a separator.
  wxMenu* setup = bar->GetMenu(2);
  const size_t n = setup->GetMenuItemCount();
  EXPECT_EQ(setup->FindItemByPosition(n - 1)->GetId(), menu_id::kAbout);
  EXPECT_TRUE(setup->FindItemByPosition(n - 2)->IsSeparator());
}

TEST_F(MainDialogTest, ZReportAnswersTheZeroReportQuestion) {
  MainDialog* w = Open();
  FakeDevice printer;
  printer.MapTo(1);
  PromptWatch prompts;
  prompts.Answer({6});  // nothing sold today: "Да" to the zero report
  w->RunItem(menu_id::kDailyZ);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].text, "Искате да направите Нулев Дневен Отчет?");
  const auto frames = printer.Frames();
  ASSERT_FALSE(frames.empty());
  EXPECT_EQ(frames.front().cmd, kStatusCmd);
  EXPECT_EQ(frames.back().cmd, kDailyReportCmd);
  EXPECT_EQ(frames.back().data, "Z");
}

TEST_F(MainDialogTest, ZReportOnTheSimulatedPrinterZeroesTheDay) {
  SimServer sim;
  PortMap::Instance().Set(1, sim.Path());
  sim.WithDevice([](SimDevice& d) {
    d.State().dailyTotals[1] = 1234;  // 12.34 sold in group Б
    d.State().dailyUnzeroed = true;
  });
  const int report = sim.WithDevice([](SimDevice& d) { return d.State().reportNumber; });
  const size_t records = sim.WithDevice([](SimDevice& d) { return d.State().fm.size(); });

  MainDialog* w = Open();
  PromptWatch prompts;  // nothing to confirm: the day has a turnover
  w->RunItem(menu_id::kDailyZ);
  EXPECT_TRUE(prompts.seen.empty());
  sim.WithDevice([&](SimDevice& d) {
    EXPECT_EQ(d.State().dailyTotals[1], 0);
    EXPECT_FALSE(d.State().dailyUnzeroed);
    EXPECT_EQ(d.State().reportNumber, report + 1);
    EXPECT_EQ(d.State().fm.size(), records + 1);
  });
  EXPECT_NE(sim.Paper().find("12.34"), std::string::npos) << sim.Paper();
}

TEST_F(MainDialogTest, ReportToAFileThatCannotBeCreated) {
  MainDialog* w = Open();
  FakeDevice printer;
  printer.MapTo(1);
  std::vector<std::pair<std::string, std::string>> boxes;
  w->Context().chooseSaveFile = [](wxWindow*) { return wxString("/nonexistent-folder/fm.txt"); };
  w->Context().messageBox = [&](wxWindow*, const wxString& text, const wxString& caption) {
    boxes.emplace_back(text.utf8_string(), caption.utf8_string());
  };
  w->RunItem(menu_id::kFMReportToFile);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].first, "Грешка при създаване на файла");
  EXPECT_EQ(boxes[0].second, "Грешка");
  EXPECT_EQ(printer.ProbeCount(), 0);  // the port was never opened
  EXPECT_TRUE(printer.RawReceived().empty());
}

TEST_F(MainDialogTest, ReportToAFileCancelledOrWritten) {
  MainDialog* w = Open();
  FakeDevice printer;
  printer.MapTo(1);
  int boxes = 0;
  w->Context().messageBox = [&](wxWindow*, const wxString&, const wxString&) { ++boxes; };
  w->Context().chooseSaveFile = [](wxWindow*) { return wxString(); };
  w->RunItem(menu_id::kFMReportToFile);
  EXPECT_EQ(printer.ProbeCount(), 0);

  const std::string path = home_.Path() + "/fm.txt";
  w->Context().chooseSaveFile = [&](wxWindow*) { return wxString::FromUTF8(path); };
  printer.Queue(kDownloadCmd, FakeDevice::Reply::Ack().Then("Z 0001 12.05.26\r\nZ 0002@tail"));
  w->RunItem(menu_id::kFMReportToFile);
  EXPECT_EQ(boxes, 0);
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  EXPECT_EQ(content.str(), "Z 0001 12.05.26\r\nZ 0002@");
}

TEST_F(MainDialogTest, FreeRecordsAreShownInAnInformationPrompt) {
  MainDialog* w = Open();
  FakeDevice printer;
  printer.MapTo(1);
  printer.Queue(kFreeRecordsCmd, FakeDevice::Reply::Data("1234"));
  PromptWatch prompts;
  prompts.Answer({1});
  w->RunItem(menu_id::kFreeFMRecords);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].text, "Оставащи брой записи във ФП: 1234");
  EXPECT_EQ(prompts.seen[0].caption, "Информация");
}

TEST_F(MainDialogTest, FreeRecordsShowNothingWhenTheStatusCheckRefuses) {
  MainDialog* w = Open();
  FakeDevice printer;
  printer.MapTo(1);
  printer.SetProbe(FakeDevice::Probe::kSilent);
  PromptWatch prompts;
  prompts.Answer({2});  // "Отказ" to the link failure
  w->RunItem(menu_id::kFreeFMRecords);
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_NE(prompts.seen[0].text.find("Няма връзка"), std::string::npos) << prompts.seen[0].text;
  EXPECT_TRUE(printer.Frames().empty());
}

}  // namespace
