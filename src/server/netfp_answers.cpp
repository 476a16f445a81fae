#include "server/netfp_answers.h"

#include <cstdio>

#include "driver/status_flags.h"

namespace {

struct ReasonCode {
  const char* reason;
  int number;
};

constexpr ReasonCode kCodes[] = {
    {"link", 101},      {"noAnswer", 101},     {"rejected", 108},    {"printer", 102},
    {"refused", 103},   {"paper", 104},        {"receipt", 105},     {"corrected", 106},
    {"notice", 107},    {"request", 400},      {"json", 400},        {"token", 401},
    {"forbidden", 403}, {"path", 404},         {"printer-id", 404},  {"method", 405},
    {"conflict", 409},  {"saleNumber", 409},   {"unfinished", 409},  {"journal", 500},
    {"host", 403},      {"origin", 403},       {"contentType", 415}, {"total", 111},
    {"internal", 500},  {"gone", 408},         {"unsupported", 410}, {"too-large", 413},
    {"busy", 503},      {"wrongPrinter", 112},
};
constexpr int kOtherCode = 199;
constexpr int kStatusCodeBase = 300;

struct FlagText {
  int flag;
  bool error;  // stops sales; otherwise needs attention
  const char* text;
};

// The printer's own captions of the flags that matter to a till.
constexpr FlagText kFlagTexts[] = {
    {Flag::kFMReadOnly, true, "ФП само за четене"},
    {Flag::kVoltageDrop, true, "Спад на напрежение"},
    {Flag::kOverheated, true, "Прегрят принтер"},
    {Flag::kClockNotSet, false, "Несверен Часовник"},
    {Flag::kClockHardware, true, "Хард.Грешка в Час. "},
    {Flag::kRamReset, false, "Грешен RAM"},
    {Flag::kClockIncorrect, false, "Некорект. Часовник"},
    {Flag::kNoPaper, true, "Няма хартия"},
    {Flag::kReportOverflow, false, "Препълв.в Отчетите"},
    {Flag::kServiceReceiptOpen, false, "Отв.Служебен бон"},
    {Flag::kFiscalReceiptOpen, false, "Отв.Фискален бон"},
    {Flag::kFMMissing, true, "Липсва ФП"},
    {Flag::kFMFaulty, true, "Грешна ФП"},
    {Flag::kFMFull, true, "Пълна ФП"},
    {Flag::kFMFewRecords, false, "Под 50 записа във ФП"},
};

std::string Code(char letter, int number) {
  char buf[16];  // room for any int, so the code is never cut
  std::snprintf(buf, sizeof buf, "%c%03d", letter, number);
  return buf;
}

}  // namespace

std::string ProtocolCode(const std::string& reason, MessageType type) {
  int number = kOtherCode;
  for (const auto& c : kCodes)
    if (reason == c.reason) number = c.number;
  return Code(type == MessageType::kError ? 'E' : 'W', number);
}

nlohmann::json MessagesJson(const std::vector<ServerMessage>& messages) {
  nlohmann::json list = nlohmann::json::array();
  for (const auto& m : messages) {
    const bool status = m.code.rfind("E3", 0) == 0 || m.code.rfind("W3", 0) == 0;
    list.push_back({{"type", MessageTypeText(m.type)},
                    {"code", status ? m.code : ProtocolCode(m.code, m.type)},
                    {"text", m.text},
                    {"reason", status ? "status" : m.code}});
  }
  return list;
}

std::string ErrorBody(const std::string& reason, const std::string& text) {
  const nlohmann::json body = {{"ok", false},
                               {"messages", MessagesJson({{MessageType::kError, reason, text}})}};
  return body.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

std::vector<ServerMessage> StatusMessages(const StatusFlags& flags) {
  std::vector<ServerMessage> out;
  for (const auto& f : kFlagTexts) {
    if (!flags[f.flag]) continue;
    out.push_back(ServerMessage{f.error ? MessageType::kError : MessageType::kWarning,
                                Code(f.error ? 'E' : 'W', kStatusCodeBase + f.flag), f.text});
  }
  return out;
}
