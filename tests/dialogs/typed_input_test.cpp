// What a person types or clicks is what the printer gets: number fields with
// Ctrl+A and refused keys, dates typed into the pickers, dates in words, and
// the dialogs' guards against stale or unsendable values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wx/uiaction.h>
#include <wx/utils.h>

#include "dialog_fixtures.h"
#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/department_dialog.h"
#include "dialogs/display_dialog.h"
#include "dialogs/eeprom_dialog.h"
#include "dialogs/factory_numbers_dialog.h"
#include "dialogs/fiscalization_dialog.h"
#include "dialogs/fm_dates_dialog.h"
#include "dialogs/fm_report_range.h"
#include "dialogs/invoice_numbers_dialog.h"
#include "dialogs/operators_dialog.h"
#include "dialogs/payment_types_dialog.h"
#include "dialogs/receipt_dialog.h"
#include "dialogs/report_data_dialog.h"
#include "dialogs/service_sums_dialog.h"
#include "driver/date_words.h"
#include "driver/status_flags.h"
#include "driver/text.h"
#include "link/prompt_style.h"

namespace {

constexpr int kPort = 7;
using Reply = FakeDevice::Reply;

// Message boxes are recorded (UTF-8) and answered OK.
DialogServices Watched(DialogServices services, std::vector<std::string>& shown) {
  services.messageBox = [&shown](wxWindow*, const wxString& text, const wxString&, long) {
    shown.push_back(text.utf8_string());
    return wxOK;
  };
  return services;
}

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

class TypedInputSimTest : public SimPrinterDialogTest {
 protected:
  TypedInputSimTest() : SimPrinterDialogTest(kPort) {}
  std::vector<std::string> shown_;
};

TEST_F(TypedInputSimTest, SelectAllThenTypingReplacesTheAmountAndABadKeyIsRefusedAloud) {
  ServiceSumsDialog dialog(nullptr, &ui_, kPort, Watched(Services(), shown_));
  ASSERT_TRUE(dialog.ReadAtOpening());
  NumericEdit* amount = dialog.AmountField();
  ASSERT_EQ(amount->GetValue(), "0.01");
  // Money in first, so that there is some to take out.
  amount->SetInsertionPoint(0);
  PressCtrl(amount, 'A');
  TypeKeys(amount, "10");
  Click(&dialog, service_sum_ids::kDeposit);

  // The case as it was met: caret at the start, Ctrl+A, then "0.50".
  amount->SetInsertionPoint(0);
  PressCtrl(amount, 'A');
  TypeKeys(amount, "0.50");
  EXPECT_EQ(amount->GetValue(), "0.50");
  EXPECT_EQ(amount->Refusals().Count(), 0);
  // A second point is refused with the bell and a note; the text keeps its meaning.
  TypeKeys(amount, ".");
  EXPECT_EQ(amount->GetValue(), "0.50");
  EXPECT_EQ(amount->Refusals().Count(), 1);
  const std::string note = amount->Refusals().Shown().utf8_string();
  EXPECT_TRUE(Has(note, "число от 0.01 до 999999.99") && Has(note, "2 цифри след точката")) << note;
  EXPECT_EQ(amount->GetToolTipText(), amount->Refusals().Shown());
  // Typing over a selection made any other way replaces just that part.
  amount->SetSelection(2, 4);
  TypeKeys(amount, "7");
  EXPECT_EQ(amount->GetValue(), "0.7");
  EXPECT_EQ(amount->Refusals().Shown(), "") << "an accepted key takes the note away";
  PressKey(amount, WXK_BACK);
  TypeKeys(amount, "50");

  Click(&dialog, service_sum_ids::kWithdrawal);
  EXPECT_EQ(sim_.WithDevice([](SimDevice& d) { return d.State().serviceOut.sums[0]; }), 50);
  EXPECT_TRUE(shown_.empty());
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(TypedInputSimTest, DatesInWordsNameTheMonthInBulgarian) {
  FiscalizationDialog dialog(nullptr, &ui_, kPort, Services());
  const ClockFields now = SplitLocalTime(std::time(nullptr));
  RunModal(dialog, [&] {
    const std::string label = dialog.DateLabel()->GetLabel().utf8_string();
    EXPECT_TRUE(Has(label, " " + MonthName(now.month) + " ")) << label;
    for (char c : label) EXPECT_FALSE((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) << label;
    Click(&dialog, FiscalizationDialog::kIdExit);
  });
}

TEST_F(TypedInputSimTest, ReportDatesAreTypedAndReadAsText) {
  FmDatesDialog dialog(nullptr, &ui_, kPort, Services());
  ASSERT_TRUE(dialog.ReadAtOpening());
  const DayRange month = PreviousMonth(SplitLocalTime(std::time(nullptr)));
  wxTextCtrl* from = dialog.FromPicker()->GetTextCtrl();
  wxTextCtrl* to = dialog.ToPicker()->GetTextCtrl();
  // An ordinary text entry holds the date, so assistive tools read it; its
  // hint and tooltip say which date it is.
  ASSERT_NE(from, nullptr);
  EXPECT_TRUE(from->IsEditable());
  EXPECT_EQ(from->GetValue().utf8_string(), LongDateText(1, month.from.month, month.from.year));
  EXPECT_EQ(from->GetHint().utf8_string(), "От (ден.месец.година)");
  EXPECT_TRUE(Has(dialog.ToPicker()->GetToolTipText().utf8_string(), "До:"));

  const std::string mmyyyy = Sprintf(".%02d.%d", month.from.month, month.from.year);
  GiveFocus(from);
  EXPECT_EQ(from->GetValue().utf8_string(), "01" + mmyyyy);
  // 31 February is refused at the key that makes it impossible.
  TypeKeys(from, "31.02");
  EXPECT_EQ(from->GetValue(), "31.0");
  EXPECT_EQ(dialog.FromPicker()->Refusals().Count(), 1);
  // An unfinished date is refused on Enter, and the date stays as it was.
  PressKey(from, WXK_RETURN);
  EXPECT_EQ(dialog.FromPicker()->Refusals().Count(), 2);
  EXPECT_EQ(from->GetValue().utf8_string(), "01" + mmyyyy);
  TypeKeys(from, "02" + mmyyyy);
  TakeFocus(from);
  EXPECT_EQ(from->GetValue().utf8_string(), LongDateText(2, month.from.month, month.from.year));
  // The year may be typed in two digits.
  GiveFocus(to);
  TypeKeys(to, Sprintf("3/%d/%02d", month.from.month, month.from.year % 100));
  TakeFocus(to);
  EXPECT_EQ(dialog.ToFields().day, 3);

  sim_.ClearPaper();
  Click(&dialog, FmDatesDialog::kIdShort);
  const std::string title = "ОТЧЕТ НА ФП 02" +
                            Sprintf("-%02d-%d", month.from.month, month.from.year) + " - 03" +
                            Sprintf("-%02d-%d", month.from.month, month.from.year);
  EXPECT_TRUE(Has(sim_.Paper(), title)) << sim_.Paper();
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

// Scripted printer: replies the simulated printer does not give.
class TypedInputScriptedTest : public ScriptedPrinterDialogTest {
 protected:
  TypedInputScriptedTest() : ScriptedPrinterDialogTest(kPort) {}
  void SetUp() override {
    ScriptedPrinterDialogTest::SetUp();
    device_.SetFlag(Flag::kFiscalized, true);
    device_.SetFlag(Flag::kFactoryNumbers, true);
  }
  std::vector<std::string> shown_;
};

std::string DepartmentReply(const std::string& number, char groupByte) {
  return number + ";" + std::string(20, 'D') + ";" + std::string(1, groupByte) +
         ";     123.40;      2.500";
}

TEST_F(TypedInputScriptedTest, AnUnknownTaxGroupIsShownAsNoneAndMustBeChosen) {
  DepartmentDialog dialog(nullptr, &ui_, Port(), Watched(Services(), shown_));
  Select(&dialog, DepartmentDialog::kIdTaxGroup, 2);               // what the last department had
  device_.Queue('g', Reply::Data(DepartmentReply("02", '\xC9')));  // group index 9
  SetText(&dialog, DepartmentDialog::kIdNumber, "2");
  Click(&dialog, DepartmentDialog::kIdGet);
  EXPECT_EQ(dialog.TaxGroup()->GetSelection(), wxNOT_FOUND);
  Click(&dialog, DepartmentDialog::kIdSet);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_TRUE(Has(shown_[0], "Моля изберете данъчна група!")) << shown_[0];
  EXPECT_TRUE(FramesOf('G').empty());

  Select(&dialog, DepartmentDialog::kIdTaxGroup, 0);
  device_.Queue('g', Reply::Data(DepartmentReply("02", '\xC0')));
  Click(&dialog, DepartmentDialog::kIdSet);
  ProcessPending();
  ASSERT_EQ(FramesOf('G').size(), 1u);
  EXPECT_EQ(FramesOf('G')[0].data, "02;" + std::string(20, 'D') + ";0");

  // The article dialog in whole numbers: a price too large for the field is
  // not shown (the field keeps its text) rather than cut to a wrong number.
  device_.SetFlag(Flag::kDecimals, false);
  ArticleDialog article(nullptr, &ui_, Port(), Watched(Services(), shown_));
  ASSERT_TRUE(article.Open());
  device_.Queue('k', Reply::Data("00003;" + std::string(20, 'S') + ";99999999999;" + "\xC2" +
                                 ";00000000000;0000000.000;00001;01-12-2026 10:00;" + "\x85"));
  SetText(&article, ArticleDialog::kIdNumber, "3");
  Click(&article, ArticleDialog::kIdGet);
  EXPECT_EQ(article.Price()->GetValue(), "0");
  EXPECT_EQ(article.TaxGroup()->GetSelection(), 2);
}

TEST_F(TypedInputScriptedTest, InvoiceRangeIsReadBackAfterARefusal) {
  ui_.SetFallback(1);  // "Продължи" on the printer's refusal
  InvoiceNumbersDialog dialog(nullptr, &ui_, Port(), Watched(Services(), shown_));
  SetText(&dialog, invoice_ids::kFirst, "500");
  SetText(&dialog, invoice_ids::kLast, "400");
  device_.Queue('P', Reply::Ack("01"));
  device_.Queue('p', Reply::Data("0000000100 0000000200"));
  Click(&dialog, invoice_ids::kSet);
  ProcessPending();
  EXPECT_EQ(FramesOf('p').size(), 1u);
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kLast), "0000000200");
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kNext), "0000000100");
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kFirst), "0000000100") << "the refused 500 is gone";
}

TEST_F(TypedInputScriptedTest, NoReportYetShowsNoDate) {
  DailyReportDataDialog daily(nullptr, &ui_, Port(), Services());
  ASSERT_TRUE(daily.ReadAtOpening());
  device_.Queue(0x6E, Reply::Data("5;00001;00000;00001;05-03-2008 14:30"));
  Click(&daily, 1380);
  EXPECT_EQ(daily.DateLabel(1379)->GetLabel().utf8_string(), "05 март 2008  14:30");
  device_.Queue(0x6E, Reply::Data("5;00001;00000;00001;00-00-0000 00:00"));
  Click(&daily, 1380);
  EXPECT_EQ(daily.DateLabel(1379)->GetLabel(), "");

  ArticleReadingDialog reading(nullptr, &ui_, Port(), Services());
  ASSERT_TRUE(reading.Open());
  device_.Queue('k', Reply::Data("00003;" + std::string(20, 'S') + ";      150.0;" + "\xC3" +
                                 ";00000000000;0000000.000;00000;00-00-0000 00:00;" + "\x85"));
  SetText(&reading, ArticleReadingDialog::kIdNumber, "3");
  Click(&reading, ArticleReadingDialog::kIdGet);
  EXPECT_EQ(reading.ReportDate()->GetLabel(), "");
}

TEST_F(TypedInputScriptedTest, TextsThePrinterCannotHoldAreNamedAndNotSent) {
  ClicheDialog cliche(nullptr, &ui_, Port(), Watched(Services(), shown_));
  SetText(&cliche, ClicheDialog::kIdEdit, "Кафе ☺ Łódź");
  Click(&cliche, ClicheDialog::kIdSet);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_TRUE(Has(shown_[0], "„Ред 1“") && Has(shown_[0], "„☺“ (U+263A)") &&
              Has(shown_[0], "„Ł“ (U+0141)") && Has(shown_[0], "„ó“ (U+00F3)"))
      << shown_[0];
  EXPECT_TRUE(FramesOf(0x49).empty());

  DisplayDialog display(nullptr, &ui_, Port(), Watched(Services(), shown_));
  SetText(&display, DisplayDialog::kIdLine2Text, "Цена: 5 €, ½ кг");
  Click(&display, DisplayDialog::kIdSendLine2);
  ASSERT_EQ(shown_.size(), 2u);
  EXPECT_TRUE(Has(shown_[1], "„½“ (U+00BD)") && !Has(shown_[1], "€")) << shown_[1];
  EXPECT_TRUE(device_.Frames().empty());
  // Fixed, it goes out.
  SetText(&display, DisplayDialog::kIdLine2Text, "Цена: 5 €");
  Click(&display, DisplayDialog::kIdSendLine2);
  EXPECT_EQ(FramesOf('&').size(), 1u);
}

// Types `text` into the buyer of the invoice dialog and issues it; a dialog
// still open after that is cancelled.
class InvoiceTyper : public wxTimer {
 public:
  explicit InvoiceTyper(std::string text) : text_(std::move(text)) { Start(10); }
  void Notify() override {
    auto* d = ModalDialog<InvoiceDataDialog>();
    if (!d) return;
    SetText(d, InvoiceDataDialog::kIdBuyer, text_);
    Click(d, wxID_OK);
    if (d->IsModal()) Click(d, wxID_CANCEL);
  }

 private:
  std::string text_;
};

// Receipt texts, invoice data, payment names, passwords and the tax number go
// out whole or not at all: "€" has a Windows-1251 byte and is sent, "ő" and
// "😀" have none and are named while nothing carries them.
TEST_F(TypedInputScriptedTest, PrintedTextsAndPasswordsGoOutWholeOrNotAtAll) {
  using R = ReceiptDialog;
  ui_.SetFallback(Prompt::kResultYes);  // "Невалиден Булстат." - go on
  auto receipt = [&](int field, int button) {
    return [&, field, button](const std::string& text, bool) {
      R d(nullptr, &ui_, Port(), Watched(Services(), shown_));
      ASSERT_TRUE(d.Open());
      device_.ClearRecords();  // what the opening read
      SetText(&d, R::kIdItemPrice, "1.00");
      SetText(&d, R::kIdDepartmentPrice, "1.00");
      SetText(&d, field, text);
      Click(&d, button);
    };
  };
  // Fields of dialogs that stay open from row to row.
  auto typeInto = [&](auto* d, int field, int button) {
    return [&, d, field, button](const std::string& text, bool) {
      SetText(d, field, text);
      Click(d, button);
    };
  };
  PaymentTypesDialog payments(nullptr, &ui_, Port(), Watched(Services(), shown_));
  FiscalizationDialog fiscal(nullptr, &ui_, Port(), Watched(Services(), shown_));
  EepromDialog eeprom(nullptr, &ui_, Port(), Watched(Services(), shown_));
  FactoryNumbersDialog factory(nullptr, &ui_, Port(), Watched(Services(), shown_));
  OperatorsDialog operators(nullptr, &ui_, Port(), Watched(Services(), shown_));
  SetText(&factory, FactoryNumbersDialog::kIdPrinterNumber, "123456");
  SetText(&factory, FactoryNumbersDialog::kIdMemoryNumber, "654321");
  SetText(&operators, OperatorsDialog::NameId(1), "Иван");
  const struct {
    const char* field;  // as the message names it
    std::vector<int> flags;
    uint8_t cmd;
    std::function<void(const std::string& text, bool printable)> typeAndSend;
  } rows[] = {
      {"„Име“ в „Продажба на свободен артикул“",
       {14, 22, 23, 24},
       0x31,
       receipt(R::kIdItemName, R::kIdItemSell)},
      {"„Име“ в „Продажба в департамент“",
       {14, 22, 23, 24},
       0x34,
       receipt(R::kIdDepartmentName, R::kIdDepartmentSell)},
      {"„Свободен текст“", {14, 22, 23, 24}, 0x37, receipt(R::kIdFreeText, R::kIdPrintText)},
      {"„Купувач (МОЛ)“",
       {22, 23, 24},
       0x30,
       [&](const std::string& text, bool) {
         R d(nullptr, &ui_, Port(), Watched(Services(), shown_));
         ASSERT_TRUE(d.Open());
         device_.ClearRecords();
         SetChecked(&d, R::kIdInvoice, true);
         device_.Queue(0x6A, Reply::Data("1;" + std::string(20, 'O') + ";1234"));
         InvoiceTyper typer(text);
         Click(&d, R::kIdOpenFiscal);
       }},
      {"„Плащане 1“",
       {22, 23, 24},
       0x44,
       [&](const std::string& text, bool printable) {
         std::string names;
         for (char c : std::string("ABCDE")) names += std::string(10, c) + ";";
         if (printable) device_.Queue(0x64, Reply::Data(names + " 001.00000"));
         SetText(&payments, kPaymentRows[0].nameId, text);
         Click(&payments, kPaymentRows[0].setId);
       }},
      {"„Парола“",
       {22, 24},
       0x41,
       typeInto(&fiscal, FiscalizationDialog::kIdPassword, FiscalizationDialog::kIdTaxNumberSet)},
      {"„Ф. код“",  // after the row above, with a password that can be sent
       {22, 24},
       0x41,
       typeInto(&fiscal, FiscalizationDialog::kIdTaxNumber, FiscalizationDialog::kIdTaxNumberSet)},
      {"„Парола“",
       {5, 22, 24},
       0x3F,
       typeInto(&eeprom, EepromDialog::kIdPassword, EepromDialog::kIdErase)},
      {"„Парола“",
       {22},
       0x40,
       typeInto(&factory, FactoryNumbersDialog::kIdPassword, FactoryNumbersDialog::kIdWrite)},
      {"„Парола 1“",
       {22, 23, 24},
       0x4A,
       typeInto(&operators, OperatorsDialog::PasswordId(1), OperatorsDialog::kIdFirstSet)},
  };
  const struct {
    std::string text;
    const char* named;  // "" when it goes out
  } texts[] = {{"ő1", "„ő“ (U+0151)"}, {"😀", "„😀“ (U+1F600)"}, {"€1", ""}};
  for (const auto& row : rows) {
    device_.SetStatus(FakeDevice::StatusBytes(row.flags));
    for (const auto& t : texts) {
      SCOPED_TRACE(std::string(row.field) + " " + t.text);
      shown_.clear();
      device_.ClearRecords();
      row.typeAndSend(t.text, *t.named == '\0');
      ProcessPending();
      const bool told = !shown_.empty() && Has(shown_[0], "съдържа знаци");
      if (*t.named != '\0') {
        ASSERT_TRUE(told);
        EXPECT_TRUE(Has(shown_[0], row.field) && Has(shown_[0], t.named)) << shown_[0];
        // Status reads only, and the operator the invoice is opened with.
        for (const auto& f : device_.Frames())
          EXPECT_TRUE(f.cmd == 0x20 || f.cmd == 0x6A) << +f.cmd;
      } else {
        EXPECT_FALSE(told) << shown_[0];
        const auto sent = FramesOf(row.cmd);
        ASSERT_FALSE(sent.empty());
        EXPECT_TRUE(Has(sent.back().data, "\x88")) << sent.back().data;
      }
    }
  }
}

}  // namespace

namespace {

// The same keys through the X server and the toolkit's own key handling (an
// X test extension under Xvfb): Ctrl+A must reach the field as select-all.
TEST(TypedInputRealKeys, CtrlAThenTypingReplacesTheNumber) {
  wxDialog dialog(nullptr, wxID_ANY, "keys", wxPoint(100, 100), wxSize(300, 120));
  auto* field = new NumericEdit(&dialog, wxID_ANY, wxPoint(20, 20), wxSize(200, -1));
  field->ConfigureDecimal(0.01, 999999.99, 2, 9, 0.01);
  dialog.Show();
  dialog.Raise();
  auto settle = [](int ms) {
    for (int i = 0; i < ms / 20; ++i) {
      wxYield();
      wxMilliSleep(20);
    }
  };
  settle(300);
  wxUIActionSimulator input;
  const wxRect r = field->GetScreenRect();
  input.MouseMove(r.x + 5, r.y + r.height / 2);
  settle(100);
  input.MouseClick();
  settle(300);
  if (!field->HasFocus()) GTEST_SKIP() << "the X server gave the field no focus";
  field->SetInsertionPoint(0);
  input.Char('a', wxMOD_CONTROL);
  input.Text("0.50");
  settle(300);
  EXPECT_EQ(field->GetValue(), "0.50");
  input.Char('.');
  settle(200);
  EXPECT_EQ(field->GetValue(), "0.50");
  EXPECT_EQ(field->Refusals().Count(), 1);
  dialog.Hide();
}

}  // namespace
