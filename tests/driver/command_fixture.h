#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

// A FiscalPrinter on a scripted fake device, for the command tests. The device
// starts with an all-clear status except that its factory numbers are written
// and it is fiscalized, so most commands pass their status check.
class ScriptedPrinterTest : public ::testing::Test {
 protected:
  static constexpr int kPort = 7;
  static constexpr int kFlagClockNotSet = 3;
  static constexpr int kFlagRamReset = 5;
  static constexpr int kFlagFiscalized = 23;
  static constexpr int kFlagFactoryNumbers = 24;

  void SetUp() override {
    device.MapTo(kPort);
    device.SetFlag(kFlagFactoryNumbers, true);
    device.SetFlag(kFlagFiscalized, true);
    printer = std::make_unique<FiscalPrinter>(&ui, kPort);
    ASSERT_TRUE(printer->IsConnected());
    LinkTimeouts t;
    t.checkLink = 500;
    t.linkSeries = 700;
    t.reply = 700;
    printer->SetTimeouts(t);
  }

  // The frames the printer received, status reads left out.
  std::vector<FakeDevice::ReceivedFrame> Sent() const {
    std::vector<FakeDevice::ReceivedFrame> out;
    for (const auto& f : device.Frames())
      if (f.cmd != 0x20) out.push_back(f);
    return out;
  }
  // Command bytes of Sent(), as a string for readable comparisons.
  std::string SentCommands() const {
    std::string out;
    for (const auto& f : Sent()) out += static_cast<char>(f.cmd);
    return out;
  }
  // Data of the one frame with command byte `cmd`; fails the test otherwise.
  std::string DataOf(uint8_t cmd) const {
    std::vector<std::string> found;
    for (const auto& f : Sent())
      if (f.cmd == cmd) found.push_back(f.data);
    EXPECT_EQ(found.size(), 1u) << "frames with command 0x" << std::hex << int{cmd};
    return found.empty() ? std::string() : found.front();
  }

  FakeDevice device;
  ScriptedUi ui;
  std::unique_ptr<FiscalPrinter> printer;
};

// Windows-1251 bytes of a UTF-8 literal (the test's own texts are all encodable).
inline std::string Cp(const std::string& utf8) {
  return Utf8ToCp1251(utf8).value_or("?");
}
