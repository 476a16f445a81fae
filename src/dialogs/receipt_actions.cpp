#include "dialogs/receipt_actions.h"

std::optional<ReceiptState> ReadReceiptInfo(FiscalPrinter& printer) {
  ReceiptState state;
  if (!CallDone(printer.ReadReceiptState(state), printer.LastOutcome())) return std::nullopt;
  return state;
}

std::vector<ReceiptNumber> NumbersReadBy(ReceiptAction action) {
  using N = ReceiptNumber;
  switch (action) {
    case ReceiptAction::kOpenService:
    case ReceiptAction::kOpenFiscal:
      return {N::kOperator};
    case ReceiptAction::kSellItem:
    case ReceiptAction::kVoidItem:
      return {N::kItemPrice, N::kItemQuantity, N::kItemPercent};
    case ReceiptAction::kSellArticle:
    case ReceiptAction::kVoidArticle:
      return {N::kArticleNumber, N::kArticleQuantity, N::kArticlePercent};
    case ReceiptAction::kSellDepartment:
    case ReceiptAction::kVoidDepartment:
      return {N::kDepartmentNumber, N::kDepartmentPrice, N::kDepartmentQuantity,
              N::kDepartmentPercent};
    case ReceiptAction::kApply:
      return {N::kSubtotalValue};
    case ReceiptAction::kPay:
      return {N::kPaymentAmount};
    case ReceiptAction::kCloseService:
    case ReceiptAction::kCloseFiscal:
    case ReceiptAction::kGetLastReceipt:
    case ReceiptAction::kPrintDuplicate:
    case ReceiptAction::kPrintText:
    case ReceiptAction::kInformation:
      break;
  }
  return {};
}

std::vector<ReceiptText> TextsReadBy(ReceiptAction action) {
  switch (action) {
    case ReceiptAction::kSellItem:
    case ReceiptAction::kVoidItem:
      return {ReceiptText::kItemName};
    case ReceiptAction::kSellDepartment:
    case ReceiptAction::kVoidDepartment:
      return {ReceiptText::kDepartmentName};
    case ReceiptAction::kPrintText:
      return {ReceiptText::kFreeText};
    default:
      break;
  }
  return {};
}

namespace {

using Follow = ReceiptOutcome::Follow;

bool ReadLast(FiscalPrinter& printer, ReceiptOutcome& out) {
  int number = 0;
  if (!CallDone(printer.ReadLastReceiptNumber(number), printer.LastOutcome())) return false;
  out.lastReceiptNumber = number;
  return true;
}

bool OpenFiscal(FiscalPrinter& printer, const ReceiptForm& f, const InvoiceDataSource& askInvoice) {
  OperatorRecord op;
  if (!CallDone(printer.ReadOperator(f.operatorNumber, op), printer.LastOutcome())) return false;
  if (!f.invoice) return printer.Done(printer.OpenFiscalReceipt(op, f.detailed, f.withVat));
  // An invoice ignores "Подробен" and "С ДДС": the command carries its own flags.
  const std::optional<InvoiceData> data = askInvoice ? askInvoice() : std::nullopt;
  if (!data) return false;
  return printer.Done(printer.OpenInvoiceReceipt(op, data->recipient, data->buyer, data->vatNumber,
                                                 data->idNumber, data->address));
}

}  // namespace

ReceiptOutcome RunReceiptAction(FiscalPrinter& printer, ReceiptAction action, const ReceiptForm& f,
                                const InvoiceDataSource& askInvoice) {
  ReceiptOutcome out;
  bool ok = false;
  switch (action) {
    case ReceiptAction::kOpenService: {
      OperatorRecord op;
      ok = CallDone(printer.ReadOperator(f.operatorNumber, op), printer.LastOutcome()) &&
           printer.Done(printer.OpenServiceReceipt(op));
      break;
    }
    case ReceiptAction::kOpenFiscal:
      ok = OpenFiscal(printer, f, askInvoice);
      if (ok) out.follow = Follow::kRefresh;
      break;
    case ReceiptAction::kCloseService:
      ok = printer.Done(printer.CloseServiceReceipt()) && ReadLast(printer, out);
      break;
    case ReceiptAction::kCloseFiscal:
      ok = printer.Done(printer.CloseFiscalReceipt()) && ReadLast(printer, out);
      if (ok) out.follow = Follow::kPostInfo;
      break;
    case ReceiptAction::kGetLastReceipt:
      ok = ReadLast(printer, out);
      break;
    case ReceiptAction::kPrintDuplicate:
      ok = printer.Done(printer.PrintDuplicate());
      break;
    case ReceiptAction::kSellItem:
    case ReceiptAction::kVoidItem: {
      const double price = action == ReceiptAction::kVoidItem ? -f.itemPrice : f.itemPrice;
      ok = printer.Done(
          printer.SellItem(f.itemName, f.taxGroup, price, f.itemQuantity, f.itemPercent));
      if (ok) out.follow = Follow::kRefresh;
      break;
    }
    case ReceiptAction::kSellArticle:
    case ReceiptAction::kVoidArticle:
      ok = printer.Done(printer.SellArticle(f.articleNumber, f.articleQuantity, f.articlePercent,
                                            action == ReceiptAction::kVoidArticle));
      if (ok) out.follow = Follow::kRefresh;
      break;
    case ReceiptAction::kSellDepartment:
    case ReceiptAction::kVoidDepartment: {
      const double price =
          action == ReceiptAction::kVoidDepartment ? -f.departmentPrice : f.departmentPrice;
      ok = printer.Done(printer.SellInDepartment(f.departmentName,
                                                 LeadingInteger(f.departmentNumber), price,
                                                 f.departmentQuantity, f.departmentPercent));
      if (ok) out.follow = Follow::kPostInfo;
      break;
    }
    case ReceiptAction::kApply: {
      double subtotal = 0;
      ok = printer.Done(printer.Subtotal(subtotal, f.subtotalValue, f.subtotalIsAmount,
                                         f.subtotalPrint, f.subtotalDisplay));
      // The second call adjusts nothing; it reads the subtotal after the first.
      ok = ok && printer.Done(printer.Subtotal(subtotal, 0, false, false, false));
      if (ok) {
        out.subtotal = subtotal;
        out.stateRead = true;
        out.state = ReadReceiptInfo(printer);
      }
      break;
    }
    case ReceiptAction::kPrintText:
      ok = printer.Done(printer.PrintReceiptText(f.freeText, f.alignment));
      break;
    case ReceiptAction::kInformation:
      out.stateRead = true;
      out.state = ReadReceiptInfo(printer);
      ok = out.state.has_value();
      break;
    case ReceiptAction::kPay:
      ok = printer.Done(printer.Payment(f.paymentType, f.paymentAmount, f.noChange, f.changeType));
      if (ok) out.follow = Follow::kRefresh;
      break;
  }
  out.ok = ok;
  return out;
}
