#pragma once
// Small rules about warehouse documents that need no table: payment kinds,
// the address line of a contractor, and the names of year-dependent tables.
#include <string>

#include "support/DateTime.h"
#include "support/DocumentTypes.h"

namespace brenvik {

// Polish name of the payment form code of a document.
std::string PaymentFormText(int payInfo);

// "street house  zipcode city", trimmed; the blanks between the parts stay
// when a part is empty.
std::string FormatAddressLine(const std::string& zipCode, const std::string& city,
                              const std::string& street, const std::string& house);

// Name of a table kept per year ("2026WI") or per month ("26_04UR").
std::string YearTableName(bool yearly, const std::string& name, TDateTime date);

}  // namespace brenvik
