#include "server/web_page.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "server/web_files.h"

namespace {

constexpr int kOk = 200;
constexpr int kNotModified = 304;
constexpr int kBadMethod = 405;

struct TypeOf {
  const char* ending;
  const char* type;
};

constexpr TypeOf kTypes[] = {
    {".html", "text/html; charset=utf-8"},
    {".css", "text/css; charset=utf-8"},
    {".js", "text/javascript; charset=utf-8"},
    {".svg", "image/svg+xml"},
    {".png", "image/png"},
};

bool EndsWith(const std::string& s, const char* ending) {
  const size_t n = std::strlen(ending);
  return s.size() >= n && s.compare(s.size() - n, n, ending) == 0;
}

const char* ContentTypeOf(const std::string& name) {
  for (const auto& t : kTypes)
    if (EndsWith(name, t.ending)) return t.type;
  return "application/octet-stream";
}

// FNV-1a over the bytes: enough to tell two versions of a file apart.
std::string Etag(const WebFile& file) {
  uint64_t h = 14695981039346656037ull;
  for (size_t i = 0; i < file.size; ++i) {
    h ^= file.data[i];
    h *= 1099511628211ull;
  }
  char buf[24];
  std::snprintf(buf, sizeof buf, "\"%016llx\"", static_cast<unsigned long long>(h));
  return buf;
}

const WebFile* FileFor(const std::string& path) {
  const std::string name = path == "/" ? "index.html" : path.substr(1);
  // Only a plain file name: no folders, nothing hidden.
  if (path.empty() || path[0] != '/' || name.empty() || name[0] == '.' ||
      name.find('/') != std::string::npos)
    return nullptr;
  for (size_t i = 0; i < kWebFileCount; ++i)
    if (name == kWebFiles[i].name) return &kWebFiles[i];
  return nullptr;
}

}  // namespace

const char* const kWebPageCsp = "default-src 'self'";

bool ServeWebPage(const ApiRequest& request, ApiResponse& out) {
  const WebFile* file = FileFor(request.path);
  if (!file) return false;
  out = ApiResponse{};
  out.ok = true;
  out.headers = {{"Content-Security-Policy", kWebPageCsp},
                 {"X-Frame-Options", "DENY"},
                 {"Referrer-Policy", "no-referrer"},
                 {"X-Content-Type-Options", "nosniff"},
                 {"Cache-Control", "no-cache"}};
  if (request.method != "GET" && request.method != "HEAD") {
    out.status = kBadMethod;
    out.ok = false;
    out.contentType = "text/plain; charset=utf-8";
    out.body = "GET " + request.path + "\n";
    return true;
  }
  const std::string etag = Etag(*file);
  out.headers.emplace_back("ETag", etag);
  if (request.ifNoneMatch == etag) {
    out.status = kNotModified;
    return true;
  }
  out.status = kOk;
  out.contentType = ContentTypeOf(file->name);
  // HEAD gets the same answer: the HTTP side leaves its body out.
  out.body.assign(reinterpret_cast<const char*>(file->data), file->size);
  return true;
}
