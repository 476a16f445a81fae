// The article programming, article reading and department dialogs: their main
// paths against the simulated printer, the decimal mode and the department
// dialog's own checks on a scripted printer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixtures.h"
#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/department_dialog.h"
#include "driver/cp1251.h"
#include "link/prompt_style.h"

namespace {

constexpr int kPort = 5;

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

class ArticleDialogsSimTest : public SimPrinterDialogTest {
 protected:
  ArticleDialogsSimTest() : SimPrinterDialogTest(kPort) {}
  void ExpectNoPrompt() { EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text; }
};

TEST_F(ArticleDialogsSimTest, ArticleIsProgrammedAndReadBack) {
  ArticleDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  EXPECT_TRUE(dialog.PriceConfig().decimal);
  EXPECT_EQ(dialog.TaxGroup()->GetStringSelection(), wxString::FromUTF8("Б"));

  SetText(&dialog, ArticleDialog::kIdNumber, "12");
  SetText(&dialog, ArticleDialog::kIdName, "Сирене 1 кг");
  SetText(&dialog, ArticleDialog::kIdPrice, "14.90");
  Select(&dialog, ArticleDialog::kIdTaxGroup, 2);
  SetText(&dialog, ArticleDialog::kIdDepartment, "4");
  Click(&dialog, ArticleDialog::kIdSet);
  const auto a = sim_.WithDevice([](SimDevice& d) { return d.State().articles.at(12); });
  EXPECT_EQ(a.name, Cp("Сирене 1 кг"));
  EXPECT_EQ(a.price, 1490);
  EXPECT_EQ(a.group, 2);
  EXPECT_EQ(a.department, 4);

  // Another article, then back to 12.
  SetText(&dialog, ArticleDialog::kIdNumber, "7");
  Click(&dialog, ArticleDialog::kIdGet);
  EXPECT_EQ(dialog.Name()->GetValue(), wxString::FromUTF8("Нощувка"));
  EXPECT_EQ(dialog.Price()->GetValue(), "50.00");
  EXPECT_EQ(dialog.TaxGroup()->GetSelection(), 3);
  SetText(&dialog, ArticleDialog::kIdNumber, "12");
  Click(&dialog, ArticleDialog::kIdGet);
  EXPECT_EQ(dialog.Price()->GetValue(), "14.90");
  EXPECT_EQ(dialog.Department()->GetValue(), "4");
  ExpectNoPrompt();
}

TEST_F(ArticleDialogsSimTest, ReadingShowsTheArticleAndItsGroupLetter) {
  ArticleReadingDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.Open());
  SetText(&dialog, ArticleReadingDialog::kIdNumber, "7");
  Click(&dialog, ArticleReadingDialog::kIdGet);
  EXPECT_EQ(dialog.Name()->GetValue(), wxString::FromUTF8("Нощувка"));
  EXPECT_EQ(dialog.TaxGroup()->GetValue(), wxString::FromUTF8("Г"));
  EXPECT_EQ(dialog.Price()->GetValue(), "50.00");
  EXPECT_EQ(dialog.Quantity()->GetValue(), "0.000");
  EXPECT_FALSE(dialog.ReportDate()->GetLabel().empty());
  EXPECT_FALSE(dialog.Name()->IsEditable());
  ExpectNoPrompt();
}

TEST_F(ArticleDialogsSimTest, DepartmentSetIsReadBackAtOnce) {
  DepartmentDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_FALSE(dialog.Quantity()->IsShown());
  SetText(&dialog, DepartmentDialog::kIdNumber, "9");
  SetText(&dialog, DepartmentDialog::kIdName, "Цветя");
  Select(&dialog, DepartmentDialog::kIdTaxGroup, 0);
  Click(&dialog, DepartmentDialog::kIdSet);
  const auto d = sim_.WithDevice([](SimDevice& s) { return s.State().departments.at(9); });
  EXPECT_EQ(d.name, Cp("Цветя"));
  EXPECT_EQ(d.group, 0);

  // The read that follows shows what the printer now holds.
  dialog.Name()->ChangeValue("");
  ProcessPending();
  EXPECT_EQ(dialog.Name()->GetValue(), wxString::FromUTF8("Цветя"));
  EXPECT_EQ(dialog.Turnover()->GetValue(), "0.00");
  EXPECT_TRUE(dialog.Quantity()->IsShown());
  EXPECT_TRUE(dialog.QuantityLabel()->IsShown());
  EXPECT_EQ(dialog.Quantity()->GetValue(), "0.00");
  ExpectNoPrompt();
}

// Scripted printer: exact bytes, the decimal mode and replies the simulated
// printer does not give.
class ArticleDialogsScriptedTest : public ScriptedPrinterDialogTest {
 protected:
  ArticleDialogsScriptedTest() : ScriptedPrinterDialogTest(kPort) {}
  void SetUp() override {
    ScriptedPrinterDialogTest::SetUp();
    device_.SetFlag(23, true);
    device_.SetFlag(24, true);
  }
};

TEST_F(ArticleDialogsScriptedTest, WholeNumberPricesWhenThePrinterHasNoDecimals) {
  device_.SetFlag(22, false);
  ArticleDialog dialog(nullptr, &ui_, Port(), Services());
  ASSERT_TRUE(dialog.Open());
  EXPECT_FALSE(dialog.PriceConfig().decimal);
  EXPECT_FALSE(dialog.Price()->IsAcceptable(".5"));
  EXPECT_TRUE(dialog.Price()->IsAcceptable("99999999"));
  EXPECT_FALSE(dialog.Price()->IsAcceptable("100000000"));

  device_.Queue(
      'k', FakeDevice::Reply::Data("00003;" + std::string(20, 'S') + ";      150.0;" + "\xC3" +
                                   ";00000000000;0000000.000;00001;01-12-2026 10:00;" + "\x85"));
  SetText(&dialog, ArticleDialog::kIdNumber, "3");
  Click(&dialog, ArticleDialog::kIdGet);
  EXPECT_EQ(dialog.Price()->GetValue(), "150");
  EXPECT_EQ(dialog.TaxGroup()->GetSelection(), 3);
  EXPECT_EQ(dialog.Department()->GetValue(), "5");
}

TEST_F(ArticleDialogsScriptedTest, ArticleDialogsCloseWhenThePrinterCannotBeRead) {
  PortMap::Instance().Set(Port(), "/nonexistent/tty-for-article-test");
  ArticleDialog programming(nullptr, &ui_, Port(), Services());
  ArticleReadingDialog reading(nullptr, &ui_, Port(), Services());
  for (PrinterDialog* dialog : std::initializer_list<PrinterDialog*>{&programming, &reading}) {
    bool ran = false;
    EXPECT_EQ(RunModal(*dialog, [&] { ran = true; }), PrinterDialog::kResultNotOpened);
    EXPECT_FALSE(ran);
    EXPECT_TRUE(dialog->ClosedItself());
  }
  EXPECT_EQ(ui_.prompts.size(), 2u);
}

TEST_F(ArticleDialogsScriptedTest, DepartmentChecksItsFieldsBeforeThePrinter) {
  std::vector<std::string> shown;
  DepartmentDialog dialog(nullptr, &ui_, Port(), StopMessagesInto(shown));
  SetText(&dialog, DepartmentDialog::kIdNumber, "");
  Click(&dialog, DepartmentDialog::kIdGet);
  SetText(&dialog, DepartmentDialog::kIdNumber, "3");
  Click(&dialog, DepartmentDialog::kIdSet);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], "Моля въведете номер на департамент!");
  EXPECT_EQ(shown[1], "Моля въведете повече информация!");
  EXPECT_TRUE(device_.Frames().empty());
}

TEST_F(ArticleDialogsScriptedTest, QuantityOnlyWhenTheReplyCarriesOne) {
  DepartmentDialog dialog(nullptr, &ui_, Port(), Services());
  // A reply without the quantity field.
  device_.Queue(
      'g', FakeDevice::Reply::Data("45;" + std::string(20, 'D') + ";" + "\xC1" + ";     123.40;"));
  SetText(&dialog, DepartmentDialog::kIdNumber, "45");
  Click(&dialog, DepartmentDialog::kIdGet);
  EXPECT_EQ(FramesOf('g').at(0).data, "45");
  EXPECT_EQ(dialog.Turnover()->GetValue(), "123.40");
  EXPECT_EQ(dialog.TaxGroup()->GetSelection(), 1);
  EXPECT_FALSE(dialog.Quantity()->IsShown());

  device_.Queue('g', FakeDevice::Reply::Data("45;" + std::string(20, 'D') + ";" + "\xC1" +
                                             ";     123.40;      2.500"));
  Click(&dialog, DepartmentDialog::kIdGet);
  EXPECT_TRUE(dialog.Quantity()->IsShown());
  EXPECT_EQ(dialog.Quantity()->GetValue(), "2.50");
}

// A department the printer refused is not read back, whether the refusal was
// passed over with "Продължи" or not; one it programmed is.
TEST_F(ArticleDialogsScriptedTest, ARefusedDepartmentIsNotReadBack) {
  DepartmentDialog dialog(nullptr, &ui_, Port(), Services());
  SetText(&dialog, DepartmentDialog::kIdNumber, "9");
  SetText(&dialog, DepartmentDialog::kIdName, "Цветя");
  Select(&dialog, DepartmentDialog::kIdTaxGroup, 0);
  for (const int answer : {Prompt::kResultContinue, Prompt::kResultAbort}) {
    device_.ClearRecords();
    device_.Queue('G', FakeDevice::Reply::Ack("01"));
    ui_.Answer({answer});
    Click(&dialog, DepartmentDialog::kIdSet);
    ProcessPending();
    EXPECT_EQ(FramesOf('G').size(), 1u) << answer;
    EXPECT_TRUE(FramesOf('g').empty()) << answer;
  }
  device_.ClearRecords();
  Click(&dialog, DepartmentDialog::kIdSet);
  ProcessPending();
  EXPECT_EQ(FramesOf('g').size(), 1u) << "a department programmed is read back";
}

}  // namespace
