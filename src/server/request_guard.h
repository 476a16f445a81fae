#pragma once

#include <string>
#include <utility>
#include <vector>

// What a web page in the shop's browser must not be able to do: reach the
// server under a name of its own (DNS rebinding), send a state-changing
// request from another site, or read an answer it was not allowed to read.
//
//  - `Host` must name this server: an address written as digits (IPv4 or
//    IPv6), "localhost", or a name in `allowedHosts`;
//  - an `Origin` (browsers send it with every cross-site and every POST
//    request) must be in `allowedOrigins`, exactly ("http://pos.example:8080"),
//    or be the server's own: the scheme it is reached by and the Host the
//    request names ("http://127.0.0.1:8001" with Host 127.0.0.1:8001), which
//    is its own page's; that Host has passed the check above, so a page that
//    points a name of its own at the server is refused there;
//  - a POST with a body must say `Content-Type: application/json` (a page can
//    send text/plain or a form across sites without asking first; JSON it
//    cannot);
//  - a CORS preflight (OPTIONS) is answered only for an allowed origin, and
//    only answers to allowed origins carry Access-Control-Allow-Origin.
struct GuardPolicy {
  std::vector<std::string> allowedHosts;
  std::vector<std::string> allowedOrigins;
};

struct GuardInput {
  std::string method;
  std::string host;  // the Host header ("" when absent)
  bool hasOrigin = false;
  std::string origin;
  std::string contentType;  // "" when absent
  bool hasBody = false;
  bool https = false;  // reached over TLS
};

struct GuardVerdict {
  int status = 0;  // 0: go on; otherwise answer this status at once
  std::string code;
  std::string text;
  std::vector<std::pair<std::string, std::string>> headers;  // CORS, for every answer
};

GuardVerdict CheckRequest(const GuardPolicy& policy, const GuardInput& in);

// The host part of a Host header value ("[::1]:8001" -> "::1", "a:1" -> "a").
std::string HostOfHeader(const std::string& value);
