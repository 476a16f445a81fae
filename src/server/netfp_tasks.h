#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

// Where tasks are remembered beyond the server's memory. The registry tells it
// when a task starts and ends; a store that writes to disk (the sale-number
// journal) lets a restarted server refuse to run a known task again.
class TaskStore {
 public:
  virtual ~TaskStore() = default;
  virtual void Enqueued(const std::string& taskId, const std::string& printerId) = 0;
  virtual void Finished(const std::string& taskId, const nlohmann::json& result) = 0;
  // A task that never ran (its printer's queue was full): forgotten.
  virtual void Released(const std::string& taskId) = 0;
  // A task a previous run knew: its result, or an answer saying it was started
  // and never finished.
  virtual std::optional<nlohmann::json> Find(const std::string& taskId) const = 0;
};

class SaleJournal;

// Task ids in the sale-number journal, beside the sale numbers (under a key no
// printer id can take), so a restarted server never runs a known task again.
class JournalTaskStore : public TaskStore {
 public:
  explicit JournalTaskStore(SaleJournal& journal) : journal_(journal) {}
  void Enqueued(const std::string& taskId, const std::string& printerId) override;
  void Finished(const std::string& taskId, const nlohmann::json& result) override;
  void Released(const std::string& taskId) override;
  std::optional<nlohmann::json> Find(const std::string& taskId) const override;

 private:
  SaleJournal& journal_;
};

// Printing requests run as tasks: each has an id (the client's or one made
// here) and goes through enqueued -> running -> finished. The same id never
// runs twice: a request that names a known id gets that task, whatever its
// body. A finished task's result is kept until it ages out: the newest `kept`
// finished tasks in memory, and every task id the store (the sale journal)
// still holds, across restarts. Reading a result (taskinfo, a wait) changes
// nothing, so a page that merely fetches it cannot take it from the till.
// Thread-safe.
class TaskRegistry {
 public:
  enum class State { kUnknown, kEnqueued, kRunning, kFinished };

  // `kept`: finished tasks remembered in memory.
  explicit TaskRegistry(size_t kept = 1000, TaskStore* store = nullptr);

  // A new random id: 16 characters of base64url.
  static std::string NewId();
  // An id a client may give: 1..64 printable ASCII characters.
  static bool ValidId(const std::string& id);

  // Registers `id` as enqueued. False when the id is known (running, waiting,
  // finished, in memory or in the store): nothing is added.
  bool Add(const std::string& id, const std::string& printerId);
  // Forgets a task that could not be queued.
  void Drop(const std::string& id);
  void Start(const std::string& id);
  void Finish(const std::string& id, const nlohmann::json& result);

  // Waits up to `wait` (none: for ever) for the task to finish; its state and,
  // when finished, its result. Returns early when `gone` (checked a few times
  // a second, outside the lock) says the client has left, and at once when
  // `maxWaiters` already wait for this task or after Stop.
  State Wait(const std::string& id, std::optional<std::chrono::milliseconds> wait,
             nlohmann::json& result, const std::function<bool()>& gone = {},
             size_t maxWaiters = static_cast<size_t>(-1));
  // taskinfo: the state, and the result of a finished task.
  State Info(const std::string& id, nlohmann::json& result);

  // The server stops: every wait returns now, and later ones at once.
  void Stop();
  // Finishes every task still enqueued with `result` (after the workers have
  // stopped: those tasks never ran), in the store too.
  void FinishUnrun(const nlohmann::json& result);

  static const char* StateName(State state);

 private:
  struct Task {
    State state = State::kEnqueued;
    nlohmann::json result;
    size_t waiters = 0;  // handlers waiting for it
  };
  // Remembers a finished task; the oldest beyond `kept_` are forgotten.
  void Finished(const std::string& id);

  size_t kept_;
  TaskStore* store_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::map<std::string, Task> tasks_;
  std::deque<std::string> finished_;  // oldest first
  bool stopping_ = false;
};
