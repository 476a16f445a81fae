#include <cmath>
#include <limits>

#include "driver/text.h"
#include "scripted_printer.h"

namespace {

// Sales, subtotal, payment and close need a fiscal receipt open.
class ReceiptWire : public PrinterScript {
 protected:
  void SetUp() override {
    PrinterScript::SetUp();
    SetFlags({Flag::kFiscalReceiptOpen});
  }
};

const std::string kText = "Hlyab";
const std::string kText36 = FitText(kText, 36, 0, ' ');

struct SaleCase {
  const char* name;
  char mode;
  int group;
  double price, quantity, percent;
  std::string tail;  // what follows the text and ';' in the data field
};

TEST_F(ReceiptWire, SellItemDataField) {
  const SaleCase cases[] = {
      {"percent -10, two decimals", '2', 0, 3.2, 1, -10, "\xC0;0000003.20,-10.00%"},
      {"quantity 0 sends no quantity", '2', 1, 3.2, 0, 0, "\xC1;0000003.20"},
      {"quantity 2.5", '2', 7, 3.2, 2.5, 0, "\xC7;0000003.20*000002.500"},
      {"void: negated price", '2', 2, -12.5, 1, 0, "\xC2;-000012.50"},
      {"whole numbers: nine digits", '0', 3, 1000000, 1, 5, "\xC3;001000000,005.00%"},
      {"whole-number sale", '0', 1, 12, 1, 0, "\xC1;000000012"},
      {"whole-number void", '0', 1, -12, 1, 0, "\xC1;-00000012"},
      {"price at the two-decimal limit", '2', 0, 999999.99, 1, 0, "\xC0;0999999.99"},
      {"percent at the limit", '2', 0, 1, 999999.999, 99.99, "\xC0;0000001.00*999999.999,099.99%"},
  };
  for (const SaleCase& c : cases) {
    SCOPED_TRACE(c.name);
    dev.ClearRecords();
    SetDecimalMode(c.mode);
    EXPECT_EQ(printer->SellItem(kText, c.group, c.price, c.quantity, c.percent), "00");
    EXPECT_EQ(DataOf(0x31), kText36 + ";" + c.tail);
  }
}

TEST_F(ReceiptWire, SellItemCallOrder) {
  printer->SellItem(kText, 0, 1, 1, 0);
  // Own status check, the decimal-point query's status check, the query, the sale.
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x20, 0x20, 0x63, 0x31}));
}

TEST_F(ReceiptWire, SellItemRefusesOutOfRangeWithoutSending) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const SaleCase cases[] = {
      {"price 1000000 in two-decimal mode", '2', 0, 1000000, 1, 0, ""},
      {"price below the two-decimal range", '2', 0, -1000000, 1, 0, ""},
      {"price above the whole-number range", '0', 0, 100000000, 1, 0, ""},
      {"negative quantity", '2', 0, 1, -0.5, 0, ""},
      {"quantity too large", '2', 0, 1, 1000000, 0, ""},
      {"percent 100", '2', 0, 1, 1, 100, ""},
      {"percent -100", '2', 0, 1, 1, -100, ""},
      {"tax group 8", '2', 8, 1, 1, 0, ""},
      {"tax group -1", '2', -1, 1, 1, 0, ""},
      {"NaN price", '2', 0, nan, 1, 0, ""},
      {"NaN quantity", '2', 0, 1, nan, 0, ""},
  };
  for (const SaleCase& c : cases) {
    SCOPED_TRACE(c.name);
    dev.ClearRecords();
    SetDecimalMode(c.mode);
    EXPECT_EQ(printer->SellItem(kText, c.group, c.price, c.quantity, c.percent), "");
    EXPECT_EQ(CountOf(0x31), 0);
  }
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ReceiptWire, SellItemSendsNothingWhenDecimalQueryFails) {
  dev.Queue(0x63, Reply::Nack());
  ui.SetFallback(2);  // "Отказ" on the NACK message
  EXPECT_EQ(printer->SellItem(kText, 0, 1, 1, 0), "");
  EXPECT_EQ(CountOf(0x31), 0);
}

TEST_F(ReceiptWire, SellInDepartment) {
  EXPECT_EQ(printer->SellInDepartment(kText, 3, 2, 1, 5), "00");
  EXPECT_EQ(DataOf(0x34), kText36 + ";\x83;0000002.00*000001.000,05.00%");
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x20, 0x20, 0x63, 0x34}));

  dev.ClearRecords();
  printer->SellInDepartment(kText, 0, 2, 0, -5.5);
  EXPECT_EQ(DataOf(0x34), kText36 + ";\x80;0000002.00,-5.50%");

  dev.ClearRecords();
  EXPECT_EQ(printer->SellInDepartment(kText, 2, 2, 0, -99.99), "00");
  EXPECT_EQ(DataOf(0x34), kText36 + ";\x82;0000002.00,-99.99%");

  dev.ClearRecords();
  EXPECT_EQ(printer->SellInDepartment(kText, 128, 2, 1, 0), "");  // would wrap the byte
  EXPECT_EQ(printer->SellInDepartment(kText, 1, 2, 1, -100), "");
  EXPECT_EQ(CountOf(0x34), 0);
}

TEST_F(ReceiptWire, SellArticle) {
  EXPECT_EQ(printer->SellArticle(7, 1, 0, true), "00");
  EXPECT_EQ(DataOf(0x32), "-00007");
  // No decimal-point query: the command carries no price.
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x20, 0x32}));

  dev.ClearRecords();
  printer->SellArticle(1000, 2, -5, false);
  EXPECT_EQ(DataOf(0x32), " 01000*000002.000,-05.00%");

  dev.ClearRecords();
  EXPECT_EQ(printer->SellArticle(1001, 1, 0, false), "");
  EXPECT_EQ(printer->SellArticle(0, 1, 0, false), "");
  EXPECT_EQ(printer->SellArticle(5, 1, 100, false), "");
  EXPECT_EQ(CountOf(0x32), 0);
}

TEST_F(ReceiptWire, SubtotalReadsTheSum) {
  dev.Queue(0x33, Reply::Data("0000012.30"));
  double subtotal = -1;
  EXPECT_EQ(printer->Subtotal(subtotal, 0, false, false, false), "0000012.30");
  EXPECT_DOUBLE_EQ(subtotal, 12.3);
  EXPECT_EQ(DataOf(0x33), "0;0");
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x20, 0x20, 0x63, 0x33}));
}

TEST_F(ReceiptWire, SubtotalRefusedByAnAckIsNotAnAmount) {
  // "02" passed over with "Продължи" must not read as an unpaid 2.00.
  dev.Queue(0x33, Reply::Ack("02"));
  ui.Answer({5});
  double subtotal = -1;
  EXPECT_EQ(printer->Subtotal(subtotal, 0, false, false, false), "02");
  EXPECT_DOUBLE_EQ(subtotal, -1);
}

TEST_F(ReceiptWire, SubtotalAdjustments) {
  double s = 0;
  printer->Subtotal(s, 5, false, true, false);
  EXPECT_EQ(DataOf(0x33), "1;0,005.00%");
  dev.ClearRecords();
  printer->Subtotal(s, -2.5, true, false, true);
  EXPECT_EQ(DataOf(0x33), "0;1:-000002.50");
  dev.ClearRecords();
  SetDecimalMode('0');
  printer->Subtotal(s, 150, true, false, false);
  EXPECT_EQ(DataOf(0x33), "0;0:000000150");
  dev.ClearRecords();
  EXPECT_EQ(printer->Subtotal(s, 100, false, false, false), "");  // percent out of range
  EXPECT_EQ(CountOf(0x33), 0);
}

TEST_F(ReceiptWire, SubtotalWithPrintChecksPaper) {
  SetFlags({Flag::kFiscalReceiptOpen, Flag::kNoPaper});
  double s = 0;
  EXPECT_EQ(printer->Subtotal(s, 5, false, true, false), "");  // the fallback answer cancels
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Липсва хартия или е прегрял принтера");
  EXPECT_EQ(CountOf(0x33), 0);

  // Without printing the paper is not required.
  ui.prompts.clear();
  EXPECT_NE(printer->Subtotal(s, 5, false, false, false), "");
  EXPECT_TRUE(ui.prompts.empty());
}

// A receipt-state reply of 129 characters with the given flags.
std::string StateReply(bool paymentFinished) {
  std::string r;
  Put(r, 0, "1");
  Put(r, 2, "003");
  Put(r, 6, "00000012.50");
  Put(r, 18, "00000001.25");
  Put(r, 30, "00000000.00");
  Put(r, 42, "1");
  Put(r, 44, "0");
  Put(r, 46, "1");
  Put(r, 48, "1");
  Put(r, 50, paymentFinished ? "1" : "0");
  Put(r, 52, "0");
  Put(r, 54, "1");
  Put(r, 56, "00000003.40");
  Put(r, 68, "2");
  Put(r, 70, "00000004.00");
  Put(r, 82, "00000005.00");
  Put(r, 94, "00000006.00");
  Put(r, 106, "00000007.00");
  Put(r, 118, "00000008.00");
  return r;
}

TEST_F(ReceiptWire, ReadReceiptStateFullReply) {
  const std::string r = StateReply(false);
  ASSERT_EQ(r.size(), 129u);
  dev.Queue(0x72, Reply::Data(r));
  ReceiptState st;
  EXPECT_EQ(printer->ReadReceiptState(st), "OK");
  EXPECT_TRUE(st.open);
  EXPECT_EQ(st.purchases, 3);
  EXPECT_EQ(st.groupSubtotals, (std::array<double, 8>{12.5, 1.25, 0, 4, 5, 6, 7, 8}));
  EXPECT_TRUE(st.voidForbidden);
  EXPECT_FALSE(st.withVat);
  EXPECT_TRUE(st.detailed);
  EXPECT_TRUE(st.paymentStarted);
  EXPECT_FALSE(st.paymentFinished);
  EXPECT_TRUE(st.invoice);
  EXPECT_DOUBLE_EQ(st.lastChange, 3.4);
  EXPECT_EQ(st.lastChangeType, 2);
}

TEST_F(ReceiptWire, ReadReceiptStateShortReplies) {
  ReceiptState st;
  st.groupSubtotals.fill(9);
  st.lastChangeType = 9;
  dev.Queue(0x72, Reply::Data(StateReply(true).substr(0, 60)));
  EXPECT_EQ(printer->ReadReceiptState(st), "OK");
  EXPECT_EQ(st.groupSubtotals, (std::array<double, 8>{12.5, 1.25, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(st.lastChangeType, 0);
  EXPECT_TRUE(st.paymentFinished);
  EXPECT_DOUBLE_EQ(st.lastChange, 0);  // "0000" of the field's first four characters

  // A reply that stops after the open flag reads every missing field as 0.
  dev.Queue(0x72, Reply::Data("1"));
  EXPECT_EQ(printer->ReadReceiptState(st), "OK");
  EXPECT_TRUE(st.open);
  EXPECT_EQ(st.purchases, 0);
  EXPECT_FALSE(st.paymentFinished);
  EXPECT_EQ(st.groupSubtotals, (std::array<double, 8>{}));

  // An empty answer leaves the record alone.
  st.purchases = 42;
  dev.Queue(0x72, Reply::Nack());
  EXPECT_EQ(printer->ReadReceiptState(st), "");
  EXPECT_EQ(st.purchases, 42);
}

TEST_F(ReceiptWire, ReadReceiptStateLengthThresholdAndChangeType) {
  const std::string r = StateReply(false);
  struct Case {
    size_t length;
    char type;
    int lastChangeType;
    double groupG;
  };
  const Case cases[] = {
      {70, '2', 0, 0}, {71, '2', 2, 9}, {71, '9', 9, 9}, {71, 'A', 1, 9}, {129, 'A', 1, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.length << " characters, type " << c.type);
    std::string reply = r;
    reply[68] = c.type;
    if (c.length < 129) reply[70] = '9';  // group Г reads 9 once it is read at all
    dev.Queue(0x72, Reply::Data(reply.substr(0, c.length)));
    ReceiptState st;
    st.groupSubtotals.fill(5);
    EXPECT_EQ(printer->ReadReceiptState(st), "OK");
    EXPECT_EQ(st.lastChangeType, c.lastChangeType);
    EXPECT_DOUBLE_EQ(st.groupSubtotals[3], c.groupG);
    EXPECT_DOUBLE_EQ(st.groupSubtotals[7], c.length == 129 ? 8 : 0);
  }
}

TEST_F(ReceiptWire, PaymentDataField) {
  EXPECT_EQ(printer->Payment(2, 10.5, true, 0), "00");
  EXPECT_EQ(DataOf(0x35), "2;1;0000010.50;0;");
  // Status check, receipt state (with its status check), decimal point, payment.
  EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x20, 0x20, 0x72, 0x20, 0x63, 0x35}));

  dev.ClearRecords();
  EXPECT_EQ(printer->Payment(0, -5, false, 2), "00");  // the printer judges negative sums
  EXPECT_EQ(DataOf(0x35), "0;0;-000005.00;2;");

  dev.ClearRecords();
  SetDecimalMode('0');
  printer->Payment(1, 99999999, false, 1);
  EXPECT_EQ(DataOf(0x35), "1;0;099999999;1;");
}

TEST_F(ReceiptWire, PaymentRefusesAmountsAboveTheMode) {
  EXPECT_EQ(printer->Payment(0, 999999.995, false, 0), "");
  SetDecimalMode('0');
  EXPECT_EQ(printer->Payment(0, 100000000, false, 0), "");
  EXPECT_EQ(CountOf(0x35), 0);
  EXPECT_TRUE(ui.prompts.empty());
}

TEST_F(ReceiptWire, PaymentWhenAlreadyFinished) {
  dev.Queue(0x72, Reply::Data(StateReply(true)));
  ui.Answer({5});  // "Продължи"
  EXPECT_EQ(printer->Payment(0, 1, false, 0), "OK");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Плащането е завършено");
  EXPECT_EQ(ui.prompts[0].caption, "Завършено плащане");
  EXPECT_EQ(ui.prompts[0].style, 0x3Cu);
  EXPECT_EQ(CountOf(0x35), 0);

  dev.Queue(0x72, Reply::Data(StateReply(true)));
  ui.Answer({2});
  EXPECT_EQ(printer->Payment(0, 1, false, 0), "");
  EXPECT_EQ(CountOf(0x35), 0);
}

TEST_F(ReceiptWire, CloseFiscalReceiptWithNothingUnpaid) {
  dev.Queue(0x33, Reply::Data("0.00"));
  EXPECT_EQ(printer->CloseFiscalReceipt(), "00");
  EXPECT_TRUE(ui.prompts.empty());
  EXPECT_EQ(CountOf(0x35), 0);
  EXPECT_EQ(Commands().back(), 0x38);
}

TEST_F(ReceiptWire, CloseFiscalReceiptPaysTheRestAfterAsking) {
  dev.Queue(0x33, Reply::Data("12.3"));
  ui.Answer({1});  // "Приключване"
  EXPECT_EQ(printer->CloseFiscalReceipt(), "00");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Има неприключена сметка от 12.30 лева");
  EXPECT_EQ(ui.prompts[0].caption, "Неприключена сметка");
  EXPECT_EQ(ui.prompts[0].style, 0x1Bu);
  EXPECT_EQ(DataOf(0x35), "0;0;0000012.30;1;");
  const auto cmds = Commands();
  ASSERT_GE(cmds.size(), 2u);
  EXPECT_EQ(cmds[cmds.size() - 2], 0x35);
  EXPECT_EQ(cmds.back(), 0x38);
}

TEST_F(ReceiptWire, CloseFiscalReceiptUnpaidWholeNumbersAndCancel) {
  SetDecimalMode('0');
  dev.Queue(0x33, Reply::Data("12"));
  ui.Answer({2});  // "Отказ"
  EXPECT_EQ(printer->CloseFiscalReceipt(), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Има неприключена сметка от 12 лева");
  EXPECT_EQ(CountOf(0x35), 0);
  EXPECT_EQ(CountOf(0x38), 0);
}

TEST_F(ReceiptWire, OpenCommands) {
  SetFlags({});
  const OperatorRecord op{3, "Ivan", "12"};
  EXPECT_EQ(printer->OpenFiscalReceipt(op, true, false), "00");
  EXPECT_EQ(DataOf(0x30), "3;12  ;1;0");
  EXPECT_EQ(printer->OpenServiceReceipt(op), "00");
  EXPECT_EQ(DataOf(0x2E), "3;12  ");
  EXPECT_EQ(printer->OpenInvoiceReceipt(op, "Firma", "Petrov", "BG123", "123", "Sofia"), "00");
  EXPECT_EQ(DataOf(0x30, 1), "3;12  ;0;0;1;" + FitText("Firma", 26, 0, ' ') + ";" +
                                 FitText("Petrov", 16, 0, ' ') + ";" +
                                 FitText("BG123", 13, 0, ' ') + ";" + FitText("123", 13, 0, ' ') +
                                 ";" + FitText("Sofia", 30, 0, ' ') + ";");
  // Long texts are cut to their field.
  printer->OpenInvoiceReceipt(op, std::string(40, 'R'), "", "", "", std::string(35, 'A'));
  EXPECT_EQ(DataOf(0x30, 2).size(),
            std::string("3;12  ;0;0;1;").size() + 26 + 16 + 13 + 13 + 30 + 5);
}

TEST_F(ReceiptWire, OpenCommandsRefuseOperatorOutOfRange) {
  SetFlags({});
  for (int number : {0, 10, -1}) {
    SCOPED_TRACE(number);
    const OperatorRecord op{number, "", "1"};
    EXPECT_EQ(printer->OpenFiscalReceipt(op, false, false), "");
    EXPECT_EQ(printer->OpenServiceReceipt(op), "");
    EXPECT_EQ(printer->OpenInvoiceReceipt(op, "", "", "", "", ""), "");
    EXPECT_EQ(printer->ServiceSumInOut(op, 0, 1), "");
  }
  EXPECT_EQ(Commands(), std::vector<uint8_t>(12, 0x20));  // status reads only
}

TEST_F(ReceiptWire, TextServiceSumAndLastNumber) {
  SetFlags({});
  printer->PrintReceiptText("abc", 1);
  EXPECT_EQ(DataOf(0x37), FitText("abc", 34, 1, ' '));
  printer->ServiceSumInOut({1, "", "0000"}, 4, -10);
  EXPECT_EQ(DataOf(0x3B), "1;0000;4;-000010.00");
  EXPECT_EQ(printer->ServiceSumInOut({1, "", "0000"}, 4, 1e6), "");
  EXPECT_EQ(CountOf(0x3B), 1);

  dev.Queue(0x71, Reply::Data("0042;x"));
  int number = 0;
  EXPECT_EQ(printer->ReadLastReceiptNumber(number), "OK");
  EXPECT_EQ(number, 42);
}

TEST_F(ReceiptWire, DuplicateAlreadyPrintedIsRefused) {
  SetFlags({});  // flag 12 clear: the duplicate has been printed
  EXPECT_EQ(printer->PrintDuplicate(), "");
  ASSERT_EQ(ui.prompts.size(), 1u);
  EXPECT_EQ(ui.prompts[0].text, "Дубликатът на бележката е вече отпечатан");
  SetFlags({Flag::kDuplicatePending});
  EXPECT_EQ(printer->PrintDuplicate(), "00");
  EXPECT_EQ(DataOf(0x3A), "");
}

}  // namespace
