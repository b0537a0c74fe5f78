#pragma once
// The texts of InvoiceLabels.def: what the page calls the codes of a file.
#include <span>
#include <string>

namespace brenvik {

struct TRateTotal {
  const char* NetField;
  const char* VatField;     // "" when the rate has no VAT field
  const char* VatPlnField;  // "" when the rate has no VAT-in-PLN field
  const char* Rate;
};

struct TAnnotation {
  const char* Path;  // under Adnotacje
  const char* Text;
};

struct TExemptionBasis {
  const char* Field;  // under Adnotacje/Zwolnienie
  const char* Label;
};

struct TLineColumn {
  const char* NetField;
  const char* GrossField;
  const char* OrderField;
  const char* NetHeader;
  const char* GrossHeader;
  double Share;
  bool AlignRight;
  bool Optional;
};

// Null for a code the table does not know.
const char* InvoiceKindHeading(const std::string& code);
const char* PaymentFormName(const std::string& code);
const char* PartyRoleName(const std::string& code);
const char* AuthorisedRoleName(const std::string& code);

std::span<const TRateTotal> RateTotals();
std::span<const TAnnotation> AnnotationTexts();
std::span<const TExemptionBasis> ExemptionBases();
std::span<const TLineColumn> LineColumns();

}  // namespace brenvik
