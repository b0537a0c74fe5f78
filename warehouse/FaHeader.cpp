#include "warehouse/FaHeader.h"

#include <cmath>

#include "support/Money.h"
#include "support/Countries.h"
#include "support/Errors.h"
#include "warehouse/RateTotals.h"
#include "warehouse/VatRates.h"

namespace brenvik {

TDateRange ExportWindow(TDateTime curDate, int daysBack, TDateTime startDate) {
  TDateRange r;
  r.DateFrom = IncDay(curDate, -daysBack);
  if (r.DateFrom < startDate) r.DateFrom = startDate;
  r.DateTo = curDate;
  return r;
}

TDateTime FilterDateFrom(const TDateRange& range) { return DateOf(range.DateFrom); }
TDateTime FilterDateToExcl(const TDateRange& range) { return IncDay(DateOf(range.DateTo), 1); }

std::string ExportWindowLogLine(const TDateRange& range) {
  return "Zakres dat z których sprawdzone będą w Stelmar niewysłane dokumenty do KSEF: od " +
         DateToStr(range.DateFrom) + " do " + DateToStr(range.DateTo);
}

bool IsCorrectionType(int type) { return (type & 1) != 0; }

std::string CurrencyCode(const std::string& intlId, int documentOptions) {
  if (!intlId.empty()) return intlId;
  return (documentOptions & 16384) ? "EUR" : "PLN";
}

void CheckNotFutureDate(TDateTime issueDate, const std::function<TDateTime()>& today) {
  if (DateOf(issueDate) > DateOf(today()))
    throw EArgumentException("Próba wypsłania dokumentu wypisanego z przyszłą datą");
}

void SetTotal(const IXMLFaktura_Fa& fa, const std::string& element, double value, bool always) {
  const TFaTotalSetter set = FaTotalSetter(element);
  if (!set) throw EArgumentException("Nieznany element sumy: " + element);
  const double rounded = RoundHalfAway(2, value);
  // -0.0 would be written as "-0".
  if (always || rounded != 0) ((*fa).*set)(rounded == 0 ? 0.0 : rounded);
}

void FillTotals(const IXMLFaktura_Fa& fa, int invoType, TBuyerKind buyerKind,
                const std::string& currency, const TRegisterValue& reg) {
  const bool foreignCurrency = currency != "PLN";
  const TSaleKind buyerSale = buyerKind == bkNonUE ? skExport
                              : buyerKind == bkUE  ? skIntraEu
                                                   : skDomestic;
  for (const TVatRate& r : VatRates()) {
    const char* net = r.Net[r.NetByBuyer ? buyerSale : SaleKind(invoType)];
    if (!*r.Vat) {
      SetTotal(fa, net, reg(r.NetField));
      continue;
    }
    const double netValue = reg(r.NetField);
    const double vat = reg(r.VatField);
    // The schema takes the net and VAT amounts of a rate only as a pair: a
    // VAT-only correction or a VAT rounded to 0 still names both.
    const bool pair = RoundHalfAway(2, netValue) != 0 || RoundHalfAway(2, vat) != 0;
    SetTotal(fa, net, netValue, pair);
    SetTotal(fa, r.Vat, vat, pair);
    if (foreignCurrency) SetTotal(fa, r.VatPln, vat);
  }
  SetTotal(fa, "P_15", reg("Value"), true);
}

void FillAdnotacje(const IXMLFaktura_Fa& fa, int registerFlags) {
  auto a = fa->Adnotacje();
  a->SetP_16(2);
  a->SetP_17(2);
  a->SetP_18(2);
  a->SetP_18A((registerFlags & 128) ? 1 : 2);
  a->Zwolnienie()->SetP_19N(1);
  a->NoweSrodkiTransportu()->SetP_22N("1");
  a->SetP_23(2);
  a->PMarzy()->SetP_PMarzyN(1);
}

}  // namespace brenvik
