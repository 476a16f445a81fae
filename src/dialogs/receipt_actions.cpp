#include "dialogs/receipt_actions.h"

std::optional<ReceiptState> ReadReceiptInfo(FiscalPrinter& printer) {
  ReceiptState state;
  if (!CallDone(printer.ReadReceiptState(state), printer.LastOutcome())) return std::nullopt;
  return state;
}

std::vector<ReceiptNumber> NumbersReadBy(ReceiptAction action) {
  using N = ReceiptNumber;
  switch (action) {
    case ReceiptAction::OpenService:
    case ReceiptAction::OpenFiscal:
      return {N::Operator};
    case ReceiptAction::SellItem:
    case ReceiptAction::VoidItem:
      return {N::ItemPrice, N::ItemQuantity, N::ItemPercent};
    case ReceiptAction::SellArticle:
    case ReceiptAction::VoidArticle:
      return {N::ArticleNumber, N::ArticleQuantity, N::ArticlePercent};
    case ReceiptAction::SellDepartment:
    case ReceiptAction::VoidDepartment:
      return {N::DepartmentNumber, N::DepartmentPrice, N::DepartmentQuantity, N::DepartmentPercent};
    case ReceiptAction::Apply:
      return {N::SubtotalValue};
    case ReceiptAction::Pay:
      return {N::PaymentAmount};
    case ReceiptAction::CloseService:
    case ReceiptAction::CloseFiscal:
    case ReceiptAction::GetLastReceipt:
    case ReceiptAction::PrintDuplicate:
    case ReceiptAction::PrintText:
    case ReceiptAction::Information:
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
  if (!f.invoice) return !printer.OpenFiscalReceipt(op, f.detailed, f.withVat).empty();
  // An invoice ignores "Подробен" and "С ДДС": the command carries its own flags.
  const std::optional<InvoiceData> data = askInvoice ? askInvoice() : std::nullopt;
  if (!data) return false;
  return !printer
              .OpenInvoiceReceipt(op, data->recipient, data->buyer, data->vatNumber, data->idNumber,
                                  data->address)
              .empty();
}

}  // namespace

ReceiptOutcome RunReceiptAction(FiscalPrinter& printer, ReceiptAction action, const ReceiptForm& f,
                                const InvoiceDataSource& askInvoice) {
  ReceiptOutcome out;
  bool ok = false;
  switch (action) {
    case ReceiptAction::OpenService: {
      OperatorRecord op;
      ok = CallDone(printer.ReadOperator(f.operatorNumber, op), printer.LastOutcome()) &&
           !printer.OpenServiceReceipt(op).empty();
      break;
    }
    case ReceiptAction::OpenFiscal:
      ok = OpenFiscal(printer, f, askInvoice);
      if (ok) out.follow = Follow::Refresh;
      break;
    case ReceiptAction::CloseService:
      ok = !printer.CloseServiceReceipt().empty() && ReadLast(printer, out);
      break;
    case ReceiptAction::CloseFiscal:
      ok = !printer.CloseFiscalReceipt().empty() && ReadLast(printer, out);
      if (ok) out.follow = Follow::PostInfo;
      break;
    case ReceiptAction::GetLastReceipt:
      ok = ReadLast(printer, out);
      break;
    case ReceiptAction::PrintDuplicate:
      ok = !printer.PrintDuplicate().empty();
      break;
    case ReceiptAction::SellItem:
    case ReceiptAction::VoidItem: {
      const double price = action == ReceiptAction::VoidItem ? -f.itemPrice : f.itemPrice;
      ok = !printer.SellItem(f.itemName, f.taxGroup, price, f.itemQuantity, f.itemPercent).empty();
      if (ok) out.follow = Follow::Refresh;
      break;
    }
    case ReceiptAction::SellArticle:
    case ReceiptAction::VoidArticle:
      ok = !printer
                .SellArticle(f.articleNumber, f.articleQuantity, f.articlePercent,
                             action == ReceiptAction::VoidArticle)
                .empty();
      if (ok) out.follow = Follow::Refresh;
      break;
    case ReceiptAction::SellDepartment:
    case ReceiptAction::VoidDepartment: {
      const double price =
          action == ReceiptAction::VoidDepartment ? -f.departmentPrice : f.departmentPrice;
      ok = !printer
                .SellInDepartment(f.departmentName, LeadingInteger(f.departmentNumber), price,
                                  f.departmentQuantity, f.departmentPercent)
                .empty();
      if (ok) out.follow = Follow::PostInfo;
      break;
    }
    case ReceiptAction::Apply: {
      double subtotal = 0;
      ok = !printer
                .Subtotal(subtotal, f.subtotalValue, f.subtotalIsAmount, f.subtotalPrint,
                          f.subtotalDisplay)
                .empty();
      // The second call adjusts nothing; it reads the subtotal after the first.
      ok = ok && !printer.Subtotal(subtotal, 0, false, false, false).empty();
      if (ok) {
        out.subtotal = subtotal;
        out.stateRead = true;
        out.state = ReadReceiptInfo(printer);
      }
      break;
    }
    case ReceiptAction::PrintText:
      ok = !printer.PrintReceiptText(f.freeText, f.alignment).empty();
      break;
    case ReceiptAction::Information:
      out.stateRead = true;
      out.state = ReadReceiptInfo(printer);
      ok = out.state.has_value();
      break;
    case ReceiptAction::Pay:
      ok = !printer.Payment(f.paymentType, f.paymentAmount, f.noChange, f.changeType).empty();
      if (ok) out.follow = Follow::Refresh;
      break;
  }
  out.ok = ok;
  return out;
}
