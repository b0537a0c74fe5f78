#include "warehouse/FaHeader.h"

#include "support/PolishPlural.h"

#include <algorithm>
#include <cmath>

#include "support/Money.h"
#include "support/Countries.h"
#include "support/Errors.h"
#include "support/TextCodec.h"
#include "warehouse/FaLines.h"
#include "warehouse/RateTotals.h"
#include "warehouse/VatRates.h"

namespace brenvik {

TDateRange ExportWindow(TDateTime curDate, int daysBack, TDateTime startDate) {
  TDateRange r;
  // A negative count is refused with the configuration; here it only must not
  // overflow or turn the window round.
  r.DateFrom = daysBack > 0 ? IncDay(curDate, -daysBack) : curDate;
  if (r.DateFrom < startDate) r.DateFrom = startDate;
  r.DateTo = curDate;
  return r;
}

TDateTime FilterDateFrom(const TDateRange& range) { return DateOf(range.DateFrom); }
TDateTime FilterDateToExcl(const TDateRange& range) { return IncDay(DateOf(range.DateTo), 1); }

std::string ExportWindowLogLine(const TDateRange& range) {
  return "Zakres dat, z których sprawdzane są w Stelmarze dokumenty niewysłane do KSeF: od " +
         DateToStr(range.DateFrom) + " do " + DateToStr(range.DateTo);
}

std::string UnsentBeforeWindowText(const std::vector<std::string>& documents, TDateTime windowFrom) {
  const int n = static_cast<int>(documents.size());
  constexpr TPolishNoun notSent{"dokument sprzed %s nie został wysłany",
                                "dokumenty sprzed %s nie zostały wysłane",
                                "dokumentów sprzed %s nie zostało wysłanych"};
  std::string text = PolishCount(n, notSent);
  text.replace(text.find("%s"), 2, DateToStr(windowFrom));
  std::string names;
  for (size_t i = 0; i < documents.size() && i < 10; ++i)
    names += (i ? ", " : "") + documents[i];
  if (documents.size() > 10) names += " i " + std::to_string(documents.size() - 10) + " innych";
  return text + " do KSeF: " + names +
         (n == 1 ? ". Aby go" : ". Aby je") +
         std::string(" wysłać, zwiększ DaysBackToSend w sekcji [KSeF] pliku ini.");
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

void FillTotals(const IXMLFaktura_Fa& fa, const TSale& sale, const std::string& currency,
                const TRegisterValue& reg) {
  // A foreign-currency invoice's totals are summed from its lines, its tax
  // in PLN set beside them (TForeignTotals, ReconcilePlnVat).
  if (currency != "PLN") return;
  for (const TVatRate& r : VatRates()) {
    const char* net = r.Net[RateColumn(r, sale)];
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
  }
  SetTotal(fa, "P_15", reg("Value"), true);
}

namespace {

// Above this gross total in PLN an invoice of annex 15 goods to a taxpayer
// carries the split-payment mark, in grosze.
constexpr long long kSplitPaymentLimitGrosze = 1500000;

// The keys of the basis in the order they are tried, each written under its own name.
struct TBasisKey {
  const char* Element;
  std::string TZwolnienieBasis::*Text;
  void (TXMLFaktura_Fa_Adnotacje_Zwolnienie::*Set)(const std::string&);
};
const TBasisKey kBasisKeys[] = {
    {"P_19A", &TZwolnienieBasis::P_19A, &TXMLFaktura_Fa_Adnotacje_Zwolnienie::SetP_19A},
    {"P_19B", &TZwolnienieBasis::P_19B, &TXMLFaktura_Fa_Adnotacje_Zwolnienie::SetP_19B},
    {"P_19C", &TZwolnienieBasis::P_19C, &TXMLFaktura_Fa_Adnotacje_Zwolnienie::SetP_19C},
};

template <class F>
void ForEachLine(const IXMLFaktura_Fa& fa, F f) {
  if (!fa->HasChild("FaWiersz")) return;
  auto lines = fa->FaWiersz();
  for (int i = 0; i < lines->Count(); ++i) f(lines->Items(i));
}

}  // namespace

bool HasExemptSupply(const IXMLFaktura_Fa& fa) {
  const TVatRate* exempt = FindVatRate(ExemptRate);
  if (!exempt) return false;
  bool found = false;
  for (const char* total : exempt->Net)
    if (RoundHalfAway(2, FaTotal(fa, total)) != 0) found = true;
  ForEachLine(fa, [&](const IXMLFaktura_Fa_FaWiersz& line) {
    if (!line->HasChild("P_12")) return;
    const std::string code = line->P_12();
    for (const char* c : exempt->Code)
      if (code == c) found = true;
  });
  return found;
}

double GrossTotalPln(const IXMLFaktura_Fa& fa) {
  const double gross = FaTotal(fa, "P_15");
  if (!IsForeignCurrencyFa(fa)) return RoundHalfAway(2, gross);
  return RoundHalfAway(2, gross * ExchangeRateOf(fa));
}

bool ReverseCharge(const IXMLFaktura_Fa& fa) {
  bool found = false;
  for (const TVatRate& r : VatRates()) {
    if (!r.BuyerSettles) continue;
    if (RoundHalfAway(2, FaTotal(fa, r.Net[skIntraEu])) != 0) found = true;
    ForEachLine(fa, [&](const IXMLFaktura_Fa_FaWiersz& line) {
      if (line->HasChild("P_12") && line->P_12() == r.Code[skIntraEu]) found = true;
    });
  }
  return found;
}

bool SplitPaymentRequired(const IXMLFaktura& faktura) {
  if (!faktura->HasChild("Fa") || !faktura->HasChild("Podmiot2")) return false;
  auto buyer = faktura->Podmiot2();
  if (!buyer->HasChild("DaneIdentyfikacyjne") || !buyer->DaneIdentyfikacyjne()->HasChild("NIP") ||
      Trim(buyer->DaneIdentyfikacyjne()->NIP()).empty())
    return false;
  const IXMLFaktura_Fa fa = faktura->Fa();
  if (std::llround(GrossTotalPln(fa) * 100) <= kSplitPaymentLimitGrosze) return false;
  bool annex15 = false;
  ForEachLine(fa, [&](const IXMLFaktura_Fa_FaWiersz& line) {
    if (line->HasChild("P_12_Zal_15") && line->P_12_Zal_15() == 1) annex15 = true;
  });
  return annex15;
}

TAdnotacjeMarks AdnotacjeMarks(const IXMLFaktura& faktura, int registerFlags,
                               const TZwolnienieBasis& basis, const std::string& documentName) {
  TAdnotacjeMarks marks;
  marks.SplitPayment = (registerFlags & 128) != 0 || SplitPaymentRequired(faktura);
  if (!faktura->HasChild("Fa")) return marks;
  marks.ReverseCharge = ReverseCharge(faktura->Fa());
  if (!HasExemptSupply(faktura->Fa())) return marks;
  for (const TBasisKey& key : kBasisKeys) {
    const std::string text = TrimControls(basis.*key.Text);
    if (text.empty()) continue;
    marks.BasisElement = key.Element;
    marks.Basis = text;
    return marks;
  }
  throw EDocumentRefused(
      "Dokument " + documentName +
      " ma pozycje zwolnione z podatku VAT (stawka zw), a konfiguracja nie podaje podstawy "
      "prawnej zwolnienia. Dodaj w pliku konfiguracyjnym sekcję [Zwolnienie] z kluczem P_19A "
      "(przepis ustawy o VAT), P_19B (przepis dyrektywy 2006/112/WE) albo P_19C (inna podstawa "
      "prawna). Dokumentu nie wygenerowano.");
}

void FillAdnotacje(const IXMLFaktura_Fa& fa, const TAdnotacjeMarks& marks) {
  fa->EnsureChildInSchemaOrder("Adnotacje");
  auto a = fa->Adnotacje();
  a->SetP_16(2);
  a->SetP_17(2);
  a->SetP_18(marks.ReverseCharge ? 1 : 2);
  a->SetP_18A(marks.SplitPayment ? 1 : 2);
  auto z = a->Zwolnienie();
  if (marks.BasisElement.empty()) {
    z->SetP_19N(1);
  } else {
    const TBasisKey* key = nullptr;
    for (const TBasisKey& k : kBasisKeys)
      if (marks.BasisElement == k.Element) key = &k;
    if (!key)
      throw EArgumentException("Nieznany element podstawy zwolnienia: " + marks.BasisElement);
    z->SetP_19(1);
    ((*z).*key->Set)(marks.Basis);
  }
  a->NoweSrodkiTransportu()->SetP_22N("1");
  a->SetP_23(2);
  a->PMarzy()->SetP_PMarzyN(1);
}

}  // namespace brenvik
