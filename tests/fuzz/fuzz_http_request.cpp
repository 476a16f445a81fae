// fiscal-server's request reader: the bytes any client on the network can send.
//
// Invariants: a request read whole says how many bytes it used, never more
// than it was given; its body is exactly the Content-Length it announced and
// its path starts with '/'; the same bytes cut right after the request give
// the same request; a refusal carries a status and a reason.
#include <cstdint>

#include "fuzz/require.h"
#include "server/http_request.h"

namespace {
constexpr size_t kMaxBody = 64 * 1024;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  HttpRequest request;
  const HttpParseResult r = ParseHttpRequest(bytes, kMaxBody, request);
  switch (r.state) {
    case HttpParse::kNeedMore:
      break;
    case HttpParse::kBad:
      Require(r.status >= 400 && r.status < 600, "refusal without an error status");
      Require(!r.error.empty(), "refusal without a reason");
      break;
    case HttpParse::kDone: {
      Require(r.used > 0 && r.used <= bytes.size(), "used more bytes than given");
      Require(!request.path.empty() && request.path[0] == '/', "path not absolute");
      Require(request.body.size() <= kMaxBody, "body over the limit");
      const std::string length = request.Header("content-length");
      Require(request.body.size() == (length.empty() ? 0 : std::stoull(length)),
              "body differs from its Content-Length");
      HttpRequest again;
      const HttpParseResult cut = ParseHttpRequest(bytes.substr(0, r.used), kMaxBody, again);
      Require(cut.state == HttpParse::kDone && cut.used == r.used, "cut request not read whole");
      Require(again.target == request.target && again.body == request.body &&
                  again.headers == request.headers,
              "cut request read differently");
      break;
    }
  }
  return 0;
}
