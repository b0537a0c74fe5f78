#include "warehouse/VatRates.h"

#include "support/RowLookup.h"

namespace brenvik {

namespace {

#define BRENVIK_VAT_RATE(Rate, NetField, VatField, NetDomestic, NetExport, NetIntraEu, ByBuyer, \
                         Vat, VatPln, CodeDomestic, CodeExport, CodeIntraEu, BuyerSettles)      \
  {Rate,    NetField, VatField, {NetDomestic, NetExport, NetIntraEu},                           \
   ByBuyer, Vat,      VatPln,   {CodeDomestic, CodeExport, CodeIntraEu},                        \
   BuyerSettles},
constexpr TVatRate Rates[] = {
#include "warehouse/VatRates.def"
};
#undef BRENVIK_VAT_RATE

}  // namespace

std::span<const TVatRate> VatRates() { return Rates; }

const TVatRate* FindVatRate(int rate) { return FindRow(VatRates(), &TVatRate::Rate, rate); }

TSale SaleOf(int invoType, TSaleKind buyer) { return {SaleKind(invoType), buyer}; }

TSaleKind RateColumn(const TVatRate& rate, const TSale& sale) {
  return rate.ByBuyer ? sale.Buyer : sale.Document;
}

}  // namespace brenvik
