// Whole-file reads and replacing writes.
#include "tools/text_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "link/utf8_file.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Files larger than this are not backups or tables of this program.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;
constexpr const char* kPartSuffix = ".part";

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Quoted(const std::string& path) {
  return "„" + path + "“";
}

std::string CannotWrite(const std::string& path, const std::string& reason) {
  return "файлът " + Quoted(path) + " не може да бъде записан: " + reason;
}

// Opens a new file for writing, replacing one of that name.
std::FILE* Create(const std::string& path, FileAccess access) {
#ifndef _WIN32
  if (access == FileAccess::kOwnerOnly) {
    ::unlink(path.c_str());  // an old file keeps its permissions: start afresh
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "wb");
    if (!f) ::close(fd);
    return f;
  }
#endif
  (void)access;
  return OpenFileUtf8(path, "wb");
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
  std::error_code ec;
  const auto p = PathOf(path);
  if (std::filesystem::is_directory(p, ec)) {
    error = "файлът " + Quoted(path) + " не може да бъде прочетен: това е папка";
    return false;
  }
  const auto size = std::filesystem::file_size(p, ec);
  if (!ec && size > kMaxFileBytes) {
    error = "файлът " + Quoted(path) + " е твърде голям";
    return false;
  }
  std::FILE* f = OpenFileUtf8(path, "rb");
  if (!f) {
    error = "файлът " + Quoted(path) + " не може да бъде прочетен: " + std::strerror(errno);
    return false;
  }
  text.clear();
  char buf[65536];
  for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
  const bool bad = std::ferror(f) != 0;
  const int saved = errno;
  std::fclose(f);
  if (bad) {
    error = "файлът " + Quoted(path) + " не може да бъде прочетен: " + std::strerror(saved);
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error,
                    FileAccess access) {
  std::error_code ec;
  if (std::filesystem::is_directory(PathOf(path), ec)) {
    error = CannotWrite(path, "това е папка");
    return false;
  }
  const std::string temp = path + kPartSuffix;
  std::FILE* f = Create(temp, access);
  if (!f) {
    error = CannotWrite(path, std::strerror(errno));
    return false;
  }
  const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const int writeErrno = errno;
  const bool closed = std::fclose(f) == 0;
  const int closeErrno = errno;
  std::error_code ignored;
  if (!written || !closed) {
    std::filesystem::remove(PathOf(temp), ignored);
    error = CannotWrite(path, std::strerror(written ? closeErrno : writeErrno));
    return false;
  }
  std::filesystem::rename(PathOf(temp), PathOf(path), ec);
  if (ec) {
    std::filesystem::remove(PathOf(temp), ignored);
    error = CannotWrite(path, ec.message());
    return false;
  }
  return true;
}

bool CheckWritable(const std::string& path, std::string& error) {
  std::error_code ec;
  if (std::filesystem::is_directory(PathOf(path), ec)) {
    error = CannotWrite(path, "това е папка");
    return false;
  }
  const std::string temp = path + kPartSuffix;
  std::FILE* f = Create(temp, FileAccess::kOwnerOnly);
  if (!f) {
    error = CannotWrite(path, std::strerror(errno));
    return false;
  }
  std::fclose(f);
  std::error_code ignored;
  std::filesystem::remove(PathOf(temp), ignored);
  return true;
}
