// The device's memory across restarts, and the fiscal-sim executable.
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "sim/sim_wire.h"
#include "sim/state_file.h"
#include "sim_fixture.h"

extern char** environ;

namespace {
std::string TempDir() {
  char tmpl[] = "/tmp/fiscal-sim-test-XXXXXX";
  const char* d = ::mkdtemp(tmpl);
  return d ? d : "/tmp";
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class StateTest : public SimTest {
 protected:
  StateTest() : SimTest(WithState()) {}
  static SimOptions WithState() {
    SimOptions o;
    o.stateFile = Dir() + "/printer.state";
    return o;
  }
  static const std::string& Dir() {
    static const std::string d = TempDir();
    return d;
  }
  void SetUp() override {
    ::unlink(options_.stateFile.c_str());
    SimTest::SetUp();
  }
};

TEST_F(StateTest, MemorySurvivesARestart) {
  EXPECT_EQ(Code(0x4A, "2;Мария               ;77  "), "00");
  OpenReceipt();
  EXPECT_EQ(Code(0x31, "X;Б;0000002.00"), "00");
  EXPECT_EQ(Code(0x35, "0;0;0000002.00;0;"), "00");
  EXPECT_EQ(Code(0x38), "00");
  EXPECT_EQ(Code(0x7C, "Z"), "00");
  OpenReceipt();  // a receipt left open, as at a power cut
  EXPECT_EQ(Code(0x31, "Y;В;0000003.00"), "00");
  sim_->Inject(Fault::kPaperOut);
  const DeviceState before = State();
  EXPECT_EQ(sim_->StateError(), "");

  Restart();
  const DeviceState after = State();
  EXPECT_EQ(after.receiptNumber, before.receiptNumber);
  EXPECT_EQ(after.fm.size(), before.fm.size());
  EXPECT_EQ(after.fm.back().totals, before.fm.back().totals);
  EXPECT_EQ(after.operators[1].password, "77");
  EXPECT_EQ(after.articles.size(), before.articles.size());
  EXPECT_EQ(after.journal, before.journal);
  EXPECT_TRUE(Flags()[7]);
  EXPECT_TRUE(Flags()[14]);
  sim_->Inject(Fault::kPaperOut, 0);
  EXPECT_DOUBLE_EQ(FieldDouble(Data(0x72), 30, 40), 3.0);
  EXPECT_EQ(Code(0x35, "0;0;0000003.00;0;"), "00");
  EXPECT_EQ(Code(0x38), "00");
  EXPECT_EQ(::access((options_.stateFile + ".tmp").c_str(), F_OK), -1);
}

TEST_F(StateTest, AFileThatIsNotAStateFileIsRefusedAndKept) {
  sim_.reset();
  client_.reset();
  {
    std::ofstream out(options_.stateFile);
    out << "something else\n";
  }
  EXPECT_THROW(SimServer s(options_), std::runtime_error);
  EXPECT_EQ(ReadFile(options_.stateFile), "something else\n");

  DeviceState s = SimDevice::SampleState(42);
  {
    std::ofstream out(options_.stateFile);
    out << "fiscal-sim-state 1\nreceiptNumber 12x\n";
  }
  EXPECT_NE(LoadState(options_.stateFile, s), "");
  EXPECT_EQ(s.receiptNumber, SimDevice::SampleState(42).receiptNumber);
  {
    std::ofstream out(options_.stateFile);
    out << "fiscal-sim-state 1\nheaderWidth 40\n";
  }
  EXPECT_NE(LoadState(options_.stateFile, s), "");
  EXPECT_NE(SaveState(s, "/nonexistent-dir/x.state"), "");
}

TEST(StateFileTest, TablesAndListsComeBackWhole) {
  DeviceState s = SimDevice::SampleState(42);
  s.articles.erase(1);
  s.articles[kArticles] = ArticleState{"Last", 123, 2, 3, 4567, 8910};
  s.departments[kDepartments] = DepartmentState{"Dept", 1, 250, 3000};
  s.receipt.kind = OpenReceipt::kFiscal;
  s.receipt.op = 2;
  ReceiptLine line;
  line.text = std::string("a\0b\n c", 6);
  line.price = -150;
  line.article = 7;
  s.receipt.lines = {ReceiptLine{}, line};
  s.journal = {"first\nreceipt", ""};
  FmRecord fm;
  fm.type = FmRecord::kFiscalization;
  fm.text = "123456789";
  fm.rates[7] = -100;
  s.fm.push_back(fm);
  const std::string path = TempDir() + "/tables.state";
  ASSERT_EQ(SaveState(s, path), "");

  // Loaded over a printer with other tables: the file's tables replace them.
  DeviceState t = SimDevice::FactoryState(38);
  t.articles[500] = ArticleState{"Gone", 1, 0, 0, 0, 0};
  t.journal = {"old"};
  ASSERT_EQ(LoadState(path, t), "");
  ::unlink(path.c_str());
  std::vector<int> want, got;
  for (const auto& [n, a] : s.articles) want.push_back(n);
  for (const auto& [n, a] : t.articles) got.push_back(n);
  EXPECT_EQ(got, want);
  const ArticleState& a = t.articles[kArticles];
  EXPECT_EQ(a.name, "Last");
  EXPECT_EQ(a.price, 123);
  EXPECT_EQ(a.department, 3);
  EXPECT_EQ(a.quantity, 8910);
  EXPECT_EQ(t.departments.size(), s.departments.size());
  EXPECT_EQ(t.departments[kDepartments].turnover, 250);
  ASSERT_EQ(t.receipt.lines.size(), 2u);
  EXPECT_EQ(t.receipt.lines[1].text, line.text);
  EXPECT_EQ(t.receipt.lines[1].price, -150);
  EXPECT_EQ(t.receipt.lines[1].article, 7);
  EXPECT_EQ(t.receipt.op, 2);
  EXPECT_EQ(t.journal, s.journal);
  ASSERT_EQ(t.fm.size(), s.fm.size());
  EXPECT_EQ(t.fm.back().text, "123456789");
  EXPECT_EQ(t.fm.back().rates, fm.rates);
  EXPECT_EQ(t.headerWidth, 42);
}

// The file holds the simulated passwords: owner-only, also over a temporary
// file an earlier run left readable by others.
TEST(StateFileTest, TheFileIsReadableByItsOwnerOnly) {
  const std::string path = TempDir() + "/private.state";
  std::ofstream(path + ".tmp") << "left over";
  ASSERT_EQ(::chmod((path + ".tmp").c_str(), 0644), 0);
  ASSERT_EQ(SaveState(SimDevice::SampleState(42), path), "");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_NE(::access((path + ".tmp").c_str(), F_OK), 0);
  ::unlink(path.c_str());
}

// The keys are the file format: state files kept by earlier runs must load.
TEST(StateFileTest, TheKeysOfTheFileStayAsTheyWere) {
  const std::string path = TempDir() + "/keys.state";
  {
    std::ofstream out(path);
    out << "fiscal-sim-state 1\n"
           "article.12.name s4b\narticle.12.price 250\ndepartment.3.name s44\n"
           "department.3.group 2\nop.4.password s3939\nop.4.in.sum.1 700\n"
           "receipt.kind 1\nreceipt.op 5\nreceipt.line.count 1\nreceipt.line.0.text s41\n"
           "receipt.line.0.value 900\njournal.count 2\njournal.0 s78\njournal.1 s79\n"
           "fm.count 1\nfm.0.number 9\nfm.0.totals.2 300\ndaily.voidSum 40\nrate.3 -100\n";
  }
  DeviceState s = SimDevice::SampleState(42);
  ASSERT_EQ(LoadState(path, s), "");
  ::unlink(path.c_str());
  ASSERT_EQ(s.articles.size(), 1u);
  EXPECT_EQ(s.articles[12].name, "K");
  EXPECT_EQ(s.articles[12].price, 250);
  ASSERT_EQ(s.departments.size(), 1u);
  EXPECT_EQ(s.departments[3].group, 2);
  EXPECT_EQ(s.operators[4].password, "99");
  EXPECT_EQ(s.operators[4].in.sums[1], 700);
  EXPECT_EQ(s.receipt.op, 5);
  ASSERT_EQ(s.receipt.lines.size(), 1u);
  EXPECT_EQ(s.receipt.lines[0].text, "A");
  EXPECT_EQ(s.receipt.lines[0].value, 900);
  EXPECT_EQ(s.journal, (std::vector<std::string>{"x", "y"}));
  ASSERT_EQ(s.fm.size(), 1u);
  EXPECT_EQ(s.fm[0].number, 9);
  EXPECT_EQ(s.fm[0].totals[2], 300);
  EXPECT_EQ(s.daily.voidSum, 40);
  EXPECT_EQ(s.rates[3], -100);
}

// Runs fiscal-sim with `args`; its standard input is a pipe the test holds.
struct Process {
  pid_t pid = -1;
  int in = -1, out = -1;
  explicit Process(std::vector<std::string> args, bool closeStdin = false) {
    int toChild[2], fromChild[2];
    if (::pipe(toChild) || ::pipe(fromChild)) return;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    if (closeStdin)
      posix_spawn_file_actions_addclose(&fa, 0);
    else
      posix_spawn_file_actions_adddup2(&fa, toChild[0], 0);
    posix_spawn_file_actions_addclose(&fa, toChild[0]);
    posix_spawn_file_actions_adddup2(&fa, fromChild[1], 1);
    posix_spawn_file_actions_addclose(&fa, toChild[1]);
    posix_spawn_file_actions_addclose(&fa, fromChild[0]);
    const std::string exe = std::string(FS_BINARY_DIR) + "/src/sim/fiscal-sim";
    args.insert(args.begin(), exe);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid, exe.c_str(), &fa, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&fa);
    ::close(toChild[0]);
    ::close(fromChild[1]);
    in = toChild[1];
    out = fromChild[0];
  }
  std::string Line() {
    std::string s;
    char c;
    while (::read(out, &c, 1) == 1 && c != '\n') s += c;
    return s;
  }
  std::string All() {
    std::string s;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out, buf, sizeof buf)) > 0) s.append(buf, n);
    return s;
  }
  int Stop() {
    int status = -1;
    if (pid > 0) {
      ::kill(pid, SIGTERM);
      ::waitpid(pid, &status, 0);
    }
    return status;
  }
  ~Process() {
    if (in >= 0) ::close(in);
    if (out >= 0) ::close(out);
  }
};

TEST(ExecutableTest, ClosedStandardInputIsNotMistakenForTheLine) {
  Process p({"--instant"}, /*closeStdin=*/true);
  const std::string path = p.Line();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  {
    SimClient c(path);
    EXPECT_EQ(c.Transact(0x21, "").kind, SimClient::Reply::kData);
    EXPECT_EQ(c.Transact(0x2E, "1;1").code, "00");
  }
  const int status = p.Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(ExecutableTest, HelpDocumentsEveryOption) {
  Process p({"--help"});
  const std::string help = p.All();
  int status = 0;
  ::waitpid(p.pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  for (const char* o : {"--baud", "--factory", "--state", "--paper", "--link", "--width",
                        "--busy-ms", "--resend-ms", "--instant", "--groups", "--fault", "--control",
                        "--replay", "--help", "paper-out"})
    EXPECT_NE(help.find(o), std::string::npos) << o;
  Process bad({"--baud", "1234"});
  ::waitpid(bad.pid, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 2);
}

TEST(ExecutableTest, ServesItsLinePrintsPaperAndTakesControlCommands) {
  const std::string dir = TempDir();
  const std::string link = dir + "/printer";
  const std::string control = dir + "/control";
  Process p({"--instant", "--link", link, "--fault", "paper-out", "--state", dir + "/s",
             "--control", control, "--baud", "19200"});
  const std::string path = p.Line();
  ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
  char target[256] = {};
  ASSERT_GT(::readlink(link.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(path, target);
  {
    SimClient c(link, 19200);
    const std::string status = c.Transact(0x20, "").data;
    ASSERT_EQ(status.size(), 6u);
    EXPECT_TRUE(status[1] & 0x01);  // no paper
    EXPECT_TRUE(status[4] & 0x04);  // not at 9600
    // The control socket answers like standard input.
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, control.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(::write(s, "status\n", 7), 7);
    char answer[256] = {};
    ASSERT_GT(::read(s, answer, sizeof answer - 1), 0);
    EXPECT_NE(std::string(answer).find("7(no paper)"), std::string::npos) << answer;
    ::close(s);
    const std::string cmd = "paper\n";
    ASSERT_EQ(::write(p.in, cmd.data(), cmd.size()), static_cast<ssize_t>(cmd.size()));
    for (int i = 0; i < 100 && (c.Transact(0x20, "").data[1] & 0x01); ++i) ::usleep(10000);
    EXPECT_EQ(c.Transact(0x2E, "1;1").code, "00");
    EXPECT_EQ(c.Transact(0x37, "hello roll").code, "00");
    EXPECT_EQ(c.Transact(0x2F, "").code, "00");
  }
  std::string paper;
  for (int i = 0; i < 100 && paper.find("hello roll") == std::string::npos; ++i) {
    char buf[4096];
    const ssize_t n = ::read(p.out, buf, sizeof buf);
    if (n <= 0) break;
    paper.append(buf, n);
  }
  EXPECT_NE(paper.find("hello roll"), std::string::npos);
  const int status = p.Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(::access(link.c_str(), F_OK), -1);  // the link goes with it
  EXPECT_NE(ReadFile(dir + "/s").find("fiscal-sim-state 1"), std::string::npos);
}
}  // namespace
