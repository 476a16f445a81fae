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
  int status = 0;     // kBad: 400, 411, 413, 431, 501 or 505
  std::string error;  // kBad: why, for the response
};

constexpr size_t kMaxHeaderBytes = 16 * 1024;
constexpr size_t kMaxHeaderCount = 100;

// Reads one request from the start of `bytes`. Bodies over `maxBody` are
// refused (413); so are a Transfer-Encoding (411: Content-Length is needed),
// Content-Length headers that disagree or are not numbers (400) and headers
// over kMaxHeaderBytes (431).
HttpParseResult ParseHttpRequest(const std::string& bytes, size_t maxBody, HttpRequest& request);

// A whole response in one piece: status line, headers, body.
std::string HttpResponseText(int status, const std::string& contentType, const std::string& body,
                             const std::vector<std::pair<std::string, std::string>>& headers,
                             bool keepAlive);

const char* HttpReason(int status);
