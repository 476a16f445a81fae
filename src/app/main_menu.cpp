#include "app/main_menu.h"

namespace {

MenuEntry Item(int id, const char* text) {
  return {MenuEntry::Kind::kItem, id, text, {}};
}
MenuEntry Separator() {
  return {MenuEntry::Kind::kSeparator, 0, "", {}};
}
MenuEntry Submenu(const char* text, std::vector<MenuEntry> children) {
  return {MenuEntry::Kind::kSubmenu, 0, text, std::move(children)};
}

std::vector<TopMenu> BuildLayout() {
  using namespace menu_id;
  std::vector<MenuEntry> operatorsX;
  static const char* const kOperatorNames[] = {"Оператор 1", "Оператор 2", "Оператор 3",
                                               "Оператор 4", "Оператор 5", "Оператор 6",
                                               "Оператор 7", "Оператор 8", "Оператор 9"};
  for (int i = 0; i < 9; ++i) operatorsX.push_back(Item(kOperatorX1 + i, kOperatorNames[i]));
  operatorsX.push_back(Separator());
  operatorsX.push_back(Item(kAllOperatorsX, "Всички оператори"));

  return {
      {"Продажби",
       {
           Item(kReceiptOperations, "Операции с бонове"),
           Separator(),
           Item(kServiceSums, "Въвеждане/Извеждане на Служебни суми"),
       }},
      {"Отчети",
       {
           Submenu("Отчети Z",
                   {
                       Item(kDailyZ, "Дневен финансов Z"),
                       Item(kOperatorsZ, "Оператори Z"),
                       Item(kArticlesZ, "По артикули Z"),
                       Item(kExtendedDailyZ, "Разширен дневен Z"),
                   }),
           Submenu("Отчети Х",
                   {
                       Item(kDailyX, "Дневен финансов Х"),
                       Submenu("Оператори X", operatorsX),
                       Item(kArticlesX, "По артикули X"),
                       Item(kExtendedDailyX, "Разширен дневен X"),
                   }),
           Separator(),
           Submenu("Отчети на ФП",
                   {
                       Item(kFMReportByDates, "По дати"),
                       Item(kFMReportByBlocks, "По блокове"),
                       Item(kSpecialFMReport, "Специален"),
                       Separator(),
                       Item(kFMReportToFile, "Във Файл"),
                       Separator(),
                       Item(kFreeFMRecords, "Оставащи свободни записи във ФП"),
                   }),
           Separator(),
           Item(kDailyReportData, "Други Дневни отчети"),
           Item(kOperatorReportData, "Други Операторски отчети"),
           Item(kArticleReading, "Отчитане на Артикул"),
           Item(kJournalReport, "Отчет на ЕКЛ"),
       }},
      {"&Setup",
       {
           Item(kDateTime, "Сверяване на дата и час"),
           Separator(),
           Submenu("Програмиране",
                   {
                       Item(kClicheProgramming, "Програмиране на Клише"),
                       Item(kParameters, "Програмиране на Параметри"),
                       Item(kOperatorsProgramming, "Програмиране на Оператори"),
                       Item(kPaymentTypes, "Програмиране на видовете Плащания"),
                       Item(kDisplayProgramming, "Програмиране на външен Дисплей"),
                       Item(kLogo, "Програмиране на Лого"),
                       Item(kArticleProgramming, "Програмиране на Артикули"),
                       Item(kDepartments, "Програмиране на Департаменти"),
                   }),
           Separator(),
           Submenu("Фискални",
                   {
                       Item(kFiscalization, "Фискализация, Дес.точка и Дан.Ставки"),
                       Item(kFactoryNumbers, "Записване на Фабрични Номера"),
                   }),
           Separator(),
           Item(kEepromErase, "Изтриване на EEPROM"),
           Separator(),
           Item(kStatus, "&Статус|Версия|Диагностика"),
           Separator(),
           Item(kInvoiceNumbers, "Номера на фактури"),
           // Where the platform has no system menu the About item closes the
           // last menu.
           Separator(),
           Item(kAbout, "&За програмата"),
       }},
      {"Инструменти",
       {
           Item(tools_id::kBackup, "Архивиране на настройките"),
           Item(tools_id::kRestore, "Възстановяване на настройките"),
           Separator(),
           Item(tools_id::kExportArticles, "Експорт на артикули (CSV)"),
           Item(tools_id::kImportArticles, "Импорт на артикули (CSV)"),
           Item(tools_id::kExportDepartments, "Експорт на департаменти (CSV)"),
           Item(tools_id::kImportDepartments, "Импорт на департаменти (CSV)"),
           Item(tools_id::kExportOperators, "Експорт на оператори (CSV)"),
           Item(tools_id::kImportOperators, "Импорт на оператори (CSV)"),
           Separator(),
           Item(tools_id::kLineMonitor, "Наблюдение на линията"),
       }},
  };
}

void CollectIds(const std::vector<MenuEntry>& entries, std::vector<int>& ids) {
  for (const MenuEntry& e : entries) {
    if (e.kind == MenuEntry::Kind::kItem) ids.push_back(e.id);
    if (e.kind == MenuEntry::Kind::kSubmenu) CollectIds(e.children, ids);
  }
}

wxMenu* BuildMenu(const std::vector<MenuEntry>& entries) {
  auto* menu = new wxMenu;
  for (const MenuEntry& e : entries) {
    switch (e.kind) {
      case MenuEntry::Kind::kItem:
        menu->Append(ToolkitMenuId(e.id), wxString::FromUTF8(e.text));
        break;
      case MenuEntry::Kind::kSeparator:
        menu->AppendSeparator();
        break;
      case MenuEntry::Kind::kSubmenu:
        menu->AppendSubMenu(BuildMenu(e.children), wxString::FromUTF8(e.text));
        break;
    }
  }
  return menu;
}

}  // namespace

const std::vector<TopMenu>& MainMenuLayout() {
  static const std::vector<TopMenu> layout = BuildLayout();
  return layout;
}

std::vector<int> MainMenuItemIds() {
  std::vector<int> ids;
  for (const TopMenu& top : MainMenuLayout()) CollectIds(top.entries, ids);
  return ids;
}

wxMenuBar* BuildMainMenuBar() {
  auto* bar = new wxMenuBar;
  for (const TopMenu& top : MainMenuLayout()) {
    bar->Append(BuildMenu(top.entries), wxString::FromUTF8(top.title));
  }
  return bar;
}
