#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "driver/records.h"
#include "server/policy_host.h"

// Messages in the protocol's shape: {"type", "code", "text", "reason"}, where
// `code` is the protocol's style (errors "E" + digits, warnings "W" + digits)
// and `reason` this server's own name of the cause ("link", "printer", ...).
//
//   reason     error  warning   meaning
//   link       E101   W101      the printer did not answer, or the line failed
//   noAnswer   E101   -         the printer cannot be reached at all
//   printer    E102   W102      the printer refused the command (its code in the text)
//   refused    E103   W103      a correction the request did not allow
//   paper      E104   W104      out of paper
//   receipt    E105   W105      a receipt left open, or voided and closed
//   corrected  E106   W106      a correction taken because the request allowed it
//   notice     E107   W107      a notice of the printer's
//   rejected   E108   -         the driver refused the call before sending it (a value
//                               outside the printer's limits, a state that forbids it)
//   total      E111   -         the printer's subtotal differed from the request's total
//   wrongPrinter E112 -         another printer answers on the id's port (its serial
//                               number differs from the one the id stands for)
//   request    E400   W400      the request was refused (or a text cut to fit)
//   host, origin E403, contentType E415: refused by the request guard
//   unsupported E410  -         the printer has no command for what was asked
//   saleNumber E409   -         the sale number was used for another cart
//   unfinished -      W409      the sale number was started and never finished
//   journal    E500   -         the sale-number journal could not be written
//   internal   E500   -         the server failed (a bug)
//   gone       E408   -         the client left before its turn; nothing was sent
//   status     E3nn   W3nn      status flag nn is set (GET status)
// Other reasons take E199 / W199.
std::string ProtocolCode(const std::string& reason, MessageType type);

nlohmann::json MessagesJson(const std::vector<ServerMessage>& messages);

// The body of a refused or failed request: {"ok":false,"messages":[one error]}.
// `text` may quote what the client sent (a path, a Host): bytes that are not
// UTF-8 become U+FFFD instead of failing the answer.
std::string ErrorBody(const std::string& reason, const std::string& text);

// One message per status flag that stops sales (error) or needs attention
// (warning), in the printer's own words ("Няма хартия").
std::vector<ServerMessage> StatusMessages(const StatusFlags& flags);
