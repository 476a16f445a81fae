// A field holding no number it may send, or a department or article number
// that names none, stops the action in the real dialogs before anything
// reaches the simulated printer, with a message that names the field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_fixtures.h"
#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/department_dialog.h"
#include "dialogs/fm_blocks_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "driver/cp1251.h"

namespace {

constexpr int kPort = 9;
using D = ReceiptDialog;

class NumberChecksSimTest : public SimPrinterDialogTest {
 protected:
  NumberChecksSimTest() : SimPrinterDialogTest(kPort) {}

  void SetUp() override {
    SimPrinterDialogTest::SetUp();
    sim_.WithDevice([](SimDevice& d) {
      d.State().departments[7].name = *Utf8ToCp1251("Цветя");
      d.State().departments[7].group = 1;
    });
  }

  // The dialogs' services, with the message boxes kept instead of shown.
  DialogServices Watched() {
    DialogServices services = Services();
    services.messageBox = [this](wxWindow*, const wxString& text, const wxString&, long style) {
      EXPECT_TRUE(style & wxICON_STOP);
      messages_.push_back(text.utf8_string());
      return wxOK;
    };
    return services;
  }

  // Clicks `button` of `dialog` with `text` in field `id` and expects one
  // message holding `named`, and not one frame sent to the printer. The
  // field's text is put back afterwards.
  void ExpectRefused(wxWindow* dialog, int button, int id, const std::string& text,
                     const std::string& named) {
    SCOPED_TRACE("button " + std::to_string(button) + ", \"" + text + "\"");
    const std::string before = TextOf(dialog, id);
    SetText(dialog, id, text);
    const int frames = sim_.FrameCount();
    const size_t shown = messages_.size();
    Click(dialog, button);
    ProcessPending();
    EXPECT_EQ(sim_.FrameCount(), frames) << "something was sent";
    ASSERT_EQ(messages_.size(), shown + 1);
    EXPECT_NE(messages_.back().find(named), std::string::npos) << messages_.back();
    SetText(dialog, id, before);
  }

  std::vector<std::string> messages_;
};

TEST_F(NumberChecksSimTest, ReceiptActionsSendNothingForAFieldWithoutANumber) {
  D dialog(nullptr, &ui_, kPort, Watched());
  ASSERT_TRUE(dialog.Open());
  Click(&dialog, D::kIdOpenFiscal);
  SetText(&dialog, D::kIdItemName, "Хляб");
  SetText(&dialog, D::kIdItemPrice, "1.20");
  Click(&dialog, D::kIdItemSell);
  ASSERT_TRUE(messages_.empty()) << messages_.front();

  const std::string item = "в „Продажба на свободен артикул“";
  const std::string article = "в „Продажба на артикул от ФПр“";
  const std::string department =
      "„Номер“ в „Продажба в департамент“ трябва да съдържа цяло "
      "число от 1 до 99";
  const struct {
    int button;
    int field;
    const char* text;
    std::string named;
  } rows[] = {
      {D::kIdItemSell, D::kIdItemPrice, "", "„Цена“ " + item},
      {D::kIdItemVoid, D::kIdItemQuantity, "-.", "„Количество“ " + item},
      {D::kIdItemSell, D::kIdItemPercent, "-", "„Надбавка/Отстъпка“ " + item},
      {D::kIdArticleSell, D::kIdArticleNumber, "0",
       "„Артикул номер“ трябва да съдържа цяло "
       "число от 1 до 1000"},
      {D::kIdArticleVoid, D::kIdArticleNumber, "-3", "„Артикул номер“"},
      {D::kIdArticleSell, D::kIdArticlePercent, ".", "„Надбавка/Отстъпка“ " + article},
      {D::kIdDepartmentSell, D::kIdDepartmentNumber, "abc", department},
      {D::kIdDepartmentSell, D::kIdDepartmentNumber, "-3", department},
      {D::kIdDepartmentVoid, D::kIdDepartmentNumber, "0", department},
      {D::kIdDepartmentSell, D::kIdDepartmentNumber, "100", department},
      {D::kIdDepartmentSell, D::kIdDepartmentPrice, "-.", "„Цена“ в „Продажба в департамент“"},
      {D::kIdApply, D::kIdSubtotalValue, "-", "„Надбавка/Отстъпка“ в „Междинна сума“"},
      {D::kIdPay, D::kIdPaymentAmount, ".", "„Сума“ в „Плащане“"},
      {D::kIdOpenService, D::kIdOperator, "", "„Номер на оператор“"},
  };
  for (const auto& row : rows) ExpectRefused(&dialog, row.button, row.field, row.text, row.named);

  // What the printer holds is the one sale before; a department the field
  // names by its leading integer still goes out.
  EXPECT_EQ(sim_.WithDevice([](SimDevice& d) { return d.State().receipt.lines.size(); }), 1u);
  SetText(&dialog, D::kIdDepartmentNumber, "7abc");
  SetText(&dialog, D::kIdDepartmentPrice, "3.00");
  Click(&dialog, D::kIdDepartmentSell);
  ProcessPending();
  const auto lines = sim_.WithDevice([](SimDevice& d) { return d.State().receipt.lines; });
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].price, 300);
  EXPECT_EQ(messages_.size(), std::size(rows));
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(NumberChecksSimTest, ArticleDialogsSendNothingForANumberThatNamesNoArticle) {
  ArticleDialog programming(nullptr, &ui_, kPort, Watched());
  ASSERT_TRUE(programming.Open());
  const auto held = [this] {
    return sim_.WithDevice([](SimDevice& d) {
      const auto it = d.State().articles.find(12);
      return it == d.State().articles.end() ? ArticleState{} : it->second;
    });
  };
  SetText(&programming, ArticleDialog::kIdNumber, "12");
  SetText(&programming, ArticleDialog::kIdName, "Сирене");
  SetText(&programming, ArticleDialog::kIdPrice, "14.90");
  SetText(&programming, ArticleDialog::kIdDepartment, "4");
  const auto before = held();

  const std::string number = "„Артикул Номер“ трябва да съдържа цяло число от 1 до 1000";
  ExpectRefused(&programming, ArticleDialog::kIdGet, ArticleDialog::kIdNumber, "0", number);
  ExpectRefused(&programming, ArticleDialog::kIdSet, ArticleDialog::kIdNumber, "-3", number);
  ExpectRefused(&programming, ArticleDialog::kIdSet, ArticleDialog::kIdPrice, "-",
                "„Артикул Цена“");
  const std::string department = "„Департамент“ трябва да съдържа цяло число от 0 до 99";
  ExpectRefused(&programming, ArticleDialog::kIdSet, ArticleDialog::kIdDepartment, "", department);
  ExpectRefused(&programming, ArticleDialog::kIdSet, ArticleDialog::kIdDepartment, "abc",
                department);
  EXPECT_EQ(held().name, before.name);

  // With every number in range the article is programmed, department 0 (none)
  // included.
  SetText(&programming, ArticleDialog::kIdDepartment, "0");
  Click(&programming, ArticleDialog::kIdSet);
  EXPECT_EQ(held().name, *Utf8ToCp1251("Сирене"));
  EXPECT_EQ(held().price, 1490);
  EXPECT_EQ(held().department, 0);

  ArticleReadingDialog reading(nullptr, &ui_, kPort, Watched());
  ASSERT_TRUE(reading.Open());
  ExpectRefused(&reading, ArticleReadingDialog::kIdGet, ArticleReadingDialog::kIdNumber, "-",
                number);
  ExpectRefused(&reading, ArticleReadingDialog::kIdGet, ArticleReadingDialog::kIdNumber, "1001",
                number);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(NumberChecksSimTest, DepartmentDialogSendsNothingForANumberThatNamesNoDepartment) {
  DepartmentDialog dialog(nullptr, &ui_, kPort, Watched());
  SetText(&dialog, DepartmentDialog::kIdName, "Книги");
  const std::string range = "„Номер“ трябва да съдържа цяло число от 1 до 99";
  // The field takes two digits at most, so these are what can be typed wrong.
  for (const char* text : {"0", "00"}) {
    ExpectRefused(&dialog, DepartmentDialog::kIdGet, DepartmentDialog::kIdNumber, text, range);
    ExpectRefused(&dialog, DepartmentDialog::kIdSet, DepartmentDialog::kIdNumber, text, range);
  }
  EXPECT_EQ(sim_.WithDevice([](SimDevice& d) { return d.State().departments.count(0); }), 0u);

  SetText(&dialog, DepartmentDialog::kIdNumber, "7");
  Click(&dialog, DepartmentDialog::kIdGet);
  EXPECT_EQ(dialog.Name()->GetValue(), wxString::FromUTF8("Цветя"));
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(NumberChecksSimTest, BlocksReportPrintsNothingForAnEmptiedBlockNumber) {
  FmBlocksDialog dialog(nullptr, &ui_, kPort, Watched());
  ASSERT_TRUE(dialog.ReadAtOpening());
  const std::string last = TextOf(&dialog, FmBlocksDialog::kIdTo);
  const std::string range = "трябва да съдържа цяло число от 1 до " + last;
  sim_.ClearPaper();
  ExpectRefused(&dialog, FmBlocksDialog::kIdShort, FmBlocksDialog::kIdFrom, "", "„От“ " + range);
  ExpectRefused(&dialog, FmBlocksDialog::kIdDetailed, FmBlocksDialog::kIdTo, "-", "„До“ " + range);
  EXPECT_EQ(sim_.Paper(), "");
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

}  // namespace
