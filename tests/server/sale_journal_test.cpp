// Sale numbers: printed once, across restarts and crashes, and never for
// another cart.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <future>

#include "server/sale_journal.h"
#include "server_on_sim.h"

using nlohmann::json;

namespace {

// A folder of this process's own: a name made from the process id alone can
// meet a file that another user's run left behind under a reused id.
const std::string& TempFolder() {
  static const std::string folder = [] {
    std::string t = ::testing::TempDir() + "/fs-journal-XXXXXX";
    return mkdtemp(t.data()) ? t : ::testing::TempDir();
  }();
  return folder;
}

std::string TempPath(const std::string& name) {
  return TempFolder() + "/" + name;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::string kCart = R"({"uniqueSaleNumber":"J-1",
  "items":[{"text":"Сирене","unitPrice":4.20,"taxGroup":2}],
  "payments":[{"amount":5,"paymentType":"cash"}]})";
const std::string kOtherCart = R"({"uniqueSaleNumber":"J-1",
  "items":[{"text":"Кашкавал","unitPrice":9.90,"taxGroup":2}]})";

class SaleNumbers : public ServerOnSimBase {
 protected:
  void SetUp() override {
    journal = TempPath("sales.jsonl");
    std::remove(journal.c_str());
  }
  void TearDown() override {
    ServerOnSimBase::TearDown();
    std::remove(journal.c_str());
  }
  void StartWithJournal() {
    ServerConfig config;
    config.journalPath = journal;
    Start(config);
  }
  std::string journal;
};

TEST_F(SaleNumbers, AnotherCartUnderAUsedNumberIsRefusedNamingTheFirst) {
  StartWithJournal();
  const auto first = Post("/printers/1/receipt", kCart);
  ASSERT_TRUE(first.second["ok"]) << first.second.dump();
  const int frames = sim.FrameCount();
  const auto other = Post("/printers/1/receipt", kOtherCart);
  EXPECT_EQ(other.first, 409);
  EXPECT_FALSE(other.second["ok"]);
  EXPECT_EQ(other.second["firstResult"]["receiptNumber"], first.second["receiptNumber"]);
  EXPECT_EQ(other.second["messages"][0]["reason"], "saleNumber");
  EXPECT_EQ(other.second["messages"][0]["code"], "E409");
  EXPECT_EQ(sim.FrameCount(), frames);
  // The same cart again (numbers written differently) is the same sale.
  std::string same = kCart;
  same.replace(same.find("4.20"), 4, "4.2");
  const auto again = Post("/printers/1/receipt", same);
  EXPECT_EQ(again.first, 200);
  EXPECT_TRUE(again.second["repeated"]);
  EXPECT_EQ(sim.FrameCount(), frames);
}

TEST_F(SaleNumbers, ARestartRemembersWhatPrinted) {
  StartWithJournal();
  sim.ClearPaper();
  ASSERT_TRUE(Post("/printers/1/receipt", kCart).second["ok"]);
  Stop();
  StartWithJournal();
  const auto again = Post("/printers/1/receipt", kCart);
  EXPECT_EQ(again.first, 200);
  EXPECT_TRUE(again.second["repeated"]) << again.second.dump();
  EXPECT_EQ(CountOf(sim.Paper(), "Сирене"), 1);
  struct stat st {};
  ASSERT_EQ(stat(journal.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(SaleNumbers, TheJournalIsOnDiskBeforeThePrinterAnswers) {
  StartWithJournal();
  sim.Inject(Fault::kNoAnswer);
  auto pending =
      std::async(std::launch::async, [this] { return Post("/printers/1/receipt", kCart); });
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_NE(ReadFile(journal).find(R"("state":"started")"), std::string::npos);
  pending.get();
  sim.Inject(Fault::kNoAnswer, 0);
  // Nothing printed: the number is free again and the receipt prints.
  EXPECT_NE(ReadFile(journal).find(R"("state":"released")"), std::string::npos);
  EXPECT_TRUE(Post("/printers/1/receipt", kCart).second["ok"]);
}

TEST_F(SaleNumbers, StartedButNotFinishedIsNotPrintedAgain) {
  {
    std::ofstream out(journal);
    const std::string fingerprint = SaleFingerprint(json::parse(kCart));
    out << R"({"printer":"1","sale":"J-1","fingerprint":")" << fingerprint
        << R"(","state":"started","time":"2026-12-08T09:00:00Z"})"
        << "\n"
        << R"({"printer":"1","sale":"J-2","fing)";  // cut short by the crash
  }
  StartWithJournal();
  sim.ClearPaper();
  const int frames = sim.FrameCount();
  const auto [status, body] = Post("/printers/1/receipt", kCart);
  EXPECT_EQ(status, 409);
  EXPECT_FALSE(body["ok"]);
  ASSERT_EQ(body["messages"].size(), 1u);
  EXPECT_EQ(body["messages"][0]["reason"], "unfinished");
  EXPECT_NE(body["messages"][0]["text"].get<std::string>().find("fiscalReceiptOpen"),
            std::string::npos);
  EXPECT_EQ(sim.FrameCount(), frames);
}

TEST(SaleJournalFile, KeepsTheNewestNumbersWithinItsBound) {
  const std::string path = TempPath("bound.jsonl");
  std::remove(path.c_str());
  std::string error;
  constexpr size_t kKept = 50;
  {
    SaleJournal j(kKept);
    ASSERT_TRUE(j.Open(path, error)) << error;
    for (size_t i = 0; i < kKept + 10; ++i) {
      const std::string n = "N" + std::to_string(i);
      ASSERT_TRUE(j.Start("1", n, "f", error));
      ASSERT_TRUE(j.Finish("1", n, "f", json{{"ok", true}}, error));
    }
    EXPECT_EQ(j.Size(), kKept);
  }
  SaleJournal reread(kKept);
  ASSERT_TRUE(reread.Open(path, error)) << error;
  EXPECT_EQ(reread.Size(), kKept);
  EXPECT_FALSE(reread.Find("1", "N0"));
  ASSERT_TRUE(reread.Find("1", "N59"));
  EXPECT_EQ(reread.Find("1", "N59")->state, SaleJournal::State::kFinished);
  EXPECT_FALSE(reread.Find("2", "N59"));  // numbers are per printer
  const std::string text = ReadFile(path);
  EXPECT_LT(std::count(text.begin(), text.end(), '\n'), 2 * static_cast<long>(kKept) + 2);
  std::remove(path.c_str());
}

TEST(SaleJournalFile, UnfinishedListsOnePrintersStartedNumbersOldestFirst) {
  SaleJournal j;
  std::string error;
  for (const char* n : {"A", "B", "C", "D"}) ASSERT_TRUE(j.Start("1", n, "f", error));
  ASSERT_TRUE(j.Start("2", "A", "f", error));
  ASSERT_TRUE(j.Finish("1", "B", "f", json{{"ok", true}}, error));
  ASSERT_TRUE(j.Release("1", "C", error, "cancelled, nothing sold"));
  ASSERT_TRUE(j.Start("1", "C", "g", error));  // sent again after its release
  const auto open = j.Unfinished("1");
  ASSERT_EQ(open.size(), 3u);
  EXPECT_EQ(open[0].first, "A");
  EXPECT_EQ(open[1].first, "D");
  EXPECT_EQ(open[2].first, "C");
  EXPECT_EQ(open[2].second.fingerprint, "g");
  EXPECT_EQ(j.Unfinished("2").size(), 1u);
  EXPECT_TRUE(j.Unfinished("3").empty());
}

TEST(SaleJournalFile, AnUnwritablePlaceIsRefusedWithTheReason) {
  SaleJournal j;
  std::string error;
  EXPECT_FALSE(j.Open("/proc/version/sales.jsonl", error));
  EXPECT_NE(error.find("/proc/version/sales.jsonl"), std::string::npos) << error;
}

}  // namespace
