#pragma once

#include <string>

#include "tools/printer_config.h"

// The backup file: one JSON object, UTF-8 (docs/backup.md describes it).

// The file's text for `config`, sections that are present only. Never fails.
std::string ConfigToJson(const PrinterConfig& config);

// Reads a backup file's text. Every value is checked against what the printer
// can hold (widths count Windows-1251 bytes); on the first problem returns
// false with a one-line English message naming the member ("articles[3].price:
// ...") and leaves `config` unspecified.
bool ConfigFromJson(const std::string& text, PrinterConfig& config, std::string& error);
