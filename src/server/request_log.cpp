#include "server/request_log.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "link/utf8_file.h"
#include "server/utc_time.h"

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The length of the UTF-8 character starting at `at`, 0 when the bytes there
// are not one (a stray continuation byte, an overlong or cut sequence).
size_t Utf8Length(const std::string& s, size_t at) {
  const unsigned char c = static_cast<unsigned char>(s[at]);
  size_t n = 0;
  unsigned min = 0;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  if (at + n > s.size()) return 0;
  unsigned code = c & (0xFF >> (n + 1));
  for (size_t i = 1; i < n; ++i) {
    const unsigned char d = static_cast<unsigned char>(s[at + i]);
    if ((d & 0xC0) != 0x80) return 0;
    code = (code << 6) | (d & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

}  // namespace

std::string EscapeForLog(const std::string& text, bool spaces, size_t maxBytes) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    const size_t n = Utf8Length(text, i);
    if (i + (n ? n : 1) > maxBytes) {
      out += "...";
      break;
    }
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (n == 0 || c < 0x20 || c == 0x7F || (spaces && c == ' ')) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
      ++i;
    } else if (c == '\\') {
      out += "\\\\";
      ++i;
    } else {
      out.append(text, i, n);
      i += n;
    }
  }
  return out;
}

RequestLog::RequestLog(std::FILE* file) : file_(file) {}

RequestLog::~RequestLog() {
  if (owned_ && file_) std::fclose(file_);
}

std::unique_ptr<RequestLog> RequestLog::Open(const std::string& path, uint64_t maxBytes,
                                             std::string& error) {
  // Binary: Windows' text mode would write CR LF and the cap would miscount.
  std::FILE* f = OpenFileUtf8(path, "ab");
  if (!f) {
    error = std::strerror(errno);
    return nullptr;
  }
  auto log = std::make_unique<RequestLog>(f);
  log->owned_ = true;
  log->path_ = path;
  log->maxBytes_ = maxBytes;
  std::error_code ec;
  const auto size = std::filesystem::file_size(PathOf(path), ec);
  log->size_ = ec ? 0 : size;
  return log;
}

void RequestLog::Line(const std::string& text) {
  Write(UtcNow() + " " + EscapeForLog(text, false, kMaxLineBytes));
}

void RequestLog::Write(std::string line) {
  if (line.size() > kMaxLineBytes) {
    size_t cut = kMaxLineBytes - 3;
    // Back to a character's start.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    line.resize(cut);
    line += "...";
  }
  line += '\n';
  std::lock_guard<std::mutex> lock(mutex_);
  if (maxBytes_ > 0 && size_ > 0 && size_ + line.size() > maxBytes_) Rotate();
  if (!file_) return;
  std::fputs(line.c_str(), file_);
  std::fflush(file_);
  size_ += line.size();
}

// FILE -> FILE.1, and FILE begun anew. Where the old file cannot be renamed
// (held open elsewhere), it is emptied instead: the cap holds either way.
void RequestLog::Rotate() {
  std::fclose(file_);
  std::error_code ec;
  std::filesystem::rename(PathOf(path_), PathOf(path_ + ".1"), ec);
  file_ = OpenFileUtf8(path_, ec ? "wb" : "ab");
  size_ = 0;
  if (!file_) {
    std::fprintf(stderr, "fiscal-server: cannot write the log %s any more: %s\n", path_.c_str(),
                 std::strerror(errno));
    return;
  }
  if (ec) {
    const std::string note = UtcNow() + " the log was full and " + path_ + ".1 could not be " +
                             "replaced (" + EscapeForLog(ec.message(), false) +
                             "): the older lines are gone\n";
    std::fputs(note.c_str(), file_);
    size_ += note.size();
  }
}

uint64_t RequestLog::SizeForTesting() {
  std::lock_guard<std::mutex> lock(mutex_);
  return size_;
}
