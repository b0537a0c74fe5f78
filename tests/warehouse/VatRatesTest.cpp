#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "common/TestXml.h"
#include "support/Errors.h"
#include "warehouse/FaHeader.h"
#include "warehouse/LineRules.h"
#include "warehouse/RateTotals.h"
#include "warehouse/VatRates.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

// The decimal elements of Fa, as the FA(3) class table names them.
std::set<std::string> FaDecimalElements() {
  std::set<std::string> names;
#define FA3_DECIMAL(Cls, Name) \
  if (std::string_view(#Cls) == "Faktura_Fa") names.insert(#Name);
#include "fa3/Fa3ClassesDefaults.h"
#include "fa3/Fa3Classes.def"
#include "fa3/Fa3ClassesReset.h"
  return names;
}

std::string ChildText(const TXMLNode& node, const std::string& name) {
  for (xmlNodePtr c : ChildElements(node))
    if (ElementName(c) == name) return ElementContent(c);
  return {};
}

}  // namespace

// Walks the table of VAT rates: every total is a decimal element of Fa that
// both writers of totals accept, no two rates share a register field or a
// total, and the lookups by rate and document type answer as the row says
// for every type that goes to KSeF.
TEST(VatRates, EveryRowNamesValidDistinctTotals) {
  const std::set<std::string> decimals = FaDecimalElements();
  std::set<int> rates;
  std::set<std::string> fields;
  std::map<std::string, int> owner;  // total -> the rate that feeds it
  std::set<std::string> pln;         // the tax totals in PLN
  auto own = [&](const std::string& total, int rate) {
    EXPECT_EQ(decimals.count(total), 1u) << total;
    auto [it, fresh] = owner.emplace(total, rate);
    EXPECT_EQ(it->second, rate) << total << " fed by two rates";
  };
  for (const TVatRate& r : VatRates()) {
    EXPECT_TRUE(rates.insert(r.Rate).second) << "two rows of rate " << r.Rate;
    EXPECT_EQ(FindVatRate(r.Rate), &r) << r.Rate;
    EXPECT_TRUE(fields.insert(r.NetField).second) << r.NetField;
    const bool vat = *r.Vat != 0;
    EXPECT_EQ(*r.VatField != 0, vat) << r.Rate;
    EXPECT_EQ(*r.VatPln != 0, vat) << r.Rate;
    EXPECT_EQ(vat, r.Rate > 0) << r.Rate;
    if (vat) {
      EXPECT_TRUE(fields.insert(r.VatField).second) << r.VatField;
      own(r.Vat, r.Rate);
      own(r.VatPln, r.Rate);
      pln.insert(r.VatPln);
    }
    for (const char* net : r.Net) own(net, r.Rate);
    if (r.Rate > 0) {
      for (const char* code : r.Code) EXPECT_EQ(code, std::to_string(r.Rate)) << r.Rate;
    }
    // Only a rate chosen by the buyer can be one whose tax the buyer settles.
    if (r.BuyerSettles) EXPECT_TRUE(r.ByBuyer) << r.Rate;
    for (const TDocumentType& t : DocumentTypes()) {
      if (!t.Ksef) continue;
      for (TSaleKind buyer : {skDomestic, skExport, skIntraEu}) {
        const TSaleKind column = r.ByBuyer ? buyer : t.Sale;
        const TSale sale = SaleOf(t.Type, buyer);
        EXPECT_EQ(NetTotalName(r.Rate, sale), r.Net[column]) << r.Rate << "/" << t.Type;
        EXPECT_EQ(VatRateCode(r.Rate, sale), r.Code[column]) << r.Rate << "/" << t.Type;
      }
      EXPECT_EQ(VatTotalName(r.Rate), r.Vat) << r.Rate;
    }
  }
  for (const auto& [total, rate] : owner) {
    IXMLFaktura f = NewFaktura();
    SetTotal(f->Fa(), total, 1.5);
    EXPECT_EQ(ChildText(*f->Fa(), total), "1.5") << total;
    if (pln.count(total)) {  // the lines do not rebuild them
      EXPECT_THROW(AddToFaTotal(f->Fa(), total, 1), EArgumentException) << total;
      continue;
    }
    AddToFaTotal(f->Fa(), total, 1);
    EXPECT_EQ(FaTotal(f->Fa(), total), 2.5) << total;
  }
}
