#pragma once

#include <array>
#include <ctime>
#include <optional>
#include <string>

#include "dialogs/receipt_fields.h"

// The window-free half of the article and department dialogs: field
// configurations, how values read from the printer are shown, and the
// department dialog's own checks. Texts returned are UTF-8 unless named
// otherwise.

// The tax-group selectors' items, index 0..7.
extern const std::array<const char*, 8> kTaxGroupItems;
// "Б", the group the selectors start at.
constexpr int kDefaultTaxGroup = 1;

// The article number: 1..1000, default 1.
NumericFieldConfig ArticleNumberConfig();
// The price of the programming dialog by decimal mode ('2' two decimals, else
// whole numbers): 0..999999.99 in 9 characters or 0..99999999 in 8.
NumericFieldConfig ArticlePriceConfig(char mode);
// The reading dialog's price and turnover (0..999999999.99, 12 characters,
// decimals by mode), sold quantity (three decimals) and report number.
NumericFieldConfig ArticleAmountConfig(char mode);
NumericFieldConfig ArticleQuantityConfig();
NumericFieldConfig ArticleReportNumberConfig();

// Department numbers offered by the up-down buttons; any two digits naming a
// department (DepartmentNumberRule) may be typed and are sent.
constexpr int kDepartmentFieldLength = 2;
constexpr int kArticleDepartmentMax = 19;
constexpr int kDepartmentMin = 1;
constexpr int kDepartmentMax = 19;

// What a tax-group selector shows for the group index the printer reported:
// the index itself for 0..7, wxNOT_FOUND's -1 (no group chosen) for any other.
int TaxGroupSelection(int index);
// Set with no tax group chosen (stop icon).
inline constexpr const char* kChooseTaxGroupText =
    "Принтерът отчете данъчна група, която програмата не познава.\nМоля изберете данъчна група!";

// A price read from the printer for a whole-number price field whose largest
// value is `maximum`: none when it is negative, above the maximum or not a
// number (the field then keeps its text, as for any value outside its range).
std::optional<int> WholePrice(double price, int maximum);

// The tax group of index 0..7 as its one letter (the printer's encoding,
// Windows-1251 0xC0 + index); "" outside the range.
std::string TaxGroupLetter(int index);

// The date of the last report as the reading dialog shows it:
// "07 декември 2026  14:05" (local time); "" while the
// article has never been in a report (the printer's all-zero date).
std::string ArticleReportDate(std::time_t t);

// A department's turnover or quantity: always two decimals, whatever the
// printer's decimal mode.
std::string DepartmentAmount(double value);

// The department dialog's own checks: the message to show, or "" to go on.
// An empty field has the dialog's own messages; a number that names no
// department 1..99 ("0", "-3", "abc") is named with the range it must lie in.
std::string DepartmentGetProblem(const std::string& numberText);
std::string DepartmentSetProblem(const std::string& numberText, const std::string& name);
