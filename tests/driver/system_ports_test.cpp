#include "driver/system_ports.h"

#include <gtest/gtest.h>

// The names Windows gives its ports in HARDWARE\DEVICEMAP\SERIALCOMM, and what
// else a driver may have written there.
TEST(SystemPorts, ComNumberOfReadsOnlyPortNamesPortMapCanNumber) {
  const struct {
    const char* name;
    int number;
  } rows[] = {
      {"COM1", 1},        {"COM12", 12}, {"com7", 7},    {"CoM255", 255}, {"COM007", 7},
      {"COM0", 0},        {"COM256", 0}, {"COM1000", 0}, {"COM", 0},      {"", 0},
      {"COM1 ", 0},       {"COM-1", 0},  {"COMx", 0},    {"LPT1", 0},     {"\\Device\\Serial0", 0},
      {"COM\xd0\x86", 0},
  };
  for (const auto& row : rows) EXPECT_EQ(ComNumberOf(row.name), row.number) << row.name;
}
