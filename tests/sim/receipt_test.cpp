// Receipts against the simulated printer, as a host would run them.
#include "sim_fixture.h"

namespace {
using R = SimClient::Reply;

double At(const std::string& reply, size_t from, size_t to) {
  return FieldDouble(reply, from, to);
}

class ReceiptTest : public SimTest {};

TEST_F(ReceiptTest, FullFiscalReceiptUpdatesCountersAndPaper) {
  OpenReceipt();
  EXPECT_TRUE(Flags()[14]);
  EXPECT_TRUE(Flags()[16]);  // with VAT
  EXPECT_EQ(Code(0x31, "Хляб;Б;0000001.20*000002.000"), "00");
  EXPECT_EQ(Code(0x31, "Вестник;А;0000001.00"), "00");
  EXPECT_EQ(Code(0x31, "Бензин;В;0000010.00,-10.00%"), "00");
  EXPECT_EQ(Code(0x31, "Хляб;Б;-000001.20"), "00");     // void of one of the two
  EXPECT_EQ(Code(0x32, " 00004*000002.000"), "00");     // article 4, Кафе 1.80, group Б
  EXPECT_EQ(Code(0x34, "Вода;\x02;0000000.80"), "04");  // not a department byte
  std::string dept = Utf8ToCp1251Lossy("Вода;") + static_cast<char>(0x82) + ";0000000.80";
  EXPECT_EQ(client_->Transact(0x34, dept).code, "00");

  // А 1.00, Б 5.60, В 9.00: 15.60; 5 % off gives 14.82.
  const R sub = Run(0x33, "1;0,-05.00%");
  ASSERT_EQ(sub.kind, R::kData);
  EXPECT_EQ(sub.data, "0000014.82");

  std::string st = Data(0x72);
  EXPECT_EQ(st[0], '1');
  EXPECT_EQ(FieldInt(st, 2, 4), 5);
  EXPECT_DOUBLE_EQ(At(st, 6, 16), 0.95);
  EXPECT_DOUBLE_EQ(At(st, 18, 28), 5.32);
  EXPECT_DOUBLE_EQ(At(st, 30, 40), 8.55);
  EXPECT_EQ(st[48], '0');  // no payment yet

  EXPECT_EQ(Code(0x35, "1;0;0000005.00;0;"), "00");
  st = Data(0x72);
  EXPECT_EQ(st[42], '1');  // voids forbidden once paying
  EXPECT_EQ(st[48], '1');
  EXPECT_EQ(st[50], '0');
  EXPECT_EQ(Code(0x31, "Хляб;Б;-000001.20"), "02");
  EXPECT_EQ(Code(0x38), "52");  // not paid in full
  EXPECT_EQ(Code(0x35, "0;0;0000020.00;0;"), "00");
  st = Data(0x72);
  EXPECT_EQ(st[50], '1');
  EXPECT_DOUBLE_EQ(At(st, 56, 66), 10.18);
  EXPECT_EQ(st[68] & 0x0F, 0);                       // change in cash
  EXPECT_EQ(Code(0x35, "0;0;0000001.00;0;"), "02");  // payment already complete
  EXPECT_EQ(Code(0x38), "00");

  const auto f = Flags();
  EXPECT_FALSE(f[14]);
  EXPECT_TRUE(f[9]);
  EXPECT_TRUE(f[10]);
  EXPECT_TRUE(f[11]);
  EXPECT_TRUE(f[12]);
  EXPECT_EQ(Data(0x71), "0058");

  const std::string tax = Data(0x6D);
  EXPECT_DOUBLE_EQ(At(tax, 0, 10), 0.95);
  EXPECT_DOUBLE_EQ(At(tax, 12, 22), 5.32);
  EXPECT_DOUBLE_EQ(At(tax, 24, 34), 8.55);
  const std::string pay = Data(0x6E, "0");
  EXPECT_DOUBLE_EQ(At(pay, 2, 12), 9.82);  // 20.00 cash less 10.18 change
  EXPECT_DOUBLE_EQ(At(pay, 14, 24), 5.00);
  const std::string cnt = Data(0x6E, "1");
  EXPECT_EQ(FieldInt(cnt, 2, 6), 1);
  EXPECT_EQ(FieldInt(cnt, 8, 12), 2);
  EXPECT_DOUBLE_EQ(At(cnt, 14, 24), 1.78);
  EXPECT_EQ(FieldInt(cnt, 44, 48), 1);
  EXPECT_DOUBLE_EQ(At(cnt, 50, 60), 1.20);
  const std::string op = Data(0x6F, "6;1");
  EXPECT_DOUBLE_EQ(At(op, 4, 14), 10.18);
  const std::string art = Data(0x6B, "00004");
  EXPECT_DOUBLE_EQ(At(art, 41, 51), 3.60);
  EXPECT_DOUBLE_EQ(At(art, 53, 63), 2.0);

  const std::string paper = sim_->Paper();
  for (const char* want : {"ДЕМО ТЪРГОВИЯ ЕООД", "Хляб", "ВОЙД", "ОТСТЪПКА -10.00%",
                           "МЕЖДИННА СУМА", "ОБЩА СУМА                            14.82", "КАРТА",
                           "РЕСТО                                10.18", "№ 0000058",
                           "ФИСКАЛЕН БОН", "ЗАПОВЯДАЙТЕ ОТНОВО", "ФП № 50654321", "ДДС Б = 20.00%"})
    EXPECT_NE(paper.find(want), std::string::npos) << want << "\n" << paper;

  EXPECT_EQ(Code(0x3A), "00");
  EXPECT_FALSE(Flags()[12]);
  EXPECT_NE(sim_->Paper().find("ДУБЛИКАТ"), std::string::npos);
  EXPECT_EQ(Code(0x3A), "02");  // only once
}

TEST_F(ReceiptTest, RefusalsCarryTheirCodes) {
  struct Case {
    const char* what;
    uint8_t cmd;
    const char* data;
    const char* code;
  };
  const Case before[] = {
      {"sale without a receipt", 0x31, "X;Б;0000001.00", "02"},
      {"payment without a receipt", 0x35, "0;0;0000001.00;0;", "02"},
      {"close without a receipt", 0x38, "", "02"},
      {"wrong password", 0x30, "1;9;0;1", "92"},
      {"operator 0", 0x30, "0;1;0;1", "04"},
      {"operator 10", 0x30, "10;1;0;1", "04"},
      {"duplicate before any receipt", 0x3A, "", "02"},
      {"withdrawal beyond the cash", 0x3B, "1;1;0;-000001.00", "08"},
      {"unknown command", 0x23, "", "01"},
  };
  for (const auto& c : before) EXPECT_EQ(Code(c.cmd, c.data), c.code) << c.what;
  OpenReceipt();
  const Case during[] = {
      {"second receipt", 0x30, "1;1;0;1", "42"},
      {"payment with nothing sold", 0x35, "0;0;0000001.00;0;", "02"},
      {"void of what was not sold", 0x31, "X;Б;-000001.00", "07"},
      {"switched-off group Д", 0x31, "X;Д;0000001.00", "09"},
      {"zero price", 0x31, "X;Б;0000000.00", "06"},
      {"bad price", 0x31, "X;Б;12a", "04"},
      {"quantity zero", 0x31, "X;Б;0000001.00*000000.000", "06"},
      {"percent out of range", 0x31, "X;Б;0000001.00,-100.00%", "04"},
      {"unprogrammed article", 0x32, " 00999", "F2"},
      {"article 0", 0x32, " 00000", "04"},
      {"programming during a receipt", 0x4A, "1;Иван;1", "42"},
      {"service deposit during a receipt", 0x3B, "1;1;0;0000001.00", "42"},
      {"daily report during a receipt", 0x7C, "X", "42"},
  };
  for (const auto& c : during) EXPECT_EQ(Code(c.cmd, c.data), c.code) << c.what;
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  sim_->Inject(Fault::kPaperOut);
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "12");
  sim_->Inject(Fault::kPaperOut, 0);
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
}

TEST_F(ReceiptTest, EveryKindOfSaleIsRefusedOutsideTheSellingPhase) {
  // Windows-1251 data: a free sale, article 4, department 2.
  const std::pair<uint8_t, std::string> sales[] = {
      {0x31, Utf8ToCp1251Lossy("X;Б;0000001.00")},
      {0x32, " 00004"},
      {0x34, Utf8ToCp1251Lossy("Вода;") + static_cast<char>(0x82) + ";0000000.80"}};
  auto code = [&](const std::pair<uint8_t, std::string>& sale) {
    return client_->Transact(sale.first, sale.second).code;
  };
  for (const auto& sale : sales) EXPECT_EQ(code(sale), "02") << "no receipt " << int(sale.first);
  OpenReceipt();
  sim_->Inject(Fault::kPaperOut);
  for (const auto& sale : sales) EXPECT_EQ(code(sale), "12") << "no paper " << int(sale.first);
  sim_->Inject(Fault::kPaperOut, 0);
  for (const auto& sale : sales) EXPECT_EQ(code(sale), "00") << "selling " << int(sale.first);
  EXPECT_EQ(Code(0x35, "0;0;0000001.00;0;"), "00");
  for (const auto& sale : sales) EXPECT_EQ(code(sale), "02") << "paying " << int(sale.first);
}

TEST_F(ReceiptTest, AVoidTakesItsDiscountBack) {
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000010.00,-10.00%"), "00");
  EXPECT_EQ(Code(0x31, "X;Б;-000010.00,-10.00%"), "00");
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x72), 18, 28), 0.0);
  EXPECT_EQ(Code(0x38), "00");
  const std::string cnt = Data(0x6E, "1");
  EXPECT_EQ(FieldInt(cnt, 8, 12), 1);   // the sale's discount
  EXPECT_EQ(FieldInt(cnt, 26, 30), 0);  // no surcharge from the void
  EXPECT_EQ(FieldInt(cnt, 44, 48), 1);
  EXPECT_DOUBLE_EQ(FieldDouble(cnt, 50, 60), 9.0);
}

TEST_F(ReceiptTest, CloseWithZeroTotalNeedsNoPayment) {
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  EXPECT_EQ(Code(0x31, "X;Б;-000001.00"), "00");
  EXPECT_EQ(Code(0x38), "00");
  EXPECT_EQ(FieldInt(Data(0x6E, "1"), 44, 48), 1);
}

TEST_F(ReceiptTest, PaymentWithoutChangeKeepsTheSurplus) {
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000003.00"), "00");
  EXPECT_EQ(Code(0x35, "1;1;0000005.00;1;"), "00");
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x72), 56, 66), 0.0);
  EXPECT_EQ(Code(0x38), "00");
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x6E, "0"), 14, 24), 5.00);
}

TEST_F(ReceiptTest, ChangeInForeignCurrencyGoesToPaymentFour) {
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000003.00"), "00");
  EXPECT_EQ(Code(0x35, "0;0;0000005.00;2;"), "00");
  const std::string st = Data(0x72);
  EXPECT_DOUBLE_EQ(FieldDouble(st, 56, 66), 2.0);
  EXPECT_EQ(st[68] & 0x0F, 4);
  EXPECT_EQ(Code(0x38), "00");
  const std::string pay = Data(0x6E, "0");
  EXPECT_DOUBLE_EQ(FieldDouble(pay, 2, 12), 5.00);
  EXPECT_DOUBLE_EQ(FieldDouble(pay, 50, 60), -2.00);
}

TEST_F(ReceiptTest, SubtotalAsAmountSurchargeAndDisplay) {
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;А;0000010.00"), "00");
  EXPECT_EQ(Data(0x33, "0;0"), "0000010.00");
  EXPECT_EQ(Data(0x33, "0;1:0000002.50"), "0000012.50");
  EXPECT_EQ(FieldInt(Data(0x6E, "1"), 26, 30), 0);  // counted only when closed
  const auto st = State();
  EXPECT_NE(st.display[1].find("12.50"), std::string::npos);
  EXPECT_EQ(Code(0x35, "0;0;0000012.50;0;"), "00");
  EXPECT_EQ(Code(0x38), "00");
  const std::string cnt = Data(0x6E, "1");
  EXPECT_EQ(FieldInt(cnt, 26, 30), 1);
  EXPECT_DOUBLE_EQ(FieldDouble(cnt, 32, 42), 2.50);
}

TEST_F(ReceiptTest, ServiceReceiptPrintsItsLines) {
  EXPECT_EQ(Code(0x2E, "1;1"), "00");
  EXPECT_TRUE(Flags()[13]);
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "02");
  EXPECT_EQ(Code(0x37, "Оп.N   Име"), "00");
  EXPECT_EQ(Code(0x30, "1;1;0;1"), "62");
  EXPECT_EQ(Code(0x2F), "00");
  EXPECT_FALSE(Flags()[13]);
  const std::string paper = sim_->Paper();
  EXPECT_NE(paper.find("Оп.N   Име"), std::string::npos);
  EXPECT_NE(paper.find("СЛУЖЕБЕН БОН"), std::string::npos);
  EXPECT_EQ(Code(0x2F), "02");
}

TEST_F(ReceiptTest, ListingOutsideAReceipt) {
  EXPECT_EQ(Code(0x37, "Оп.N          Име          Парола"), "00");
  EXPECT_EQ(Code(0x37, "   1   Оператор 1            1   "), "00");
  EXPECT_EQ(Code(0x2B), "00");
  EXPECT_EQ(Code(0x29), "00");
  const std::string paper = sim_->Paper();
  EXPECT_NE(paper.find("Оп.N          Име          Парола"), std::string::npos);
  EXPECT_NE(paper.find("   1   Оператор 1"), std::string::npos);
  EXPECT_NE(paper.find("✂"), std::string::npos);  // the sample printer cuts
  EXPECT_EQ(State().receiptNumber, 57);           // a listing is not a receipt
  sim_->Inject(Fault::kPaperOut);
  EXPECT_EQ(Code(0x37, "x"), "12");
}

TEST_F(ReceiptTest, InvoiceUsesTheNextNumberOfTheRange) {
  EXPECT_EQ(Code(0x50, "0000000041;0000000042"), "00");
  EXPECT_EQ(Code(0x30, "1;1;0;0;1;Фирма ООД;Иван Иванов;BG123456786;123456786;София;"), "00");
  EXPECT_TRUE(Flags()[17]);
  EXPECT_EQ(Data(0x72)[54], '1');
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  EXPECT_EQ(Code(0x35, "0;0;0000001.00;0;"), "00");
  EXPECT_EQ(Code(0x38), "00");
  EXPECT_NE(sim_->Paper().find("ФАКТУРА № 0000000041"), std::string::npos);
  EXPECT_NE(sim_->Paper().find("Фирма ООД"), std::string::npos);
  EXPECT_EQ(State().invoiceNext, 42);
  // An invoice cancelled with nothing sold leaves its number for the next.
  EXPECT_EQ(Code(0x30, "1;1;0;0;1;A;B;C;D;E;"), "00");
  EXPECT_EQ(Code(0x38), "00");
  EXPECT_EQ(State().invoiceNext, 42);
  EXPECT_EQ(Code(0x30, "1;1;0;0;1;A;B;C;D;E;"), "00");
  EXPECT_EQ(Code(0x31, "X;Б;0000001.00"), "00");
  EXPECT_EQ(Code(0x35, "0;0;0000001.00;0;"), "00");
  EXPECT_EQ(Code(0x38), "00");
  // The range is used up.
  EXPECT_EQ(Code(0x30, "1;1;0;0;1;A;B;C;D;E;"), "F2");
}

TEST_F(ReceiptTest, ServiceDepositAndWithdrawal) {
  EXPECT_EQ(Code(0x3B, "2;2;0;0000100.00"), "00");
  EXPECT_EQ(Code(0x3B, "2;2;0;-000030.00"), "00");
  EXPECT_EQ(Code(0x3B, "2;2;0;-000080.00"), "08");
  EXPECT_EQ(Code(0x3B, "2;1;0;0000001.00"), "92");
  const std::string in = Data(0x6E, "2");
  EXPECT_DOUBLE_EQ(FieldDouble(in, 2, 12), 100.0);
  EXPECT_EQ(FieldInt(in, 62, 66), 1);
  const std::string out = Data(0x6E, "3");
  EXPECT_DOUBLE_EQ(FieldDouble(out, 2, 12), 30.0);
  const std::string op = Data(0x6F, "2;2");
  EXPECT_EQ(FieldInt(op, 2, 2), 2);
  EXPECT_DOUBLE_EQ(FieldDouble(op, 4, 14), 100.0);
  EXPECT_EQ(FieldInt(op, 64, 68), 1);
  EXPECT_TRUE(Flags()[9]);
  EXPECT_NE(sim_->Paper().find("СЛУЖЕБНО ИЗВЕДЕНИ"), std::string::npos);
}
}  // namespace
