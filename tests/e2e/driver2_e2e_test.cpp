#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <string>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/text.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/scripted_ui.h"

// The programming commands against the simulated printer: a new device taken
// through fiscalization to its first receipt, and settings read back after
// they were written.
namespace {

constexpr int kPort = 5;
const std::string kService = "000000";

std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}

class Driver2EndToEnd : public ::testing::Test {
 protected:
  void Start(bool factory) {
    SimOptions o;
    o.factory = factory;
    sim = std::make_unique<SimServer>(o);
    PortMap::Instance().Set(kPort, sim->Path());
    printer = std::make_unique<FiscalPrinter>(&ui, kPort);
    ASSERT_TRUE(printer->IsConnected());
  }
  void TearDown() override {
    printer.reset();
    PortMap::Instance().Clear();
  }
  DeviceState State() {
    return sim->WithDevice([](SimDevice& d) { return d.State(); });
  }

  ScriptedUi ui;
  std::unique_ptr<SimServer> sim;
  std::unique_ptr<FiscalPrinter> printer;
};

TEST_F(Driver2EndToEnd, FiscalizesNewDeviceAndIssuesFirstReceipt) {
  Start(true);
  ASSERT_FALSE(sim->Flags()[24]);
  ASSERT_TRUE(sim->Flags()[3]);  // a new device's clock is not set

  ASSERT_EQ(printer->SetFactoryNumbers(kService, 123456, 654321, 0), "00");
  EXPECT_TRUE(sim->Flags()[24]);

  // The first clock setting is measured from the empty fiscal memory's date,
  // years back: both confirmations are asked.
  ui.Answer({7, 6});
  ASSERT_EQ(printer->SetDateTime(std::time(nullptr)), "00");
  EXPECT_EQ(ui.prompts.size(), 2u);
  EXPECT_FALSE(sim->Flags()[3]);

  ASSERT_EQ(printer->SetTaxNumber(kService, "291417774"), "00");
  ASSERT_EQ(printer->SetTaxRates(kService, {0, 20, 20, 9, 5, -1, -1, -1}), "00");
  ASSERT_EQ(printer->SetDecimalPoint(kService, '0'), "00");

  // Fiscalize, checking the clock through the date and time dialog, which
  // opens its own driver on the port while this one has let it go.
  std::string dialogResult;
  ui.OnDateTimeDialog([&](int port) {
    FiscalPrinter clock(&ui, port);
    dialogResult = clock.IsConnected() ? clock.SetDateTime(std::time(nullptr)) : "not connected";
  });
  ui.DateTimeResults({1});
  ui.prompts.clear();
  ui.Answer({1, 6});
  ASSERT_EQ(printer->Fiscalize(kService), "00");
  EXPECT_EQ(ui.dateTimeDialogs, 1);
  EXPECT_EQ(dialogResult, "00");
  ASSERT_EQ(ui.prompts.size(), 2u);
  EXPECT_NE(ui.prompts[1].text.find("Фискален код: 291417774\n"), std::string::npos)
      << ui.prompts[1].text;
  EXPECT_TRUE(sim->Flags()[23]);

  // What was programmed reads back.
  FactoryNumbers numbers;
  ASSERT_FALSE(printer->ReadFactoryNumbers(numbers).empty());
  EXPECT_EQ(numbers.printerNumber, 123456);
  EXPECT_EQ(numbers.memoryNumber, 654321);
  std::string taxNumber;
  ASSERT_EQ(printer->ReadTaxNumber(taxNumber), "OK");
  EXPECT_EQ(taxNumber, "291417774");
  TaxRates rates{};
  ASSERT_FALSE(printer->ReadTaxRates(rates).empty());
  EXPECT_EQ(rates, (TaxRates{0, 20, 20, 9, 5, -1, -1, -1}));
  char mode = 0;
  ASSERT_FALSE(printer->ReadDecimalPoint(mode).empty());
  EXPECT_EQ(mode, '0');

  // A second fiscalization is refused by the status check.
  ui.prompts.clear();
  EXPECT_EQ(printer->Fiscalize(kService), "");

  // The first receipt, in whole-number money.
  const int before = State().receiptNumber;
  ui.prompts.clear();
  OperatorRecord op{1, "", "1"};
  ASSERT_EQ(printer->OpenFiscalReceipt(op, false, true), "00");
  ASSERT_EQ(printer->SellItem(Cp("Хляб"), 1, 2, 1, 0), "00");
  ASSERT_FALSE(printer->Payment(0, 5, false, 0).empty());
  ASSERT_FALSE(printer->CloseFiscalReceipt().empty());
  EXPECT_EQ(State().receiptNumber, before + 1);
  EXPECT_FALSE(sim->Flags()[14]);  // no receipt left open
  EXPECT_NE(sim->Paper().find("Хляб"), std::string::npos);
}

TEST_F(Driver2EndToEnd, SettingsReadBack) {
  Start(false);

  ASSERT_EQ(printer->SetHeaderLine(1, Cp("ТЕСТ ЕООД"), 1, 42), "00");
  ASSERT_EQ(printer->SetHeaderLine(2, Cp("ул. Роза 5"), 0, 42), "00");
  ASSERT_EQ(printer->SetHeaderLine(3, "tel. 123", 2, 42), "00");
  const struct {
    int line;
    const char* text;
    int alignment;
  } lines[] = {{1, "ТЕСТ ЕООД", 1}, {2, "ул. Роза 5", 0}, {3, "tel. 123", 2}};
  for (const auto& l : lines) {
    HeaderLine h;
    ASSERT_EQ(printer->ReadHeaderLine(l.line, h), "OK");
    EXPECT_EQ(h.line, l.line);
    EXPECT_EQ(Cp1251ToUtf8(h.text), l.text);
    EXPECT_EQ(h.alignment, l.alignment) << l.text;
    EXPECT_EQ(h.width, 42);
  }

  ASSERT_EQ(printer->SetArticle(10, Cp("Сирене"), 12.5, 1, 2), "00");
  ArticleRecord a;
  ASSERT_EQ(printer->ReadArticle(10, a), "OK");
  EXPECT_EQ(a.number, 10);
  EXPECT_EQ(Cp1251ToUtf8(a.name), "Сирене");
  EXPECT_DOUBLE_EQ(a.price, 12.5);
  EXPECT_EQ(a.taxGroup, 1);
  EXPECT_EQ(a.department, 2);

  const PrintParameters params{42, true, false, true, false, true, false};
  ASSERT_EQ(printer->SetParameters(params), "00");
  PrintParameters p;
  ASSERT_EQ(printer->ReadParameters(p), "OK");
  EXPECT_EQ(p.deviceNumber, 42);
  EXPECT_EQ(p.logo, params.logo);
  EXPECT_EQ(p.drawer, params.drawer);
  EXPECT_EQ(p.autoCut, params.autoCut);
  EXPECT_EQ(p.transparentDisplay, params.transparentDisplay);
  EXPECT_EQ(p.shortJournal, params.shortJournal);
  EXPECT_EQ(p.currency, params.currency);

  ASSERT_EQ(printer->SetPaymentName(2, Cp("Чек"), 0), "00");
  ASSERT_EQ(printer->SetPaymentName(4, "EUR", 1.95583), "00");
  PaymentNames names;
  ASSERT_FALSE(printer->ReadPaymentNames(names).empty());
  EXPECT_EQ(Cp1251ToUtf8(names[2]), "Чек");
  EXPECT_EQ(names[4], "EUR");
  EXPECT_DOUBLE_EQ(std::atof(names[5].c_str()), 1.95583);

  Department d;
  d.number = 12;
  d.name = Cp("Плодове");
  d.taxGroup = 2;
  ASSERT_EQ(printer->SetDepartment(d), "00");
  Department r;
  r.number = 12;
  ASSERT_FALSE(printer->ReadDepartment(r).empty());
  EXPECT_EQ(r.number, 12);
  EXPECT_EQ(Cp1251ToUtf8(r.name), "Плодове");
  EXPECT_EQ(r.taxGroup, 2);

  ASSERT_EQ(printer->SetInvoiceRange({"100", "4567"}), "00");
  InvoiceRange range;
  ASSERT_FALSE(printer->ReadInvoiceRange(range).empty());
  EXPECT_EQ(std::stoll(range.first), 100);
  EXPECT_EQ(std::stoll(range.last), 4567);

  ASSERT_EQ(printer->DisplayLine(2, "Hello", 1), "00");
  EXPECT_EQ(State().display[1], "       Hello        ");

  const std::string path = ::testing::TempDir() + "driver2_e2e_logo.bmp";
  std::string logo(5000, '\0');
  for (size_t i = 0; i < logo.size(); ++i) logo[i] = static_cast<char>(i * 13 % 256);
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(logo.data(), 1, logo.size(), f);
  std::fclose(f);
  ASSERT_EQ(printer->LoadLogo(path), "00");
  EXPECT_EQ(State().logoBytes, logo.substr(0, 3902));
  std::remove(path.c_str());

  // The decimal point already in force is left alone.
  char mode = 0;
  ASSERT_FALSE(printer->ReadDecimalPoint(mode).empty());
  ui.prompts.clear();
  EXPECT_EQ(printer->SetDecimalPoint(kService, mode), std::string(1, mode));
  EXPECT_EQ(ui.prompts.size(), 1u);
}

}  // namespace
