#pragma once
// The head of the Fa element that needs no table: the export window, the
// corrections, the currency, the future-date refusal, the totals per VAT
// rate and the fixed annotations.
#include <functional>
#include <string>

#include "fa3/Schemat_FA3.h"
#include "support/Countries.h"
#include "support/DateTime.h"
#include "support/DocumentTypes.h"

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
// The totals in schema order, P_15 last.
void FillTotals(const IXMLFaktura_Fa& fa, int invoType, TBuyerKind buyerKind,
                const std::string& currency, const TRegisterValue& reg);

// The fixed annotations; split payment from bit 7 of the register's flags.
void FillAdnotacje(const IXMLFaktura_Fa& fa, int registerFlags);

}  // namespace brenvik
