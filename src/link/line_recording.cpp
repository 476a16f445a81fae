#include "link/line_recording.h"

#include <cerrno>
#include <cstring>
#include <sstream>

#include "link/private_file.h"

namespace {

constexpr const char* kHeader = "# fiscal-service line recording 1\n";

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseNumber(const std::string& word, int64_t max, int64_t& out) {
  if (word.empty() || word.size() > 12) return false;
  int64_t v = 0;
  for (char c : word) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v > max) return false;
  out = v;
  return true;
}

}  // namespace

std::string FormatRecordedChunk(const RecordedChunk& chunk) {
  static const char kDigits[] = "0123456789abcdef";
  std::string s =
      std::to_string(chunk.ms) + ' ' + std::to_string(chunk.port) + (chunk.sent ? " >" : " <");
  for (const char c : chunk.bytes) {
    const auto u = static_cast<unsigned char>(c);
    s += ' ';
    s += kDigits[u >> 4];
    s += kDigits[u & 0x0F];
  }
  return s;
}

bool ParseRecording(const std::string& text, std::vector<RecordedChunk>& chunks,
                    std::string& error) {
  std::vector<RecordedChunk> out;
  std::istringstream in(text);
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    std::istringstream words(line);
    std::string ms, port, dir, byte;
    RecordedChunk chunk;
    int64_t v = 0;
    const auto bad = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    if (!(words >> ms >> port >> dir)) return bad("expected TIME PORT >|< BYTES");
    if (!ParseNumber(ms, INT64_C(999999999999), v)) return bad("bad time \"" + ms + "\"");
    chunk.ms = v;
    if (!ParseNumber(port, 255, v)) return bad("bad port \"" + port + "\"");
    chunk.port = static_cast<int>(v);
    if (dir != ">" && dir != "<") return bad("expected > or <, not \"" + dir + "\"");
    chunk.sent = dir == ">";
    while (words >> byte) {
      if (byte.size() != 2 || HexDigit(byte[0]) < 0 || HexDigit(byte[1]) < 0)
        return bad("bad byte \"" + byte + "\"");
      chunk.bytes += static_cast<char>(HexDigit(byte[0]) * 16 + HexDigit(byte[1]));
    }
    if (chunk.bytes.empty()) return bad("no bytes");
    out.push_back(std::move(chunk));
  }
  chunks = std::move(out);
  return true;
}

LineRecorder::~LineRecorder() {
  hook_.reset();
  if (file_) std::fclose(file_);
}

bool LineRecorder::Start(const std::string& path, std::string& error) {
  // Owner-only: the line carries the operators' and the service passwords.
  std::FILE* f = OpenPrivateFileUtf8(path, "wb");
  if (!f) {
    error = "cannot create \"" + path + "\": " + std::strerror(errno);
    return false;
  }
  if (std::fputs(kHeader, f) < 0 || std::fflush(f) != 0) {
    error = "cannot write \"" + path + "\": " + std::strerror(errno);
    std::fclose(f);
    return false;
  }
  hook_.reset();
  if (file_) std::fclose(file_);
  file_ = f;
  writeError_.clear();
  start_ = std::chrono::steady_clock::now();
  hook_ = std::make_unique<ScopedSerialTrace>(
      [this](int port, bool sent, const std::string& bytes) { Write(port, sent, bytes); });
  return true;
}

void LineRecorder::Write(int port, bool sent, const std::string& bytes) {
  if (!file_ || !writeError_.empty() || bytes.empty()) return;
  RecordedChunk c;
  c.ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
             .count();
  c.port = port;
  c.sent = sent;
  c.bytes = bytes;
  const std::string line = FormatRecordedChunk(c) + '\n';
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size() || std::fflush(file_) != 0)
    writeError_ = std::strerror(errno);
}
