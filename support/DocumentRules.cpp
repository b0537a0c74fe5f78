#include "support/DocumentRules.h"

#include "support/TextCodec.h"

namespace brenvik {


bool IsDeferredPaymentType(int type) {
  if (type >= 0 && type <= 7) return true;
  if (type >= 128 && type <= 135) return true;
  switch (type) {
    case 10: case 18: case 22: case 48: case 50: case 52: case 96: case 146: case 176:
      return true;
    default:
      return false;
  }
}

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
