// A job's steps on its printer's worker thread (Api::JobRun), and the
// answers they make.
#include <nlohmann/json.hpp>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "driver/cp1251.h"
#include "driver/fiscal_printer.h"
#include "driver/status_flags.h"
#include "server/api_parts.h"
#include "server/netfp_answers.h"
#include "server/receipt_settler.h"
#include "server/receipt_total.h"
#include "server/sale_numbers.h"
#include "server/web_api.h"

using nlohmann::json;

namespace api_parts {

ApiResponse Reply(int status, const json& body) {
  ApiResponse out(status, body.dump());
  out.ok = body.is_object() && body.value("ok", false);
  return out;
}

ApiResponse Error(int status, const std::string& reason, const std::string& text) {
  return ApiResponse{status, ErrorBody(reason, text)};
}

// The answer with what the request log needs: the printer, the sale number,
// whether it did what was asked and whether anything reached the paper.
// `printsWhenOk`: a request that prints when it succeeds (reports, sums).
ApiResponse Answered(const std::string& printer, const std::string& saleNumber, const json& answer,
                     bool printsWhenOk) {
  ApiResponse out = Reply(kOk, answer);
  out.printer = printer;
  out.saleNumber = saleNumber;
  out.printed =
      answer.value("printed", json::object()).value("opened", false) || (out.ok && printsWhenOk);
  for (const auto& m : answer.value("messages", json::array()))
    if (m.value("reason", "") == kWrongPrinter) out.note = m.value("text", "");
  return out;
}

bool PrintsWhenOk(Action action) {
  return action == Action::kXReport || action == Action::kZReport || action == Action::kDuplicate ||
         action == Action::kDeposit || action == Action::kWithdraw;
}

bool NeedsThePinnedPrinter(Action action) {
  return PrintsWhenOk(action) || action == Action::kReceipt || action == Action::kSetClock ||
         action == Action::kRaw || action == Action::kSettle;
}

}  // namespace api_parts

using namespace api_parts;

namespace {

std::string UriOf(const ServedPrinter& p) {
  return "serial://" + p.path + "?baud=" + std::to_string(p.baud);
}

// True when the printer stopped answering during the job (its retries ran out).
bool LinkFailed(const PolicyHost& host) {
  for (const auto& m : host.Messages())
    if (m.type == MessageType::kError && (m.code == "link" || m.code == "noAnswer")) return true;
  return false;
}

// The reports a zeroing chain printed before the job's own command went out
// (zeroReports), named in a message, in "reportsPrinted" and in the returned
// note for the log. `wentOn`: that command went out after the chain, so its
// last report printed too; otherwise the last may not have. `printed` is set
// when one surely did.
std::string TellReports(PolicyHost& host, bool wentOn, json& result, bool& printed) {
  const std::vector<std::string>& agreed = host.ReportsAgreed();
  printed = false;
  if (agreed.empty()) return "";
  const size_t sure = wentOn ? agreed.size() : host.ReportsConfirmed();
  std::string names;
  json list = json::array();
  for (size_t i = 0; i < sure; ++i) {
    names += (i ? ", " : "") + agreed[i];
    list.push_back(agreed[i]);
  }
  result["reportsPrinted"] = list;
  printed = sure > 0;
  std::string text = "Printed to put the printer right first: " + (names.empty() ? "-" : names);
  if (sure < agreed.size()) text += "; the " + agreed.back() + " may not have printed";
  host.Add(MessageType::kWarning, "corrected", text);
  return "reports printed: " + (names.empty() ? "-" : names) +
         (sure < agreed.size() ? ", maybe " + agreed.back() : "");
}

}  // namespace

json Api::SettleAnswer(Printer& printer, const ReceiptSettler::Report& report, bool& ok) {
  json answer = json::object();
  std::vector<ServerMessage> messages;
  if (report.any) {
    const SettleResult& r = report.result;
    ok = SettledFree(r.how);
    answer["settled"] = SettledName(r.how);
    if (!report.sale.empty()) answer["uniqueSaleNumber"] = report.sale;
    answer["printed"] = {{"voided", r.voided}, {"payments", r.payments}};
    if (r.how == Settled::kCompleted) {
      answer["receiptNumber"] = ReceiptNumberText(r.receiptNumber);
      answer["receiptAmount"] = std::round(r.amount * 100) / 100;
    }
    messages.push_back({ok ? MessageType::kInfo : MessageType::kError, "receipt", r.words});
  } else {
    // Nothing of this server's to settle: says whether the printer holds a receipt.
    PolicyHost host(Corrections{}, config_.retries,
                    [&printer](UiHost* h) { return printer.worker.Open(h); });
    FiscalPrinter& fp = printer.link.Take(&host);
    printer.worker.Prepare(fp);
    StatusFlags flags{};
    const bool read = fp.IsConnected() && CallSucceeded(fp, host, fp.ReadStatus(flags));
    printer.link.Give();
    messages = host.Messages();
    if (!read) {
      ok = false;
      answer["settled"] = "notNow";
      messages.push_back({MessageType::kError, "noAnswer", "The printer does not answer"});
    } else if (flags[Flag::kFiscalReceiptOpen] || flags[Flag::kServiceReceiptOpen]) {
      ok = false;
      answer["settled"] = "cannot";
      messages.push_back({MessageType::kError, "receipt",
                          "A receipt is open that this server did not leave open: its lines "
                          "are not known here, so it is not voided or paid; close it at the "
                          "printer or in the program that opened it"});
    } else {
      ok = true;
      answer["settled"] = "nothing";
      messages.push_back({MessageType::kInfo, "receipt", "Nothing to settle: no receipt is open"});
    }
  }
  answer["ok"] = ok;
  answer["messages"] = MessagesJson(messages);
  return answer;
}

// One checked request on its printer's worker thread, in the steps every job
// goes through, each a function of its own: settle what an interruption left
// (SettleFirst), hold the sale number in the journal (CheckJournal), take the
// printer and make sure it is the one the id stands for (OpenPrinter), run the
// action (Print, one function per action), look at how it ended (Verify), and
// answer, closing the sale number's entry (Answer). Lives for one job.
class Api::JobRun {
 public:
  JobRun(Api& api, Printer& printer, const Prepared& job)
      : api_(api),
        printer_(printer),
        job_(job),
        info_(printer.worker.Info()),
        receipt_(job.receipt),
        sale_(job.receipt.uniqueSaleNumber) {}

  ApiResponse Run() {
    SettleFirst();
    if (job_.action == Action::kSettle) return SettleJob();
    plan_ = PlanOf(receipt_);
    if (std::optional<ApiResponse> refused = CheckJournal()) return *refused;
    OpenPrinter();
    if (fp_ && fp_->IsConnected() && confirmed_) Print();
    Verify();
    return Answer();
  }

 private:
  PolicyHost& Host() { return *host_; }

  void SettleFirst();
  ApiResponse SettleJob() const;
  std::optional<ApiResponse> CheckJournal();
  void OpenPrinter();
  void Print();
  void ReadInfo();
  void ReadStatus();
  void ReadClock();
  void SetClock();
  void PrintReport();
  void PrintDuplicate();
  void MoveCash();
  void ReadCash();
  void SendRaw();
  void PrintReceipt();
  void Verify();
  ApiResponse Answer();

  Api& api_;
  Printer& printer_;
  const Prepared& job_;
  const ServedPrinter& info_;
  const ReceiptRequest& receipt_;
  const std::string& sale_;

  std::optional<ReceiptSettler::Report> settled_;  // by SettleFirst, when one was pending
  SettlePlan plan_;                                // the receipt's, before the printer's figures
  bool blocked_ = false;                           // an interrupted receipt still waits: no sale
  std::optional<PolicyHost> host_;                 // the job's prompts and messages
  FiscalPrinter* fp_ = nullptr;  // the printer's kept link, until Verify gives it back
  bool connected_ = false;       // whether it still was when the job ended
  json result_ = json::object();
  bool ok_ = false;
  int httpStatus_ = kOk;               // 400 for a receipt the printer's rules refuse
  std::vector<ServerMessage> status_;  // a status read's flags, in words
  // Another printer on this port: its serial number. A job that needs the
  // pinned printer is then not sent; reads answer, saying so.
  std::string onLine_;
  bool confirmed_ = true;
  std::optional<DeviceIdentity> otherIdentity_;  // device info of another printer on the port
  bool answered_ = false;                        // the device info was read
};

void Api::JobRun::SettleFirst() {
  // An interrupted receipt is put right before anything else reaches the
  // printer, so that a resend of its number finds the outcome.
  if (!printer_.settler.Pending()) return;
  // A read of a silent printer must not wait for the retries of the settling.
  const bool read = job_.action == Action::kInfo || job_.action == Action::kStatus ||
                    job_.action == Action::kReadClock || job_.action == Action::kCash;
  settled_ = api_.SettlePending(printer_, read ? 0 : api_.config_.retries);
}

ApiResponse Api::JobRun::SettleJob() const {
  bool settleOk = false;
  json answer = api_.SettleAnswer(printer_, settled_.value_or(ReceiptSettler::Report{}), settleOk);
  ApiResponse out = Answered(info_.id, "", answer, false);
  out.printed = settled_ && settled_->result.how != Settled::kNotNow &&
                (settled_->result.voided > 0 || settled_->result.payments > 0 ||
                 settled_->result.how == Settled::kCancelled);
  return out;
}

std::optional<ApiResponse> Api::JobRun::CheckJournal() {
  if (sale_.empty()) return std::nullopt;
  if (const auto entry = api_.journal_.Find(info_.id, sale_)) {
    const UsedSaleAnswer used = AnswerUsedSale(*entry, info_.id, sale_, job_.fingerprint);
    ApiResponse out = Reply(used.status, used.body);
    out.printer = info_.id;
    out.saleNumber = sale_;
    return out;
  }
  std::string journalError;
  // Nothing is sent to the printer unless the journal holds the number.
  if (!api_.journal_.Start(info_.id, sale_, job_.fingerprint, journalError, PlanToJson(plan_))) {
    ApiResponse out = Error(kBusy, "journal", journalError + "; nothing was printed");
    out.printer = info_.id;
    out.saleNumber = sale_;
    return out;
  }
  return std::nullopt;
}

void Api::JobRun::OpenPrinter() {
  const int retries =
      job_.action == Action::kInfo || job_.action == Action::kStatus ? 0 : api_.config_.retries;
  // An interrupted receipt of this server's is settled by the server alone:
  // closing it by paying the rest in cash would book what was never sold.
  Corrections corrections = job_.corrections;
  blocked_ = printer_.settler.Pending();
  if (blocked_) corrections.closeReceipt = false;
  Printer* printer = &printer_;
  host_.emplace(corrections, retries, [printer](UiHost* h) { return printer->worker.Open(h); });
  if (settled_ && SettledFree(settled_->result.how))
    Host().Add(MessageType::kWarning, "receipt", settled_->result.words);
  for (const auto& w : receipt_.warnings) Host().Add(MessageType::kWarning, "request", w);
  if (job_.action == Action::kReversal) {
    Host().Add(MessageType::kError, "unsupported",
               "Сторно бонове не се поддържат: принтерът няма команда за сторно бон; нищо не е "
               "отпечатано");
  } else {
    fp_ = &printer_.link.Take(&Host());
    printer_.worker.Prepare(*fp_);
  }
  // The serial number is read once per opening of the port (see PrinterPin).
  // A status request checks after its own status read (ReadStatus).
  if (fp_ && fp_->IsConnected() && NeedsThePinnedPrinter(job_.action)) {
    const PrinterPin::Check check = printer_.pin.Confirm(*fp_, printer_.link.Generation(), onLine_);
    if (check != PrinterPin::Check::kOther) onLine_.clear();
    if (check != PrinterPin::Check::kSame) {
      confirmed_ = false;
      if (check == PrinterPin::Check::kOther)
        Host().Add(
            MessageType::kError, kWrongPrinter,
            OtherPrinterText(onLine_, printer_.pin.SerialNumber()) + "; нищо не е изпратено");
      else if (!Host().HasError())
        Host().Add(MessageType::kError, "link",
                   "Серийният номер на принтера не може да бъде прочетен; нищо не е изпратено");
    }
  }
  // A receipt not started answers the receipt's members all the same.
  if (!confirmed_ && job_.action == Action::kReceipt) result_ = OutcomeToJson(SaleOutcome{});
}

void Api::JobRun::Print() {
  switch (job_.action) {
    case Action::kInfo:
      return ReadInfo();
    case Action::kStatus:
      return ReadStatus();
    case Action::kReadClock:
      return ReadClock();
    case Action::kSetClock:
      return SetClock();
    case Action::kXReport:
    case Action::kZReport:
      return PrintReport();
    case Action::kDuplicate:
      return PrintDuplicate();
    case Action::kDeposit:
    case Action::kWithdraw:
      return MoveCash();
    case Action::kCash:
      return ReadCash();
    case Action::kRaw:
      return SendRaw();
    case Action::kReceipt:
      return PrintReceipt();
    case Action::kReversal:
    case Action::kSettle:
      return;
  }
}

void Api::JobRun::ReadInfo() {
  const auto identity = ReadDeviceIdentity(*fp_);
  ok_ = answered_ = identity.has_value();
  if (identity && printer_.pin.Compare(identity->serialNumber) == PrinterPin::Check::kOther) {
    onLine_ = identity->serialNumber;
    otherIdentity_ = identity;
    return;
  }
  std::lock_guard<std::mutex> lock(printer_.identityLock);
  if (identity) printer_.identity = identity;
}

void Api::JobRun::ReadStatus() {
  StatusFlags flags{};
  ok_ = CallSucceeded(*fp_, Host(), fp_->ReadStatus(flags));
  if (!ok_) return;
  // Whose status it is: another printer's says so (Verify).
  if (printer_.pin.ConfirmAfterStatus(*fp_, printer_.link.Generation(), flags, onLine_) !=
      PrinterPin::Check::kOther)
    onLine_.clear();
  result_["status"] = StatusToJson(flags);
  status_ = StatusMessages(flags);
  ok_ = result_["status"]["ok"].get<bool>();
  const std::string clock = ReadDeviceClock(*fp_, flags);
  if (!clock.empty()) result_["deviceDateTime"] = clock;
  // A receipt left open takes no sale, whoever opened it.
  if (blocked_) {
    Host().Add(MessageType::kError, "receipt", printer_.settler.Blocking());
    ok_ = false;
  } else if (flags[Flag::kFiscalReceiptOpen] || flags[Flag::kServiceReceiptOpen]) {
    Host().Add(MessageType::kError, "receipt",
               "A receipt is open on the printer that this server did not leave "
               "open: no sale can be printed until it is closed (at the printer, or "
               "by the program that opened it)");
    ok_ = false;
  }
}

void Api::JobRun::ReadClock() {
  std::time_t t = 0;
  const std::string clock = fp_->ReadDateTime(t);
  ok_ = CallSucceeded(*fp_, Host(), clock) && !DeviceTimeOf(clock).empty();
  if (ok_) result_["deviceDateTime"] = DeviceTimeOf(clock);
}

void Api::JobRun::SetClock() {
  // A date before the last fiscal-memory record ends told ("BP"): the host
  // has the driver's message.
  ok_ = CallSucceeded(*fp_, Host(), fp_->SetDateTime(job_.when));
}

void Api::JobRun::PrintReport() {
  ok_ = CallSucceeded(*fp_, Host(), fp_->PrintDailyReport(job_.action == Action::kZReport));
}

void Api::JobRun::PrintDuplicate() {
  ok_ = CallSucceeded(*fp_, Host(), fp_->PrintDuplicate());
}

void Api::JobRun::MoveCash() {
  const double amount = job_.action == Action::kDeposit ? job_.sum.amount : -job_.sum.amount;
  ok_ = CallSucceeded(*fp_, Host(),
                      fp_->ServiceSumInOut(job_.sum.op.Resolve(api_.config_.defaultOperator),
                                           job_.sum.paymentType, amount));
}

void Api::JobRun::ReadCash() {
  const auto cash = ReadCashInDrawer(*fp_);
  ok_ = cash.has_value();
  if (ok_) result_["amount"] = *cash;
}

void Api::JobRun::SendRaw() {
  // A data reply may be empty and still be the printer's whole answer:
  // how the exchange ended decides, not the length of its text.
  const std::string reply = fp_->Transact(static_cast<uint8_t>(job_.raw.command), job_.raw.data);
  ok_ = CallEndedDone(*fp_, Host());
  if (ok_) result_["rawResponse"] = Cp1251ToUtf8(reply);
}

void Api::JobRun::PrintReceipt() {
  SaleOutcome outcome;
  SettlePlan before = plan_;
  ReceiptPlan money;
  std::string refusal, journalError;
  if (blocked_) {
    Host().Add(MessageType::kError, "receipt", printer_.settler.Blocking());
  } else if (const auto rules = printer_.rules.Get(*fp_, Host()); !rules) {
    // The printer did not tell its rules: the host holds why; nothing opened.
  } else if (!PlanReceipt(receipt_, *rules, money, refusal)) {
    // Nothing is opened that the printer could not close: the receipt is
    // counted by this printer's rules first.
    Host().Add(MessageType::kError, "request", refusal + "; nothing was printed");
    httpStatus_ = kBadRequest;
  } else {
    before.total = UnitsToAmount(money.total, money.rules);
    if (!sale_.empty() && !ReadFiguresBefore(*fp_, Host(), before)) {
      // Without them a receipt cut short by a crash could not be told printed
      // or not. (A receipt without a sale number is not resent: it goes without.)
      Host().Add(MessageType::kError, "receipt",
                 "The printer's last receipt number and the day's turnover could not be "
                 "read before opening the receipt; nothing was printed");
    } else if (!sale_.empty() && !api_.journal_.Start(info_.id, sale_, job_.fingerprint,
                                                      journalError, PlanToJson(before))) {
      Host().Add(MessageType::kError, "journal", journalError + "; nothing was printed");
    } else {
      outcome = RunReceipt(
          *fp_, Host(), receipt_, receipt_.op.Resolve(api_.config_.defaultOperator), money, before,
          api_.config_.paymentTypes, printer_.pin.MemorySerialNumberOn(printer_.link.Generation()));
      if (outcome.interrupted) {
        before.opened = true;
        printer_.settler.Keep(sale_, job_.fingerprint, before);
        printer_.worker.WakeIdle();  // tried again by itself until settled
      }
    }
  }
  ok_ = outcome.ok;
  result_ = OutcomeToJson(outcome);
}

void Api::JobRun::Verify() {
  connected_ = fp_ && fp_->IsConnected();
  if (fp_) printer_.link.Give();  // kept for the next job, or closed when it failed
  fp_ = nullptr;
  // The receipt rules are read again after the link was lost (the printer may
  // have been changed meanwhile), another printer answered, a raw command may
  // have changed them, or a receipt failed on the printer after it opened
  // (its rules may have changed under another program).
  const bool receiptFailed = job_.action == Action::kReceipt && !ok_ &&
                             result_.value("printed", json::object()).value("opened", false);
  if (!connected_ || LinkFailed(Host()) || !onLine_.empty() || job_.action == Action::kRaw ||
      receiptFailed)
    printer_.rules.Forget();
  // Every failure says why: the printer that never answered apart from the
  // request the driver refused before sending it (a value over the printer's limit).
  // A status read that answered with flags that stop sales has said why in
  // its status messages.
  if (!ok_ && !Host().HasError() && status_.empty()) {
    if (!connected_)
      Host().Add(MessageType::kError, "noAnswer",
                 "The printer on " + info_.path + " cannot be reached");
    else
      Host().Add(MessageType::kError, "rejected",
                 "The driver refused the request before sending it: a value this printer "
                 "does not accept (for example an amount over its maximum), or a state "
                 "that does not allow it");
  }
  // Reads of another printer answer what it said, and that it is not this one.
  if (confirmed_ && !onLine_.empty()) {
    Host().Add(MessageType::kError, kWrongPrinter,
               OtherPrinterText(onLine_, printer_.pin.SerialNumber()));
    ok_ = false;
  }
}

ApiResponse Api::JobRun::Answer() {
  bool reportsPrinted = false;
  const std::string reports =
      TellReports(Host(), ok_ || result_.value("printed", json::object()).value("opened", false),
                  result_, reportsPrinted);
  std::vector<ServerMessage> messages = Host().Messages();
  messages.insert(messages.end(), status_.begin(), status_.end());
  if (job_.action == Action::kInfo) {
    std::lock_guard<std::mutex> lock(printer_.identityLock);
    const std::optional<DeviceIdentity>& shown =
        otherIdentity_ ? otherIdentity_ : printer_.identity;
    if (shown) result_ = DeviceInfoJson(*shown, UriOf(info_), api_.config_.paymentTypes);
    result_["id"] = info_.id;
    result_["port"] = info_.path;
    result_["com"] = info_.com;
    result_["speed"] = info_.baud;
    result_["connected"] = answered_;
  }
  result_["ok"] = ok_;
  result_["messages"] = MessagesJson(messages);
  if (!sale_.empty()) {
    std::string journalError;
    const std::string state = result_.value("receiptState", std::string("none"));
    // A receipt that sold nothing (nothing printed, or voided and cancelled) frees
    // its number; one left open or unknown stays started until it is settled.
    const bool kept = state == "open" || state == "unknown";
    if (!kept && !(state == "closed" ? api_.journal_.Finish(info_.id, sale_, job_.fingerprint,
                                                            result_, journalError)
                                     : api_.journal_.Release(info_.id, sale_, journalError))) {
      messages.push_back(ServerMessage{MessageType::kError, "journal", journalError});
      result_["messages"] = MessagesJson(messages);
    }
    if (!kept && state != "closed") {  // refused, or voided and cancelled
      std::string why;
      for (const auto& m : messages)
        if (why.empty() && m.type == MessageType::kError) why = m.text;
      api_.refused_->Add(info_.id, sale_, why);
    }
  }
  ApiResponse out = Answered(info_.id, sale_, result_, PrintsWhenOk(job_.action));
  out.status = httpStatus_;
  out.printed = out.printed || reportsPrinted;
  if (!reports.empty()) out.note += (out.note.empty() ? "" : "; ") + reports;
  return out;
}

ApiResponse Api::Execute(Printer& printer, const Prepared& job) {
  return JobRun(*this, printer, job).Run();
}
