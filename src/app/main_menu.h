#pragma once

#include <vector>

#include <wx/menu.h>

// The main window's menu: three menus with submenus and the tools menu, every item with its
// command identifier. Item texts are UTF-8 and shown exactly as written here.
struct MenuEntry {
  enum class Kind { kItem, kSeparator, kSubmenu };
  Kind kind = Kind::kItem;
  int id = 0;                       // items only
  const char* text = "";            // items and submenus
  std::vector<MenuEntry> children;  // submenus only
};

// The command identifiers that later code refers to by name.
namespace menu_id {
constexpr int kStatus = 32773;
constexpr int kClicheProgramming = 32774;
constexpr int kDateTime = 32775;
constexpr int kFMReportByDates = 32776;
constexpr int kFMReportByBlocks = 32777;
constexpr int kDailyZ = 32778;
constexpr int kDailyX = 32779;
constexpr int kSpecialFMReport = 32782;
constexpr int kExtendedDailyX = 32785;
constexpr int kExtendedDailyZ = 32786;
constexpr int kArticlesZ = 32787;
constexpr int kArticlesX = 32788;
constexpr int kFiscalization = 32789;
constexpr int kOperatorsZ = 32790;
constexpr int kDisplayProgramming = 32792;
constexpr int kPaymentTypes = 32793;
constexpr int kParameters = 32794;
constexpr int kOperatorsProgramming = 32796;
constexpr int kReceiptOperations = 32797;
constexpr int kLogo = 32798;
constexpr int kServiceSums = 32800;
constexpr int kDailyReportData = 32801;
constexpr int kOperatorReportData = 32802;
constexpr int kOperatorX1 = 32803;  // ... kOperatorX1 + 8 is operator 9
constexpr int kAllOperatorsX = 32812;
constexpr int kFreeFMRecords = 32813;
constexpr int kArticleProgramming = 32814;
constexpr int kArticleReading = 32815;
constexpr int kFactoryNumbers = 32816;  // distributors only
constexpr int kFMReportToFile = 32817;
constexpr int kEepromErase = 32818;
constexpr int kJournalReport = 32819;
constexpr int kInvoiceNumbers = 32820;
constexpr int kDepartments = 32821;
// The range every item identifier lies in.
constexpr int kFirst = 32773;
constexpr int kLast = 32821;
// The About box, at the end of the last menu.
constexpr int kAbout = 16;
}  // namespace menu_id

// The practitioners' tools, in a menu of their own after the three menus
// above. Their identifiers lie outside the command range and below the
// toolkit's limit, so they are used as they are.
namespace tools_id {
constexpr int kBackup = 12901;
constexpr int kRestore = 12902;
constexpr int kExportArticles = 12903;
constexpr int kImportArticles = 12904;
constexpr int kExportDepartments = 12905;
constexpr int kImportDepartments = 12906;
constexpr int kExportOperators = 12907;
constexpr int kImportOperators = 12908;
constexpr int kLineMonitor = 12909;
// The range every tool item lies in.
constexpr int kFirst = 12901;
constexpr int kLast = 12909;
}  // namespace tools_id

// The toolkit takes item identifiers below 0x7FFF only, so the menu's items
// carry their command identifier moved down by this offset; the About item
// (outside the command range) keeps its own.
constexpr int kMenuIdOffset = 20000;
constexpr int ToolkitMenuId(int command) {
  return command >= menu_id::kFirst && command <= menu_id::kLast ? command - kMenuIdOffset
                                                                 : command;
}
constexpr int CommandOfMenuId(int toolkitId) {
  return toolkitId >= menu_id::kFirst - kMenuIdOffset && toolkitId <= menu_id::kLast - kMenuIdOffset
             ? toolkitId + kMenuIdOffset
             : toolkitId;
}

// The top-level menus, in order, as (title, entries): the three menus of the
// program and then "Инструменти".
struct TopMenu {
  const char* title;
  std::vector<MenuEntry> entries;
};
const std::vector<TopMenu>& MainMenuLayout();

// Every item identifier of the layout (submenus walked), in menu order.
std::vector<int> MainMenuItemIds();

// Builds the menu bar from the layout. The caller owns the result until it is
// given to a frame.
wxMenuBar* BuildMainMenuBar();
