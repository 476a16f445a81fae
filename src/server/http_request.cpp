#include "server/http_request.h"

#include <algorithm>

namespace {

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

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

HttpParseResult ParseHttpRequest(const std::string& bytes, size_t maxBody, HttpRequest& request) {
  // Blank lines before a request are allowed (some clients send one after a body).
  size_t start = 0;
  while (start + 1 < bytes.size() && bytes[start] == '\r' && bytes[start + 1] == '\n') start += 2;
  const size_t end = bytes.find("\r\n\r\n", start);
  if (end == std::string::npos) {
    if (bytes.size() - start > kMaxHeaderBytes)
      return Bad(431, "The request's headers are too long");
    return HttpParseResult{};
  }
  if (end - start > kMaxHeaderBytes) return Bad(431, "The request's headers are too long");
  request = HttpRequest{};
  size_t line_end = bytes.find("\r\n", start);
  const std::string line = bytes.substr(start, line_end - start);
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
    request.headers.emplace_back(Lower(header.substr(0, colon)), Trim(header.substr(colon + 1)));
  }

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
  if (length > maxBody) return Bad(413, "The body is over 64 KiB");

  const size_t bodyStart = end + 4;
  if (bytes.size() - bodyStart < length) return HttpParseResult{};
  request.body = bytes.substr(bodyStart, length);
  const std::string connection = Lower(request.Header("connection"));
  request.keepAlive = request.http10 ? connection == "keep-alive" : connection != "close";
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
                             bool keepAlive) {
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " + HttpReason(status) + "\r\n";
  if (!contentType.empty()) out += "Content-Type: " + contentType + "\r\n";
  out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  out += keepAlive ? "Connection: keep-alive\r\n" : "Connection: close\r\n";
  for (const auto& h : headers) out += h.first + ": " + h.second + "\r\n";
  out += "\r\n";
  out += body;
  return out;
}
