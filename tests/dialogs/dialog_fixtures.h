#pragma once

// Fixtures for dialog tests that talk to a printer on a pseudo-terminal. Each
// test starts with a port map that holds only its printer; Services() gives
// its dialogs short link time-outs. Afterwards what is still queued runs and
// the port map is cleared.

#include <gtest/gtest.h>
#include <wx/timer.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "dialogs/dialog_services.h"
#include "dialogs/invoice_data_dialog.h"
#include "dialogs/ui_text.h"
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

  void SetUp() override { PortMap::Instance().Clear(); }
  void TearDown() override {
    ProcessPending();
    PortMap::Instance().Clear();
  }

  int Port() const { return port_; }

  // The services for the dialogs under test: the short time-outs.
  DialogServices Services() const {
    DialogServices services;
    services.timeouts = timeouts_;
    return services;
  }

  // Services() whose message boxes must be stop messages; each text goes
  // into `shown` (UTF-8) and is answered OK.
  DialogServices StopMessagesInto(std::vector<std::string>& shown) const {
    DialogServices services = Services();
    services.messageBox = [&shown](wxWindow*, const wxString& text, const wxString&, long style) {
      EXPECT_TRUE(style & wxICON_STOP);
      shown.push_back(text.utf8_string());
      return wxOK;
    };
    return services;
  }

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

// While it lives, answers each InvoiceDataDialog that runs modally: `answer`
// is asked for the data to type in, and nothing cancels the dialog.
class InvoiceDialogAnswerer : public wxTimer {
 public:
  explicit InvoiceDialogAnswerer(std::function<std::optional<InvoiceData>()> answer)
      : answer_(std::move(answer)) {
    Start(10);
  }
  void Notify() override {
    InvoiceDataDialog* d = ModalDialog<InvoiceDataDialog>();
    if (!d) return;
    const std::optional<InvoiceData> data = answer_();
    if (!data) {
      Click(d, wxID_CANCEL);
      return;
    }
    const std::pair<int, const std::string*> fields[] = {
        {InvoiceDataDialog::kIdRecipient, &data->recipient},
        {InvoiceDataDialog::kIdBuyer, &data->buyer},
        {InvoiceDataDialog::kIdIdNumber, &data->idNumber},
        {InvoiceDataDialog::kIdVatNumber, &data->vatNumber},
        {InvoiceDataDialog::kIdAddress, &data->address}};
    for (const auto& [id, text] : fields) d->Field(id)->ChangeValue(FromCp1251(*text));
    Click(d, wxID_OK);
  }

 private:
  std::function<std::optional<InvoiceData>()> answer_;
};
