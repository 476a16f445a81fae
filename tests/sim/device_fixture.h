#pragma once

// The simulated printer's device model driven without a line, for tests of its
// arithmetic and its documents.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/cp1251.h"
#include "driver/text.h"
#include "sim/money.h"
#include "sim/sim_device.h"

// The device model without a line: commands go straight to Execute.
class Device {
 public:
  explicit Device(DeviceState s = SimDevice::SampleState(42)) : d_(std::move(s)) {}

  // The ACK code of a command, "data" for a data reply. Texts are UTF-8.
  std::string Code(uint8_t cmd, const std::string& utf8 = "") {
    const auto r = d_.Execute(cmd, Utf8ToCp1251Lossy(utf8));
    return r.data ? "data" : r.payload;
  }
  // The data of a data reply (Windows-1251), "" for an ACK.
  std::string Data(uint8_t cmd, const std::string& utf8 = "") {
    const auto r = d_.Execute(cmd, Utf8ToCp1251Lossy(utf8));
    EXPECT_TRUE(r.data) << "command " << int(cmd) << " answered " << r.payload;
    return r.data ? r.payload : "";
  }
  void Open() { ASSERT_EQ(Code(0x30, "1;1;0;1"), "00"); }
  // Pays the rest by card and closes.
  void PayAndClose() {
    const std::string rest = Data(0x33, "0;0");
    if (FieldDouble(rest, 0, rest.size() - 1) > 0) {
      ASSERT_EQ(Code(0x35, "1;0;" + rest + ";0;"), "00");
    }
    ASSERT_EQ(Code(0x38), "00");
  }
  std::string Paper() { return d_.Roll().Text(); }
  DeviceState& S() { return d_.State(); }
  SimDevice& D() { return d_; }

 private:
  SimDevice d_;
};

// Printed lines of the paper (UTF-8).
inline std::vector<std::string> PaperLines(const std::string& utf8) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t nl; (nl = utf8.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(utf8.substr(start, nl - start));
  return lines;
}
