// The distributor switch as Windows keeps it: a value in the current user's
// registry, read as its first four bytes whatever type it was stored as.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "app/distributor.h"

namespace {

constexpr const char* kKey = "Software\\Dravel\\NFPService";

class DistributorRegistry : public ::testing::Test {
 protected:
  void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }
  void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, kKey); }

  void Store(DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Distributor", 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
};

TEST_F(DistributorRegistry, MissingKeyOrValueIsOff) {
  EXPECT_FALSE(ReadDistributorMode());
  const DWORD one = 1;
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "Other", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);
  EXPECT_FALSE(ReadDistributorMode());
}

TEST_F(DistributorRegistry, NumberDecides) {
  const struct {
    uint32_t value;
    bool on;
  } cases[] = {{1, true}, {0, false}, {7, true}, {0x80000000u, true}};
  for (const auto& c : cases) {
    Store(REG_DWORD, &c.value, sizeof c.value);
    EXPECT_EQ(ReadDistributorMode(), c.on) << c.value;
  }
}

TEST_F(DistributorRegistry, StoredTypeIsIgnoredAndLongValuesReadAsOff) {
  Store(REG_SZ, "1", 2);  // the bytes '1' and 0: non-zero
  EXPECT_TRUE(ReadDistributorMode());
  const uint8_t zeros[4] = {0, 0, 0, 0};
  Store(REG_BINARY, zeros, sizeof zeros);
  EXPECT_FALSE(ReadDistributorMode());
  const uint8_t two[2] = {1, 0};  // shorter than four bytes: the rest stays zero
  Store(REG_BINARY, two, sizeof two);
  EXPECT_TRUE(ReadDistributorMode());
  const uint64_t wide = 1;  // does not fit the four bytes: the query fails
  Store(REG_QWORD, &wide, sizeof wide);
  EXPECT_FALSE(ReadDistributorMode());
}

}  // namespace
