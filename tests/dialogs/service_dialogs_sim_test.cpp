// The parameters, EEPROM, invoice numbers and service sums dialogs against the
// simulated printer: what they show, and what the printer holds and prints
// after their buttons.
#include <gtest/gtest.h>

#include "dialog_fixtures.h"
#include "dialogs/eeprom_dialog.h"
#include "dialogs/invoice_numbers_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "dialogs/service_sums_dialog.h"
#include "driver/cp1251.h"

namespace {

constexpr int kPort = 2;

class ServiceDialogsSimTest : public SimPrinterDialogTest {
 protected:
  ServiceDialogsSimTest() : SimPrinterDialogTest(kPort) {}

  // Services whose message box records what it showed (always a stop).
  DialogServices WatchedServices() {
    DialogServices services = Services();
    services.messageBox = [this](wxWindow*, const wxString& text, const wxString&, long style) {
      messages_.push_back(text.utf8_string());
      EXPECT_TRUE(style & wxICON_STOP);
      return wxOK;
    };
    return services;
  }

  template <class F>
  auto State(F f) {
    return sim_.WithDevice([&](SimDevice& d) { return f(d.State()); });
  }

  std::vector<std::string> messages_;
};

TEST_F(ServiceDialogsSimTest, ParametersShowThePrintersRecordAndSetWhatIsTicked) {
  ParametersDialog dialog(nullptr, &ui_, kPort, WatchedServices());
  ASSERT_TRUE(dialog.ReadAtOpening());
  // The sample printer: device number 1, automatic cutter on, the rest off.
  EXPECT_EQ(TextOf(&dialog, parameter_ids::kDeviceNumber), "1");
  EXPECT_TRUE(IsChecked(&dialog, 1210));
  EXPECT_FALSE(IsChecked(&dialog, 1208));

  SetText(&dialog, parameter_ids::kDeviceNumber, "42");
  SetChecked(&dialog, 1208, true);  // "Лого"
  SetChecked(&dialog, 1214, true);  // "Печат на валута"
  Click(&dialog, parameter_ids::kSet);
  EXPECT_EQ(State([](DeviceState& s) { return s.deviceNumber; }), 42);
  EXPECT_TRUE(State([](DeviceState& s) { return s.logo && s.currency && s.autoCut; }));
  EXPECT_FALSE(State([](DeviceState& s) { return s.drawer || s.shortJournal; }));

  // Get shows what the printer holds again.
  SetChecked(&dialog, 1208, false);
  SetText(&dialog, parameter_ids::kDeviceNumber, "7");
  Click(&dialog, parameter_ids::kGet);
  EXPECT_EQ(TextOf(&dialog, parameter_ids::kDeviceNumber), "42");
  EXPECT_TRUE(IsChecked(&dialog, 1208));

  // An empty number is named, not sent as 0.
  SetText(&dialog, parameter_ids::kDeviceNumber, "");
  Click(&dialog, parameter_ids::kSet);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(State([](DeviceState& s) { return s.deviceNumber; }), 42);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ServiceDialogsSimTest, EepromErasesOnlyUnderThePrintersConditions) {
  EepromDialog dialog(nullptr, &ui_, kPort, Services());
  EXPECT_TRUE(dialog.Password()->HasFlag(wxTE_PASSWORD));
  const size_t articles = State([](DeviceState& s) { return s.articles.size(); });
  ASSERT_GT(articles, 0u);

  // Working memory not reset: the status check refuses, nothing is sent.
  SetText(&dialog, EepromDialog::kIdPassword, "000000");
  Click(&dialog, EepromDialog::kIdErase);
  ASSERT_EQ(ui_.prompts.size(), 1u);
  EXPECT_NE(ui_.prompts[0].text.find("НЕнулиран RAM"), std::string::npos) << ui_.prompts[0].text;
  EXPECT_EQ(State([](DeviceState& s) { return s.articles.size(); }), articles);

  // After a RAM reset a wrong password is the printer's refusal...
  sim_.Inject(Fault::kRamReset);
  SetText(&dialog, EepromDialog::kIdPassword, "123");
  Click(&dialog, EepromDialog::kIdErase);
  EXPECT_EQ(State([](DeviceState& s) { return s.articles.size(); }), articles);
  EXPECT_GT(ui_.prompts.size(), 1u);

  // ...and the service password erases the tables.
  sim_.ClearPaper();
  SetText(&dialog, EepromDialog::kIdPassword, "000000");
  Click(&dialog, EepromDialog::kIdErase);
  EXPECT_EQ(State([](DeviceState& s) { return s.articles.size(); }), 0u);
  EXPECT_NE(sim_.Paper().find("EEPROM ИЗТРИТ"), std::string::npos) << sim_.Paper();
}

TEST_F(ServiceDialogsSimTest, InvoiceNumbersSetThenReadBack) {
  InvoiceNumbersDialog dialog(nullptr, &ui_, kPort, WatchedServices());
  Click(&dialog, invoice_ids::kGet);
  // The sample printer's range is 1..1000.
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kFirst), "0000000001");
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kLast), "0000001000");
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kNext), "0000000001");

  // A number missing: the message, and the printer keeps its range.
  SetText(&dialog, invoice_ids::kFirst, "");
  SetText(&dialog, invoice_ids::kLast, "900");
  Click(&dialog, invoice_ids::kSet);
  EXPECT_EQ(messages_, std::vector<std::string>{kInvoiceMoreInfoText});
  EXPECT_EQ(State([](DeviceState& s) { return s.invoiceFirst; }), 1);

  // What is pasted keeps only its digits.
  dialog.FirstField()->WriteText(wxString::FromUTF8("5a0-0"));
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kFirst), "500");
  Click(&dialog, invoice_ids::kSet);
  EXPECT_EQ(State([](DeviceState& s) { return s.invoiceFirst * 10000 + s.invoiceLast; }),
            500 * 10000 + 900);
  // The range is read back once the button is done.
  ProcessPending();
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kFirst), "0000000500");
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kLast), "0000000900");
  EXPECT_EQ(TextOf(&dialog, invoice_ids::kNext), "0000000500");
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

TEST_F(ServiceDialogsSimTest, ServiceSumsInWholeNumbersInAnyPaymentType) {
  sim_.WithDevice([](SimDevice& d) { d.State().decimals = '0'; });
  ServiceSumsDialog dialog(nullptr, &ui_, kPort, WatchedServices());
  ASSERT_TRUE(dialog.ReadAtOpening());
  // Whole numbers only, smallest 1.
  EXPECT_EQ(TextOf(&dialog, service_sum_ids::kAmount), "1");
  EXPECT_FALSE(dialog.AmountField()->IsAcceptable("."));
  EXPECT_FALSE(dialog.AmountField()->IsAcceptable("123456789"));

  SetText(&dialog, service_sum_ids::kOperator, "2");
  Select(&dialog, service_sum_ids::kPaymentType, 3);
  SetText(&dialog, service_sum_ids::kAmount, "100");
  Click(&dialog, service_sum_ids::kDeposit);
  SetText(&dialog, service_sum_ids::kAmount, "25");
  sim_.ClearPaper();
  Click(&dialog, service_sum_ids::kWithdrawal);
  EXPECT_EQ(State([](DeviceState& s) { return s.serviceIn.sums[3]; }), 10000);
  EXPECT_EQ(State([](DeviceState& s) { return s.serviceOut.sums[3]; }), 2500);
  EXPECT_EQ(State([](DeviceState& s) { return s.operators[1].out.sums[3]; }), 2500);
  EXPECT_NE(sim_.Paper().find("СЛУЖЕБНО ИЗВЕДЕНИ"), std::string::npos) << sim_.Paper();

  // A field without a number is named and nothing is booked.
  SetText(&dialog, service_sum_ids::kAmount, "");
  Click(&dialog, service_sum_ids::kWithdrawal);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_NE(messages_[0].find("Сума"), std::string::npos) << messages_[0];
  EXPECT_EQ(State([](DeviceState& s) { return s.serviceOut.count; }), 1);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

// The printer changed to two decimals after the dialog opened in whole numbers:
// the field let 5000000 through, the driver refuses it without sending, and
// the user is told why instead of seeing nothing.
TEST_F(ServiceDialogsSimTest, AnAmountTheDriverRefusesSilentlyIsToldToTheUser) {
  sim_.WithDevice([](SimDevice& d) { d.State().decimals = '0'; });
  ServiceSumsDialog dialog(nullptr, &ui_, kPort, WatchedServices());
  ASSERT_TRUE(dialog.ReadAtOpening());
  sim_.WithDevice([](SimDevice& d) { d.State().decimals = '2'; });
  SetText(&dialog, service_sum_ids::kAmount, "5000000");
  Click(&dialog, service_sum_ids::kDeposit);
  EXPECT_EQ(messages_, std::vector<std::string>{"Сумата трябва да е от -999999.99 до 999999.99"});
  EXPECT_EQ(State([](DeviceState& s) { return s.serviceIn.count; }), 0);
  EXPECT_TRUE(ui_.prompts.empty()) << ui_.prompts.front().text;
}

}  // namespace
