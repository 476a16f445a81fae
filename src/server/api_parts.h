// What api.cpp (routing, checking, queueing) and api_jobs.cpp (a job's steps
// on its printer) share; no other file includes it.
#pragma once

#include <atomic>
#include <ctime>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "server/api.h"
#include "server/held_link.h"
#include "server/netfp_device.h"
#include "server/printer_pin.h"
#include "server/printer_service.h"
#include "server/receipt_rules.h"
#include "server/requests.h"

namespace api_parts {

constexpr int kOk = 200;
constexpr int kBadRequest = 400;
constexpr int kBusy = 503;
constexpr const char* kWrongPrinter = "wrongPrinter";

// What a request asks of its printer (one endpoint, or GET/POST of one).
enum class Action {
  kInfo,
  kStatus,
  kReadClock,
  kSetClock,
  kReceipt,
  kReversal,
  kXReport,
  kZReport,
  kDuplicate,
  kDeposit,
  kWithdraw,
  kCash,
  kRaw,
  kSettle,
};

// An answer with its JSON body: ApiResponse::ok (the request log's) is the
// body's "ok", so that the two never differ. Every answer with a body is made
// here, by Error or by Answered.
ApiResponse Reply(int status, const nlohmann::json& body);

// An answer refused or failed before any printer work: {"ok":false} and one
// error message.
ApiResponse Error(int status, const std::string& reason, const std::string& text);

// The answer with what the request log needs: the printer, the sale number,
// whether it did what was asked and whether anything reached the paper.
// `printsWhenOk`: a request that prints when it succeeds (reports, sums).
ApiResponse Answered(const std::string& printer, const std::string& saleNumber,
                     const nlohmann::json& answer, bool printsWhenOk);

// Requests that print when they succeed (reports, duplicate, sums).
bool PrintsWhenOk(Action action);
// Jobs that print or change money or fiscal state: they run only on the
// printer the id stands for (PrinterPin). A raw command may be any of them.
bool NeedsThePinnedPrinter(Action action);

}  // namespace api_parts

struct Api::Printer {
  Printer(const ServedPrinter& info, SaleJournal& journal, const PaymentTypeMap& names,
          std::optional<DeviceIdentity> known = std::nullopt)
      : settler(journal, info.id, names),
        link([this](UiHost* host) { return worker.Open(host); }, info.path),
        identity(std::move(known)),
        pin(identity ? identity->serialNumber : "",
            identity ? identity->fiscalMemorySerialNumber : ""),
        worker(info) {
    worker.SetQuietTask(HeldLink::kIdleRelease, [this] { link.Release(); });
  }
  ReceiptSettler settler;  // an interrupted receipt, settled on the worker's thread
  HeldLink link;           // the printer's port between jobs
  // Handler threads held by this printer's requests, and those of them
  // waiting for tasks (Api::kMaxHandlersPerPrinter, kMaxTaskWaitsPerPrinter).
  std::atomic<size_t> handlers{0};
  std::atomic<size_t> taskWaits{0};
  std::mutex identityLock;
  std::optional<DeviceIdentity> identity;  // as last read from the printer the id stands for
  PrinterPin pin;                          // which printer that is
  ReceiptRulesCache rules;                 // its decimal mode and tax groups, while it answers
  // Last: its thread, which uses the members above, is joined first.
  PrinterWorker worker;
};

// A request checked whole, ready to run on the printer.
struct Api::Prepared {
  api_parts::Action action = api_parts::Action::kInfo;
  Corrections corrections;
  ReceiptRequest receipt;
  ReversalRequest reversal;
  SumRequest sum;
  OperatorChoice op;
  RawRequest raw;
  std::time_t when = 0;
  std::string fingerprint;  // of a receipt: tells a retry from another cart
};
