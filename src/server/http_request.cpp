#include "server/http_request.h"

#include <algorithm>

namespace {

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

HttpParseResult Bad(int status, const std::string& error) {
  HttpParseResult r;
  r.state = HttpParse::kBad;
  r.status = status;
  r.error = error;
  return r;
}

// Below space, or DEL.
bool IsControl(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return u < 0x20 || u == 0x7f;
}

bool IsToken(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 32 || u >= 127 || c == ':' || c == '(' || c == ')' || c == ',' || c == '"' ||
        c == '/' || c == '[' || c == ']' || c == '{' || c == '}' || c == '<' || c == '>' ||
        c == '@' || c == ';' || c == '=' || c == '?' || c == '\\')
      return false;
  }
  return true;
}

}  // namespace

std::string HttpRequest::Header(const std::string& name) const {
  for (const auto& h : headers)
    if (h.first == name) return h.second;
  return "";
}

bool HttpRequest::HasHeader(const std::string& name) const {
  for (const auto& h : headers)
    if (h.first == name) return true;
  return false;
}

std::string LowerAscii(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

std::string SizeInWords(size_t bytes) {
  if (bytes >= 1024 && bytes % 1024 == 0) return std::to_string(bytes / 1024) + " KiB";
  return std::to_string(bytes) + " bytes";
}

HttpParseResult ParseHttpRequest(const std::string& bytes, size_t maxBody, HttpRequest& request) {
  // Blank lines before a request are allowed (some clients send one after a
  // body), but they count into the header limit: they must not grow the
  // buffer without end.
  size_t start = 0;
  while (start + 1 < bytes.size() && bytes[start] == '\r' && bytes[start + 1] == '\n') start += 2;
  const size_t end = bytes.find("\r\n\r\n", start);
  const size_t headEnd = end == std::string::npos ? bytes.size() : end + 4;
  // Every line ends with CR LF: a bare LF or a CR alone is refused at once
  // (a reader that took them differently would see other headers).
  for (size_t i = 0; i < headEnd; ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r'))
      return Bad(400, "Every line must end with CR LF (a bare LF was sent)");
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] != '\n')
      return Bad(400, "A CR that does not end a line");
  }
  if (end == std::string::npos) {
    if (bytes.size() > kMaxHeaderBytes) return Bad(431, "The request's headers are too long");
    return HttpParseResult{};
  }
  if (headEnd > kMaxHeaderBytes) return Bad(431, "The request's headers are too long");
  request = HttpRequest{};
  size_t line_end = bytes.find("\r\n", start);
  const std::string line = bytes.substr(start, line_end - start);
  if (std::any_of(line.begin(), line.end(), IsControl))
    return Bad(400, "Malformed request line (a control character)");
  const size_t sp1 = line.find(' ');
  const size_t sp2 = sp1 == std::string::npos ? sp1 : line.find(' ', sp1 + 1);
  if (sp1 == std::string::npos || sp2 == std::string::npos ||
      line.find(' ', sp2 + 1) != std::string::npos)
    return Bad(400, "Malformed request line");
  request.method = line.substr(0, sp1);
  request.target = line.substr(sp1 + 1, sp2 - sp1 - 1);
  const std::string version = line.substr(sp2 + 1);
  if (!IsToken(request.method) || request.target.empty() || request.target[0] != '/')
    return Bad(400, "Malformed request line");
  if (version == "HTTP/1.0") {
    request.http10 = true;
  } else if (version != "HTTP/1.1") {
    return Bad(505, "Only HTTP/1.0 and HTTP/1.1 are served");
  }
  request.path = request.target.substr(0, request.target.find('?'));

  size_t at = line_end + 2;
  while (at < end + 2) {
    line_end = bytes.find("\r\n", at);
    const std::string header = bytes.substr(at, line_end - at);
    at = line_end + 2;
    const size_t colon = header.find(':');
    if (colon == std::string::npos || !IsToken(header.substr(0, colon)))
      return Bad(400, "Malformed header line");
    if (request.headers.size() >= kMaxHeaderCount) return Bad(431, "Too many headers");
    const std::string name = LowerAscii(header.substr(0, colon));
    const std::string value = Trim(header.substr(colon + 1));
    if (std::any_of(value.begin(), value.end(), [](char c) { return c != '\t' && IsControl(c); }))
      return Bad(400, "The header " + name + " holds a control character");
    request.headers.emplace_back(name, value);
  }

  const auto hosts = std::count_if(request.headers.begin(), request.headers.end(),
                                   [](const auto& h) { return h.first == "host"; });
  if (hosts > 1) return Bad(400, "Two Host headers");
  if (hosts == 0 && !request.http10) return Bad(400, "An HTTP/1.1 request needs a Host header");
  if (request.HasHeader("transfer-encoding"))
    return Bad(411, "Send the body with Content-Length (Transfer-Encoding is not served)");
  size_t length = 0;
  bool lengthSeen = false;
  for (const auto& h : request.headers) {
    if (h.first != "content-length") continue;
    const std::string& v = h.second;
    if (v.empty() || v.size() > 12 ||
        !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }))
      return Bad(400, "Content-Length is not a number");
    const size_t n = std::stoull(v);
    if (lengthSeen && n != length) return Bad(400, "Two different Content-Length headers");
    length = n;
    lengthSeen = true;
  }
  if (length > maxBody)
    return Bad(413, "The body (" + std::to_string(length) + " bytes) is over the limit of " +
                        SizeInWords(maxBody));
  bool expectContinue = false;
  if (request.HasHeader("expect")) {
    if (LowerAscii(request.Header("expect")) != "100-continue")
      return Bad(417, "Only \"Expect: 100-continue\" is understood");
    // An HTTP/1.0 client knows no interim answers: it sends its body anyway.
    expectContinue = !request.http10;
  }

  bool close = false;
  bool keepAlive = false;
  for (const auto& h : request.headers) {
    if (h.first != "connection") continue;
    for (size_t from = 0; from <= h.second.size();) {
      const size_t comma = std::min(h.second.find(',', from), h.second.size());
      const std::string token = LowerAscii(Trim(h.second.substr(from, comma - from)));
      close = close || token == "close";
      keepAlive = keepAlive || token == "keep-alive";
      from = comma + 1;
    }
  }
  request.keepAlive = !close && (!request.http10 || keepAlive);

  const size_t bodyStart = end + 4;
  if (bytes.size() - bodyStart < length) {
    HttpParseResult r;
    r.headersComplete = true;
    r.expectContinue = expectContinue;
    return r;
  }
  request.body = bytes.substr(bodyStart, length);
  HttpParseResult r;
  r.state = HttpParse::kDone;
  r.used = bodyStart + length;
  return r;
}

const char* HttpReason(int status) {
  switch (status) {
    case 200:
      return "OK";
    case 204:
      return "No Content";
    case 304:
      return "Not Modified";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 409:
      return "Conflict";
    case 411:
      return "Length Required";
    case 413:
      return "Payload Too Large";
    case 415:
      return "Unsupported Media Type";
    case 417:
      return "Expectation Failed";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    case 505:
      return "HTTP Version Not Supported";
    default:
      return "Status";
  }
}

std::string HttpResponseText(int status, const std::string& contentType, const std::string& body,
                             const std::vector<std::pair<std::string, std::string>>& headers,
                             bool keepAlive, bool withBody) {
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " + HttpReason(status) + "\r\n";
  if (!contentType.empty()) out += "Content-Type: " + contentType + "\r\n";
  out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
  for (const auto& h : headers) out += h.first + ": " + h.second + "\r\n";
  out += "\r\n";
  if (withBody) out += body;
  return out;
}
