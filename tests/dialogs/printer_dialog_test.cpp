// The shared dialog base and its services: what every printer dialog relies on.
#include "dialogs/printer_dialog.h"

#include <gtest/gtest.h>
#include <wx/button.h>

#include "dialog_fixtures.h"
#include "link/prompt_id.h"
#include "link/prompt_style.h"

namespace {

constexpr int kPort = 6;

// A dialog with one exit button, and an opening read that can be made to fail.
class ProbeDialog : public PrinterDialog {
 public:
  enum { kIdRead = 1901, kIdExit = 1902 };

  ProbeDialog(UiHost* ui, DialogServices services, bool readable)
      : PrinterDialog(nullptr, "Probe", ui, kPort, std::move(services)), readable_(readable) {
    new wxButton(this, kIdExit, "Exit", wxPoint(0, 0));
    SetExitButton(kIdExit, kResultDone);
  }

  using PrinterDialog::OpenPrinter;

 protected:
  bool ReadAtOpening() override {
    if (readable_) return true;
    CloseItself(kResultChanged);
    return false;
  }

 private:
  bool readable_;
};

class PrinterDialogTest : public ScriptedPrinterDialogTest {
 protected:
  PrinterDialogTest() : ScriptedPrinterDialogTest(kPort) {}
};

TEST_F(PrinterDialogTest, OpenPrinterUsesTheFactoryAndTheTimeouts) {
  DialogServices services = Services();
  int made = 0;
  services.openPrinter = [&](UiHost* ui, const PrinterLine& line) {
    ++made;
    EXPECT_EQ(line.port, kPort);
    return std::make_unique<FiscalPrinter>(ui, line);
  };
  ProbeDialog dialog(&ui_, services, true);
  const auto printer = dialog.OpenPrinter();
  EXPECT_EQ(made, 1);
  EXPECT_TRUE(printer->IsConnected());
  EXPECT_EQ(printer->Timeouts().reply, Services().timeouts->reply);
}

// A button's driver tells the user, when it goes, about a last call that ended
// with nobody told; every other end has been told already or needs nothing.
TEST_F(PrinterDialogTest, OnlyASilentEndOfTheLastCallIsShownWhenTheDriverGoes) {
  const std::string kWhy = "Сумата трябва да е от -999999.99 до 999999.99";
  struct Case {
    const char* name;
    std::function<void(FiscalPrinter&)> calls;
    std::vector<std::string> shown;
  };
  const Case cases[] = {
      {"silent", [&](FiscalPrinter& p) { p.EndOutOfRange(kWhy); }, {kWhy}},
      {"silent, then another end",
       [&](FiscalPrinter& p) {
         p.EndOutOfRange(kWhy);
         p.EndAfterPrompt(CallEnd::kCancelled);
       },
       {}},
      {"told",
       [&](FiscalPrinter& p) {
         p.ShowPrompt(PromptId::kUnnamed, "BP", "", Prompt::kOk);
         p.EndAfterPrompt(CallEnd::kOutOfRange);
       },
       {}},
      {"nothing", [](FiscalPrinter&) {}, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> shown;
    ProbeDialog dialog(&ui_, StopMessagesInto(shown), true);
    {
      const auto printer = dialog.OpenPrinter();
      c.calls(*printer);
      EXPECT_TRUE(shown.empty()) << c.name;
    }
    EXPECT_EQ(shown, c.shown) << c.name;
  }
}

TEST_F(PrinterDialogTest, WithoutAHostTheDialogOwnsOne) {
  ProbeDialog dialog(nullptr, Services(), true);
  EXPECT_NE(dialog.Ui(), nullptr);
  EXPECT_EQ(dialog.Port(), kPort);
}

TEST_F(PrinterDialogTest, AFailedOpeningReadNeverShowsTheDialog) {
  ProbeDialog dialog(&ui_, Services(), false);
  bool ran = false;
  EXPECT_EQ(RunModal(dialog, [&] { ran = true; }), PrinterDialog::kResultChanged);
  EXPECT_FALSE(ran);
  EXPECT_TRUE(dialog.ClosedItself());
}

TEST_F(PrinterDialogTest, ExitButtonAndCloseBoxEndWithTheExitResult) {
  ProbeDialog byButton(&ui_, Services(), true);
  EXPECT_EQ(RunModal(byButton, [&] { Click(&byButton, ProbeDialog::kIdExit); }),
            PrinterDialog::kResultDone);
  EXPECT_FALSE(byButton.ClosedItself());
  ProbeDialog byCloseBox(&ui_, Services(), true);
  EXPECT_EQ(RunModal(byCloseBox, [&] { byCloseBox.Close(); }), PrinterDialog::kResultDone);
}

TEST_F(PrinterDialogTest, MessagesGoThroughTheServices) {
  DialogServices services;
  std::vector<std::string> shown;
  services.messageBox = [&](wxWindow*, const wxString& text, const wxString& caption, long) {
    shown.push_back(caption.utf8_string() + ": " + text.utf8_string());
    return wxYES;
  };
  EXPECT_EQ(services.ShowMessage(nullptr, wxString::FromUTF8("Готово"), wxString::FromUTF8("Край"),
                                 wxYES_NO),
            wxYES);
  EXPECT_EQ(shown, (std::vector<std::string>{"Край: Готово"}));
  services.saveFile = [](wxWindow*, const wxString&, const wxString&, const wxString& name) {
    return "/tmp/" + name;
  };
  EXPECT_EQ(services.ChooseFileToSave(nullptr, "Save", "*.txt", "a.txt"), "/tmp/a.txt");
}

}  // namespace
