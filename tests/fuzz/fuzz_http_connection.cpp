// fiscal-server's connection reader: a whole connection's bytes (several
// pipelined requests), cut into pieces at places the input chooses, as a
// network delivers them.
//
// Invariants: the same bytes give the same requests and the same refusal
// however they are cut; a request's body is its Content-Length; the buffer
// never holds more than the header limit and a body (plus what one read
// brings); "100 Continue" is asked for at most once per request, and only
// by a request that announced a body and has not sent it all.
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "fuzz/require.h"
#include "server/http_connection.h"

namespace {

constexpr size_t kMaxBody = 1024;

struct Outcome {
  std::vector<HttpRequest> requests;
  int refusal = 0;
  size_t continues = 0;
};

// Feeds `bytes` in the pieces `cuts` gives (sizes, consumed in turn; the
// rest in one piece when they run out).
Outcome Feed(const std::string& bytes, FuzzInput* cuts) {
  Outcome out;
  HttpConnectionReader reader(kMaxBody);
  size_t at = 0;
  size_t continuesOfThisRequest = 0;
  while (at < bytes.size() && out.refusal == 0) {
    size_t piece = bytes.size() - at;
    if (cuts && !cuts->Empty()) piece = std::min<size_t>(piece, cuts->Byte() % 64 + 1);
    reader.Add(bytes.data() + at, piece);
    at += piece;
    Require(reader.Buffered() <= kMaxHeaderBytes + kMaxBody + 64 + piece, "buffer grew unbounded");
    while (true) {
      HttpConnectionReader::Step step = reader.Next();
      if (step.state == HttpParse::kNeedMore) {
        if (step.sendContinue) {
          ++out.continues;
          Require(++continuesOfThisRequest == 1, "100 Continue twice for one request");
        }
        break;
      }
      if (step.state == HttpParse::kBad) {
        Require(step.status >= 400 && step.status < 600 && !step.error.empty(),
                "refusal without status or reason");
        out.refusal = step.status;
        break;
      }
      const std::string length = step.request.Header("content-length");
      Require(step.request.body.size() == (length.empty() ? 0 : std::stoull(length)),
              "body differs from its Content-Length");
      Require(!step.request.path.empty() && step.request.path[0] == '/', "path not absolute");
      continuesOfThisRequest = 0;
      out.requests.push_back(std::move(step.request));
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  // The first byte: how many of the next bytes say where to cut.
  const size_t cutBytes = input.Byte() % 32;
  const std::string cutText = input.Bytes(cutBytes);
  const std::string bytes = input.Rest();
  FuzzInput cuts(reinterpret_cast<const uint8_t*>(cutText.data()), cutText.size());
  const Outcome whole = Feed(bytes, nullptr);
  const Outcome split = Feed(bytes, &cuts);
  Require(whole.requests.size() == split.requests.size(), "cutting changed the requests");
  for (size_t i = 0; i < whole.requests.size(); ++i) {
    const HttpRequest& a = whole.requests[i];
    const HttpRequest& b = split.requests[i];
    Require(a.method == b.method && a.target == b.target && a.headers == b.headers &&
                a.body == b.body && a.keepAlive == b.keepAlive,
            "cutting changed a request");
  }
  Require(whole.refusal == split.refusal, "cutting changed the refusal");
  Require(split.continues <= split.requests.size() + 1, "more 100 Continue than requests");
  return 0;
}
