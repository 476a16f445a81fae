// Sale numbers: printed once, across restarts and crashes, and never for
// another cart.
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <future>
#include <sstream>

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

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

long FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

// Every line of the file is a whole JSON object: nothing torn, nothing glued.
bool EveryLineIsWhole(const std::string& text) {
  if (!text.empty() && text.back() != '\n') return false;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);)
    if (!json::parse(line, nullptr, false).is_object()) return false;
  return true;
}

// The disk is full, for this process, beyond `bytes` of any file (a file size
// limit): a write past it stores what fits and then fails, as on a full disk.
class DiskFullAt {
 public:
  explicit DiskFullAt(long bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    signal_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~DiskFullAt() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, signal_);
  }

 private:
  rlimit saved_{};
  void (*signal_)(int) = nullptr;
};

// The program itself with `options`: its exit status and what it printed.
// `seconds` later it is sent SIGTERM.
std::pair<int, std::string> RunServer(const std::string& options, int seconds = 20) {
  const std::string command = "timeout --preserve-status " + std::to_string(seconds) + " " +
                              std::string(FS_BINARY_DIR) +
                              "/src/server/fiscal-server --com 1=/dev/null " + options + " 2>&1";
  FILE* out = popen(command.c_str(), "r");
  if (!out) return {-1, ""};
  std::string text;
  char buf[256];
  while (fgets(buf, sizeof buf, out)) text += buf;
  const int status = pclose(out);
  return {WEXITSTATUS(status), text};
}

// A loopback port nobody listens on now.
int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t n = sizeof a;
  bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &n);
  close(fd);
  return ntohs(a.sin_port);
}

std::string Listen() {
  return " --listen 127.0.0.1:" + std::to_string(FreePort());
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

TEST_F(SaleNumbers, AStartTheDiskRefusesPrintsNothingAndLeavesTheNumberFree) {
  StartWithJournal();
  sim.ClearPaper();
  const int frames = sim.FrameCount();
  {
    const DiskFullAt full(FileSize(journal));
    const auto [status, body] = Post("/printers/1/receipt", kCart);
    EXPECT_EQ(status, 503) << body.dump();
    EXPECT_EQ(body["messages"][0]["reason"], "journal") << body.dump();
    EXPECT_NE(body["messages"][0]["text"].get<std::string>().find("nothing was printed"),
              std::string::npos);
  }
  EXPECT_EQ(sim.FrameCount(), frames);
  // Once the disk takes it, the same number prints, once.
  const auto [status, body] = Post("/printers/1/receipt", kCart);
  EXPECT_EQ(status, 200);
  EXPECT_EQ(body["ok"], true) << body.dump();
  EXPECT_EQ(CountOf(sim.Paper(), "Сирене"), 1);
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

TEST(SaleJournalFile, NumbersThatPrintedNothingAndTaskIdsNeverPushOutASale) {
  const std::string path = TempPath("places.jsonl");
  std::remove(path.c_str());
  std::string error;
  constexpr size_t kKept = 5;
  {
    SaleJournal j(kKept);
    ASSERT_TRUE(j.Open(path, error)) << error;
    ASSERT_TRUE(j.Start("1", "PRINTED", "f", error));
    ASSERT_TRUE(j.Finish("1", "PRINTED", "f", json{{"ok", true}}, error));
    // A till retrying against a switched-off printer, and many tasks.
    for (int i = 0; i < 40; ++i) {
      const std::string n = "FAILED" + std::to_string(i);
      ASSERT_TRUE(j.Start("1", n, "f", error));
      ASSERT_TRUE(j.Release("1", n, error));
      ASSERT_TRUE(j.Start("#task", "T" + std::to_string(i), "1", error));
      ASSERT_TRUE(j.Finish("#task", "T" + std::to_string(i), "1", json{{"ok", true}}, error));
    }
    EXPECT_TRUE(j.Find("1", "PRINTED"));
    EXPECT_EQ(j.Size(), 1 + kKept);  // the sale and the newest task ids
  }
  SaleJournal reread(kKept);
  ASSERT_TRUE(reread.Open(path, error)) << error;
  ASSERT_TRUE(reread.Find("1", "PRINTED"));
  EXPECT_EQ(reread.Find("1", "PRINTED")->state, SaleJournal::State::kFinished);
  EXPECT_TRUE(reread.Find("#task", "T39"));
  EXPECT_FALSE(reread.Find("#task", "T0"));
  EXPECT_FALSE(reread.Find("1", "FAILED39"));
  std::remove(path.c_str());
}

TEST(SaleJournalFile, ATornLastLineIsCutOffAtOpenAndTheNextLineStandsAlone) {
  const std::string path = TempPath("torn.jsonl");
  const std::string whole = R"({"printer":"1","sale":"A","fingerprint":"f","state":"started"})";
  WriteFile(path, whole + "\n" + R"({"printer":"1","sale":"B","fingerprint":"f","sta)");
  std::string error;
  {
    SaleJournal j;
    ASSERT_TRUE(j.Open(path, error)) << error;
    ASSERT_EQ(j.Warnings().size(), 1u);
    EXPECT_NE(j.Warnings()[0].find("cut short"), std::string::npos) << j.Warnings()[0];
    EXPECT_EQ(ReadFile(path), whole + "\n");
    ASSERT_TRUE(j.Start("1", "C", "f", error)) << error;
  }
  EXPECT_TRUE(EveryLineIsWhole(ReadFile(path))) << ReadFile(path);
  SaleJournal reread;
  ASSERT_TRUE(reread.Open(path, error)) << error;
  EXPECT_TRUE(reread.Warnings().empty());
  EXPECT_TRUE(reread.Find("1", "A"));
  EXPECT_TRUE(reread.Find("1", "C"));
  EXPECT_FALSE(reread.Find("1", "B"));
  std::remove(path.c_str());
}

TEST(SaleJournalFile, AFailedWriteIsCutBackAndAStartThatFailedLeavesTheNumberFree) {
  const std::string path = TempPath("full.jsonl");
  std::remove(path.c_str());
  std::string error;
  {
    SaleJournal j;
    ASSERT_TRUE(j.Open(path, error)) << error;
    ASSERT_TRUE(j.Start("1", "A", "f", error));
    {
      const DiskFullAt full(FileSize(path) + 20);  // the start of the next line fits
      EXPECT_FALSE(j.Start("1", "B", "f", error));
      EXPECT_NE(error.find(path), std::string::npos) << error;
      EXPECT_FALSE(j.Find("1", "B"));  // may be sent again
      // What printed stays printed in memory, whatever the disk says.
      EXPECT_FALSE(j.Finish("1", "A", "f", json{{"ok", true}}, error));
      EXPECT_EQ(j.Find("1", "A")->state, SaleJournal::State::kFinished);
    }
    EXPECT_TRUE(EveryLineIsWhole(ReadFile(path))) << ReadFile(path);
    ASSERT_TRUE(j.Start("1", "B", "f", error)) << error;
    EXPECT_TRUE(EveryLineIsWhole(ReadFile(path))) << ReadFile(path);
  }
  SaleJournal reread;
  ASSERT_TRUE(reread.Open(path, error)) << error;
  EXPECT_TRUE(reread.Warnings().empty());
  ASSERT_TRUE(reread.Find("1", "B"));
  // The file erred on the side of "started": answered 409, never printed twice.
  EXPECT_EQ(reread.Find("1", "A")->state, SaleJournal::State::kStarted);
  std::remove(path.c_str());
}

TEST(SaleJournalFile, ASecondServerOnTheSameJournalIsRefusedNamingTheFirst) {
  const std::string path = TempPath("locked.jsonl");
  std::remove(path.c_str());
  std::string error;
  {
    SaleJournal first;
    ASSERT_TRUE(first.Open(path, error)) << error;
    SaleJournal second;
    EXPECT_FALSE(second.Open(path, error));
    EXPECT_NE(error.find("in use"), std::string::npos) << error;
    EXPECT_NE(error.find("process " + std::to_string(getpid())), std::string::npos) << error;
    const auto [status, text] = RunServer("--journal " + path + Listen());
    EXPECT_EQ(status, 1) << text;
    EXPECT_NE(text.find("process " + std::to_string(getpid())), std::string::npos) << text;
  }
  SaleJournal after;  // the first one has let it go
  EXPECT_TRUE(after.Open(path, error)) << error;
  std::remove(path.c_str());
}

TEST(SaleJournalFile, LinesItCannotReadAreSkippedNamingThem) {
  const std::string path = TempPath("bad.jsonl");
  const std::string a = R"({"printer":"1","sale":"A","fingerprint":"f","state":"started"})";
  const std::string b =
      R"({"printer":"1","sale":"B","fingerprint":"f","state":"finished","result":{"ok":true}})";
  const struct {
    const char* line;
    const char* why;
  } rows[] = {
      {R"({"printer":1,"sale":"X","state":"started"})", "\"printer\" is not a text"},
      {R"({"printer":"1","sale":["X"],"state":"started"})", "\"sale\" is not a text"},
      {R"({"printer":"1","sale":"X","state":"started","time":5})", "\"time\" is not a text"},
      {R"({"printer":"1","sale":"X","state":"finished","result":"ok"})",
       "a finished sale without its result"},
      {R"({"printer":"1","sale":"X","state":"done"})", "unknown state"},
      {R"({"printer":"1","state":"started"})", "no \"sale\""},
      {R"([1,2])", "not a JSON object"},
      {"garbage", "not JSON"},
  };
  for (const auto& row : rows) {
    WriteFile(path, a + "\n" + row.line + "\n" + b + "\n");
    SaleJournal j;
    std::string error;
    ASSERT_TRUE(j.Open(path, error)) << row.line << ": " << error;
    ASSERT_EQ(j.Warnings().size(), 1u) << row.line;
    EXPECT_NE(j.Warnings()[0].find("line 2 skipped: " + std::string(row.why)), std::string::npos)
        << j.Warnings()[0];
    EXPECT_TRUE(j.Find("1", "A")) << row.line;
    EXPECT_TRUE(j.Find("1", "B")) << row.line;
    EXPECT_FALSE(j.Find("1", "X")) << row.line;
  }
  std::remove(path.c_str());
}

TEST(SaleJournalFile, TheServerStartsOverABadLineSayingWhichAndStopsCleanlyOnSigterm) {
  const std::string path = TempPath("bad-start.jsonl");
  WriteFile(path, R"({"printer":"1","sale":7,"state":"started"})"
                  "\n");
  const auto [status, text] = RunServer("--journal " + path + Listen(), 3);
  EXPECT_EQ(status, 0) << text;
  EXPECT_NE(text.find("warning: sale journal " + path + ": line 1 skipped: \"sale\" is not a text"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("listening on"), std::string::npos) << text;
  std::remove(path.c_str());
}

TEST(SaleJournalFile, AnythingButARegularFileIsRefusedAtOnce) {
  const std::string fifo = TempPath("fifo.jsonl");
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const struct {
    std::string path;
    const char* kind;
  } rows[] = {{"/dev/full", "a device"}, {fifo, "a FIFO"}, {TempFolder(), "a folder"}};
  for (const auto& row : rows) {
    SaleJournal j;
    std::string error;
    EXPECT_FALSE(j.Open(row.path, error)) << row.path;
    EXPECT_NE(error.find(row.path + " is " + row.kind), std::string::npos) << error;
  }
  // The program says so and stops, instead of reading for ever.
  for (const std::string& path : {std::string("/dev/full"), fifo}) {
    const auto [status, text] = RunServer("--journal " + path + Listen());
    EXPECT_EQ(status, 1) << text;
    EXPECT_NE(text.find("not a regular file"), std::string::npos) << text;
  }
  std::remove(fifo.c_str());
}

TEST(SaleJournalFile, ARewriteThatFailsKeepsTheOldFileInUseAndOpeningCompacts) {
  const std::string path = TempPath("rewrite.jsonl");
  std::remove(path.c_str());
  const std::string blocker = path + ".new";
  ASSERT_EQ(mkdir(blocker.c_str(), 0700), 0);  // where the rewrite would go
  std::string error;
  constexpr size_t kKept = 3;
  {
    SaleJournal j(kKept);
    ASSERT_TRUE(j.Open(path, error)) << error;
    for (int i = 0; i < 20; ++i) {
      const std::string n = "N" + std::to_string(i);
      ASSERT_TRUE(j.Start("1", n, "f", error)) << error;
      ASSERT_TRUE(j.Finish("1", n, "f", json{{"ok", true}}, error)) << error;
    }
  }
  const std::string before = ReadFile(path);
  EXPECT_EQ(std::count(before.begin(), before.end(), '\n'), 40);
  rmdir(blocker.c_str());
  {
    SaleJournal j(kKept);
    ASSERT_TRUE(j.Open(path, error)) << error;
    EXPECT_TRUE(j.Find("1", "N19"));
    EXPECT_FALSE(j.Find("1", "N16"));
  }
  // Opening rewrote it with what is kept: one line a number.
  const std::string text = ReadFile(path);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3) << text;
  EXPECT_TRUE(EveryLineIsWhole(text));
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  std::remove(path.c_str());
}

TEST(SaleJournalFile, AnUnwritablePlaceIsRefusedWithTheReason) {
  SaleJournal j;
  std::string error;
  EXPECT_FALSE(j.Open("/proc/version/sales.jsonl", error));
  EXPECT_NE(error.find("/proc/version/sales.jsonl"), std::string::npos) << error;
}

}  // namespace
