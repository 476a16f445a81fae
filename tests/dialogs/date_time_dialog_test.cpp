// The date and time dialog: its result, the printer clock actions, and the run
// from the driver's status check.
#include <gtest/gtest.h>

#include <wx/datectrl.h>
#include <wx/timectrl.h>

#include "dialog_fixtures.h"
#include "dialogs/date_time_dialog.h"
#include "driver/text.h"

namespace {

constexpr int kPort = 4;
using Reply = FakeDevice::Reply;

class DateTimeDialogTest : public ScriptedPrinterDialogTest {
 protected:
  DateTimeDialogTest() : ScriptedPrinterDialogTest(kPort) {}

  // Replies for one clock setting: the last fiscal-memory record dated
  // `recordDaysAgo` days back at 00:00, and the printer's clock at the present.
  // A new time from the record's day up to a day past the clock is then sent
  // without confirmation.
  void QueuePrinterClock(int recordDaysAgo = 2) {
    const std::time_t now = std::time(nullptr);
    device_.Queue(0x73,
                  Reply::Data(FormatTime(now - recordDaysAgo * 86400, "%d-%m-%Y") + ",0001,0001"));
    device_.Queue(0x68, Reply::Data(FormatTime(now, "%d-%m-%Y %H:%M")));
  }
};

TEST_F(DateTimeDialogTest, ExitAtOnceReturnsTwoAndTouchesNoPrinter) {
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_EQ(RunModal(dialog, [&] { Click(&dialog, DateTimeDialog::kIdExit); }), 2);
  DateTimeDialog closed(nullptr, &ui_, kPort, Services());
  EXPECT_EQ(RunModal(closed, [&] { closed.Close(); }), 2);
  EXPECT_TRUE(device_.Frames().empty());
}

TEST_F(DateTimeDialogTest, SuccessfulSettingThenRefusedOneStillReturnsOne) {
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  const int result = RunModal(dialog, [&] {
    QueuePrinterClock();
    Click(&dialog, DateTimeDialog::kIdSetToPrinter);
    EXPECT_TRUE(dialog.Changed());
    // Now the printer refuses: its factory numbers are missing.
    device_.SetFlag(24, false);
    Click(&dialog, DateTimeDialog::kIdSetToPrinter);
    EXPECT_TRUE(dialog.Changed());
    Click(&dialog, DateTimeDialog::kIdExit);
  });
  EXPECT_EQ(result, 1);
  ASSERT_EQ(FramesOf(0x48).size(), 1u);
  ASSERT_FALSE(ui_.prompts.empty());
  EXPECT_EQ(ui_.prompts.back().text, "Незаписани Фабрични Номера");
}

TEST_F(DateTimeDialogTest, SetToPrinterSendsThePickersTime) {
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  dialog.SetPickers(std::time(nullptr) - 3600);  // an hour back: no confirmation
  QueuePrinterClock();
  const std::time_t picked = ComposeLocalTime(dialog.PickerFields());
  Click(&dialog, DateTimeDialog::kIdSetToPrinter);
  const auto frames = FramesOf(0x48);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].data, FormatTime(picked, "%d-%m-%y %H:%M:%S"));
  EXPECT_TRUE(dialog.Changed());
}

TEST_F(DateTimeDialogTest, DateBeforeTheLastRecordLeavesTheFlag) {
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  ClockFields f = SplitLocalTime(std::time(nullptr));
  f.year -= 2;
  dialog.SetPickers(ComposeLocalTime(f));
  QueuePrinterClock();
  Click(&dialog, DateTimeDialog::kIdSetToPrinter);
  EXPECT_FALSE(dialog.Changed());
  EXPECT_TRUE(FramesOf(0x48).empty());
  EXPECT_EQ(dialog.Result(), 2);
}

TEST_F(DateTimeDialogTest, GetFromPrinterFillsThePickersAndKeepsThemWithoutAnAnswer) {
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  device_.Queue(0x68, Reply::Data("05-11-2025 17:42"));
  Click(&dialog, DateTimeDialog::kIdGetFromPrinter);
  ClockFields f = dialog.PickerFields();
  EXPECT_EQ(f.year, 2025);
  EXPECT_EQ(f.month, 11);
  EXPECT_EQ(f.day, 5);
  EXPECT_EQ(f.hour, 17);
  EXPECT_EQ(f.minute, 42);
  EXPECT_EQ(f.second, 0);
  EXPECT_FALSE(dialog.Changed());

  device_.Queue(0x68, Reply::Silence());
  Click(&dialog, DateTimeDialog::kIdGetFromPrinter);
  EXPECT_FALSE(ui_.prompts.empty()) << "the missing answer was not reported";
  f = dialog.PickerFields();
  EXPECT_EQ(f.year, 2025);
  EXPECT_EQ(f.month, 11);
  EXPECT_EQ(f.day, 5);
  EXPECT_EQ(f.hour, 17);
  EXPECT_EQ(f.minute, 42);
}

TEST_F(DateTimeDialogTest, SetFromSystemSendsTheTimeTakenAtThePress) {
  DateTimeDialog dialog(nullptr, &ui_, kPort, Services());
  dialog.SetPickers(ComposeLocalTime({2020, 1, 1, 0, 0, 0}));
  QueuePrinterClock();
  const std::time_t before = std::time(nullptr);
  Click(&dialog, DateTimeDialog::kIdSetFromSystem);
  const std::time_t after = std::time(nullptr);
  const auto frames = FramesOf(0x48);
  ASSERT_EQ(frames.size(), 1u);
  const std::string sent = frames[0].data;
  EXPECT_TRUE(sent == FormatTime(before, "%d-%m-%y %H:%M:%S") ||
              sent == FormatTime(after, "%d-%m-%y %H:%M:%S"))
      << sent;
  EXPECT_GE(dialog.PickerFields().year, 2026);
  EXPECT_TRUE(dialog.Changed());
}

// A UI host whose date and time dialog is the real one, driven by a script.
class RealClockUi : public ScriptedUi {
 public:
  std::function<void(DateTimeDialog&)> script;
  int lastResult = 0;
  int RunDateTimeDialog(const PrinterLine& line) override {
    ++dateTimeDialogs;
    DateTimeDialog dialog(nullptr, this, line);
    lastResult = RunModal(dialog, [&] { script(dialog); });
    return lastResult;
  }
};

TEST_F(DateTimeDialogTest, StatusCheckSendsTheUserToTheRealDialog) {
  RealClockUi ui;
  ui.Answer({1});  // "Сверяване" on "Несверен часовник"
  device_.SetFlag(3, true);
  ui.script = [&](DateTimeDialog& dialog) {
    QueuePrinterClock(0);
    Click(&dialog, DateTimeDialog::kIdSetFromSystem);
    device_.SetFlag(3, false);  // the printer's clock is set now
    Click(&dialog, DateTimeDialog::kIdExit);
  };
  FiscalPrinter printer(&ui, kPort);
  ASSERT_TRUE(printer.IsConnected());
  std::time_t t = 0;
  EXPECT_FALSE(printer.ReadDateTime(t).empty());
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(ui.lastResult, 1);
  ASSERT_FALSE(ui.prompts.empty());
  EXPECT_EQ(ui.prompts[0].text, "Несверен часовник. Сверете Дата и Час");
  EXPECT_EQ(FramesOf(0x48).size(), 1u);
}

TEST_F(DateTimeDialogTest, CancelledClockDialogEndsTheStatusCheck) {
  RealClockUi ui;
  ui.Answer({1});
  device_.SetFlag(3, true);
  ui.script = [&](DateTimeDialog& dialog) { Click(&dialog, DateTimeDialog::kIdExit); };
  FiscalPrinter printer(&ui, kPort);
  ASSERT_TRUE(printer.IsConnected());
  std::time_t t = 0;
  EXPECT_EQ(printer.ReadDateTime(t), "");
  EXPECT_EQ(ui.lastResult, 2);
  EXPECT_TRUE(FramesOf(0x68).empty());
}

}  // namespace
