#include "app/tool_routes.h"

#include "app/main_menu.h"
#include "dialogs/config_tools.h"
#include "link/settings.h"

namespace {

// A route running `job` on the tools of this moment's port and window.
MenuAction ToolAction(void (*job)(const ConfigTools&)) {
  return [job](MenuContext& context) {
    ConfigTools tools;
    tools.owner = context.window;
    tools.ui = context.ui;
    tools.line = context.line;
    job(tools);
  };
}

}  // namespace

void AddToolRoutes(MenuRoutes& routes) {
  using namespace tools_id;
  routes[kBackup] = ToolAction([](const ConfigTools& t) { t.Backup(); });
  routes[kRestore] = ToolAction([](const ConfigTools& t) { t.Restore(); });
  routes[kExportArticles] = ToolAction([](const ConfigTools& t) { t.Export(CsvTable::kArticles); });
  routes[kImportArticles] = ToolAction([](const ConfigTools& t) { t.Import(CsvTable::kArticles); });
  routes[kExportDepartments] =
      ToolAction([](const ConfigTools& t) { t.Export(CsvTable::kDepartments); });
  routes[kImportDepartments] =
      ToolAction([](const ConfigTools& t) { t.Import(CsvTable::kDepartments); });
  routes[kExportOperators] =
      ToolAction([](const ConfigTools& t) { t.Export(CsvTable::kOperators); });
  routes[kImportOperators] =
      ToolAction([](const ConfigTools& t) { t.Import(CsvTable::kOperators); });
}
