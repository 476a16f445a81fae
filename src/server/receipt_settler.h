#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "server/netfp_payments.h"
#include "server/receipt_recovery.h"
#include "server/sale_journal.h"

class FiscalPrinter;
class PolicyHost;

// One printer's interrupted receipt, kept until it is settled (see
// receipt_recovery.h), and the journal's record of how it ended: a receipt
// cancelled or never printed frees its sale number ("released": the till may
// send it again and it prints), a completed one keeps it ("finished" with the
// answer a resend gets). A receipt that cannot be told printed or not stays
// "started" (a resend is answered 409 "unfinished").
//
// At most one receipt is kept per printer: a printer has one receipt open at a
// time, and no new receipt is opened while one is kept. Thread-safe; Run is
// called on the printer's worker only.
class ReceiptSettler {
 public:
  ReceiptSettler(SaleJournal& journal, std::string printer, PaymentTypeMap names);

  // Keeps the receipt of `sale` ("" when the request had no sale number).
  void Keep(const std::string& sale, const std::string& fingerprint, const SettlePlan& plan);
  // Keeps the printer's newest unfinished sale of the journal whose started
  // line carries a plan (after a restart). Older ones stay as they are.
  void LoadFromJournal();
  bool Pending() const;
  // While a receipt is kept: why the printer cannot take a sale ("" otherwise).
  std::string Blocking() const;

  struct Report {
    bool any = false;  // a receipt was kept
    std::string sale;
    SettleResult result;
  };
  // Settles the kept receipt on `printer` (opened on this printer's line and
  // confirmed to be the printer) and writes the outcome to the journal.
  Report Run(FiscalPrinter& printer, PolicyHost& host);

  // The answer a resend of a completed sale gets.
  static nlohmann::json CompletedAnswer(const SettleResult& result, const std::string& words);

 private:
  struct Kept {
    std::string sale;
    std::string fingerprint;
    SettlePlan plan;
  };

  SaleJournal& journal_;
  std::string printer_;
  PaymentTypeMap names_;
  mutable std::mutex mutex_;
  std::optional<Kept> kept_;
  std::string lastWords_;  // of the last attempt
};
