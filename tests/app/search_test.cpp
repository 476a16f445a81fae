// "Търсене" in the main window: the simulated printer behind COM 3 at 19200
// is found and selected; a printer on a device without a COM number gets one
// that leads nowhere; nothing found leaves the lists as they were.
#include <gtest/gtest.h>
#include <wx/choice.h>

#include "app/main_dialog.h"
#include "app_test_support.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

class SearchTest : public ::testing::Test {
 protected:
  void SetUp() override { PortMap::Instance().Clear(); }
  void TearDown() override {
    if (window_) window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
  }
  MainDialog* Open() {
    window_ = new MainDialog();
    window_->Context().messageBox = [this](wxWindow*, const wxString& text, const wxString&) {
      messages_.push_back(text.utf8_string());
    };
    return window_;
  }
  int Selected(int id) { return dynamic_cast<wxChoice*>(window_->FindWindow(id))->GetSelection(); }

  TemporaryHome home_;
  MainDialog* window_ = nullptr;
  std::vector<std::string> messages_;
};

SimOptions At19200() {
  SimOptions o;
  o.baud = 19200;
  return o;
}

TEST_F(SearchTest, SelectsThePortAndSpeedWhereThePrinterAnswers) {
  SimServer sim(At19200());
  for (int n = 1; n <= 8; ++n) PortMap::Instance().Set(n, "/nonexistent/tty" + std::to_string(n));
  PortMap::Instance().Set(3, sim.Path());
  MainDialog* w = Open();
  w->SetScanCandidates([] { return PortScanner::Candidates(false); });
  Click(w, MainDialog::kSearchButton);
  EXPECT_EQ(Selected(MainDialog::kPortList), 2);
  EXPECT_EQ(Selected(MainDialog::kSpeedList), 1);
  EXPECT_EQ(window_->Line().port, 3);
  EXPECT_EQ(window_->Line().baudRate, 19200);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Фискалният принтер е намерен на COM 3 (" + sim.Path() +
                                   "), скорост 19200.\nВерсия: FS-SIM 1.00",
                               0),
            0u)
      << messages_[0];
}

TEST_F(SearchTest, ADeviceWithoutANumberBorrowsOneThatLeadsNowhere) {
  SimServer sim(At19200());
  for (int n = 1; n <= 8; ++n) PortMap::Instance().Set(n, "/nonexistent/tty" + std::to_string(n));
  MainDialog* w = Open();
  w->SetScanCandidates([&] {
    auto c = PortScanner::Candidates(false);
    c.push_back({sim.Path(), 0, sim.Path()});
    return c;
  });
  w->Search();
  EXPECT_EQ(window_->Line().port, 1);
  EXPECT_EQ(PortMap::Instance().PathFor(1), sim.Path());
  EXPECT_EQ(window_->Line().baudRate, 19200);
  EXPECT_EQ(Selected(MainDialog::kSpeedList), 1);
}

TEST_F(SearchTest, NothingFoundChangesNothing) {
  for (int n = 1; n <= 8; ++n) PortMap::Instance().Set(n, "/nonexistent/tty" + std::to_string(n));
  MainDialog* w = Open();
  Select(w, MainDialog::kSpeedList, 2);
  w->SetScanCandidates([] { return PortScanner::Candidates(false); });
  const ScanReport report = w->Search();
  EXPECT_EQ(report.Found(), nullptr);
  EXPECT_EQ(window_->Line().port, 1);
  EXPECT_EQ(window_->Line().baudRate, 38400);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Не е намерен фискален принтер.\nПроверени портове: 8 (", 0), 0u)
      << messages_[0];
}

}  // namespace
