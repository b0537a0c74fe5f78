#include "render/InvoiceLabels.h"

namespace brenvik {
namespace {

// The table is read once per kind of row: each pass defines the macro of its
// rows, the others expand to nothing.
struct TCodeText {
  const char* Code;
  const char* Text;
};

template <size_t N>
const char* Find(const TCodeText (&table)[N], const std::string& code) {
  for (const TCodeText& row : table)
    if (code == row.Code) return row.Text;
  return nullptr;
}

const TCodeText InvoiceKinds[] = {
#define RENDER_INVOICE_KIND(code, text) {code, text},
#include "render/InvoiceLabels.def"
};

const TCodeText PaymentForms[] = {
#define RENDER_PAYMENT_FORM(code, text) {code, text},
#include "render/InvoiceLabels.def"
};

const TCodeText PartyRoles[] = {
#define RENDER_PARTY_ROLE(code, text) {code, text},
#include "render/InvoiceLabels.def"
};

const TCodeText AuthorisedRoles[] = {
#define RENDER_AUTHORISED_ROLE(code, text) {code, text},
#include "render/InvoiceLabels.def"
};

const TRateTotal RateTotalRows[] = {
#define RENDER_RATE_TOTAL(net, vat, vatPln, rate) {net, vat, vatPln, rate},
#include "render/InvoiceLabels.def"
};

const TAnnotation AnnotationRows[] = {
#define RENDER_ANNOTATION(path, text) {path, text},
#include "render/InvoiceLabels.def"
};

const TExemptionBasis ExemptionRows[] = {
#define RENDER_EXEMPTION_BASIS(field, label) {field, label},
#include "render/InvoiceLabels.def"
};

const TLineColumn LineColumnRows[] = {
#define RENDER_LINE_COLUMN(netField, grossField, orderField, netHeader, grossHeader, share, right, \
                           optional)                                                               \
  {netField, grossField, orderField, netHeader, grossHeader, share, right, optional},
#include "render/InvoiceLabels.def"
};

}  // namespace

const char* InvoiceKindHeading(const std::string& code) { return Find(InvoiceKinds, code); }
const char* PaymentFormName(const std::string& code) { return Find(PaymentForms, code); }
const char* PartyRoleName(const std::string& code) { return Find(PartyRoles, code); }
const char* AuthorisedRoleName(const std::string& code) { return Find(AuthorisedRoles, code); }

std::span<const TRateTotal> RateTotals() { return RateTotalRows; }
std::span<const TAnnotation> AnnotationTexts() { return AnnotationRows; }
std::span<const TExemptionBasis> ExemptionBases() { return ExemptionRows; }
std::span<const TLineColumn> LineColumns() { return LineColumnRows; }

}  // namespace brenvik
