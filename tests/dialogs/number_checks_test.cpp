// The checks a dialog makes before it sends a number: which fields each
// receipt action reads, what names a department, and the message naming a
// field that holds no number it may send.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "dialogs/article_fields.h"
#include "dialogs/receipt_actions.h"

namespace {

using N = ReceiptNumber;

TEST(NumberChecks, EveryReceiptActionReadsTheFieldsOfItsOwnGroup) {
  const struct {
    ReceiptAction action;
    std::vector<ReceiptNumber> fields;
  } rows[] = {
      {ReceiptAction::kOpenService, {N::kOperator}},
      {ReceiptAction::kOpenFiscal, {N::kOperator}},
      {ReceiptAction::kSellItem, {N::kItemPrice, N::kItemQuantity, N::kItemPercent}},
      {ReceiptAction::kVoidItem, {N::kItemPrice, N::kItemQuantity, N::kItemPercent}},
      {ReceiptAction::kSellArticle, {N::kArticleNumber, N::kArticleQuantity, N::kArticlePercent}},
      {ReceiptAction::kVoidArticle, {N::kArticleNumber, N::kArticleQuantity, N::kArticlePercent}},
      {ReceiptAction::kSellDepartment,
       {N::kDepartmentNumber, N::kDepartmentPrice, N::kDepartmentQuantity, N::kDepartmentPercent}},
      {ReceiptAction::kVoidDepartment,
       {N::kDepartmentNumber, N::kDepartmentPrice, N::kDepartmentQuantity, N::kDepartmentPercent}},
      {ReceiptAction::kApply, {N::kSubtotalValue}},
      {ReceiptAction::kPay, {N::kPaymentAmount}},
      // These send no number from the form: nothing may hold them back.
      {ReceiptAction::kCloseService, {}},
      {ReceiptAction::kCloseFiscal, {}},
      {ReceiptAction::kGetLastReceipt, {}},
      {ReceiptAction::kPrintDuplicate, {}},
      {ReceiptAction::kPrintText, {}},
      {ReceiptAction::kInformation, {}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(NumbersReadBy(row.action), row.fields) << static_cast<int>(row.action);
}

TEST(NumberChecks, ADepartmentIsANumberFromOneTo99ByItsLeadingInteger) {
  const struct {
    const char* text;
    std::optional<int> department;
  } rows[] = {
      {"1", 1},
      {"7abc", 7},
      {" 12", 12},
      {"99", 99},
      {"07", 7},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"-3", std::nullopt},
      {"abc", std::nullopt},
      {"0", std::nullopt},
      {"00", std::nullopt},
      {"100", std::nullopt},
      {"99999999999", std::nullopt},
      {"\xC0"
       "5",
       std::nullopt},
  };
  for (const auto& row : rows) EXPECT_EQ(DepartmentNumber(row.text), row.department) << row.text;
  // An article's department may be 0: none.
  EXPECT_EQ(DepartmentNumber("0", 0), 0);
  EXPECT_EQ(DepartmentNumber("", 0), std::nullopt);
  EXPECT_EQ(DepartmentNumber("-1", 0), std::nullopt);
}

TEST(NumberChecks, DepartmentDialogNamesTheRangeOfANumberThatIsNoDepartment) {
  const std::string range = "Полето „Номер“ трябва да съдържа цяло число от 1 до 99.";
  for (const char* text : {"0", "-3", "abc", "100"}) {
    EXPECT_EQ(DepartmentGetProblem(text), range) << text;
    EXPECT_EQ(DepartmentSetProblem(text, "Цветя"), range) << text;
  }
  // A missing name or number keeps the dialog's own words.
  EXPECT_EQ(DepartmentSetProblem("0", ""), "Моля въведете повече информация!");
  EXPECT_EQ(DepartmentGetProblem("7abc"), "");
}

TEST(NumberChecks, TheMessageNamesTheFrameWhereLabelsRepeat) {
  NumericRule percent;
  percent.ConfigureDecimal(-99.99, 99.99, 2, 6, 0);
  EXPECT_EQ(FieldValueMessage("Надбавка/Отстъпка", percent, "Междинна сума"),
            "Полето „Надбавка/Отстъпка“ в „Междинна сума“ трябва да съдържа число от -99.99 "
            "до 99.99.");
  EXPECT_EQ(FieldValueMessage("Департамент", DepartmentNumberRule(0)),
            "Полето „Департамент“ трябва да съдържа цяло число от 0 до 99.");
}

}  // namespace
