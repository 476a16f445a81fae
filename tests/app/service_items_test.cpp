// The service items of the menu (print parameters, EEPROM erase, invoice
// numbers, service sums) are enabled and open their dialogs on the simulated
// printer.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app_test_support.h"
#include "dialogs/eeprom_dialog.h"
#include "dialogs/invoice_numbers_dialog.h"
#include "dialogs/parameters_dialog.h"
#include "dialogs/service_sums_dialog.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

// While it lives, presses button `exitId` of the modal `Dialog` once it is up.
template <class Dialog>
class ExitWhenUp : public wxTimer {
 public:
  explicit ExitWhenUp(int exitId) : exitId_(exitId) { Start(50); }
  void Notify() override {
    if (auto* d = ModalDialog<Dialog>()) {
      ++seen;
      Click(d, exitId_);
    }
  }
  int seen = 0;

 private:
  int exitId_;
};

class ServiceItemsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PortMap::Instance().Clear();
    PortMap::Instance().Set(1, sim_.Path());
    CurrentPort = 1;
    window_ = new MainDialog(StandardMenuRoutes());
  }
  void TearDown() override {
    window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
  }

  template <class Dialog>
  void Open(int item, int exitId) {
    ExitWhenUp<Dialog> watch(exitId);
    window_->RunItem(item);
    EXPECT_EQ(watch.seen, 1) << item;
  }

  SimServer sim_;
  TemporaryHome home_;
  MainDialog* window_ = nullptr;
};

TEST_F(ServiceItemsTest, ItemsAreEnabledAndOpenTheirDialogs) {
  namespace m = menu_id;
  window_->DoMenuUpdates();
  for (int id : {m::kParameters, m::kEepromErase, m::kInvoiceNumbers, m::kServiceSums})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  Open<ParametersDialog>(m::kParameters, wxID_OK);
  Open<EepromDialog>(m::kEepromErase, EepromDialog::kIdExit);
  Open<InvoiceNumbersDialog>(m::kInvoiceNumbers, wxID_OK);
  Open<ServiceSumsDialog>(m::kServiceSums, wxID_OK);
}

}  // namespace
