#include "link/utf8_windows.h"

#ifdef _WIN32
#include <windows.h>
// shellapi.h needs windows.h first.
#include <shellapi.h>

namespace {

// MultiByteToWideChar with `flags` over the whole text; false when it fails.
bool Widen(const std::string& utf8, DWORD flags, std::wstring& wide) {
  wide.clear();
  if (utf8.empty()) return true;
  const int size = static_cast<int>(utf8.size());
  const int n = MultiByteToWideChar(CP_UTF8, flags, utf8.data(), size, nullptr, 0);
  if (n <= 0) return false;
  wide.assign(static_cast<size_t>(n), L'\0');
  return MultiByteToWideChar(CP_UTF8, flags, utf8.data(), size, wide.data(), n) == n;
}

}  // namespace

bool TryWidenUtf8(const std::string& utf8, std::wstring& wide) {
  return Widen(utf8, MB_ERR_INVALID_CHARS, wide);
}

std::wstring WidenUtf8(const std::string& utf8) {
  std::wstring wide;
  if (!Widen(utf8, 0, wide)) wide.clear();
  return wide;
}

std::string NarrowToUtf8(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  const int size = static_cast<int>(wide.size());
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  if (WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), n, nullptr, nullptr) != n)
    return std::string();
  return out;
}

std::vector<std::string> Utf8Arguments(int, char**) {
  std::vector<std::string> out;
  int count = 0;
  wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!args) return out;
  for (int i = 1; i < count; ++i) out.push_back(NarrowToUtf8(args[i]));
  LocalFree(args);
  return out;
}

#else

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
  if (argc < 1 || !argv) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

#endif
