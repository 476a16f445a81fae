#pragma once

// Fixtures for dialog tests that talk to a printer on a pseudo-terminal. Each
// test starts with a port map that holds only its printer and with short link
// time-outs for the dialogs; afterwards what is still queued runs and both are
// put back.

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "dialogs/dialog_printer.h"
#include "gui_test_support.h"
#include "link/settings.h"
#include "sim/sim_server.h"
#include "support/fake_device.h"
#include "support/scripted_ui.h"

class DialogLinkTest : public ::testing::Test {
 protected:
  // `checkLink` and `reply` in milliseconds; a link series lasts as long as a reply.
  DialogLinkTest(int port, int checkLink, int reply) : port_(port) {
    timeouts_.checkLink = checkLink;
    timeouts_.linkSeries = reply;
    timeouts_.reply = reply;
  }

  void SetUp() override {
    PortMap::Instance().Clear();
    DialogPrinter::SetTimeoutsForTesting(timeouts_);
  }
  void TearDown() override {
    ProcessPending();
    DialogPrinter::SetTimeoutsForTesting(std::nullopt);
    PortMap::Instance().Clear();
  }

  int Port() const { return port_; }

  ScriptedUi ui_;

 private:
  int port_;
  LinkTimeouts timeouts_;
};

// A scripted printer (FakeDevice) on the test's port.
class ScriptedPrinterDialogTest : public DialogLinkTest {
 protected:
  explicit ScriptedPrinterDialogTest(int port) : DialogLinkTest(port, 200, 300) {}

  void SetUp() override {
    DialogLinkTest::SetUp();
    device_.MapTo(Port());
  }

  // The frames the printer received with command `cmd`, in order.
  std::vector<FakeDevice::ReceivedFrame> FramesOf(uint8_t cmd) const {
    std::vector<FakeDevice::ReceivedFrame> out;
    for (const auto& f : device_.Frames())
      if (f.cmd == cmd) out.push_back(f);
    return out;
  }

  FakeDevice device_;
};

// The simulated printer on the test's port; it answers more slowly than a
// script, so its time-outs are longer.
class SimPrinterDialogTest : public DialogLinkTest {
 protected:
  explicit SimPrinterDialogTest(int port) : DialogLinkTest(port, 300, 500) {}

  void SetUp() override {
    DialogLinkTest::SetUp();
    PortMap::Instance().Set(Port(), sim_.Path());
  }

  SimServer sim_;
};
