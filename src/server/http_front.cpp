#include "server/http_front.h"

#include <httplib.h>

#include "server/api.h"

namespace {

constexpr time_t kReadTimeoutSeconds = 5;
constexpr time_t kWriteTimeoutSeconds = 5;
constexpr time_t kKeepAliveSeconds = 5;
// Connection threads: the printers' workers, not these, are the limit.
constexpr size_t kThreads = 16;

}  // namespace

struct HttpFront::Impl {
  explicit Impl(Api& a) : api(a) {}
  Api& api;
  httplib::Server server;
  int port = 0;
};

HttpFront::HttpFront(Api& api) : impl_(std::make_unique<Impl>(api)) {
  auto& s = impl_->server;
  s.new_task_queue = [] { return new httplib::ThreadPool(kThreads); };
  s.set_read_timeout(kReadTimeoutSeconds, 0);
  s.set_write_timeout(kWriteTimeoutSeconds, 0);
  s.set_keep_alive_timeout(kKeepAliveSeconds);
  s.set_payload_max_length(Api::kMaxBody);
  auto handle = [this](const httplib::Request& req, httplib::Response& res) {
    const ApiResponse out =
        impl_->api.Handle(req.method, req.path, req.body, req.get_header_value("Authorization"));
    res.status = out.status;
    res.set_content(out.body, "application/json; charset=utf-8");
  };
  s.Get(R"(/.*)", handle);
  s.Post(R"(/.*)", handle);
  s.Put(R"(/.*)", handle);
  s.Delete(R"(/.*)", handle);
  // Bodies over the limit are refused by the library before they reach the API.
  s.set_error_handler([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return;
    const char* text = res.status == 413 ? "The body is over 64 KiB" : "Bad request";
    res.set_content(
        std::string(R"({"ok":false,"messages":[{"type":"error","code":"request","text":")") + text +
            "\"}]}",
        "application/json; charset=utf-8");
  });
}

HttpFront::~HttpFront() = default;

bool HttpFront::Bind(const std::string& host, int port) {
  if (port == 0) {
    impl_->port = impl_->server.bind_to_any_port(host);
    return impl_->port > 0;
  }
  if (!impl_->server.bind_to_port(host, port)) return false;
  impl_->port = port;
  return true;
}

int HttpFront::Port() const {
  return impl_->port;
}

void HttpFront::Serve() {
  impl_->server.listen_after_bind();
}

void HttpFront::Stop() {
  impl_->server.stop();
}
