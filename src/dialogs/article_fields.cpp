#include "dialogs/article_fields.h"

#include "driver/cp1251.h"
#include "driver/date_words.h"
#include "driver/limits.h"
#include "driver/text.h"

const std::array<const char*, 8> kTaxGroupItems = {"А", "Б", "В", "Г", "Д", "Е", "Ж", "З"};

NumericFieldConfig ArticleNumberConfig() {
  return {false, Limit::kFirstArticle, Limit::kLastArticle, 0, 4, 1};
}

NumericFieldConfig ArticlePriceConfig(char mode) {
  if (mode == '2') return {true, 0, Limit::kMaxAmountTwoDecimals, 2, 9, 0};
  return {false, 0, Limit::kMaxAmountWhole, 0, 8, 0};
}

NumericFieldConfig ArticleAmountConfig(char mode) {
  return {true, 0, 999999999.99, mode == '2' ? 2 : 0, 12, 0};
}

NumericFieldConfig ArticleQuantityConfig() {
  return {true, 0, 999999999.999, 3, 12, 0};
}

NumericFieldConfig ArticleReportNumberConfig() {
  return {false, 0, 99999, 0, 5, 0};
}

std::string TaxGroupLetter(int index) {
  if (index < 0 || index > 7) return "";
  return Cp1251ToUtf8(std::string(1, static_cast<char>(0xC0 + index)));
}

int TaxGroupSelection(int index) {
  return index >= 0 && index < static_cast<int>(kTaxGroupItems.size()) ? index : -1;
}

std::optional<int> WholePrice(double price, int maximum) {
  if (!(price >= 0.0) || price > static_cast<double>(maximum)) return std::nullopt;
  return static_cast<int>(price);
}

std::string ArticleReportDate(std::time_t t) {
  return ReportDateInWords(t);
}

std::string DepartmentAmount(double value) {
  return Sprintf("%.2f", value);
}

namespace {

// "" when `numberText` names a department, else the message saying so.
std::string DepartmentNumberProblem(const std::string& numberText) {
  if (DepartmentNumber(numberText)) return "";
  return FieldValueMessage("Номер", DepartmentNumberRule());
}

}  // namespace

std::string DepartmentGetProblem(const std::string& numberText) {
  if (numberText.empty()) return "Моля въведете номер на департамент!";
  return DepartmentNumberProblem(numberText);
}

std::string DepartmentSetProblem(const std::string& numberText, const std::string& name) {
  if (numberText.empty() || name.empty()) return "Моля въведете повече информация!";
  return DepartmentNumberProblem(numberText);
}
