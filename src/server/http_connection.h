#pragma once

#include <cstddef>
#include <string>

#include "server/http_request.h"

// The request side of one connection: the bytes it has sent so far, turned
// into requests one after another (pipelined requests wait in the buffer
// until the one before has been answered). No socket here: the HTTP side
// feeds it what it read, and the fuzz target feeds it whole connections.
//
// A client that sends a byte at a time costs little: the bytes are looked at
// again only when something can have changed (a line ended, the headers are
// complete, the limit is reached).
class HttpConnectionReader {
 public:
  explicit HttpConnectionReader(size_t maxBody) : maxBody_(maxBody) {}

  struct Step {
    HttpParse state = HttpParse::kNeedMore;
    HttpRequest request;  // kDone: the next request, taken out of the buffer
    int status = 0;       // kBad: answer it and close the connection
    std::string error;
    // kNeedMore: write kHttpContinue now (once per request): the client
    // waits for it before it sends its body.
    bool sendContinue = false;
  };

  void Add(const char* data, size_t size);
  // What the bytes so far make. After kBad the connection is finished with.
  Step Next();
  // Nothing of a next request has arrived (an idle connection).
  bool Empty() const { return buffer_.empty(); }
  size_t Buffered() const { return buffer_.size(); }

 private:
  std::string buffer_;
  size_t maxBody_;
  bool look_ = false;  // the bytes can make something new
  bool headersComplete_ = false;
  bool continued_ = false;  // kHttpContinue written for this request
};
