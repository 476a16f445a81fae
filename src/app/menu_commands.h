#pragma once

#include <functional>

#include "app/menu_context.h"
#include "driver/fiscal_printer.h"

// The menu items that run printer commands directly. Each creates a
// FiscalPrinter on the main window's line (owned by the main window's UI host), runs the
// command when the port opened, and deletes the driver, which closes the port.
// Results are not shown: the driver's own prompts are all the user sees.

// A route that runs `command` on a freshly opened printer.
MenuAction PrinterCommand(std::function<void(FiscalPrinter&)> command);

// "Във Файл": asks for a file, creates it (reporting "Грешка при създаване на
// файла" when that fails, before the port is touched), and streams the
// fiscal-memory report into it.
void SaveFMReportToFile(MenuContext& context);

// "Оставащи свободни записи във ФП": reads the number of free fiscal-memory
// records and shows it.
void ShowFreeFMRecords(MenuContext& context);
