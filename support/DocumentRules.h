#pragma once
// Small rules about warehouse documents that need no table: payment kinds,
// the address line of a contractor, and the names of year-dependent tables.
#include <string>

#include "support/DateTime.h"

namespace brenvik {

// Document types whose payment may be deferred (0-7, 10, 18, 22, 48, 50, 52,
// 96, 128-135, 146, 176).
bool IsDeferredPaymentType(int type);
// Polish name of the payment form code of a document.
std::string PaymentFormText(int payInfo);

// "street house  zipcode city", trimmed; the blanks between the parts stay
// when a part is empty.
std::string FormatAddressLine(const std::string& zipCode, const std::string& city,
                              const std::string& street, const std::string& house);

// Name of a table kept per year ("2026WI") or per month ("26_04UR").
std::string YearTableName(bool yearly, const std::string& name, TDateTime date);

}  // namespace brenvik
