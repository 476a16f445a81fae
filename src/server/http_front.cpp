#include "server/http_front.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "server/api.h"
#include "server/http_request.h"
#include "server/net_socket.h"
#include "server/netfp_answers.h"
#include "server/tls.h"
#include "server/utc_time.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kJson = "application/json; charset=utf-8";
constexpr size_t kReadChunk = 16 * 1024;
// Handler threads beyond what the printers' queues can hold: for the printer
// list and the requests refused before they reach a printer.
constexpr size_t kSpareHandlers = 16;
// A refusal written by the reading thread must not hold it.
constexpr int kQuickWriteMs = 200;
constexpr int kMaxWaitMs = 1000;

// Plain http, or https when `tls` is set: the rest of the server sees the same bytes.
struct Connection {
  NetSocket socket = kNoSocket;
  std::unique_ptr<TlsSession> tls;
  std::string peer;
  std::string buffer;
  Clock::time_point deadline;

  long Read(char* into, size_t size) {
    return tls ? tls->Read(into, size) : NetRead(socket, into, size);
  }
  bool Write(const std::string& data, int timeoutMs) {
    return tls ? tls->WriteAll(data, timeoutMs) : NetWriteAll(socket, data, timeoutMs);
  }
  // The TLS handshake waits for the socket to take its bytes.
  bool WantsWrite() const { return tls && tls->WantsWrite(); }
  // Request bytes wait inside the TLS session, where polling the socket cannot see them.
  bool HasBuffered() const { return tls && tls->HasBuffered(); }
  void Close() {
    if (tls) tls->Shutdown();
    NetClose(socket);
    socket = kNoSocket;
  }
};

struct Task {
  std::unique_ptr<Connection> connection;
  HttpRequest request;
  Clock::time_point started;
};

std::string ErrorBody(const std::string& reason, const std::string& text) {
  const nlohmann::json body = {{"ok", false},
                               {"messages", MessagesJson({{"error", reason, text}})}};
  return body.dump();
}

}  // namespace

struct HttpFront::Impl {
  explicit Impl(Api& a) : api(a) {}

  Api& api;
  NetSocket listener = kNoSocket;
  NetSocket watch = kNoSocket;
  NetSocket wake = kNoSocket;
  int port = 0;
  std::string bindError;
  std::FILE* log = nullptr;
  std::unique_ptr<TlsContext> tls;  // null: plain http
  std::chrono::milliseconds requestTime{kRequestSeconds * 1000};

  std::atomic<bool> stopping{false};
  std::mutex mutex;
  std::condition_variable work;
  std::deque<Task> tasks;
  size_t idleHandlers = 0;
  std::vector<std::unique_ptr<Connection>> returned;  // kept alive, back to the reader
  std::vector<std::thread> handlers;
  std::mutex logMutex;

  void Wake() {
    const char byte = 1;
    NetWriteAll(wake, std::string(1, byte), kQuickWriteMs);
  }

  void Refuse(Connection& c, int status, const std::string& code, const std::string& text) {
    WriteLog(c.peer, nullptr, nullptr, status, Clock::now());
    c.Write(HttpResponseText(status, kJson, ErrorBody(code, text), {}, false), kQuickWriteMs);
  }

  // Plain http sent to the https port: told so in plain http, then closed.
  void RefusePlainHttp(Connection& c) {
    // The rest of the request is read first: closing with unread bytes would
    // reset the connection and could lose the answer on its way.
    char drain[1024];
    for (size_t read = 0; read < kMaxHeaderBytes;) {
      const long n = NetRead(c.socket, drain, sizeof drain);
      if (n <= 0) break;
      read += static_cast<size_t>(n);
    }
    WriteLog(c.peer, nullptr, nullptr, 400, Clock::now());
    NetWriteAll(c.socket,
                HttpResponseText(400, kJson,
                                 ErrorBody("request",
                                           "This server speaks https only: use https:// in "
                                           "the address"),
                                 {}, false),
                kQuickWriteMs);
  }

  void WriteLog(const std::string& peer, const HttpRequest* request, const ApiResponse* response,
                int status, Clock::time_point started) {
    if (!log) return;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    std::string line = UtcNow() + " " + peer + " ";
    line += response && !response->printer.empty() ? response->printer : "-";
    line += " " + (request ? request->method + " " + request->path : std::string("- -"));
    line += " " + (response && !response->saleNumber.empty() ? response->saleNumber : "-");
    line += " " + std::to_string(status);
    line += response && response->ok ? " ok" : " failed";
    line += response && response->printed ? " printed" : " -";
    line += " " + std::to_string(ms) + "ms";
    if (response && !response->note.empty()) line += " " + response->note;
    WriteLine(line);
  }

  // One line of the log, as it stands.
  void WriteLine(const std::string& line) {
    if (!log) return;
    std::lock_guard<std::mutex> lock(logMutex);
    std::fputs((line + "\n").c_str(), log);
    std::fflush(log);
  }

  // A handler thread: one complete request at a time.
  // Counted idle from its creation (AddHandlers), so that a request arriving
  // before the thread first runs is queued for it, not refused.
  void Handle() {
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
      work.wait(lock, [&] { return stopping || !tasks.empty(); });
      --idleHandlers;
      if (tasks.empty()) return;
      Task task = std::move(tasks.front());
      tasks.pop_front();
      lock.unlock();
      Respond(task);
      lock.lock();
      ++idleHandlers;
    }
  }

  // Handler threads for the printers served now: printers found after the
  // start add theirs. On the reading thread only.
  void AddHandlers() {
    const size_t wanted = api.PrinterCount() * (Api::kMaxQueuedPerPrinter + 1) + kSpareHandlers;
    while (handlers.size() < wanted) {
      {
        std::lock_guard<std::mutex> lock(mutex);
        ++idleHandlers;
      }
      handlers.emplace_back([this] { Handle(); });
    }
  }

  void Respond(Task& task) {
    const HttpRequest& r = task.request;
    ApiRequest in;
    in.method = r.method;
    in.path = r.path;
    const size_t mark = r.target.find('?');
    if (mark != std::string::npos) in.query = r.target.substr(mark + 1);
    in.body = r.body;
    in.authorization = r.Header("authorization");
    in.host = r.Header("host");
    in.origin = r.Header("origin");
    in.contentType = r.Header("content-type");
    in.hasOrigin = r.HasHeader("origin");
    in.ifNoneMatch = r.Header("if-none-match");
    const NetSocket s = task.connection->socket;
    // A TLS client's goodbye is bytes before its end of stream.
    const bool tlsClient = task.connection->tls != nullptr;
    in.https = tlsClient;
    in.clientGone = [s, tlsClient] { return tlsClient ? NetPeerHungUp(s) : NetPeerGone(s); };
    ApiResponse out;
    try {
      out = api.Handle(in);
    } catch (const std::exception& e) {
      out = ApiResponse{500, ErrorBody("internal", std::string("Internal error: ") + e.what())};
    } catch (...) {
      out = ApiResponse{500, ErrorBody("internal", "Internal error")};
    }
    const bool keepAlive = r.keepAlive && !stopping;
    const std::string type = !out.contentType.empty() ? out.contentType
                             : out.body.empty()       ? ""
                                                      : kJson;
    const std::string text = HttpResponseText(out.status, type, out.body, out.headers, keepAlive);
    if (!out.unlogged) WriteLog(task.connection->peer, &r, &out, out.status, task.started);
    const bool written = task.connection->Write(text, kWriteSeconds * 1000);
    if (!written || !keepAlive) {
      task.connection->Close();
      return;
    }
    task.connection->deadline = Clock::now() + requestTime;
    {
      std::lock_guard<std::mutex> lock(mutex);
      returned.push_back(std::move(task.connection));
    }
    Wake();
  }

  // Hands a complete request to a handler; 503 at once when none is free.
  void Submit(std::unique_ptr<Connection> c, HttpRequest request) {
    AddHandlers();
    {
      std::lock_guard<std::mutex> lock(mutex);
      if (idleHandlers > tasks.size()) {
        tasks.push_back(Task{std::move(c), std::move(request), Clock::now()});
        work.notify_one();
        return;
      }
    }
    Refuse(*c, 503, "busy", "The server is busy; try again");
    c->Close();
  }

  // Reads what `c` sent. False when the connection is finished with (closed,
  // or handed to a handler: then `c` is empty).
  bool ReadFrom(std::unique_ptr<Connection>& c) {
    char chunk[kReadChunk];
    const long n = c->Read(chunk, sizeof chunk);
    if (n == 0 || n == -1) {
      if (c->tls && c->tls->SpokePlainHttp()) RefusePlainHttp(*c);
      if (c->tls && !c->tls->HandshakeFailure().empty())
        WriteLine(UtcNow() + " " + c->peer +
                  " TLS handshake failed: " + c->tls->HandshakeFailure());
      c->Close();
      return false;
    }
    if (n > 0) c->buffer.append(chunk, static_cast<size_t>(n));
    return Parse(c);
  }

  bool Parse(std::unique_ptr<Connection>& c) {
    if (c->buffer.empty()) return true;
    HttpRequest request;
    const HttpParseResult r = ParseHttpRequest(c->buffer, Api::kMaxBody, request);
    if (r.state == HttpParse::kNeedMore) return true;
    if (r.state == HttpParse::kBad) {
      Refuse(*c, r.status, "request", r.error);
      c->Close();
      return false;
    }
    c->buffer.erase(0, r.used);
    Submit(std::move(c), std::move(request));
    return false;
  }

  void Serve() {
    AddHandlers();
    std::vector<std::unique_ptr<Connection>> open;
    std::vector<NetSocket> sockets;
    while (!stopping) {
      sockets.assign({listener, watch});
      auto now = Clock::now();
      auto next = now + std::chrono::milliseconds(kMaxWaitMs);
      std::unique_ptr<bool[]> writable(new bool[open.size() + 2]());
      for (size_t i = 0; i < open.size(); ++i) {
        sockets.push_back(open[i]->socket);
        writable[i + 2] = open[i]->WantsWrite();
        next = std::min(next, open[i]->HasBuffered() ? now : open[i]->deadline);
      }
      const auto waitMs = std::max<long long>(
          0, std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1);
      std::unique_ptr<bool[]> flags(new bool[sockets.size()]);
      if (NetWait(sockets.data(), writable.get(), sockets.size(), flags.get(),
                  static_cast<int>(waitMs)) < 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      if (stopping) break;
      std::vector<std::unique_ptr<Connection>> still;
      still.reserve(open.size());
      now = Clock::now();
      for (size_t i = 0; i < open.size(); ++i) {
        std::unique_ptr<Connection>& c = open[i];
        if ((flags[i + 2] || c->HasBuffered()) && !ReadFrom(c)) continue;
        if (c->deadline <= now) {
          if (!c->buffer.empty())
            Refuse(*c, 408, "request",
                   "The request did not arrive whole within " +
                       std::to_string(requestTime.count() / 1000.0).substr(0, 4) + " s");
          c->Close();
          continue;
        }
        still.push_back(std::move(c));
      }
      open.swap(still);
      if (flags[1]) {
        char drain[256];
        while (NetRead(watch, drain, sizeof drain) > 0) {
        }
        std::vector<std::unique_ptr<Connection>> back;
        {
          std::lock_guard<std::mutex> lock(mutex);
          back.swap(returned);
        }
        for (auto& c : back) {
          // A pipelined request may already be in its buffer.
          if (Parse(c)) open.push_back(std::move(c));
        }
      }
      if (flags[0]) Accept(open);
    }
    for (auto& c : open) c->Close();
    {
      std::lock_guard<std::mutex> lock(mutex);
      stopping = true;
    }
    work.notify_all();
    for (auto& t : handlers) t.join();
    handlers.clear();
    for (auto& c : returned) c->Close();
    returned.clear();
  }

  void Accept(std::vector<std::unique_ptr<Connection>>& open) {
    while (true) {
      std::string peer;
      const NetSocket s = NetAccept(listener, peer);
      if (s == kNoSocket) return;
      if (open.size() >= kMaxConnections) {
        // The one whose request has waited longest makes room.
        auto oldest = std::min_element(open.begin(), open.end(), [](const auto& a, const auto& b) {
          return a->deadline < b->deadline;
        });
        (*oldest)->Close();
        open.erase(oldest);
      }
      auto c = std::make_unique<Connection>();
      c->socket = s;
      if (tls && !(c->tls = tls->Start(s))) {
        NetClose(s);
        continue;
      }
      c->peer = peer;
      c->deadline = Clock::now() + requestTime;
      open.push_back(std::move(c));
    }
  }
};

HttpFront::HttpFront(Api& api) : impl_(std::make_unique<Impl>(api)) {
  NetStartup();
}

HttpFront::~HttpFront() {
  NetClose(impl_->listener);
  NetClose(impl_->watch);
  NetClose(impl_->wake);
}

bool HttpFront::Bind(const std::string& host, int port) {
  impl_->listener = NetListen(host, port, impl_->bindError);
  if (impl_->listener == kNoSocket) return false;
  if (!NetWakePair(impl_->watch, impl_->wake)) {
    impl_->bindError = "cannot create the server's internal wake-up socket";
    return false;
  }
  impl_->port = NetLocalPort(impl_->listener);
  return true;
}

const std::string& HttpFront::BindError() const {
  return impl_->bindError;
}

int HttpFront::Port() const {
  return impl_->port;
}

void HttpFront::SetTls(std::unique_ptr<TlsContext> tls) {
  impl_->tls = std::move(tls);
}

void HttpFront::SetLog(std::FILE* log) {
  impl_->log = log;
}

void HttpFront::SetRequestDeadlineForTesting(int ms) {
  impl_->requestTime = std::chrono::milliseconds(ms);
}

void HttpFront::Serve() {
  impl_->Serve();
}

void HttpFront::Stop() {
  impl_->stopping = true;
  impl_->Wake();
}
