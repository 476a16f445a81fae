// How each call ended, beside its text result: every kind of end, whether the
// user was told, and that a later call does not inherit an earlier end.
#include <functional>
#include <string>

#include "command_fixture.h"

namespace {

class OutcomeTest : public ScriptedPrinterTest {
 protected:
  static constexpr int kFlagFiscalReceiptOpen = 14;
};

struct OutcomeCase {
  const char* why;
  std::function<void(FakeDevice&, ScriptedUi&)> setup;
  std::function<std::string(FiscalPrinter&)> call;
  bool emptyResult;
  CallEnd end;
  bool told;
  const char* messagePart;  // in LastOutcome().message
};

TEST_F(OutcomeTest, EveryEndIsNamed) {
  const OperatorRecord op{1, "", "0000"};
  const auto none = [](FakeDevice&, ScriptedUi&) {};
  const auto twoDecimals = [](FakeDevice& d, ScriptedUi&) {
    d.Queue('c', FakeDevice::Reply::Data("2"));
  };
  const OutcomeCase cases[] = {
      {"a data reply", none, [](FiscalPrinter& p) { return p.ReadVersion(); }, false,
       CallEnd::kDone, false, ""},
      {"ACK 00", none, [](FiscalPrinter& p) { return p.ClearDisplay(); }, false, CallEnd::kDone,
       false, ""},
      {"display line 3", none, [](FiscalPrinter& p) { return p.DisplayLine(3, "x", 0); }, true,
       CallEnd::kOutOfRange, false, "1 до 2"},
      {"operator 10", none,
       [](FiscalPrinter& p) {
         return p.OpenFiscalReceipt({10, "", ""}, false, false);
       },
       true, CallEnd::kOutOfRange, false, "1 до 9"},
      {"deposit above the two-decimal maximum", twoDecimals,
       [&](FiscalPrinter& p) { return p.ServiceSumInOut(op, 0, 1000000); }, true,
       CallEnd::kOutOfRange, false, "999999.99"},
      {"deposit at the two-decimal maximum", twoDecimals,
       [&](FiscalPrinter& p) { return p.ServiceSumInOut(op, 0, 999999.99); }, false, CallEnd::kDone,
       false, ""},
      {"quantity too large",
       [](FakeDevice& d, ScriptedUi&) { d.SetFlag(kFlagFiscalReceiptOpen, true); },
       [](FiscalPrinter& p) { return p.SellItem("x", 0, 1, 1000000, 0); }, true,
       CallEnd::kOutOfRange, false, "999999.999"},
      {"refusal given up",
       [](FakeDevice& d, ScriptedUi& u) {
         d.Queue('$', FakeDevice::Reply::Ack("01"));
         u.Answer({2});  // Отказ
       },
       [](FiscalPrinter& p) { return p.ClearDisplay(); }, true, CallEnd::kPrinterRefused, true,
       "Невалидна команда"},
      {"refusal passed over",
       [](FakeDevice& d, ScriptedUi& u) {
         d.Queue('$', FakeDevice::Reply::Ack("01"));
         u.Answer({5});  // Продължи
       },
       [](FiscalPrinter& p) { return p.ClearDisplay(); }, false, CallEnd::kPrinterRefused, true,
       "Невалидна команда"},
      {"status refused", [](FakeDevice& d, ScriptedUi&) { d.SetFlag(kFlagFactoryNumbers, false); },
       [](FiscalPrinter& p) { return p.PrintDuplicate(); }, true, CallEnd::kStatusRefused, true,
       "Незаписани Фабрични Номера"},
      {"question declined", [](FakeDevice&, ScriptedUi& u) { u.Answer({7}); },  // Не
       [](FiscalPrinter& p) { return p.PrintDailyReport(true); }, true, CallEnd::kCancelled, true,
       "Нулев Дневен Отчет"},
      {"no answer",
       [](FakeDevice& d, ScriptedUi& u) {
         d.Queue('$', FakeDevice::Reply::Silence());
         u.Answer({2});  // Отказ
       },
       [](FiscalPrinter& p) { return p.ClearDisplay(); }, true, CallEnd::kLinkFailed, true, ""},
      {"unwritable download", none, [](FiscalPrinter& p) { return p.DownloadFMToFile(nullptr); },
       true, CallEnd::kFileFailed, true, "запис"},
  };
  for (const auto& c : cases) {
    // Each case starts from the end of a successful call, so an end that is
    // not recorded shows as a stale "done".
    ASSERT_FALSE(printer->ReadVersion().empty());
    c.setup(device, ui);
    const std::string result = c.call(*printer);
    const CallOutcome& o = printer->LastOutcome();
    EXPECT_EQ(result.empty(), c.emptyResult) << c.why;
    EXPECT_EQ(o.end, c.end) << c.why << ": " << CallEndWord(o.end);
    EXPECT_EQ(o.userTold, c.told) << c.why;
    EXPECT_NE(o.message.find(c.messagePart), std::string::npos) << c.why << ": " << o.message;
    device.SetFlag(kFlagFactoryNumbers, true);
    device.SetFlag(kFlagFiscalReceiptOpen, false);
  }
}

}  // namespace

namespace {

TEST(CallEndWordTest, AValueOutsideTheEndsIsNeverDone) {
  EXPECT_STREQ(CallEndWord(CallEnd::kDone), "done");
  EXPECT_STREQ(CallEndWord(static_cast<CallEnd>(99)), "unknown");
}

// A read of the decimal mode refused and passed over with "Продължи" returns the
// ACK code; neither it nor a command that needs the mode takes that code for one.
TEST_F(OutcomeTest, DecimalModeReadPassedOverIsNoMode) {
  char mode = 'x';
  device.Queue('c', FakeDevice::Reply::Ack("01"));
  ui.Answer({5});  // Продължи
  const std::string result = printer->ReadDecimalPoint(mode);
  EXPECT_FALSE(result.empty());
  EXPECT_FALSE(printer->Done(result));
  EXPECT_EQ(mode, 'x');

  device.SetFlag(kFlagFiscalReceiptOpen, true);
  device.Queue('c', FakeDevice::Reply::Ack("01"));
  ui.Answer({5});
  EXPECT_EQ(printer->SellItem("x", 0, 1, 1, 0), "");
  EXPECT_EQ(printer->LastOutcome().end, CallEnd::kPrinterRefused);
  for (const auto& f : device.Frames()) EXPECT_NE(f.cmd, 0x31) << "a sale was sent";

  device.Queue('c', FakeDevice::Reply::Ack("01"));
  ui.Answer({5});
  EXPECT_EQ(printer->SetDecimalPoint("0000", '0'), "");
  for (const auto& f : device.Frames()) EXPECT_NE(f.cmd, 0x43) << "a mode was set";
}

}  // namespace
