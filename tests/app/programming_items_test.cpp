// The programming items of the menu open their dialogs; the header-lines item
// picks the layout from the width the printer keeps header line 1 at.
#include <gtest/gtest.h>

#include "app/main_menu.h"
#include "app_test_support.h"
#include "dialogs/article_dialog.h"
#include "dialogs/article_reading_dialog.h"
#include "dialogs/cliche_dialog.h"
#include "dialogs/department_dialog.h"
#include "dialogs/display_dialog.h"
#include "dialogs/logo_dialog.h"
#include "dialogs/operators_dialog.h"

namespace {

class ProgrammingItemsTest : public MenuWindowTest {
 protected:
  void Start(int headerWidth) {
    SimOptions options;
    options.headerWidth = headerWidth;
    MenuWindowTest::Start(options);
  }
  // Opens the header-lines dialog from the menu; its line width.
  int ClicheWidth() {
    int width = 0;
    EXPECT_EQ(Open<ClicheDialog>(menu_id::kClicheProgramming, ClicheDialog::kIdExit,
                                 [&](ClicheDialog* d) { width = d->LineWidth(); }),
              1);
    return width;
  }
};

TEST_F(ProgrammingItemsTest, ItemsAreEnabledAndOpenTheirDialogs) {
  Start(42);
  namespace m = menu_id;
  for (int id : {m::kClicheProgramming, m::kOperatorsProgramming, m::kArticleProgramming,
                 m::kArticleReading, m::kDepartments, m::kDisplayProgramming})
    EXPECT_TRUE(window_->IsItemEnabled(id)) << id;
  EXPECT_EQ(ClicheWidth(), kClicheWideWidth);
  EXPECT_EQ(Open<OperatorsDialog>(m::kOperatorsProgramming, OperatorsDialog::kIdExit), 1);
  EXPECT_EQ(Open<ArticleDialog>(m::kArticleProgramming, ArticleDialog::kIdExit), 1);
  EXPECT_EQ(Open<ArticleReadingDialog>(m::kArticleReading, ArticleReadingDialog::kIdExit), 1);
  EXPECT_EQ(Open<DepartmentDialog>(m::kDepartments, DepartmentDialog::kIdExit), 1);
  EXPECT_EQ(Open<DisplayDialog>(m::kDisplayProgramming, DisplayDialog::kIdExit), 1);
}

TEST_F(ProgrammingItemsTest, LogoItemOpensTheLogoDialog) {
  Start(42);
  EXPECT_TRUE(window_->IsItemEnabled(menu_id::kLogo));
  EXPECT_EQ(Open<LogoDialog>(menu_id::kLogo, LogoDialog::kIdExit), 1);
}

TEST_F(ProgrammingItemsTest, NarrowPrinterGetsTheNarrowLayout) {
  Start(38);
  EXPECT_EQ(ClicheWidth(), kClicheNarrowWidth);
}

}  // namespace
