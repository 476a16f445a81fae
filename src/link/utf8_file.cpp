#include "link/utf8_file.h"

#ifdef _WIN32
#include <windows.h>

#include <cerrno>
#include <cwchar>

namespace {

// UTF-16 form of a UTF-8 text; false when the text is not valid UTF-8.
bool Widen(const std::string& utf8, std::wstring& wide) {
  if (utf8.empty()) {
    wide.clear();
    return true;
  }
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                    static_cast<int>(utf8.size()), nullptr, 0);
  if (n <= 0) return false;
  wide.assign(static_cast<size_t>(n), L'\0');
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                             static_cast<int>(utf8.size()), wide.data(), n) == n;
}

}  // namespace

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
  std::wstring widePath, wideMode;
  // A name that is not UTF-8 came from somewhere that already speaks the
  // ANSI code page: let the C library read it as such.
  if (!Widen(path, widePath) || !Widen(mode, wideMode)) return std::fopen(path.c_str(), mode);
  if (path.find('\0') != std::string::npos) {
    errno = EINVAL;
    return nullptr;
  }
  return _wfopen(widePath.c_str(), wideMode.c_str());
}

#else

std::FILE* OpenFileUtf8(const std::string& path, const char* mode) {
  return std::fopen(path.c_str(), mode);
}

#endif
