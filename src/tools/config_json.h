#pragma once

#include <string>

#include "tools/printer_config.h"

// The backup file: one JSON object, UTF-8 (docs/backup.md describes it).

// The file's text for `config`, sections that are present only. Never fails.
std::string ConfigToJson(const PrinterConfig& config);

// Reads a backup file's text. Every value is checked as the CSV reader checks
// it (widths in Windows-1251 bytes, no control character, prices with at most
// two decimals) and every member must be one this program knows. On the first
// problem returns false with a one-line Bulgarian message naming the member
// ("articles[3].price: ...") or, for text that is not JSON, its line and
// column; `config` is then unspecified.
bool ConfigFromJson(const std::string& text, PrinterConfig& config, std::string& error);

// "ред 3, колона 14" for a byte offset of `text` (columns count characters).
std::string TextPosition(const std::string& text, size_t byteOffset);
