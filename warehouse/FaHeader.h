#pragma once
// The head of the Fa element that needs no table: the export window, the
// corrections, the currency, the future-date refusal, the totals per VAT
// rate and the annotations.
#include <functional>
#include <string>
#include <vector>

#include "fa3/Schemat_FA3.h"
#include "support/Countries.h"
#include "support/DateTime.h"
#include "support/DocumentTypes.h"
#include "support/Errors.h"
#include "warehouse/VatRates.h"

namespace brenvik {

struct TDateRange {
  TDateTime DateFrom;
  TDateTime DateTo;
};

// CurDate minus daysBack, raised to startDate; up to CurDate.
TDateRange ExportWindow(TDateTime curDate, int daysBack, TDateTime startDate);
// Whole days of the window: first day, and the day after the last one.
TDateTime FilterDateFrom(const TDateRange& range);
TDateTime FilterDateToExcl(const TDateRange& range);
std::string ExportWindowLogLine(const TDateRange& range);
// "N dokumentów sprzed <date> nie zostało wysłanych do KSeF: <ten names>",
// and what to do: the due documents the window leaves behind.
std::string UnsentBeforeWindowText(const std::vector<std::string>& documents, TDateTime windowFrom);

// Odd types are corrections.
bool IsCorrectionType(int type);

// "IntlId", else EUR when bit 14 of the document's options is set, else PLN.
std::string CurrencyCode(const std::string& intlId, int documentOptions);

// Refuses an issue date later than today by the given clock.
void CheckNotFutureDate(TDateTime issueDate, const std::function<TDateTime()>& today = Today);

// Reads one register field as a number.
using TRegisterValue = std::function<double(const std::string& field)>;

// Rounds the value to 2 places and writes the element only when that is not 0
// (P_15 always). Unknown element names raise.
void SetTotal(const IXMLFaktura_Fa& fa, const std::string& element, double value,
              bool always = false);
// The totals from the register entry in schema order, P_15 last; none for
// a foreign-currency invoice, whose totals are in its own currency, summed
// from its lines, with the register's tax in PLN beside them.
void FillTotals(const IXMLFaktura_Fa& fa, const TSale& sale, const std::string& currency,
                const TRegisterValue& reg);

// A document that cannot be exported as it stands: the run reports it and
// goes on with the next one, leaving it without a file and without a mark.
BRENVIK_DECLARE_ERROR(EDocumentRefused, Exception)

// The legal basis of exempt supply as the [Zwolnienie] section gives it.
struct TZwolnienieBasis {
  std::string P_19A;  // provision of the VAT act
  std::string P_19B;  // provision of directive 2006/112/EC
  std::string P_19C;  // other legal basis
};

// What the annotations say beyond their fixed values.
struct TAdnotacjeMarks {
  bool ReverseCharge = false;  // P_18 1, else 2
  bool SplitPayment = false;   // P_18A 1, else 2
  // "P_19A", "P_19B" or "P_19C": P_19 1 and the basis under that name; empty: P_19N 1.
  std::string BasisElement;
  std::string Basis;
};

// Exempt supply: a line at the exempt rate's code or a non-zero exempt total.
bool HasExemptSupply(const IXMLFaktura_Fa& fa);
// P_15 in PLN, rounded to grosze: in another currency converted at the
// rate the invoice states (ExchangeRateOf). A foreign invoice without a rate
// gives 0.
double GrossTotalPln(const IXMLFaktura_Fa& fa);
// The buyer settles the tax of some supply (P_18 1): a line or a net total
// of a rate column marked so in the table of VAT rates.
bool ReverseCharge(const IXMLFaktura_Fa& fa);
// Split payment by law: the gross total above 15,000 PLN, a line of annex 15
// (P_12_Zal_15 1) and a buyer identified by NIP.
bool SplitPaymentRequired(const IXMLFaktura& faktura);
// The marks of an invoice whose buyer, lines and totals are written: reverse
// charge as ReverseCharge finds it; split payment when bit 7 of the register's flags says so or the law requires
// it; for exempt supply the first non-empty basis (trimmed of blanks and control
// characters) in the
// order P_19A, P_19B, P_19C. Exempt supply without a basis raises
// EDocumentRefused naming the document.
TAdnotacjeMarks AdnotacjeMarks(const IXMLFaktura& faktura, int registerFlags,
                               const TZwolnienieBasis& basis, const std::string& documentName);
// The annotations at their schema place in Fa (also when the elements after
// them are written already).
void FillAdnotacje(const IXMLFaktura_Fa& fa, const TAdnotacjeMarks& marks);

}  // namespace brenvik
