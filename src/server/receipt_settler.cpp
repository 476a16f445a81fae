#include "server/receipt_settler.h"

#include <cmath>

#include "server/netfp_answers.h"
#include "server/printer_service.h"

using nlohmann::json;

ReceiptSettler::ReceiptSettler(SaleJournal& journal, std::string printer, PaymentTypeMap names)
    : journal_(journal), printer_(std::move(printer)), names_(std::move(names)) {}

void ReceiptSettler::Keep(const std::string& sale, const std::string& fingerprint,
                          const SettlePlan& plan) {
  std::lock_guard<std::mutex> lock(mutex_);
  kept_ = Kept{sale, fingerprint, plan};
  lastWords_ = "the receipt was interrupted and is settled as soon as the printer answers";
}

void ReceiptSettler::LoadFromJournal() {
  const auto unfinished = journal_.Unfinished(printer_);
  for (auto it = unfinished.rbegin(); it != unfinished.rend(); ++it) {
    if (const auto plan = PlanFromJson(it->second.settle)) {
      Keep(it->first, it->second.fingerprint, *plan);
      return;
    }
  }
}

bool ReceiptSettler::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return kept_.has_value();
}

std::string ReceiptSettler::Blocking() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!kept_) return "";
  const std::string sale = kept_->sale.empty() ? "" : " of sale \"" + kept_->sale + "\"";
  return "An interrupted receipt" + sale + " is not settled yet: " + lastWords_ +
         "; no sale is printed until then";
}

json ReceiptSettler::CompletedAnswer(const SettleResult& r, const std::string& words) {
  json j;
  j["ok"] = true;
  j["receiptState"] = "closed";
  j["receiptNumber"] = ReceiptNumberText(r.receiptNumber);
  j["receiptAmount"] = std::round(r.amount * 100) / 100;
  j["receiptDateTime"] = r.time;
  j["fiscalMemorySerialNumber"] = r.fiscalMemorySerialNumber;
  j["printed"] = {{"opened", true}, {"sold", 0}, {"voided", 0}, {"payments", r.payments}};
  j["messages"] = MessagesJson({{MessageType::kWarning, "receipt", words}});
  return j;
}

ReceiptSettler::Report ReceiptSettler::Run(FiscalPrinter& printer, PolicyHost& host) {
  Report report;
  std::optional<Kept> kept;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    kept = kept_;
  }
  if (!kept) return report;
  report.any = true;
  report.sale = kept->sale;
  report.result = SettleReceipt(printer, host, kept->plan, names_);
  SettleResult& r = report.result;
  const std::string sale =
      kept->sale.empty() ? "An interrupted receipt" : "Interrupted sale \"" + kept->sale + "\"";
  std::string error;
  bool written = true;
  switch (r.how) {
    case Settled::kNothingPrinted:
    case Settled::kCancelled:
      r.words = sale + ": " + r.words + (kept->sale.empty() ? "" : "; its number is free again");
      written = kept->sale.empty() || journal_.Release(printer_, kept->sale, error);
      break;
    case Settled::kCompleted:
      r.words = sale + ": " + r.words;
      written = kept->sale.empty() || journal_.Finish(printer_, kept->sale, kept->fingerprint,
                                                      CompletedAnswer(r, r.words), error);
      break;
    case Settled::kUnknown:
      r.words = sale + ": " + r.words;
      break;
    case Settled::kNotNow:
    case Settled::kCannot:
      r.words = sale + " is not settled: " + r.words;
      break;
  }
  if (!written) {
    // The printer is put right; the journal is written at the next attempt,
    // which finds the same from the printer's figures.
    r.words += " (the sale journal could not be written: " + error + ")";
  }
  std::lock_guard<std::mutex> lock(mutex_);
  lastWords_ = r.words;
  if (r.how == Settled::kCannot && r.subtotalChanged && kept_) kept_->plan.changesFailed = true;
  if (written && SettledFree(r.how)) kept_.reset();
  return report;
}
