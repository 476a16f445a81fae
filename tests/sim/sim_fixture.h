#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "driver/cp1251.h"
#include "driver/text.h"
#include "sim/sim_client.h"
#include "sim/sim_server.h"

// A simulated printer on a real pseudo-terminal and a minimal frame client on
// its host end. Texts given to Run are UTF-8 and go out as Windows-1251; reply
// data comes back as Windows-1251 (U converts for assertions).
class SimTest : public ::testing::Test {
 protected:
  explicit SimTest(SimOptions options = {}) : options_(options) {}
  void SetUp() override { Start(); }

  void Start() {
    client_.reset();
    sim_ = std::make_unique<SimServer>(options_);
    client_ = std::make_unique<SimClient>(sim_->Path());
    ASSERT_TRUE(client_->IsOpen());
  }
  void Restart() {
    client_.reset();
    sim_.reset();
    Start();
  }

  SimClient::Reply Run(uint8_t cmd, const std::string& utf8 = "") {
    return client_->Transact(cmd, Utf8ToCp1251Lossy(utf8));
  }
  // The ACK code of a command ("" when the reply was not an ACK).
  std::string Code(uint8_t cmd, const std::string& utf8 = "") {
    const auto r = Run(cmd, utf8);
    return r.kind == SimClient::Reply::kAck ? r.code : "not an ACK";
  }
  // The data of a command's data reply ("" when the reply was not data).
  std::string Data(uint8_t cmd, const std::string& utf8 = "") {
    const auto r = Run(cmd, utf8);
    EXPECT_EQ(r.kind, SimClient::Reply::kData) << "command " << int(cmd) << " code " << r.code;
    return r.data;
  }
  static std::string U(const std::string& cp1251) { return Cp1251ToUtf8(cp1251); }
  DeviceState State() {
    return sim_->WithDevice([](SimDevice& d) { return d.State(); });
  }
  std::array<bool, 32> Flags() { return sim_->Flags(); }

  // Opens a fiscal receipt for operator 1 (password 1).
  void OpenReceipt(bool vat = true) { ASSERT_EQ(Code(0x30, vat ? "1;1;0;1" : "1;1;0;0"), "00"); }

  SimOptions options_;
  std::unique_ptr<SimServer> sim_;
  std::unique_ptr<SimClient> client_;
};
