// Tasks and the server's stop: a wait for a task never takes the handlers
// other requests need, and a stop finishes what runs, answers what waits and
// leaves every task answerable after the restart.
#include <unistd.h>

#include <atomic>
#include <future>
#include <vector>

#include "server/sale_journal.h"
#include "server_on_sim.h"

using nlohmann::json;

namespace {

std::string Receipt(const std::string& sale, const std::string& text) {
  return json{{"uniqueSaleNumber", sale},
              {"items", json::array({{{"text", text}, {"unitPrice", 1.5}, {"taxGroup", 2}}})}}
      .dump();
}

class TasksAndStop : public ServerOnSimBase {
 protected:
  void SetUp() override {
    char folder[] = "/tmp/fs-tasks-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    journal = folder_ + "/sales.jsonl";
  }
  void TearDown() override {
    ServerOnSimBase::TearDown();
    std::remove(journal.c_str());
    std::remove(JournalFile::LockPath(journal).c_str());
    rmdir(folder_.c_str());
  }
  // A printer that is silent holds its job this long before giving up: long
  // enough for a test to act while it runs, which ends once the fault is cleared.
  void StartSlow(std::vector<ServedPrinter> more = {}) {
    ServerConfig config;
    config.journalPath = journal;
    config.retries = 100;
    config.printers = std::move(more);
    Start(config);
  }
  // A request on a client of its own, so that many run at once.
  std::future<std::pair<int, json>> PostAlone(const std::string& path, const std::string& body) {
    const int port = front->Port();
    return std::async(std::launch::async, [port, path, body] {
      httplib::Client c("127.0.0.1", port);
      c.set_read_timeout(60, 0);
      auto res = c.Post(path.c_str(), body, "application/json");
      if (!res) return std::pair<int, json>{0, json()};
      return std::pair<int, json>{res->status, json::parse(res->body, nullptr, false)};
    });
  }
  std::string TaskStatus(const std::string& id) {
    return Get("/printers/taskinfo?id=" + id).second.value("taskStatus", "");
  }
  bool WaitForStatus(const std::string& id, const std::string& status) {
    for (int i = 0; i < 200; ++i) {
      if (TaskStatus(id) == status) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }
  std::string journal;

 private:
  std::string folder_;
};

TEST_F(TasksAndStop, ManyWaitsForOneTaskLeaveTheOtherPrintersAndTheServerAnswering) {
  // Handlers: two printers' worth plus the spare ones, fewer than the waits.
  StartSlow({ServedPrinter{"2", 202, "/nonexistent/printer", 9600}});
  sim.ClearPaper();
  sim.Inject(Fault::kNoAnswer);
  const std::string body = Receipt("W-1", "Мляко");
  ASSERT_EQ(Post("/printers/1/receipt?asyncTimeout=0&taskId=W", body).first, 200);
  ASSERT_TRUE(WaitForStatus("W", "running"));
  constexpr int kWaits = 40;
  std::vector<std::future<std::pair<int, json>>> waits;
  for (int i = 0; i < kWaits; ++i) {
    waits.push_back(PostAlone("/printers/1/receipt?asyncTimeout=600000&taskId=W", body));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  // Beyond the few that may wait, each is answered its task id at once.
  int answered = 0;
  for (int i = 0; i < 200 && answered < kWaits - static_cast<int>(Api::kMaxWaitsPerTask); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    answered = 0;
    for (auto& w : waits)
      if (w.wait_for(std::chrono::seconds(0)) == std::future_status::ready) ++answered;
  }
  EXPECT_GE(answered, kWaits - static_cast<int>(Api::kMaxWaitsPerTask));
  const auto other = Get("/printers/2/status");
  EXPECT_EQ(other.first, 200) << other.second.dump();
  EXPECT_EQ(TaskStatus("W"), "running");
  sim.Inject(Fault::kNoAnswer, 0);
  int results = 0;
  for (auto& w : waits) {
    const auto [status, answer] = w.get();
    EXPECT_EQ(status, 200) << answer.dump();
    EXPECT_EQ(answer["taskId"], "W");
    if (answer.contains("receiptState")) ++results;
  }
  EXPECT_LE(results, static_cast<int>(Api::kMaxWaitsPerTask));
  ASSERT_TRUE(WaitForStatus("W", "finished"));
  EXPECT_EQ(CountOf(sim.Paper(), "Мляко"), 1);
}

TEST_F(TasksAndStop, AStopFinishesTheRunningJobAnswersTheQueuedOnesAndARestartKnowsEachTask) {
  StartSlow();
  sim.ClearPaper();
  sim.Inject(Fault::kNoAnswer);
  // R runs (the printer silent), Q and a plain request wait behind it.
  ASSERT_EQ(Post("/printers/1/receipt?asyncTimeout=0&taskId=R", Receipt("S-1", "Хляб")).first, 200);
  ASSERT_TRUE(WaitForStatus("R", "running"));
  ASSERT_EQ(Post("/printers/1/receipt?asyncTimeout=0&taskId=Q", Receipt("S-2", "Сол")).first, 200);
  auto plain = PostAlone("/printers/1/receipt", Receipt("S-3", "Захар"));
  auto waiting =
      PostAlone("/printers/1/receipt?asyncTimeout=600000&taskId=Q", Receipt("S-2", "Сол"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));

  api->Shutdown();  // what SIGTERM does
  const auto late = Post("/printers/1/xreport", "");
  EXPECT_EQ(late.first, 503) << late.second.dump();
  // A wait ends at once, naming its task.
  ASSERT_EQ(waiting.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  const auto [waitStatus, waitBody] = waiting.get();
  EXPECT_EQ(waitStatus, 503) << waitBody.dump();
  EXPECT_EQ(waitBody["taskId"], "Q");
  // The running job finishes once the printer answers; the plain request
  // behind it is answered 503 without reaching the printer.
  sim.Inject(Fault::kNoAnswer, 0);
  const auto [plainStatus, plainBody] = plain.get();
  EXPECT_EQ(plainStatus, 503) << plainBody.dump();
  ASSERT_TRUE(WaitForStatus("R", "finished"));
  const json ran = Get("/printers/taskinfo?id=R").second["result"];
  Stop();
  EXPECT_EQ(CountOf(sim.Paper(), "Сол"), 0);
  EXPECT_EQ(CountOf(sim.Paper(), "Захар"), 0);

  StartSlow();
  // The task that ran answers its result; the one that never ran says so.
  const auto r = Get("/printers/taskinfo?id=R").second;
  EXPECT_EQ(r["taskStatus"], "finished");
  EXPECT_EQ(r["result"], ran);
  const auto q = Get("/printers/taskinfo?id=Q").second;
  EXPECT_EQ(q["taskStatus"], "finished");
  EXPECT_EQ(q["result"]["ok"], false);
  EXPECT_NE(q["result"]["messages"][0]["text"].get<std::string>().find("never ran"),
            std::string::npos)
      << q.dump();
  // Their sale numbers were never used: each prints now, once.
  EXPECT_EQ(Post("/printers/1/receipt", Receipt("S-2", "Сол")).second["ok"], true);
  EXPECT_EQ(Post("/printers/1/receipt", Receipt("S-3", "Захар")).second["ok"], true);
  EXPECT_EQ(CountOf(sim.Paper(), "Сол"), 1);
  EXPECT_EQ(CountOf(sim.Paper(), "Захар"), 1);
  EXPECT_LE(CountOf(sim.Paper(), "Хляб"), 1);
}

TEST_F(TasksAndStop, AServerStoppedWhileATaskRunsLetsItFinishAndRecordsIt) {
  StartSlow();
  sim.Inject(Fault::kNoAnswer);
  ASSERT_EQ(Post("/printers/1/xreport?asyncTimeout=0&taskId=X", "").first, 200);
  ASSERT_TRUE(WaitForStatus("X", "running"));
  // The task finishes while the server is being taken down: it reports to
  // the tasks and the journal, which are still there.
  auto answer = std::async(std::launch::async, [this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    sim.Inject(Fault::kNoAnswer, 0);
  });
  Stop();
  answer.get();
  StartSlow();
  EXPECT_EQ(TaskStatus("X"), "finished");
}

TEST(TaskRegistry, ResultsStayUntilTheyAgeOutThenTheJournalAnswers) {
  SaleJournal journal;
  JournalTaskStore store(journal);
  TaskRegistry tasks(2, &store);
  for (const char* id : {"A", "B", "C"}) {
    ASSERT_TRUE(tasks.Add(id, "1"));
    tasks.Start(id);
    tasks.Finish(id, json{{"ok", true}, {"id", id}});
  }
  json result;
  for (int read = 0; read < 3; ++read) {  // reading takes nothing away
    ASSERT_EQ(tasks.Info("C", result), TaskRegistry::State::kFinished);
    EXPECT_EQ(result["id"], "C");
  }
  // "A" has left the memory; the journal still answers it, and it never runs again.
  ASSERT_EQ(tasks.Info("A", result), TaskRegistry::State::kFinished);
  EXPECT_EQ(result["id"], "A");
  EXPECT_FALSE(tasks.Add("A", "1"));
  TaskRegistry forgetful(1);
  ASSERT_TRUE(forgetful.Add("X", "1"));
  forgetful.Finish("X", json{{"ok", true}});
  ASSERT_TRUE(forgetful.Add("Y", "1"));
  forgetful.Finish("Y", json{{"ok", true}});
  EXPECT_EQ(forgetful.Info("X", result), TaskRegistry::State::kUnknown);
}

TEST(TaskRegistry, WaitsAreBoundedPerTaskAndEndAtTheStop) {
  TaskRegistry tasks;
  ASSERT_TRUE(tasks.Add("T", "1"));
  json result;
  auto wait = [&] {
    json r;
    return tasks.Wait("T", std::nullopt, r, {}, 1);
  };
  auto first = std::async(std::launch::async, wait);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  // One waits already: the next one is answered at once.
  EXPECT_EQ(tasks.Wait("T", std::nullopt, result, {}, 1), TaskRegistry::State::kEnqueued);
  // A waiter whose client has left lets go.
  std::atomic<bool> gone{false};
  auto leaving = std::async(std::launch::async, [&] {
    json r;
    return tasks.Wait("T", std::chrono::milliseconds(60000), r, [&] { return gone.load(); });
  });
  gone = true;
  EXPECT_EQ(leaving.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  tasks.Stop();
  EXPECT_EQ(first.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_EQ(first.get(), TaskRegistry::State::kEnqueued);
  // What never ran is finished so; what ran keeps its result.
  ASSERT_TRUE(tasks.Add("R", "1"));
  tasks.Start("R");
  tasks.Finish("R", json{{"ok", true}});
  tasks.FinishUnrun(json{{"ok", false}});
  ASSERT_EQ(tasks.Info("T", result), TaskRegistry::State::kFinished);
  EXPECT_EQ(result["ok"], false);
  ASSERT_EQ(tasks.Info("R", result), TaskRegistry::State::kFinished);
  EXPECT_EQ(result["ok"], true);
}

}  // namespace
