#include "server/http_connection.h"

void HttpConnectionReader::Add(const char* data, size_t size) {
  const bool crBefore = !buffer_.empty() && buffer_.back() == '\r';
  buffer_.append(data, size);
  const std::string added(data, size);
  // Before the headers are complete, only a line's end, a CR's follower or
  // the limit can change what the bytes make.
  look_ = look_ || headersComplete_ || crBefore ||
          added.find_first_of("\r\n") != std::string::npos || buffer_.size() > kMaxHeaderBytes;
}

HttpConnectionReader::Step HttpConnectionReader::Next() {
  Step step;
  if (!look_ || buffer_.empty()) return step;
  const HttpParseResult r = ParseHttpRequest(buffer_, maxBody_, step.request);
  step.state = r.state;
  if (r.state == HttpParse::kBad) {
    step.status = r.status;
    step.error = r.error;
    look_ = false;
    return step;
  }
  if (r.state == HttpParse::kNeedMore) {
    headersComplete_ = r.headersComplete;
    step.sendContinue = r.expectContinue && !continued_;
    continued_ = continued_ || step.sendContinue;
    look_ = false;
    return step;
  }
  buffer_.erase(0, r.used);
  // A pipelined request may already be complete behind it.
  look_ = true;
  headersComplete_ = false;
  continued_ = false;
  return step;
}
