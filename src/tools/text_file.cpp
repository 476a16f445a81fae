// Whole-file reads and replacing writes.
#include "tools/text_file.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

// Files larger than this are not backups or tables of this program.
constexpr std::uintmax_t kMaxFileBytes = 16u << 20;

std::filesystem::path PathOf(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& text, std::string& error) {
  std::error_code ec;
  const auto p = PathOf(path);
  const auto size = std::filesystem::file_size(p, ec);
  if (!ec && size > kMaxFileBytes) {
    error = "\"" + path + "\" is too large";
    return false;
  }
  std::ifstream in(p, std::ios::binary);
  if (!in) {
    error = "cannot read \"" + path + "\"";
    return false;
  }
  text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (in.bad()) {
    error = "cannot read \"" + path + "\"";
    return false;
  }
  return true;
}

bool WriteWholeFile(const std::string& path, const std::string& text, std::string& error) {
  const auto target = PathOf(path);
  auto temp = target;
  temp += ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (out) out.write(text.data(), static_cast<std::streamsize>(text.size()));
    if (out) out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      error = "cannot write \"" + path + "\"";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, target, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    error = "cannot write \"" + path + "\": " + ec.message();
    return false;
  }
  return true;
}
