#include "server/sale_numbers.h"

#include "server/netfp_answers.h"

using nlohmann::json;

namespace {

constexpr int kOk = 200;
constexpr int kConflict = 409;

json Message(MessageType type, const char* reason, const std::string& text) {
  return MessagesJson({{type, reason, text}})[0];
}

std::string Describe(const json& result) {
  if (!result.value("ok", false))
    return "it failed (receipt " + result.value("receiptState", std::string("none")) + ")";
  char amount[32];
  std::snprintf(amount, sizeof amount, "%.2f", result.value("receiptAmount", 0.0));
  const json number = result.value("receiptNumber", json());
  return "receipt " + (number.is_string() ? number.get<std::string>() : number.dump()) + " of " +
         amount + " at " + result.value("receiptDateTime", std::string("?"));
}

}  // namespace

UsedSaleAnswer AnswerUsedSale(const SaleJournal::Entry& entry, const std::string& printer,
                              const std::string& sale, const std::string& fingerprint) {
  UsedSaleAnswer a;
  if (entry.state == SaleJournal::State::kStarted) {
    a.status = kConflict;
    a.body = {{"ok", false},
              {"receiptState", "unknown"},
              {"messages",
               json::array(
                   {Message(MessageType::kWarning, "unfinished",
                            "Sale number \"" + sale + "\" was started at " + entry.time +
                                " but its outcome is not known yet. A receipt interrupted while it "
                                "printed is settled by the server as soon as the printer answers "
                                "(voided and cancelled, or the rest paid): send the number again "
                                "then, or try POST /printers/" +
                                printer +
                                "/settle. Otherwise the receipt may have printed or may still be "
                                "open: check GET /printers/" +
                                printer +
                                "/status (flag fiscalReceiptOpen) and the printer's last receipt. "
                                "Nothing was printed now.")})}};
    return a;
  }
  if (entry.fingerprint != fingerprint) {
    a.status = kConflict;
    a.body = {
        {"ok", false},
        {"firstResult", entry.result},
        {"messages",
         json::array({Message(MessageType::kError, "saleNumber",
                              "Sale number \"" + sale + "\" was already used for another cart: " +
                                  Describe(entry.result) + ". Nothing was printed.")})}};
    return a;
  }
  a.status = kOk;
  a.body = entry.result;
  a.body["repeated"] = true;
  return a;
}
