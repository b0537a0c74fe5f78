#include <gtest/gtest.h>

#include "MappingSite.h"
#include "support/Money.h"
#include "support/DocumentKey.h"
#include "support/Errors.h"
#include "warehouse/FaLines.h"
#include "warehouse/RateTotals.h"

using namespace brenvik;
using namespace brenvik::testing;
using namespace brenvik::testing::mapping;

namespace {

// Child element names of a node, separated by spaces.
std::string Names(const TXMLNode& node) {
  std::string out;
  for (xmlNodePtr c = node.Node()->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) {
      if (!out.empty()) out += " ";
      out += reinterpret_cast<const char*>(c->name);
    }
  return out;
}

struct TLineCase {
  const char* What;
  int Type;
  const char* IntlId;
  int Options;  // 64: gross pricing
  double Price, Quantity, VAT, Cost;
  const char* Name;
  const char* Unit;
  int GoodsOptions, GTU;
  const char* Barcode;  // null: no barcode row
  const char* Expected;
};

const TLineCase LineCases[] = {
    {"net pricing", 0, "", 0, 12.30, 3, 23, 0, "Śruba M8", "kg", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Śruba M8 | P_8A=kg | P_8B=3 | P_9A=10 | P_11=30 | P_12=23"},
    {"gross pricing", 0, "", 64, 12.30, 3, 23, 0, "Śruba M8", "kg", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Śruba M8 | P_8A=kg | P_8B=3 | P_9B=12.3 | P_11=30 | P_11A=36.9 | "
     "P_12=23"},
    {"empty unit, rate 7.9 truncated", 0, "", 0, 10.70, 1, 7.9, 0, "Klej", "", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Klej | P_8A=szt. | P_8B=1 | P_9A=10 | P_11=10 | P_12=7"},
    {"zero rate of an intra-Community supply", 22, "PLN", 0, 100, 2, 0, 0, "Cegła", "szt.", 0, 0,
     nullptr, "NrWierszaFa=1 | P_7=Cegła | P_8A=szt. | P_8B=2 | P_9A=100 | P_11=200 | P_12=0 WDT"},
    {"zero rate of an export", 2, "PLN", 0, 100, 2, 0, 0, "Cegła", "szt.", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Cegła | P_8A=szt. | P_8B=2 | P_9A=100 | P_11=200 | P_12=0 EX"},
    {"zero rate at home", 0, "", 0, 100, 2, 0, 0, "Cegła", "szt.", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Cegła | P_8A=szt. | P_8B=2 | P_9A=100 | P_11=200 | P_12=0 KR"},
    {"exempt", 0, "", 0, 50, 1, -1, 0, "Szkolenie", "h", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Szkolenie | P_8A=h | P_8B=1 | P_9A=50 | P_11=50 | P_12=zw"},
    {"not subject, export correction", 3, "PLN", 0, 50, 1, -2, 0, "Usługa", "szt.", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Usługa | P_8A=szt. | P_8B=1 | P_9A=50 | P_11=50 | P_12=np I"},
    {"not subject, domestic correction", 1, "", 0, 50, 1, -2, 0, "Usługa", "szt.", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Usługa | P_8A=szt. | P_8B=1 | P_9A=50 | P_11=50 | P_12=np I"},
    {"not subject, to a VAT payer in the EU", 22, "PLN", 0, 50, 1, -2, 0, "Usługa", "szt.", 0, 0,
     nullptr, "NrWierszaFa=1 | P_7=Usługa | P_8A=szt. | P_8B=1 | P_9A=50 | P_11=50 | P_12=np II"},
    {"annex 15 goods with GTU 7", 0, "", 0, 123, 1, 23, 0, "Stal zbrojeniowa", "kg", 8, 7, nullptr,
     "NrWierszaFa=1 | P_7=Stal zbrojeniowa | P_8A=kg | P_8B=1 | P_9A=100 | P_11=100 | P_12=23 | "
     "P_12_Zal_15=1 | GTU=GTU_07"},
    {"barcode", 0, "", 0, 123, 1, 23, 0, "Wiertarka", "szt.", 0, 0, "5901234123457",
     "NrWierszaFa=1 | P_7=Wiertarka | GTIN=5901234123457 | P_8A=szt. | P_8B=1 | P_9A=100 | "
     "P_11=100 | "
     "P_12=23"},
    {"empty barcode", 0, "", 0, 123, 1, 23, 0, "Wiertarka", "szt.", 0, 0, "",
     "NrWierszaFa=1 | P_7=Wiertarka | P_8A=szt. | P_8B=1 | P_9A=100 | P_11=100 | P_12=23"},
    {"no goods name", 0, "", 0, 123, 1, 23, 0, "", "szt.", 0, 0, nullptr,
     "NrWierszaFa=1 | P_8A=szt. | P_8B=1 | P_9A=100 | P_11=100 | P_12=23"},
    {"price and quantity as stored", 0, "", 0, 1.004, 2.5555, 23, 0, "Gwóźdź", "kg", 0, 0,
     nullptr,
     "NrWierszaFa=1 | P_7=Gwóźdź | P_8A=kg | P_8B=2.5555 | P_9A=0.816 | P_11=2.09 | P_12=23"},
    {"export in EUR", 2, "EUR", 0, 10.00, 5, 0, 4.25871, "Płytka", "m2", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Płytka | P_8A=m2 | P_8B=5 | P_9A=10 | P_11=50 | P_12=0 EX | "
     "KursWaluty=4.25871"},
    {"unit net price to 4 places abroad", 22, "EUR", 0, 10.00, 100, 23, 4.3, "Płytka", "m2", 0, 0,
     nullptr,
     "NrWierszaFa=1 | P_7=Płytka | P_8A=m2 | P_8B=100 | P_9A=8.1301 | P_11=813.01 | P_12=23 | "
     "KursWaluty=4.3"},
    {"unit net price to the places its value needs at home", 0, "", 0, 10.00, 100, 23, 0, "Płytka",
     "m2", 0, 0, nullptr,
     "NrWierszaFa=1 | P_7=Płytka | P_8A=m2 | P_8B=100 | P_9A=8.1301 | P_11=813.01 | P_12=23"},
    {"unit net price of 2 places where they add up", 0, "", 0, 10.00, 3, 23, 0, "Płytka", "m2", 0,
     0, nullptr,
     "NrWierszaFa=1 | P_7=Płytka | P_8A=m2 | P_8B=3 | P_9A=8.13 | P_11=24.39 | P_12=23"},
};

}  // namespace

TEST(FaLines, OneLineOfEachKind) {
  TSiteContent content;
  int n = 0;
  for (const TLineCase& c : LineCases) {
    ++n;
    TSiteDoc d;
    d.Type = c.Type;
    d.Number = n;
    d.Name = "FV " + std::to_string(n) + "/2026";
    d.IntlId = c.IntlId;
    d.Options = c.Options;
    d.Value = 100;
    content.Docs.push_back(d);
    content.Lines.push_back({c.Type, n, 1, "A", n, c.Price, c.Quantity, c.VAT, c.Cost});
    content.Goods.push_back({"A", n, c.Name, c.Unit, c.GoodsOptions, c.GTU});
    if (c.Barcode) content.Barcodes.push_back({"A", n, c.Barcode});
  }
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  n = 0;
  for (const TLineCase& c : LineCases) {
    ++n;
    const TInvoKey key = site.Stand(c.Type, n);
    IXMLFaktura f = site.NewInvoice(key);
    site.DM->FillFaWiersze(f, key, (c.Options & 64) != 0);
    ASSERT_EQ(f->Fa()->FaWiersz()->Count(), 1) << c.What;
    EXPECT_EQ(Children(*f->Fa()->FaWiersz()->Items(0)), c.Expected) << c.What;
  }
}

TEST(FaLines, PackagingLinesAreNoInvoiceLines) {
  TSiteContent content;
  TSiteDoc only;
  only.Number = 1;
  TSiteDoc mixed;
  mixed.Number = 2;
  content.Docs = {only, mixed};
  content.Lines = {{0, 1, 1, "O", 1, 45, 2, 23, 0},
                   {0, 2, 1, "A", 1, 123, 1, 23, 0},
                   {0, 2, 2, "O", 1, 45, 2, 23, 0},
                   {0, 2, 3, "A", 1, 246, 1, 23, 0}};
  content.Goods = {{"A", 1, "Cement", "worek", 0, 0}, {"O", 1, "Paleta EUR", "szt.", 0, 0}};
  TExportSite site;
  site.Build(content.Json());
  site.Config.CmrPacking = true;
  site.Open();
  TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  site.DM->FillFaWiersze(f, key, false);
  EXPECT_FALSE(f->Fa()->HasChild("FaWiersz"));

  key = site.Stand(0, 2);
  f = site.NewInvoice(key);
  site.DM->FillFaWiersze(f, key, false);
  ASSERT_EQ(f->Fa()->FaWiersz()->Count(), 2);
  EXPECT_EQ(f->Fa()->FaWiersz()->Items(0)->NrWierszaFa(), 1);
  EXPECT_EQ(f->Fa()->FaWiersz()->Items(1)->NrWierszaFa(), 3);

  // With the switch off the pallet is an ordinary line.
  site.Config.CmrPacking = false;
  f = site.NewInvoice(key);
  site.DM->FillFaWiersze(f, key, false);
  ASSERT_EQ(f->Fa()->FaWiersz()->Count(), 3);
  EXPECT_EQ(f->Fa()->FaWiersz()->Items(1)->P_7(), "Paleta EUR");
}

// The register's totals of a foreign-currency invoice are in PLN; the lines
// give them in the invoice's currency, each total at its schema place, and
// the register gives only the tax in PLN.
TEST(FaLines, ForeignTotalsComeFromTheLines) {
  TSiteContent content;
  TSiteDoc d;
  d.IntlId = "EUR";
  d.Value22 = 5000;
  d.Tax22 = 1150;
  d.ValueFree = 50;
  d.Value = 6200;
  content.Docs = {d};
  content.Lines = {{0, 1, 1, "A", 1, 123, 1, 23, 4.3},
                   {0, 1, 2, "A", 1, 246, 1, 23, 4.3},
                   {0, 1, 3, "A", 1, 107, 1, 7.9, 4.3},
                   {0, 1, 4, "A", 1, 108, 1, 8, 4.3}};
  content.Goods = {{"A", 1, "Płytka", "m2", 0, 0}};
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  auto fa = f->Fa();
  ASSERT_FALSE(fa->HasChild("P_13_1"));
  ASSERT_FALSE(fa->HasChild("P_13_7"));
  site.DM->FillFaWiersze(f, key, false);
  EXPECT_EQ(FaTotal(fa, "P_13_1"), 300);
  EXPECT_EQ(FaTotal(fa, "P_14_1"), 69);
  EXPECT_EQ(fa->P_14_1W(), 1150);  // the tax in PLN stays
  EXPECT_EQ(FaTotal(fa, "P_13_2"), 100);
  EXPECT_EQ(FaTotal(fa, "P_14_2"), 8);
  EXPECT_EQ(fa->P_14_2W(), 34.4);  // none in the register: 8 EUR at 4.3
  EXPECT_FALSE(fa->HasChild("P_13_7"));  // no exempt line
  // 369 at 23 %, 108 at 8 %, and the 7 % line (no total of its own) 107.
  EXPECT_EQ(FaTotal(fa, "P_15"), 584);
  EXPECT_EQ(
      Names(*fa),
      "KodWaluty P_1 P_2 P_13_1 P_14_1 P_14_1W P_13_2 P_14_2 P_14_2W P_15 Adnotacje RodzajFaktury "
      "FaWiersz FaWiersz FaWiersz FaWiersz");
}

TEST(FaLines, ForeignTotalsHoldWholeCents) {
  TSiteContent content;
  TSiteDoc d;
  d.IntlId = "EUR";
  d.Value0 = 130;
  d.Value = 130;
  content.Docs = {d};
  content.Lines = {{0, 1, 1, "A", 1, 10.1, 1, 0, 4.3}, {0, 1, 2, "A", 1, 20.2, 1, 0, 4.3}};
  content.Goods = {{"A", 1, "Płytka", "m2", 0, 0}};
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  site.DM->FillFaWiersze(f, key, false);
  EXPECT_EQ(ElementText(*f->Fa(), "P_13_6_1"), "30.3");
  EXPECT_EQ(ElementText(*f->Fa(), "P_15"), "30.3");
  site.DM->FillPlatnoscAndStopka(f);
  EXPECT_EQ(site.Validate(f, "cents"), std::vector<std::string>{});
}

TEST(FaLines, UnknownRateStopsTheDocument) {
  TSiteContent content;
  content.Docs = {TSiteDoc{}};
  content.Lines = {{0, 1, 1, "A", 1, 10, 1, -3, 0}};
  content.Goods = {{"A", 1, "Płytka", "m2", 0, 0}};
  TExportSite site;
  site.Build(content.Json());
  site.Open();
  const TInvoKey key = site.Stand(0, 1);
  IXMLFaktura f = site.NewInvoice(key);
  try {
    site.DM->FillFaWiersze(f, key, false);
    FAIL() << "rate -3 accepted";
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Nierozpoznana stawka VAT");
  }
}

// The realistic site: every pending document mapped whole; the foreign ones
// get their totals from the lines, and every file passes the schema.
TEST(FaLines, MixSiteInvoicesKeepTheirTotalsAndValidate) {
  const std::string json = ReadFile(SourceDir() + "/tests/data/stelmar-mix.json");
  TExportSite site;
  site.Build(json);
  site.Config.CmrPacking = true;
  site.Open();
  struct Expected {
    int Type, Number;
    const char* Totals;  // "name=value ..." of Fa after the mapping
  } expected[] = {
      {22, 5, "P_13_6_2=2403.5 P_15=2403.5"},
      {2, 3, "P_13_6_3=3062 P_13_8=850 P_15=3912"},
      {0, 120, "P_13_1=1300 P_14_1=299 P_15=1599"},
      {0, 122, "P_13_1=750 P_14_1=172.5 P_13_6_1=1500 P_13_7=1350 P_15=3772.5"},
      {0, 123, "P_13_1=3495.93 P_14_1=804.06 P_13_2=55.33 P_14_2=4.43 P_15=4359.75"},
  };
  int documents = 0;
  for (site.DM->tblWI.First(); !site.DM->tblWI.Eof(); site.DM->tblWI.Next()) {
    TInvoKey key;
    key.InvoType = static_cast<std::int16_t>(site.DM->tblWI.FieldByName("Type").AsInteger());
    key.InvoYear = 2026;
    key.InvoMagId = 1;
    key.InvoNr = static_cast<std::int16_t>(site.DM->tblWI.FieldByName("Number").AsInteger());
    if ((site.DM->tblWI.FieldByName("Flags").AsInteger() & 1) != 0) continue;
    ++documents;
    const std::string name = InvoKeyToText(key);
    IXMLFaktura f = site.NewInvoice(key);
    site.MapRest(f, key);
    for (const Expected& e : expected) {
      if (e.Type != key.InvoType || e.Number != key.InvoNr) continue;
      std::string totals;
      for (const char* t : {"P_13_1", "P_14_1", "P_13_2", "P_14_2", "P_13_3", "P_14_3", "P_13_6_1",
                            "P_13_6_2", "P_13_6_3", "P_13_7", "P_13_8", "P_13_9", "P_15"})
        if (f->Fa()->HasChild(t))
          totals += std::string(totals.empty() ? "" : " ") + t + "=" + ElementText(*f->Fa(), t);
      EXPECT_EQ(totals, e.Totals) << name;
    }
    if (name == "0-2026-1-125") {
      EXPECT_EQ(f->Fa()->Rozliczenie()->SumaObciazen(), 235.5);
    }
    if (name == "0-2026-1-127") {
      EXPECT_EQ(f->Fa()->DodatkowyOpis()->Items(0)->Wartosc(), "WR 4521K");
    }
    int goodsLines = 0;
    for (site.DM->tblWT.First(); !site.DM->tblWT.Eof(); site.DM->tblWT.Next())
      if (site.DM->tblWT.FieldByName("Group").AsString() != "O") ++goodsLines;
    EXPECT_EQ(f->Fa()->HasChild("FaWiersz") ? f->Fa()->FaWiersz()->Count() : 0, goodsLines) << name;
    EXPECT_EQ(site.Validate(f, name), std::vector<std::string>{}) << name;
  }
  EXPECT_GE(documents, 20);
}
