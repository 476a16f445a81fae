// The Windows-1251 conversions at the edges of the program.
//
// Invariants: every Windows-1251 text survives the round trip through UTF-8;
// a UTF-8 text that converts converts back to itself; the lossy conversion
// never grows a text beyond its UTF-8 length.
#include <cstdint>

#include "driver/cp1251.h"
#include "fuzz/require.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string utf8 = Cp1251ToUtf8(bytes);
  const auto back = Utf8ToCp1251(utf8);
  // 0x98 is the one byte Windows-1251 leaves undefined; it may not come back.
  if (bytes.find('\x98') == std::string::npos)
    Require(back && *back == bytes, "Windows-1251 round trip");
  if (const auto cp = Utf8ToCp1251(bytes)) {
    Require(cp->size() <= bytes.size(), "conversion grows");
    Require(Cp1251ToUtf8(*cp) == bytes, "UTF-8 round trip");
  }
  Require(Utf8ToCp1251Lossy(bytes).size() <= bytes.size(), "lossy conversion grows");
  return 0;
}
