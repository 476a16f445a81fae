#include "server/netfp_tasks.h"

#include <random>

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
       {{{"type", "warning"},
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
  task.state = State::kFinished;
  task.result = result;
  changed_.notify_all();
}

void TaskRegistry::Reported(const std::string& id, Task& task) {
  if (task.reported) return;
  task.reported = true;
  reported_.push_back(id);
  while (reported_.size() > kept_) {
    tasks_.erase(reported_.front());
    reported_.pop_front();
  }
}

TaskRegistry::State TaskRegistry::Wait(const std::string& id,
                                       std::optional<std::chrono::milliseconds> wait,
                                       nlohmann::json& result) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto finished = [&] {
    const auto it = tasks_.find(id);
    return it == tasks_.end() || it->second.state == State::kFinished;
  };
  if (wait)
    changed_.wait_for(lock, *wait, finished);
  else
    changed_.wait(lock, finished);
  const auto it = tasks_.find(id);
  if (it == tasks_.end()) return State::kUnknown;
  if (it->second.state != State::kFinished) return it->second.state;
  result = it->second.result;
  Reported(id, it->second);
  return State::kFinished;
}

TaskRegistry::State TaskRegistry::Take(const std::string& id, nlohmann::json& result) {
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = tasks_.find(id);
  if (it == tasks_.end() || it->second.reported) return State::kUnknown;
  if (it->second.state == State::kFinished) {
    result = it->second.result;
    Reported(id, it->second);
    return State::kFinished;
  }
  return it->second.state;
}
