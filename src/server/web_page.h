#pragma once

#include <string>

#include "server/api.h"

// The server's own page: GET / (index.html) and the files it loads
// (/style.css, /app.js …), from the files built into the program. Each is
// served with its type and the headers that keep the page to itself:
// nothing from elsewhere may run in it (Content-Security-Policy), no other
// site may frame it (so no page can trick a click on its Z report button),
// no address leaks to other sites, and a new version of the program is never
// answered from a stale cache: "no-cache" with an ETag (the file's digest), so
// the browser asks each time and gets 304 while the file is the same.
//
// The page needs no token to load: it holds no data, and asks for the token
// before its first request (every JSON request still needs it).

// True when `request` names a page file (GET or HEAD): `out` is the answer
// (200, 304 on a matching If-None-Match, 405 for another method).
bool ServeWebPage(const ApiRequest& request, ApiResponse& out);

// The headers every page file is served with (tests check them).
extern const char* const kWebPageCsp;
