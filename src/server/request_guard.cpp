#include "server/request_guard.h"

#include <algorithm>

#include "server/http_request.h"

namespace {

constexpr int kForbidden = 403;
constexpr int kUnsupportedType = 415;
constexpr int kNoContent = 204;

bool IsIpv4(const std::string& s) {
  int parts = 0;
  size_t i = 0;
  while (i <= s.size()) {
    size_t digits = 0;
    int value = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && digits < 4) {
      value = value * 10 + (s[i] - '0');
      ++digits;
      ++i;
    }
    if (digits == 0 || value > 255) return false;
    ++parts;
    if (i == s.size()) break;
    if (s[i] != '.') return false;
    ++i;
  }
  return parts == 4;
}

bool IsIpv6(const std::string& s) {
  if (s.find(':') == std::string::npos) return false;
  return std::all_of(s.begin(), s.end(), [](char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || c == ':' || c == '.';
  });
}

bool Contains(const std::vector<std::string>& list, const std::string& value, bool anyCase) {
  for (const auto& item : list)
    if (anyCase ? LowerAscii(item) == LowerAscii(value) : item == value) return true;
  return false;
}

}  // namespace

std::string HostOfHeader(const std::string& value) {
  const std::string v = LowerAscii(value);
  if (!v.empty() && v[0] == '[') {
    const size_t close = v.find(']');
    return close == std::string::npos ? v : v.substr(1, close - 1);
  }
  const size_t colon = v.find(':');
  return colon == std::string::npos ? v : v.substr(0, colon);
}

GuardVerdict CheckRequest(const GuardPolicy& policy, const GuardInput& in) {
  GuardVerdict v;
  if (!in.host.empty()) {
    const std::string host = HostOfHeader(in.host);
    if (!(host == "localhost" || IsIpv4(host) || IsIpv6(host) ||
          Contains(policy.allowedHosts, host, true))) {
      v.status = kForbidden;
      v.code = "host";
      v.text = "Host \"" + in.host +
               "\" does not name this server (allow it with --allow-host or \"allowedHosts\")";
      return v;
    }
  }
  // The server's own page: same scheme, host and port as the request names.
  const bool ownOrigin =
      in.hasOrigin && !in.host.empty() &&
      LowerAscii(in.origin) == (in.https ? "https://" : "http://") + LowerAscii(in.host);
  if (in.hasOrigin && !ownOrigin) {
    if (!Contains(policy.allowedOrigins, in.origin, false)) {
      v.status = kForbidden;
      v.code = "origin";
      v.text = "Requests from the web page at \"" + in.origin +
               "\" are not allowed (allow it with --allow-origin or \"allowedOrigins\")";
      return v;
    }
    v.headers = {{"Access-Control-Allow-Origin", in.origin}, {"Vary", "Origin"}};
  }
  if (in.method == "OPTIONS") {
    if (!in.hasOrigin) {
      v.status = kForbidden;
      v.code = "origin";
      v.text = "OPTIONS answers only a web page's preflight (with Origin)";
      return v;
    }
    v.status = kNoContent;
    v.headers.emplace_back("Access-Control-Allow-Methods", "GET, POST");
    v.headers.emplace_back("Access-Control-Allow-Headers", "Content-Type, Authorization");
    v.headers.emplace_back("Access-Control-Max-Age", "600");
    return v;
  }
  if (in.method != "GET" && (in.hasBody || !in.contentType.empty())) {
    const std::string type = LowerAscii(in.contentType.substr(0, in.contentType.find(';')));
    const auto end = type.find_last_not_of(" \t");
    if (type.substr(0, end == std::string::npos ? 0 : end + 1) != "application/json") {
      v.status = kUnsupportedType;
      v.code = "contentType";
      v.text = "A request with a body must be sent as Content-Type: application/json";
      return v;
    }
  }
  return v;
}
