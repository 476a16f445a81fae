#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "link/settings.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

// A FiscalPrinter talking to a scripted device: by default a fiscalized printer
// with its factory numbers written, counting money with two decimals, whose
// clock reads `clock`. Tests change the standing status with SetFlags, or queue
// one-off status replies with QueueStatus (queued replies come first).
class PrinterScript : public ::testing::Test {
 protected:
  static constexpr int kPort = 9;
  using Reply = FakeDevice::Reply;

  void SetUp() override {
    dev.MapTo(kPort);
    dev.SetHandler([this](const FakeDevice::ReceivedFrame& f) { return Answer(f); });
    printer = std::make_unique<FiscalPrinter>(&ui, kPort);
    ASSERT_TRUE(printer->IsConnected());
    printer->SetTimeouts(FastTimeouts());
    dev.ClearRecords();
  }

  static LinkTimeouts FastTimeouts() {
    LinkTimeouts t;
    t.checkLink = 300;
    t.linkSeries = 400;
    t.reply = 300;
    return t;
  }

  // The status bytes of a fiscalized printer with factory numbers and `extra`.
  static std::string Status(std::vector<int> extra = {}) {
    extra.push_back(Flag::kFiscalized);
    extra.push_back(Flag::kFactoryNumbers);
    return FakeDevice::StatusBytes(extra);
  }

  void SetFlags(std::vector<int> extra) {
    std::lock_guard<std::mutex> lock(mu_);
    status_ = Status(std::move(extra));
  }
  void SetDecimalMode(char mode) {
    std::lock_guard<std::mutex> lock(mu_);
    mode_ = mode;
  }
  void SetClock(const std::string& text) {
    std::lock_guard<std::mutex> lock(mu_);
    clock_ = text;
  }
  void QueueStatus(std::vector<int> extra) {
    dev.Queue(0x20, Reply::Data(Status(std::move(extra))));
  }

  std::vector<uint8_t> Commands() const { return dev.Commands(); }
  // Data of the `nth` frame (0-based) with command `cmd`, or "<none>".
  std::string DataOf(uint8_t cmd, int nth = 0) const {
    for (const auto& f : dev.Frames())
      if (f.cmd == cmd && nth-- == 0) return f.data;
    return "<none>";
  }
  int CountOf(uint8_t cmd) const {
    int n = 0;
    for (const auto& f : dev.Frames()) n += f.cmd == cmd;
    return n;
  }
  std::vector<std::string> PromptTexts() const {
    std::vector<std::string> texts;
    for (const auto& p : ui.prompts) texts.push_back(p.text);
    return texts;
  }

  FakeDevice dev;
  ScriptedUi ui;
  std::unique_ptr<FiscalPrinter> printer;

 private:
  Reply Answer(const FakeDevice::ReceivedFrame& f) {
    std::lock_guard<std::mutex> lock(mu_);
    switch (f.cmd) {
      case 0x20:
        return Reply::Data(status_);
      case 0x63:
        return Reply::Data(std::string(1, mode_));
      case 0x68:
        return Reply::Data(clock_);
      default:
        return Reply::Ack("00");
    }
  }

  std::mutex mu_;
  std::string status_ = Status();
  char mode_ = '2';
  std::string clock_ = "07-12-2026 10:15";
};

// Puts `text` into `s` at 0-based position `pos` (growing `s` with ';').
inline void Put(std::string& s, size_t pos, const std::string& text) {
  if (s.size() < pos + text.size()) s.resize(pos + text.size(), ';');
  s.replace(pos, text.size(), text);
}
