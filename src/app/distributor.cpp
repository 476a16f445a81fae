#include "app/distributor.h"

#include <wx/config.h>

#ifdef _WIN32
#include <windows.h>

#include <cstdint>
#endif

bool ReadDistributorMode(wxConfigBase& config) {
  long value = 0;
  if (!config.Read("Distributor", &value)) value = 0;
  return value != 0;
}

#ifdef _WIN32
// The value's first four bytes as a 32-bit number, whatever type it was stored
// as; a missing key or value, or one longer than four bytes, reads as 0.
bool ReadDistributorMode() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Dravel\\NFPService", 0, KEY_QUERY_VALUE, &key) !=
      ERROR_SUCCESS)
    return false;
  uint32_t value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExA(key, "Distributor", nullptr, nullptr, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS)
    value = 0;
  RegCloseKey(key);
  return value != 0;
}
#else
bool ReadDistributorMode() {
  wxConfig config("NFPService", "Dravel", wxEmptyString, wxEmptyString, wxCONFIG_USE_LOCAL_FILE);
  return ReadDistributorMode(config);
}
#endif
