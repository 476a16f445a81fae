#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/receipt_fields.h"
#include "driver/fiscal_printer.h"
#include "driver/records.h"

// Window-free core of the receipt operations dialog: what each button sends,
// with which values, and what the dialog shows afterwards. The dialog gathers
// the form from its controls, runs one action on a FiscalPrinter it has just
// opened, and applies the outcome to its controls.

// Every button of the dialog that talks to the printer.
enum class ReceiptAction {
  kOpenService,     // "Служебен" in "Отваряне на бон"
  kOpenFiscal,      // "Фискален" in "Отваряне на бон"
  kCloseService,    // "Служебен" in "Затваряне на бон"
  kCloseFiscal,     // "Фискален" in "Затваряне на бон"
  kGetLastReceipt,  // "Get Посл.Бон"
  kPrintDuplicate,  // "Печат на дубликат"
  kSellItem,        // free item "Продажба"
  kVoidItem,        // free item "Войд"
  kSellArticle,     // article "Продажба"
  kVoidArticle,     // article "Войд"
  kSellDepartment,  // department "Продажба"
  kVoidDepartment,  // department "Войд"
  kApply,           // subtotal "Apply"
  kPrintText,       // free text "Печат"
  kInformation,     // "Информация"
  kPay,             // "Плащане"
};

// The number fields of the form. An action sends nothing unless every field it
// reads holds a number within that field's range: the dialog checks them all
// first and names the first one that does not.
enum class ReceiptNumber {
  kOperator,
  kItemPrice,
  kItemQuantity,
  kItemPercent,
  kArticleNumber,
  kArticleQuantity,
  kArticlePercent,
  kDepartmentNumber,
  kDepartmentPrice,
  kDepartmentQuantity,
  kDepartmentPercent,
  kSubtotalValue,
  kPaymentAmount,
};

// The number fields `action` reads, in the order they stand in the dialog.
std::vector<ReceiptNumber> NumbersReadBy(ReceiptAction action);

// The text fields of the form that go onto the receipt. The same holds for
// them: an action sends nothing unless every text it prints can be printed as
// typed (each character has a Windows-1251 byte); the dialog names the first
// one that cannot.
enum class ReceiptText {
  kItemName,
  kDepartmentName,
  kFreeText,
};

// The text fields `action` prints.
std::vector<ReceiptText> TextsReadBy(ReceiptAction action);

// The values of the controls, as the commands take them. Texts are
// Windows-1251 bytes; list selections are indexes.
struct ReceiptForm {
  int operatorNumber = 1;
  bool withVat = false;
  bool detailed = false;
  bool invoice = false;

  std::string itemName;
  int taxGroup = 1;  // 0..7, А..З
  double itemPrice = 0;
  double itemQuantity = 1;
  double itemPercent = 0;

  int articleNumber = 1;
  double articleQuantity = 1;
  double articlePercent = 0;

  std::string departmentName;
  std::string departmentNumber = "1";  // as typed; its leading integer is sent
  double departmentPrice = 0;
  double departmentQuantity = 1;
  double departmentPercent = 0;

  double subtotalValue = 0;
  bool subtotalIsAmount = false;
  bool subtotalPrint = false;
  bool subtotalDisplay = false;

  std::string freeText;
  int alignment = 0;  // 0 left, 1 centre, 2 right

  int paymentType = 0;  // 0..4
  bool noChange = false;
  int changeType = 1;  // 0..2
  double paymentAmount = 0;
};

// The client data of an invoice, Windows-1251 bytes.
struct InvoiceData {
  std::string recipient;
  std::string buyer;
  std::string vatNumber;
  std::string idNumber;
  std::string address;
};

// Asks the user for the invoice data; nothing when the user cancelled.
using InvoiceDataSource = std::function<std::optional<InvoiceData>()>;

// What the dialog does after an action.
struct ReceiptOutcome {
  enum class Follow {
    kNone,
    kRefresh,  // release the port, run "Информация" on its own driver, take the port back
    kPostInfo,  // run "Информация" once this action has released the port
  };
  bool ok = false;  // every command of the action succeeded
  Follow follow = Follow::kNone;
  std::optional<int> lastReceiptNumber;  // for the "N Посл.Бон:" label
  std::optional<double> subtotal;        // for "Сума:" of "Междинна сума"
  // Set when the action read the receipt state itself ("Информация", "Apply"):
  // the state on success, or nothing when the frame must be cleared.
  bool stateRead = false;
  std::optional<ReceiptState> state;
};

// Runs `action` on an open, connected printer with the values of `form`. An
// empty result of any command ends the action (the user has been told).
// `askInvoice` is called only for an invoice receipt, after the operator read.
ReceiptOutcome RunReceiptAction(FiscalPrinter& printer, ReceiptAction action,
                                const ReceiptForm& form, const InvoiceDataSource& askInvoice);

// The "Информация" read on its own: the state, or nothing when it failed.
std::optional<ReceiptState> ReadReceiptInfo(FiscalPrinter& printer);
