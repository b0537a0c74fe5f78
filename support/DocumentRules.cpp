#include "support/DocumentRules.h"

#include "support/TextCodec.h"

namespace brenvik {

std::string PaymentFormText(int payInfo) {
  switch (payInfo) {
    case 0: return "gotówka";
    case 1: return "karta płatnicza";
    case 2: return "przelew";
    case 4: return "za pobraniem";
    case 5: return "przedpłata";
    default: return "inna forma płatności";
  }
}

std::string FormatAddressLine(const std::string& zipCode, const std::string& city,
                              const std::string& street, const std::string& house) {
  const std::string streetLine = Trim(street + " " + house);
  return Trim(streetLine + "  " + zipCode + " " + city);
}

std::string YearTableName(bool yearly, const std::string& name, TDateTime date) {
  return FormatDateTime(yearly ? "yyyy" : "yy_mm", date) + name;
}

}  // namespace brenvik
