#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// One HTTP/1.x request read from a connection's bytes, whole: the request
// line, the headers and a body of Content-Length bytes (none without
// Content-Length: a POST with no body is an empty one, not a wait).
struct HttpRequest {
  std::string method;
  std::string target;  // the path with its query, as sent
  std::string path;    // without the query
  bool http10 = false;
  std::vector<std::pair<std::string, std::string>> headers;  // names in lower case
  std::string body;
  bool keepAlive = true;

  // The first value of header `name` (lower case), or "" when absent.
  std::string Header(const std::string& name) const;
  bool HasHeader(const std::string& name) const;
};

// What the bytes read so far make.
enum class HttpParse {
  kNeedMore,  // not complete yet
  kDone,      // `request` holds it; `used` bytes belong to it
  kBad,       // malformed: answer `status` and close the connection
};

struct HttpParseResult {
  HttpParse state = HttpParse::kNeedMore;
  size_t used = 0;
  int status = 0;     // kBad: 400, 411, 413, 417, 431 or 505
  std::string error;  // kBad: why, for the response
  // kNeedMore: the headers are complete and the body is still to come.
  bool headersComplete = false;
  // kNeedMore with headersComplete: the client (HTTP/1.1) waits for
  // "100 Continue" before it sends the body.
  bool expectContinue = false;
};

// The header block, blank lines before the request line included.
constexpr size_t kMaxHeaderBytes = 16 * 1024;
constexpr size_t kMaxHeaderCount = 100;

// Reads one request from the start of `bytes`. Refused at once (kBad), before
// anything else arrives: a line that does not end with CR LF (a bare LF, a CR
// alone), a control character in the request line or a header value (CR, LF,
// NUL ...: one header must never become two), an HTTP/1.1 request without
// Host or any request with two (400); a Transfer-Encoding (411: Content-Length
// is needed); Content-Length headers that disagree or are not numbers (400);
// a body over `maxBody` (413, the text names the limit); an Expect other than
// 100-continue (417); headers over kMaxHeaderBytes or kMaxHeaderCount (431).
// `Connection` is read as a list of tokens.
HttpParseResult ParseHttpRequest(const std::string& bytes, size_t maxBody, HttpRequest& request);

// `s` with its ASCII letters in lower case (header names, tokens, schemes,
// hosts); other bytes as they are.
std::string LowerAscii(std::string s);

// "64 KiB", "1000 bytes": a size limit in words.
std::string SizeInWords(size_t bytes);

// The interim answer to "Expect: 100-continue" (HTTP/1.1 clients only).
constexpr const char* kHttpContinue = "HTTP/1.1 100 Continue\r\n\r\n";

// A whole response in one piece: status line, headers, body. `withBody`
// false (HEAD): the same head, Content-Length of the body, no body.
std::string HttpResponseText(int status, const std::string& contentType, const std::string& body,
                             const std::vector<std::pair<std::string, std::string>>& headers,
                             bool keepAlive, bool withBody = true);

const char* HttpReason(int status);
