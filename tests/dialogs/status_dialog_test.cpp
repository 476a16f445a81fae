// The status dialog against a scripted printer on a real pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_fixtures.h"
#include "dialogs/status_dialog.h"

namespace {

constexpr int kPort = 3;

class StatusDialogTest : public ScriptedPrinterDialogTest {
 protected:
  StatusDialogTest() : ScriptedPrinterDialogTest(kPort) {}

  std::vector<std::string> PromptTexts() const {
    std::vector<std::string> texts;
    for (const auto& p : ui_.prompts) texts.push_back(p.text);
    return texts;
  }
};

void ExpectBoxes(const StatusDialog& dialog, const std::vector<int>& flagsSet) {
  for (size_t i = 0; i < kStatusBoxes.size(); ++i) {
    const StatusBox& b = kStatusBoxes[i];
    const bool set = std::count(flagsSet.begin(), flagsSet.end(), b.flag) > 0;
    EXPECT_EQ(dialog.Box(i)->GetValue(), set != (b.flag == 30)) << b.caption;
  }
}

TEST_F(StatusDialogTest, BoxesFollowTheFlagsWithTheJournalBoxInverted) {
  const std::vector<int> first = {0, 3, 8, 12, 14, 22, 28, 31};
  device_.SetStatus(FakeDevice::StatusBytes(first));
  StatusDialog dialog(nullptr, &ui_, kPort, Services());
  const std::vector<int> second = {1, 5, 9, 11, 13, 17, 24, 27, 29, 30};
  const int result = RunModal(dialog, [&] {
    ExpectBoxes(dialog, first);
    // The boxes are read-only: a click on them is undone.
    SetChecked(&dialog, kStatusBoxes[0].id, false);
    SetChecked(&dialog, kStatusBoxes[1].id, true);
    ExpectBoxes(dialog, first);
    device_.SetStatus(FakeDevice::StatusBytes(second));
    Click(&dialog, StatusDialog::kIdGetStatus);
    ExpectBoxes(dialog, second);
    Click(&dialog, wxID_OK);
  });
  EXPECT_EQ(result, wxID_OK);
  EXPECT_FALSE(dialog.ClosedItself());
  EXPECT_TRUE(ui_.prompts.empty());
  // Each refresh read the status only, without any status check around it.
  EXPECT_EQ(device_.Commands(), (std::vector<uint8_t>{0x20, 0x20}));
}

TEST_F(StatusDialogTest, NoPrinterShowsTheLinkMessageAndCloses) {
  PortMap::Instance().Set(kPort, "/nonexistent/tty-for-status-test");
  StatusDialog dialog(nullptr, &ui_, kPort, Services());
  bool ran = false;
  RunModal(dialog, [&] { ran = true; });
  EXPECT_FALSE(ran) << "the dialog ran although the printer could not be read";
  EXPECT_TRUE(dialog.ClosedItself());
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_EQ(ui_.prompts[0].text, "Не може да бъде отворен COM 3");
}

TEST_F(StatusDialogTest, GetStatusAfterThePrinterWentSilentClosesTheDialog) {
  StatusDialog dialog(nullptr, &ui_, kPort, Services());
  const int result = RunModal(dialog, [&] {
    device_.SetProbe(FakeDevice::Probe::kSilent);
    Click(&dialog, StatusDialog::kIdGetStatus);
  });
  EXPECT_EQ(result, wxID_CANCEL);
  EXPECT_TRUE(dialog.ClosedItself());
  ASSERT_FALSE(ui_.prompts.empty());
  EXPECT_EQ(ui_.prompts.back().text, "Няма връзка с Фискалния принтер");
}

TEST_F(StatusDialogTest, VersionShowsTheReplyAndNothingWhenItIsEmpty) {
  std::vector<std::pair<std::string, std::string>> shown;
  DialogServices services = Services();
  services.messageBox = [&](wxWindow*, const wxString& text, const wxString& caption, long) {
    shown.emplace_back(text.utf8_str(), caption.utf8_str());
    return wxOK;
  };
  StatusDialog dialog(nullptr, &ui_, kPort, services);
  ASSERT_TRUE(dialog.Refresh());

  device_.Queue(0x21, FakeDevice::Reply::Data(""));
  Click(&dialog, StatusDialog::kIdVersion);
  EXPECT_TRUE(shown.empty());

  device_.Queue(0x21, FakeDevice::Reply::Data("\xC2\xE5\xF0\xF1\xE8\xFF 1.02"));  // "Версия 1.02"
  Click(&dialog, StatusDialog::kIdVersion);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, "Версия 1.02");
  EXPECT_EQ(shown[0].second, "Версия");

  // A failed version read leaves the dialog open.
  PortMap::Instance().Set(kPort, "/nonexistent/tty-for-status-test");
  Click(&dialog, StatusDialog::kIdVersion);
  EXPECT_EQ(shown.size(), 1u);
  EXPECT_FALSE(dialog.ClosedItself());
}

TEST_F(StatusDialogTest, DiagnosticsSendsTheDiagnosticCommand) {
  StatusDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Refresh());
  device_.ClearRecords();
  Click(&dialog, StatusDialog::kIdDiagnostics);
  const std::vector<uint8_t> commands = device_.Commands();
  ASSERT_FALSE(commands.empty());
  EXPECT_EQ(commands.back(), 0x22);
  EXPECT_FALSE(dialog.ClosedItself());
}

}  // namespace
