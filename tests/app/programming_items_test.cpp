// The programming items of the menu open their dialogs; the header-lines item
// picks the layout from the width the printer keeps header line 1 at.
#include <gtest/gtest.h>
#include <wx/timer.h>

#include "app/main_dialog.h"
#include "app/main_menu.h"
#include "app/menu_routes.h"
#include "app_test_support.h"
#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/department_dialog.h"
#include "dialogs/display_dialog.h"
#include "dialogs/logo_dialog.h"
#include "dialogs/operators_dialog.h"
#include "link/settings.h"
#include "sim/sim_server.h"

namespace {

// While it lives, presses button `exitId` of the modal `Dialog` once it is up
// and notes what `probe` says about it.
template <class Dialog>
class ExitWhenOpen : public wxTimer {
 public:
  explicit ExitWhenOpen(int exitId) : exitId_(exitId) { Start(50); }
  void Notify() override {
    if (auto* d = ModalDialog<Dialog>()) {
      ++seen;
      width = LineWidthOf(d);
      Click(d, exitId_);
    }
  }
  int seen = 0;
  int width = 0;

 private:
  static int LineWidthOf(ClicheDialog* d) { return d->LineWidth(); }
  static int LineWidthOf(wxDialog*) { return 0; }
  int exitId_;
};

class ProgrammingItemsTest : public ::testing::Test {
 protected:
  void Start(int headerWidth) {
    SimOptions options;
    options.headerWidth = headerWidth;
    sim_ = std::make_unique<SimServer>(options);
    PortMap::Instance().Clear();
    PortMap::Instance().Set(1, sim_->Path());
    CurrentPort = 1;
    window_ = new MainDialog(StandardMenuRoutes());
  }
  void TearDown() override {
    if (window_) window_->Destroy();
    ProcessPending();
    PortMap::Instance().Clear();
  }

  template <class Dialog>
  int Open(int item, int exitId) {
    ExitWhenOpen<Dialog> watch(exitId);
    window_->RunItem(item);
    EXPECT_EQ(watch.seen, 1) << item;
    return watch.width;
  }

  std::unique_ptr<SimServer> sim_;
  TemporaryHome home_;
  MainDialog* window_ = nullptr;
};

TEST_F(ProgrammingItemsTest, ItemsAreEnabledAndOpenTheirDialogs) {
  Start(42);
  window_->DoMenuUpdates();
  namespace m = menu_id;
  for (int id : {m::kClicheProgramming, m::kOperatorsProgramming, m::kArticleProgramming,
                 m::kArticleReading, m::kDepartments, m::kDisplayProgramming})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  EXPECT_EQ(Open<ClicheDialog>(m::kClicheProgramming, ClicheDialog::kIdExit), kClicheWideWidth);
  Open<OperatorsDialog>(m::kOperatorsProgramming, OperatorsDialog::kIdExit);
  Open<ArticleDialog>(m::kArticleProgramming, ArticleDialog::kIdExit);
  Open<ArticleReadingDialog>(m::kArticleReading, ArticleReadingDialog::kIdExit);
  Open<DepartmentDialog>(m::kDepartments, DepartmentDialog::kIdExit);
  Open<DisplayDialog>(m::kDisplayProgramming, DisplayDialog::kIdExit);
}

TEST_F(ProgrammingItemsTest, LogoItemOpensTheLogoDialog) {
  Start(42);
  window_->DoMenuUpdates();
  EXPECT_TRUE(window_->IsItemEnabled(menu_id::kLogo));
  Open<LogoDialog>(menu_id::kLogo, LogoDialog::kIdExit);
}

TEST_F(ProgrammingItemsTest, NarrowPrinterGetsTheNarrowLayout) {
  Start(38);
  EXPECT_EQ(Open<ClicheDialog>(menu_id::kClicheProgramming, ClicheDialog::kIdExit),
            kClicheNarrowWidth);
}

}  // namespace
