#include "driver/system_ports.h"

#include <algorithm>
#include <cctype>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
constexpr int kHighestCom = 255;
constexpr size_t kMostDigits = 3;
}  // namespace

int ComNumberOf(const std::string& name) {
  if (name.size() < 4 || name.size() > 3 + kMostDigits) return 0;
  for (size_t i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  int n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n >= 1 && n <= kHighestCom ? n : 0;
}

std::vector<int> SystemComPorts() {
  std::vector<int> ports;
#ifdef _WIN32
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return ports;
  for (DWORD index = 0;; ++index) {
    wchar_t valueName[256];
    DWORD nameLength = 256;
    wchar_t data[32] = {};
    DWORD type = 0;
    DWORD dataBytes = sizeof data - sizeof(wchar_t);  // room for the ending zero
    const LONG r = RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data), &dataBytes);
    if (r == ERROR_NO_MORE_ITEMS) break;
    if (r != ERROR_SUCCESS || type != REG_SZ) continue;  // a name too long for us is no port
    std::string name;
    for (const wchar_t* c = data; *c; ++c) name += *c < 0x80 ? static_cast<char>(*c) : '?';
    if (const int n = ComNumberOf(name)) ports.push_back(n);
  }
  RegCloseKey(key);
#endif
  std::sort(ports.begin(), ports.end());
  ports.erase(std::unique(ports.begin(), ports.end()), ports.end());
  return ports;
}
