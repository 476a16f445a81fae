#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "server/sale_journal.h"

// What a receipt request whose uniqueSaleNumber is in the journal is answered
// instead of printing (nothing is sent to the printer):
//  - finished with the same cart: the first response again, "repeated": true (200);
//  - finished with another cart: 409, naming the first result ("firstResult");
//  - started but never finished (the server stopped while printing it): 409
//    with a warning that the receipt may be open on the printer and how to check.
struct UsedSaleAnswer {
  int status = 200;
  nlohmann::json body;
};

UsedSaleAnswer AnswerUsedSale(const SaleJournal::Entry& entry, const std::string& printer,
                              const std::string& sale, const std::string& fingerprint);
