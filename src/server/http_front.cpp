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
#include "server/http_connection.h"
#include "server/http_request.h"
#include "server/net_socket.h"
#include "server/netfp_answers.h"
#include "server/request_log.h"
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
// The longest path the log writes (the rest is cut, "..." marking it).
constexpr size_t kLoggedPathBytes = 256;
constexpr size_t kLoggedFieldBytes = 128;
// Out of file descriptors: the connections kept fewer than the count then by
// this, leaving descriptors for the printers' ports and the journal; and at
// least this many kept whatever the limit.
constexpr size_t kDescriptorReserve = 8;
constexpr size_t kFewestConnections = 4;
// Out of file descriptors with nothing to close: the listener rests this long.
constexpr int kAcceptRestMs = 250;

// Plain http, or https when `tls` is set: the rest of the server sees the same bytes.
struct Connection {
  NetSocket socket = kNoSocket;
  std::unique_ptr<TlsSession> tls;
  std::string peer;
  HttpConnectionReader reader{Api::kMaxBody};
  Clock::time_point deadline;    // the request must be whole by then
  Clock::time_point lastActive;  // bytes came, or an answer went
  bool answeredProbe = false;    // half-closed, and still there when asked

  IoResult Read(char* into, size_t size) {
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

// "ok" for the log: the answer's own (ApiResponse::ok is its body's "ok");
// a preflight's empty 204 did what was asked.
bool AnswerOk(const ApiResponse& response) {
  return response.ok || (response.body.empty() && response.status == 204);
}

// An async task's line when it has run: "task" for the client, the task id
// for the path.
void WriteTaskLog(RequestLog& log, const std::string& id, const ApiResponse& result,
                  std::chrono::milliseconds took) {
  auto field = [](const std::string& text) {
    return text.empty() ? std::string("-") : EscapeForLog(text, true, kLoggedFieldBytes);
  };
  std::string line = UtcNow() + " task " + field(result.printer) + " TASK " + field(id) + " " +
                     field(result.saleNumber) + " " + std::to_string(result.status);
  line += AnswerOk(result) ? " ok" : " failed";
  line += result.printed ? " printed" : " -";
  line += " " + std::to_string(took.count()) + "ms";
  if (!result.note.empty()) line += " " + EscapeForLog(result.note, false);
  log.Write(line);
}

// Whether the client of `c`, whose request was read, has gone (see
// HttpFront: "A client gone").
bool ClientGone(Connection& c, bool http10) {
  // A TLS client's goodbye is bytes before its end of stream.
  if (c.tls) return NetPeerHungUp(c.socket);
  switch (NetPeerState(c.socket)) {
    case NetPeer::kThere:
      return false;
    case NetPeer::kGone:
      return true;
    case NetPeer::kEnded:
      break;
  }
  if (http10) return true;
  // Asked once per connection (a request for every printer asks per printer).
  if (c.answeredProbe) return false;
  if (NetProbeForReset(c.socket, kHttpContinue, HttpFront::kProbeMs)) return true;
  c.answeredProbe = true;
  return false;
}

}  // namespace

struct HttpFront::Impl {
  explicit Impl(Api& a) : api(a) {}

  Api& api;
  std::vector<NetSocket> listeners;
  std::vector<std::string> addresses;  // of the listeners, for people
  NetSocket watch = kNoSocket;
  NetSocket wake = kNoSocket;
  int port = 0;
  std::string bindError;
  std::mutex logLock;
  std::shared_ptr<RequestLog> log;  // guarded by logLock; null: no log
  std::unique_ptr<TlsContext> tls;  // null: plain http
  std::chrono::milliseconds requestTime{kRequestSeconds * 1000};
  size_t maxConnections = kMaxConnections;  // lowered when descriptors run out
  bool descriptorsLogged = false;
  Clock::time_point acceptRestUntil;

  std::atomic<bool> stopping{false};
  std::mutex mutex;
  std::condition_variable work;
  std::deque<Task> tasks;
  size_t idleHandlers = 0;
  std::vector<std::unique_ptr<Connection>> returned;  // kept alive, back to the reader
  std::vector<std::thread> handlers;

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
      const IoResult r = NetRead(c.socket, drain, sizeof drain);
      if (r.status != IoStatus::kData) break;
      read += r.bytes;
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

  // The request's line: every field escaped, none empty, the path cut.
  std::shared_ptr<RequestLog> Log() {
    std::lock_guard<std::mutex> lock(logLock);
    return log;
  }

  void WriteLog(const std::string& peer, const HttpRequest* request, const ApiResponse* response,
                int status, Clock::time_point started) {
    const auto log = Log();
    if (!log) return;
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
    auto field = [](const std::string& text, size_t max = kLoggedFieldBytes) {
      return text.empty() ? std::string("-") : EscapeForLog(text, true, max);
    };
    std::string line = UtcNow() + " " + field(peer) + " ";
    line += field(response ? response->printer : "");
    line += " " + (request ? field(request->method) + " " + field(request->path, kLoggedPathBytes)
                           : std::string("- -"));
    line += " " + field(response ? response->saleNumber : "");
    line += " " + std::to_string(status);
    line += response && AnswerOk(*response) ? " ok" : " failed";
    line += response && response->printed ? " printed" : " -";
    line += " " + std::to_string(ms) + "ms";
    if (response && !response->note.empty()) line += " " + EscapeForLog(response->note, false);
    log->Write(line);
  }

  // A line of the server's own (text escaped here).
  void WriteLine(const std::string& text) {
    if (const auto log = Log()) log->Line(text);
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
    in.https = task.connection->tls != nullptr;
    // HEAD is GET without the body.
    const bool head = r.method == "HEAD";
    if (head) in.method = "GET";
    Connection* connection = task.connection.get();
    const bool http10 = r.http10;
    in.clientGone = [connection, http10] { return ClientGone(*connection, http10); };
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
    const std::string text =
        HttpResponseText(out.status, type, out.body, out.headers, keepAlive, !head);
    if (!out.unlogged) WriteLog(task.connection->peer, &r, &out, out.status, task.started);
    const bool written = task.connection->Write(text, kWriteSeconds * 1000);
    if (!written || !keepAlive) {
      task.connection->Close();
      return;
    }
    task.connection->deadline = Clock::now() + requestTime;
    task.connection->lastActive = Clock::now();
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
    const IoResult r = c->Read(chunk, sizeof chunk);
    if (r.status == IoStatus::kClosed || r.status == IoStatus::kError) {
      if (c->tls && c->tls->SpokePlainHttp()) RefusePlainHttp(*c);
      if (c->tls && !c->tls->HandshakeFailure().empty())
        WriteLine(c->peer + " TLS handshake failed: " + c->tls->HandshakeFailure());
      c->Close();
      return false;
    }
    if (r.status == IoStatus::kData) {
      c->reader.Add(chunk, r.bytes);
      c->lastActive = Clock::now();
    }
    return Parse(c);
  }

  bool Parse(std::unique_ptr<Connection>& c) {
    HttpConnectionReader::Step step = c->reader.Next();
    if (step.state == HttpParse::kNeedMore) {
      if (step.sendContinue && !c->Write(kHttpContinue, kQuickWriteMs)) {
        c->Close();
        return false;
      }
      return true;
    }
    if (step.state == HttpParse::kBad) {
      Refuse(*c, step.status, "request", step.error);
      c->Close();
      return false;
    }
    Submit(std::move(c), std::move(step.request));
    return false;
  }

  // Closes one connection of `open` to make room (see HttpFront: "Room").
  // False when there is none.
  static bool CloseOne(std::vector<std::unique_ptr<Connection>>& open) {
    if (open.empty()) return false;
    auto victim = open.end();
    for (auto it = open.begin(); it != open.end(); ++it) {
      if (!(*it)->reader.Empty()) continue;
      if (victim == open.end() || (*it)->lastActive < (*victim)->lastActive) victim = it;
    }
    if (victim == open.end())
      victim = std::min_element(open.begin(), open.end(), [](const auto& a, const auto& b) {
        return a->deadline < b->deadline;
      });
    (*victim)->Close();
    open.erase(victim);
    return true;
  }

  // Out of file descriptors: fewer connections from now on, said once.
  void OutOfDescriptors(std::vector<std::unique_ptr<Connection>>& open) {
    const size_t had = open.size();
    maxConnections = std::max(kFewestConnections,
                              had > kDescriptorReserve ? had - kDescriptorReserve : size_t{0});
    bool closed = false;
    while (open.size() >= maxConnections && CloseOne(open)) closed = true;
    if (!descriptorsLogged) {
      descriptorsLogged = true;
      WriteLine("out of file descriptors with " + std::to_string(had) +
                " connections open: idle connections are closed to make room, and at most " +
                std::to_string(maxConnections) +
                " are kept from now on (raise the limit: ulimit -n, or LimitNOFILE= of the "
                "service)");
    }
    // Nothing could be closed: the listener rests instead of spinning.
    if (!closed) acceptRestUntil = Clock::now() + std::chrono::milliseconds(kAcceptRestMs);
  }

  void Serve() {
    AddHandlers();
    std::vector<std::unique_ptr<Connection>> open;
    std::vector<NetSocket> sockets;
    while (!stopping) {
      auto now = Clock::now();
      // The listeners rest while descriptors have run out.
      const bool accepting = now >= acceptRestUntil;
      sockets.assign({watch});
      if (accepting) sockets.insert(sockets.end(), listeners.begin(), listeners.end());
      const size_t first = sockets.size();
      auto next = now + std::chrono::milliseconds(kMaxWaitMs);
      if (!accepting) next = std::min(next, acceptRestUntil);
      std::unique_ptr<bool[]> writable(new bool[open.size() + first]());
      for (size_t i = 0; i < open.size(); ++i) {
        sockets.push_back(open[i]->socket);
        writable[i + first] = open[i]->WantsWrite();
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
        if ((flags[i + first] || c->HasBuffered()) && !ReadFrom(c)) continue;
        if (c->deadline <= now) {
          if (!c->reader.Empty())
            Refuse(*c, 408, "request",
                   "The request did not arrive whole within " +
                       std::to_string(requestTime.count() / 1000.0).substr(0, 4) + " s");
          c->Close();
          continue;
        }
        still.push_back(std::move(c));
      }
      open.swap(still);
      if (flags[0]) {
        char drain[256];
        while (NetRead(watch, drain, sizeof drain).status == IoStatus::kData) {
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
      for (size_t l = 1; l < first; ++l)
        if (flags[l]) Accept(sockets[l], open);
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

  void Accept(NetSocket listener, std::vector<std::unique_ptr<Connection>>& open) {
    while (Clock::now() >= acceptRestUntil) {
      std::string peer;
      NetAcceptEnd why = NetAcceptEnd::kNoneWaiting;
      const NetSocket s = NetAccept(listener, peer, &why);
      if (s == kNoSocket) {
        if (why != NetAcceptEnd::kOutOfDescriptors) return;
        OutOfDescriptors(open);
        continue;
      }
      while (open.size() >= maxConnections && CloseOne(open)) {
      }
      auto c = std::make_unique<Connection>();
      c->socket = s;
      if (tls && !(c->tls = tls->Start(s))) {
        NetClose(s);
        continue;
      }
      c->peer = peer;
      c->deadline = Clock::now() + requestTime;
      c->lastActive = Clock::now();
      open.push_back(std::move(c));
    }
  }
};

HttpFront::HttpFront(Api& api) : impl_(std::make_unique<Impl>(api)) {
  NetStartup();
}

HttpFront::~HttpFront() {
  for (NetSocket l : impl_->listeners) NetClose(l);
  NetClose(impl_->watch);
  NetClose(impl_->wake);
}

bool HttpFront::Bind(const std::string& host, int port) {
  Impl& m = *impl_;
  std::string error;
  if (host == "127.0.0.1" || host == "localhost" || host == "::1") {
    // Any free port (0) must be free on both: a few tries.
    for (int attempt = 0; attempt < (port == 0 ? 8 : 1) && m.listeners.empty(); ++attempt) {
      const NetSocket v4 = NetListen("127.0.0.1", port, m.bindError);
      if (v4 == kNoSocket) return false;
      const int bound = NetLocalPort(v4);
      bool unavailable = false;
      const NetSocket v6 = NetListen("::1", bound, error, true, &unavailable);
      if (v6 != kNoSocket || unavailable) {
        m.listeners.push_back(v4);
        m.addresses.push_back("127.0.0.1:" + std::to_string(bound));
        if (v6 != kNoSocket) {
          m.listeners.push_back(v6);
          m.addresses.push_back("[::1]:" + std::to_string(bound));
        }
        break;
      }
      NetClose(v4);
      m.bindError = "[::1]:" + std::to_string(bound) + ": " + error +
                    " (another program holds the port on IPv6 loopback)";
    }
    if (m.listeners.empty()) return false;
  } else {
    const NetSocket s = NetListen(host, port, m.bindError);
    if (s == kNoSocket) return false;
    m.listeners.push_back(s);
    const bool v6 = host.find(':') != std::string::npos;
    m.addresses.push_back((v6 ? "[" + host + "]" : host) + ":" + std::to_string(NetLocalPort(s)));
  }
  if (!NetWakePair(m.watch, m.wake)) {
    m.bindError = "cannot create the server's internal wake-up socket";
    return false;
  }
  m.port = NetLocalPort(m.listeners[0]);
  return true;
}

std::string HttpFront::Addresses() const {
  std::string text;
  for (const auto& a : impl_->addresses) text += (text.empty() ? "" : " and ") + a;
  return text;
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

void HttpFront::SetRequestLog(std::shared_ptr<RequestLog> log) {
  {
    std::lock_guard<std::mutex> lock(impl_->logLock);
    impl_->log = log;
  }
  if (!log) {
    impl_->api.SetTaskLog(nullptr);
    return;
  }
  // The task's line may come after this front has gone: it holds the log itself.
  impl_->api.SetTaskLog(
      [log](const std::string& id, const ApiResponse& result, std::chrono::milliseconds took) {
        WriteTaskLog(*log, id, result, took);
      });
}

void HttpFront::SetLog(std::FILE* log) {
  SetRequestLog(log ? std::make_shared<RequestLog>(log) : nullptr);
}

void HttpFront::SetMaxConnectionsForTesting(size_t connections) {
  impl_->maxConnections = connections;
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
