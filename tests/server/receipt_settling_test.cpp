// A receipt cut short (the printer stops answering or runs out of paper, the
// server is killed) is put right by the server as soon as the printer answers:
// voided and cancelled before payment, the rest paid in the client's payment
// types after. Checked on the simulated printer's paper and registers.
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <future>

#include "server/receipt_recovery.h"
#include "server/receipt_total.h"
#include "server/requests.h"
#include "server/sale_journal.h"
#include "server_on_sim.h"

using nlohmann::json;

namespace {

// 1.20 + 2.30 + 3.50 = 7.00: 2.00 by card, the rest (5.00) in cash.
const std::string kCart = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Bread","unitPrice":1.20,"taxGroup":2},
           {"text":"Milk","unitPrice":2.30,"taxGroup":2},
           {"text":"Eggs","unitPrice":3.50,"taxGroup":2}],
  "payments":[{"paymentType":"card","amount":2.00},{"paymentType":"cash"}]})";
constexpr long long kTotalCents = 700;
constexpr long long kCashCents = 500;

std::string TempJournal() {
  std::string t = ::testing::TempDir() + "/fs-settle-XXXXXX";
  if (!mkdtemp(t.data())) return ::testing::TempDir() + "/fs-settle.jsonl";
  return t + "/sales.jsonl";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Figures {
  int receiptNumber = 0;
  long long dayCents = 0;   // the day's turnover
  long long cashCents = 0;  // cash taken in receipts
  bool open = false;
};

class ReceiptSettling : public ServerOnSimBase {
 protected:
  void SetUp() override { journal = TempJournal(); }
  void TearDown() override {
    ServerOnSimBase::TearDown();
    std::remove(journal.c_str());
  }
  void StartWithJournal() {
    ServerConfig config;
    config.journalPath = journal;
    Start(config);
  }
  Figures Now() {
    return sim.WithDevice([](SimDevice& d) {
      Figures f;
      f.receiptNumber = d.State().receiptNumber;
      for (auto g : d.State().dailyTotals) f.dayCents += g;
      f.cashCents = d.State().dailyPayments[0];
      f.open = d.State().receipt.kind != 0;
      return f;
    });
  }
  // A command run on the printer as a host would send it.
  std::string Run(uint8_t cmd, const std::string& data) {
    return sim.WithDevice([&](SimDevice& d) { return d.Execute(cmd, data).payload; });
  }
  // The started line a server writes before it opens the receipt of `cart`
  // (`older`: as a version that kept no subtotal changes wrote it).
  void WriteStarted(const Figures& before, const std::string& cart = kCart, bool older = false) {
    ReceiptRequest request;
    std::string error;
    ASSERT_TRUE(ParseReceiptRequest(json::parse(cart), PaymentTypeMap(), request, error));
    SettlePlan plan = PlanOf(request);
    ReceiptRules rules;
    rules.groupOn.fill(true);
    ReceiptPlan money;
    ASSERT_TRUE(PlanReceipt(request, rules, money, error)) << error;
    plan.total = UnitsToAmount(money.total, rules);
    plan.receiptBefore = before.receiptNumber % 10000;
    plan.dayTotalBefore = before.dayCents / 100.0;
    json settle = PlanToJson(plan);
    if (older) settle.erase("subtotalChanges");
    std::ofstream out(journal, std::ios::app);
    out << json{{"printer", "1"},
                {"sale", "S-1"},
                {"fingerprint", SaleFingerprint(json::parse(cart))},
                {"state", "started"},
                {"time", "2026-12-08T09:00:00Z"},
                {"settle", settle}}
               .dump()
        << "\n";
  }
  // The state of sale S-1 in the journal's last line for it.
  std::string JournalState() {
    const std::string text = ReadFile(journal);
    const size_t last = text.rfind("\"sale\":\"S-1\"");
    if (last == std::string::npos) return "";
    const size_t end = text.find('\n', last);
    const size_t begin = text.rfind('\n', last);
    return json::parse(text.substr(begin == std::string::npos ? 0 : begin + 1,
                                   end == std::string::npos ? std::string::npos : end - begin - 1))
        .value("state", "");
  }
  bool WaitClosed(int ms) {
    for (int i = 0; i < ms / 20; ++i) {
      if (!Now().open) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }
  std::string journal;
};

// The server was killed at some point of the receipt; restarted, it settles
// the receipt by itself, and the till's resend of the number ends with the
// sale printed once and the cash in the drawer.
TEST_F(ReceiptSettling, AfterAKillTheReceiptIsSettledFromWhatThePrinterHolds) {
  struct Row {
    const char* name;
    int sold;       // sales registered before the kill
    bool cardPaid;  // the card payment registered
    bool closed;    // the receipt closed
    bool repeated;  // the resend is answered from the journal
    int voids;      // "ВОЙД" lines on the paper
    int receipts;   // fiscal receipts on the paper (one sold, one voided)
    int annulled;   // closed with nothing sold
  };
  const Row rows[] = {
      {"before opening", -1, false, false, false, 0, 1, 0},
      {"after opening", 0, false, false, false, 0, 1, 1},
      {"after two sales", 2, false, false, false, 2, 2, 0},
      {"after the card payment", 3, true, false, true, 0, 1, 0},
      {"after closing", 3, true, true, true, 0, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::remove(journal.c_str());
    sim.ClearPaper();
    const Figures before = Now();
    WriteStarted(before);
    const char* texts[] = {"Bread", "Milk", "Eggs"};
    const char* prices[] = {"0000001.20", "0000002.30", "0000003.50"};
    if (row.sold >= 0) {
      ASSERT_EQ(Run(0x30, "1;1   ;0;0"), "00");
    }
    for (int i = 0; i < row.sold; ++i)
      ASSERT_EQ(Run(0x31, std::string(texts[i]) + ";\xC1;" + prices[i]), "00");
    if (row.cardPaid) {
      ASSERT_EQ(Run(0x35, "1;0;0000002.00;0;"), "00");
    }
    if (row.closed) {
      ASSERT_EQ(Run(0x35, "0;0;0000005.00;0;"), "00");
      ASSERT_EQ(Run(0x38, ""), "00");
    }
    StartWithJournal();
    EXPECT_TRUE(WaitClosed(5000)) << "settled by itself";
    const auto [status, body] = Post("/printers/1/receipt", kCart);
    EXPECT_EQ(status, 200) << body.dump();
    EXPECT_TRUE(body["ok"]) << body.dump();
    EXPECT_EQ(body.value("repeated", false), row.repeated) << body.dump();
    const Figures after = Now();
    EXPECT_FALSE(after.open);
    EXPECT_EQ(after.dayCents - before.dayCents, kTotalCents);
    EXPECT_EQ(after.cashCents - before.cashCents, kCashCents);
    const std::string paper = sim.Paper();
    EXPECT_EQ(CountOf(paper, "ВОЙД"), row.voids) << paper;
    EXPECT_EQ(CountOf(paper, "ФИСКАЛЕН БОН"), row.receipts) << paper;
    EXPECT_EQ(CountOf(paper, "АНУЛИРАН БОН"), row.annulled) << paper;
    const std::string text = ReadFile(journal);
    const size_t last = text.rfind("\"sale\":\"S-1\"");
    ASSERT_NE(last, std::string::npos);
    EXPECT_NE(text.find("\"state\":\"finished\"", last), std::string::npos) << text;
    Stop();
  }
}

// A fault in the middle of a receipt leaves it open while the printer cannot
// be used; the status says so (ok:false) and the receipt is settled, without
// any request, once the fault is gone.
TEST_F(ReceiptSettling, AFaultMidReceiptIsSettledOnceThePrinterIsBack) {
  struct Row {
    const char* name;
    Fault fault;
    uint8_t after;  // the fault comes once the printer ran this command
    bool paidRest;  // settled by paying the rest (else voided and cancelled)
  };
  const Row rows[] = {
      {"paper out after a sale", Fault::kPaperOut, 0x31, false},
      {"no answer after a sale", Fault::kNoAnswer, 0x31, false},
      {"paper out after the card payment", Fault::kPaperOut, 0x35, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::remove(journal.c_str());
    sim.ClearFaults();
    sim.ClearPaper();
    StartWithJournal();
    const Figures before = Now();
    std::atomic<bool> stop{false};
    const size_t seen = sim.Writes().size();
    std::thread watcher([&] {
      while (!stop) {
        const auto writes = sim.Writes();
        for (size_t i = seen; i < writes.size(); ++i)
          if (writes[i].cmd == row.after) {
            sim.Inject(row.fault);
            return;
          }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
      }
    });
    const auto first = Post("/printers/1/receipt", kCart);
    stop = true;
    watcher.join();
    EXPECT_FALSE(first.second["ok"]) << first.second.dump();
    EXPECT_EQ(first.second["receiptState"], "open") << first.second.dump();
    EXPECT_TRUE(Now().open);
    // While it stays open the printer takes no sale, and says so.
    const auto status = Get("/printers/1/status");
    EXPECT_FALSE(status.second["ok"]) << status.second.dump();
    const auto resend = Post("/printers/1/receipt", kCart);
    EXPECT_EQ(resend.first, 409) << resend.second.dump();
    sim.ClearFaults();
    EXPECT_TRUE(WaitClosed(8000)) << "settled by itself";
    EXPECT_TRUE(Get("/printers/1/status").second["ok"]);
    const auto again = Post("/printers/1/receipt", kCart);
    EXPECT_TRUE(again.second["ok"]) << again.second.dump();
    EXPECT_EQ(again.second.value("repeated", false), row.paidRest) << again.second.dump();
    const Figures after = Now();
    EXPECT_EQ(after.dayCents - before.dayCents, kTotalCents);
    EXPECT_EQ(after.cashCents - before.cashCents, kCashCents);
    EXPECT_EQ(CountOf(sim.Paper(), "ВОЙД") > 0, !row.paidRest) << sim.Paper();
    Stop();
  }
}

// Carts whose subtotal or lines are changed: the printer voids no sale that
// would take its tax group below zero, so a discount on the subtotal must be
// taken back before the last void of each group.
// 1.00 (Б) + 2.00 (В) - 1.00: the printer's shares of the discount and of the
// surcharge that takes it back round differently (В ends a hundredth short).
const std::string kDiscounted = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Bread","unitPrice":1.00,"taxGroup":2},
           {"text":"Milk","unitPrice":2.00,"taxGroup":3},
           {"type":"discount-amount","amount":1.00}],
  "payments":[{"paymentType":"cash"}]})";
// 1.00 + 2.00 (both Б) - 0.30.
const std::string kOneGroupDiscounted = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Bread","unitPrice":1.00,"taxGroup":2},
           {"text":"Milk","unitPrice":2.00,"taxGroup":2},
           {"type":"discount-amount","amount":0.30}],
  "payments":[{"paymentType":"cash"}]})";
// 1.00 (Б) + 2.00 (В) + 0.50.
const std::string kSurcharged = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Bread","unitPrice":1.00,"taxGroup":2},
           {"text":"Milk","unitPrice":2.00,"taxGroup":3},
           {"type":"surcharge-amount","amount":0.50}],
  "payments":[{"paymentType":"cash"}]})";
// 1.00 (Б) - 0.50 + 2.00 (В): the discount is Б's alone.
const std::string kDiscountedBetween = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Bread","unitPrice":1.00,"taxGroup":2},
           {"type":"discount-amount","amount":0.50},
           {"text":"Milk","unitPrice":2.00,"taxGroup":3}],
  "payments":[{"paymentType":"cash"}]})";
// 0.15 - 50 % = 0.07 (half a hundredth off rounds to a whole one) + 1.00.
const std::string kLineOnly = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Gum","unitPrice":0.15,"taxGroup":2,
            "priceModifierType":"discount-percent","priceModifierValue":50},
           {"text":"Bread","unitPrice":1.00,"taxGroup":2}],
  "payments":[{"paymentType":"cash"}]})";
// 4.20 x 1.5 - 10 % = 5.67 (Б) + 1.00 (В) - 0.67.
const std::string kLineDiscounted = R"({"uniqueSaleNumber":"S-1",
  "items":[{"text":"Cheese","unitPrice":4.20,"quantity":1.5,"taxGroup":2,
            "priceModifierType":"discount-percent","priceModifierValue":10},
           {"text":"Bread","unitPrice":1.00,"taxGroup":3},
           {"type":"discount-amount","amount":0.67}],
  "payments":[{"paymentType":"cash"}]})";

// Cut short after the change of the subtotal, before payment (the server
// killed, the printer silent): the receipt ends cancelled with nothing sold,
// the day's turnover and the drawer as before it, the number free; the resend
// prints the sale once.
TEST_F(ReceiptSettling, AChangedSubtotalCutShortIsCancelledWithTheRegistersAsTheyWere) {
  struct Row {
    const char* name;
    const std::string& cart;
    std::vector<std::pair<uint8_t, std::string>> commands;  // run before the server starts
    bool older;  // the journal's plan kept no subtotal changes
    long long totalCents;
    bool byFault;  // instead: the server runs it, and the printer stops answering
  };
  const std::pair<uint8_t, std::string> open{0x30, "1;1   ;0;0"};
  const Row rows[] = {
      {"killed after a discount over two groups",
       kDiscounted,
       {open,
        {0x31, "Bread;\xC1;0000001.00"},
        {0x31, "Milk;\xC2;0000002.00"},
        {0x33, "1;0:-000001.00"}},
       false,
       200,
       false},
      {"killed after a surcharge",
       kSurcharged,
       {open,
        {0x31, "Bread;\xC1;0000001.00"},
        {0x31, "Milk;\xC2;0000002.00"},
        {0x33, "1;0:0000000.50"}},
       false,
       350,
       false},
      {"killed after a discount between two sales",
       kDiscountedBetween,
       {open,
        {0x31, "Bread;\xC1;0000001.00"},
        {0x33, "1;0:-000000.50"},
        {0x31, "Milk;\xC2;0000002.00"}},
       false,
       250,
       false},
      // A line's percent goes with its void: nothing on the subtotal to take back.
      {"killed after a line's percent discount",
       kLineOnly,
       {open, {0x31, "Gum;\xC1;0000000.15,-50.00%"}, {0x31, "Bread;\xC1;0000001.00"}},
       false,
       107,
       false},
      {"killed after a line's percent discount and a discount",
       kLineDiscounted,
       {open,
        {0x31, "Cheese;\xC1;0000004.20*000001.500,-10.00%"},
        {0x31, "Bread;\xC2;0000001.00"},
        {0x33, "1;0:-000000.67"}},
       false,
       600,
       false},
      // An older version voided Bread, was refused Milk and left the till
      // blocked; its plan has no subtotal changes.
      {"left half voided by an older version",
       kOneGroupDiscounted,
       {open,
        {0x31, "Bread;\xC1;0000001.00"},
        {0x31, "Milk;\xC1;0000002.00"},
        {0x33, "1;0:-000000.30"},
        {0x31, "Bread;\xC1;-000001.00"}},
       true,
       270,
       false},
      {"the printer silent after a discount over two groups", kDiscounted, {}, false, 200, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::remove(journal.c_str());
    sim.ClearFaults();
    sim.ClearPaper();
    const Figures before = Now();
    if (!row.byFault) {
      WriteStarted(before, row.cart, row.older);
      for (const auto& [cmd, data] : row.commands) {
        const std::string reply = Run(cmd, data);
        // A subtotal change answers the subtotal, the others "00".
        ASSERT_TRUE(cmd == 0x33 ? reply.size() > 2 : reply == "00") << data << ": " << reply;
      }
      StartWithJournal();
    } else {
      StartWithJournal();
      std::atomic<bool> stop{false};
      const size_t seen = sim.Writes().size();
      std::thread watcher([&] {
        while (!stop) {
          const auto writes = sim.Writes();
          for (size_t i = seen; i < writes.size(); ++i)
            if (writes[i].cmd == 0x33) {
              sim.Inject(Fault::kNoAnswer);
              return;
            }
          std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
      });
      const auto first = Post("/printers/1/receipt", row.cart);
      stop = true;
      watcher.join();
      EXPECT_EQ(first.second["receiptState"], "open") << first.second.dump();
      sim.ClearFaults();
    }
    ASSERT_TRUE(WaitClosed(8000)) << "settled by itself\n" << sim.Paper();
    Figures after = Now();
    EXPECT_EQ(after.dayCents, before.dayCents) << sim.Paper();
    EXPECT_EQ(after.cashCents, before.cashCents);
    EXPECT_EQ(after.receiptNumber, before.receiptNumber + 1);
    // Written just after the receipt closed.
    for (int i = 0; i < 100 && JournalState() != "released"; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(JournalState(), "released");
    const std::string cancelled = sim.Paper();
    EXPECT_EQ(CountOf(cancelled, "ВОЙД"), 2) << cancelled;
    const auto resend = Post("/printers/1/receipt", row.cart);
    EXPECT_TRUE(resend.second["ok"]) << resend.second.dump();
    EXPECT_FALSE(resend.second.value("repeated", false));
    const auto again = Post("/printers/1/receipt", row.cart);
    EXPECT_TRUE(again.second.value("repeated", false)) << again.second.dump();
    after = Now();
    EXPECT_EQ(after.dayCents - before.dayCents, row.totalCents);
    EXPECT_EQ(after.cashCents - before.cashCents, row.totalCents);
    EXPECT_EQ(after.receiptNumber, before.receiptNumber + 2);
    Stop();
  }
}

// A receipt whose sales are not those of the plan (another program's, opened
// after a kill before the server's own was) is not taken to zero by a discount:
// it stays open for the printer's operator.
TEST_F(ReceiptSettling, AReceiptWithSalesThePlanDoesNotKnowIsNotTakenOff) {
  WriteStarted(Now(), kOneGroupDiscounted);
  ASSERT_EQ(Run(0x30, "1;1   ;0;0"), "00");
  ASSERT_EQ(Run(0x31, "Milk;\xC1;0000002.00"), "00");
  ASSERT_NE(Run(0x33, "1;0:-000000.30"), "");
  StartWithJournal();
  const auto [status, body] = Post("/printers/1/settle", "{}");
  EXPECT_EQ(body["settled"], "cannot") << body.dump();
  EXPECT_TRUE(Now().open);
  EXPECT_EQ(CountOf(sim.Paper(), "ВОЙД"), 0) << sim.Paper();
  EXPECT_EQ(CountOf(sim.Paper(), "-1.70"), 0) << sim.Paper();
  EXPECT_EQ(JournalState(), "started");
}

// The manual trigger says in words what it did; a receipt the server did not
// open is neither voided nor paid, and the status names it.
TEST_F(ReceiptSettling, SettleSaysWhatItDid) {
  StartWithJournal();
  auto [status, body] = Post("/printers/1/settle", "");
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(body["ok"]) << body.dump();
  EXPECT_EQ(body["settled"], "nothing");
  ASSERT_EQ(Run(0x30, "1;1   ;0;0"), "00");
  ASSERT_EQ(Run(0x31, "Cheese;\xC1;0000004.20"), "00");
  const int frames = sim.Writes().size();
  std::tie(status, body) = Post("/printers/1/settle", "{}");
  EXPECT_FALSE(body["ok"]) << body.dump();
  EXPECT_EQ(body["settled"], "cannot");
  EXPECT_EQ(static_cast<int>(sim.Writes().size()), frames) << "nothing sent that changes";
  const auto st = Get("/printers/1/status");
  EXPECT_FALSE(st.second["ok"]) << st.second.dump();
  bool named = false;
  for (const auto& m : st.second["messages"]) named = named || m["reason"] == "receipt";
  EXPECT_TRUE(named) << st.second.dump();
  // The till cannot sell meanwhile, and its cash is not booked for it.
  const auto sale = Post("/printers/1/receipt", kCart);
  EXPECT_FALSE(sale.second["ok"]);
  EXPECT_TRUE(Now().open);
  EXPECT_EQ(Post("/printers/1/settle", "{\"x\":1}").first, 400);
}

// The plan kept in the journal comes back as it was written; a started line of
// an older version, or one with a member of the wrong type, has none.
TEST(ReceiptPlanJson, RoundTripsAndRefusesWhatItDidNotWrite) {
  ReceiptRequest request;
  std::string error;
  ASSERT_TRUE(ParseReceiptRequest(json::parse(R"({"items":[
      {"text":"Сирене","unitPrice":4.20,"taxGroup":2,"quantity":1.5,
       "priceModifierType":"discount-percent","priceModifierValue":10},
      {"type":"comment","text":"x"},{"text":"Хляб","unitPrice":1.1,"taxGroup":3,"department":2}],
      "payments":[{"paymentType":"card","amount":2},{"paymentType":"cash"}]})"),
                                  PaymentTypeMap(), request, error))
      << error;
  SettlePlan plan = PlanOf(request);
  plan.receiptBefore = 42;
  plan.dayTotalBefore = 1234.56;
  const auto back = PlanFromJson(json::parse(PlanToJson(plan).dump()));
  ASSERT_TRUE(back);
  ASSERT_EQ(back->sales.size(), 2u);
  EXPECT_EQ(back->sales[0].text, request.lines[0].text);
  EXPECT_EQ(back->sales[0].quantity, 1.5);
  EXPECT_EQ(back->sales[0].percent, -10);
  EXPECT_EQ(back->sales[1].department, 2);
  ASSERT_EQ(back->payments.size(), 2u);
  EXPECT_EQ(back->payments[0].type, 1);
  EXPECT_EQ(back->payments[0].amount, 2.0);
  EXPECT_FALSE(back->payments[1].amount);
  EXPECT_EQ(back->receiptBefore, 42);
  EXPECT_TRUE(back->opened);
  EXPECT_NEAR(back->total, plan.total, 1e-9);
  plan.receiptBefore.reset();
  EXPECT_FALSE(PlanFromJson(PlanToJson(plan))->opened);
  // The subtotal's discounts and surcharges, and where they stood.
  ASSERT_TRUE(ParseReceiptRequest(json::parse(kLineDiscounted), PaymentTypeMap(), request, error));
  const auto changed = PlanFromJson(PlanToJson(PlanOf(request)));
  ASSERT_TRUE(changed);
  EXPECT_TRUE(changed->changesKnown);
  ASSERT_EQ(changed->changes.size(), 1u);
  EXPECT_EQ(changed->changes[0].afterSales, 2);
  EXPECT_EQ(changed->changes[0].amount, -0.67);
  json older = PlanToJson(PlanOf(request));
  older.erase("subtotalChanges");
  EXPECT_FALSE(PlanFromJson(older)->changesKnown);
  const char* bad[] = {
      "null",
      "{}",
      R"({"sales":[],"payments":[]})",
      R"({"sales":[{"text":1}],"payments":[],"total":1})",
      R"({"sales":[],"payments":[{"type":"cash"}],"total":1})",
      R"({"sales":[{"text":"x","quantity":1,"unitPrice":1,"taxGroup":8,"department":0,
          "percent":0}],"payments":[],"total":1})",
      R"({"sales":[],"payments":[],"total":1,"subtotalChanges":{"afterSales":1}})",
      R"({"sales":[],"payments":[],"total":1,"subtotalChanges":[{"afterSales":1}]})",
      R"({"sales":[],"payments":[],"total":1,"subtotalChanges":[{"afterSales":"1","amount":1}]})",
  };
  for (const char* text : bad) EXPECT_FALSE(PlanFromJson(json::parse(text))) << text;
}

}  // namespace
