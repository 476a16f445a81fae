#include "server/netfp_tasks.h"

#include <random>
#include <vector>

#include "server/policy_host.h"
#include "server/sale_journal.h"

namespace {

constexpr size_t kIdLength = 16;
constexpr size_t kMaxIdLength = 64;
constexpr char kBase64Url[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr int kBase64Symbols = 64;

// The journal's "printer" of task entries: '#' is never in a printer id.
constexpr char kTaskKey[] = "#task";

}  // namespace

// Journal failures are not fatal to a task: it runs, and only its memory
// across a restart is lost.
void JournalTaskStore::Enqueued(const std::string& taskId, const std::string& printerId) {
  std::string error;
  journal_.Start(kTaskKey, taskId, printerId, error);
}

void JournalTaskStore::Finished(const std::string& taskId, const nlohmann::json& result) {
  std::string error;
  const auto entry = journal_.Find(kTaskKey, taskId);
  journal_.Finish(kTaskKey, taskId, entry ? entry->fingerprint : "", result, error);
}

void JournalTaskStore::Released(const std::string& taskId) {
  std::string error;
  journal_.Release(kTaskKey, taskId, error);
}

std::optional<nlohmann::json> JournalTaskStore::Find(const std::string& taskId) const {
  const auto entry = journal_.Find(kTaskKey, taskId);
  if (!entry) return std::nullopt;
  if (entry->state == SaleJournal::State::kFinished) return entry->result;
  return nlohmann::json{
      {"ok", false},
      {"messages",
       {{{"type", MessageTypeText(MessageType::kWarning)},
         {"code", "W105"},
         {"reason", "receipt"},
         {"text", "The task started at " + entry->time + " (UTC) on printer " + entry->fingerprint +
                      " and the server stopped before it finished: check the printer (its "
                      "status and last receipt) before sending it again under a new task id"}}}}};
}

TaskRegistry::TaskRegistry(size_t kept, TaskStore* store) : kept_(kept), store_(store) {}

std::string TaskRegistry::NewId() {
  static std::mutex lock;
  static std::mt19937_64 random{std::random_device{}()};
  std::lock_guard<std::mutex> hold(lock);
  std::string id;
  for (size_t i = 0; i < kIdLength; ++i) id += kBase64Url[random() % kBase64Symbols];
  return id;
}

bool TaskRegistry::ValidId(const std::string& id) {
  if (id.empty() || id.size() > kMaxIdLength) return false;
  for (char c : id)
    if (c <= ' ' || c > '~') return false;
  return true;
}

const char* TaskRegistry::StateName(State state) {
  switch (state) {
    case State::kEnqueued:
      return "enqueued";
    case State::kRunning:
      return "running";
    case State::kFinished:
      return "finished";
    case State::kUnknown:
      break;
  }
  return "unknown";
}

bool TaskRegistry::Add(const std::string& id, const std::string& printerId) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (tasks_.count(id)) return false;
  if (store_) {
    if (auto known = store_->Find(id)) {
      Task task;
      task.state = State::kFinished;
      task.result = *known;
      tasks_[id] = task;
      Finished(id);
      return false;
    }
    store_->Enqueued(id, printerId);
  }
  tasks_[id] = Task{};
  return true;
}

void TaskRegistry::Drop(const std::string& id) {
  if (store_) store_->Released(id);
  std::lock_guard<std::mutex> lock(mutex_);
  tasks_.erase(id);
}

void TaskRegistry::Start(const std::string& id) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = tasks_.find(id);
  if (it != tasks_.end()) it->second.state = State::kRunning;
  changed_.notify_all();
}

void TaskRegistry::Finish(const std::string& id, const nlohmann::json& result) {
  if (store_) store_->Finished(id, result);
  std::lock_guard<std::mutex> lock(mutex_);
  Task& task = tasks_[id];
  const bool already = task.state == State::kFinished;
  task.state = State::kFinished;
  task.result = result;
  if (!already) Finished(id);
  changed_.notify_all();
}

void TaskRegistry::Finished(const std::string& id) {
  finished_.push_back(id);
  while (finished_.size() > kept_) {
    tasks_.erase(finished_.front());
    finished_.pop_front();
  }
}

TaskRegistry::State TaskRegistry::Wait(const std::string& id,
                                       std::optional<std::chrono::milliseconds> wait,
                                       nlohmann::json& result, const std::function<bool()>& gone,
                                       size_t maxWaiters) {
  // How often a waiting client is looked at.
  constexpr std::chrono::milliseconds kLookEvery{250};
  using Clock = std::chrono::steady_clock;
  const auto deadline = wait ? Clock::now() + *wait : Clock::time_point::max();
  std::unique_lock<std::mutex> lock(mutex_);
  // The task, or nullptr once forgotten (dropped, or aged out meanwhile).
  auto task = [&]() -> Task* {
    const auto it = tasks_.find(id);
    return it == tasks_.end() ? nullptr : &it->second;
  };
  auto done = [&] { return stopping_ || !task() || task()->state == State::kFinished; };
  if (!done() && task()->waiters < maxWaiters) {
    ++task()->waiters;
    while (true) {
      const auto now = Clock::now();
      const auto until = deadline - now > kLookEvery ? now + kLookEvery : deadline;
      changed_.wait_until(lock, until, done);
      if (done() || Clock::now() >= deadline) break;
      if (gone) {
        lock.unlock();
        const bool left = gone();
        lock.lock();
        if (left) break;
      }
    }
    if (task()) --task()->waiters;
  }
  if (!task()) return State::kUnknown;
  if (task()->state != State::kFinished) return task()->state;
  result = task()->result;
  return State::kFinished;
}

TaskRegistry::State TaskRegistry::Info(const std::string& id, nlohmann::json& result) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = tasks_.find(id);
  if (it == tasks_.end()) {
    // Aged out of memory, or run before a restart: the store may know it.
    if (const auto known = store_ ? store_->Find(id) : std::nullopt) {
      result = *known;
      return State::kFinished;
    }
    return State::kUnknown;
  }
  if (it->second.state == State::kFinished) result = it->second.result;
  return it->second.state;
}

void TaskRegistry::Stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  stopping_ = true;
  changed_.notify_all();
}

void TaskRegistry::FinishUnrun(const nlohmann::json& result) {
  std::vector<std::string> unrun;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& [id, task] : tasks_)
      if (task.state == State::kEnqueued) unrun.push_back(id);
  }
  for (const auto& id : unrun) Finish(id, result);
}
