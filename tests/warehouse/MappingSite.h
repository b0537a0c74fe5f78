#pragma once
// A small Stelmar site for the mapping tests of one invoice's lines, payment
// and descriptions: documents, lines, goods and register entries described
// in code, written as a fixture (working date 2026-04-10, yearly tables,
// window 2026-04-05..2026-04-10), a data module over it, and an FA(3)
// document whose head stands as the header step leaves it.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "fa3/Fa3Files.h"
#include "fa3/Fa3Validate.h"
#include "StelmarSite.h"
#include "common/TestFiles.h"
#include "common/TestXml.h"
#include "config/Config.h"
#include "warehouse/DataModule.h"
#include "warehouse/FaHeader.h"
#include "warehouse/Parties.h"
#include "fixtures/TableWriter.h"

namespace brenvik::testing::mapping {

struct TSiteDoc {
  int Type = 0;
  int Number = 1;
  std::string Name = "FV 1/2026";
  std::string Date = "2026-04-08 10:00:00";
  std::string SaleDate = "2026-04-08";  // empty: null
  int Flags = 0;
  int Options = 0;
  std::string IntlId;
  int User = 1;
  int CarId = 0;
  std::string Comment;
  int PayInfo = 2;
  int PayDelay = 14;
  // register entry
  double Value = 0, Value22 = 0, Tax22 = 0, Value7 = 0, Tax7 = 0, Value3 = 0, Tax3 = 0;
  double Value0 = 0, ValueFree = 0, NPO = 0;
  int RegFlags = 0;
};

struct TSiteLine {
  int Type = 0;
  int Number = 1;
  int InvoPos = 1;
  std::string Group = "A";
  int Index = 1;
  double Price = 0, Quantity = 1, VAT = 23, Cost = 0;
};

struct TSiteGoods {
  std::string Group = "A";
  int Index = 1;
  std::string Name;
  std::string Unit = "szt.";
  int Options = 0;
  int GTU = 0;
};

struct TSiteBarcode {
  std::string Group;
  int Index;
  std::string Barcode;
};
struct TSiteCar {
  int User, CarId;
  std::string NrRej;
};
struct TSiteDesc {
  int Type, Number, InvoPos;
  std::string Text;
};

struct TSiteContent {
  std::vector<TSiteDoc> Docs;
  std::vector<TSiteLine> Lines;
  std::vector<TSiteGoods> Goods;
  std::vector<TSiteBarcode> Barcodes;
  std::vector<TSiteCar> Cars;
  std::vector<TSiteDesc> Descs;
  bool Optional = true;  // the descriptions, cars and barcodes tables exist

  std::string Json() const {
    using nlohmann::json;
    auto table = [](int primary, json fields) {
      return json{{"primary", primary}, {"fields", std::move(fields)}, {"records", json::array()}};
    };
    json t;
    t["DATA/2026WI"] =
        table(4, json::parse(R"([["Type","S"],["Year","S"],["MagId","S"],["Number","S"],
      ["Name","A24"],["Date","@"],["SaleDate","D"],["Flags","I"],["Options","I"],["IntlId","A3"],
      ["User","I"],["CarId","S"],["Comment","A120"],["PayInfo","S"],["PayDelay","S"],["MasterType","S"],
      ["MasterYear","S"],["MasterMagId","S"],["MasterNumber","S"]])"));
    t["DATA/2026REG"] =
        table(4, json::parse(R"([["Class","S"],["Year","S"],["MagId","S"],["Number","S"],
      ["Document","A40"],["KSeF","A40"],["Value","$"],["Value22","$"],["Tax22","$"],["Value7","$"],
      ["Tax7","$"],["Value3","$"],["Tax3","$"],["Value0","$"],["ValueFree","$"],["NPO","$"],["Flags","I"]])"));
    for (const TSiteDoc& d : Docs) {
      t["DATA/2026WI"]["records"].push_back({d.Type, 2026, 1, d.Number, d.Name, d.Date,
                                             d.SaleDate.empty() ? json(nullptr) : json(d.SaleDate),
                                             d.Flags, d.Options, d.IntlId, d.User, d.CarId,
                                             d.Comment, d.PayInfo, d.PayDelay, 0, 0, 0, 0});
      t["DATA/2026REG"]["records"].push_back({d.Type, 2026, 1, d.Number, d.Name, "", d.Value,
                                              d.Value22, d.Tax22, d.Value7, d.Tax7, d.Value3,
                                              d.Tax3, d.Value0, d.ValueFree, d.NPO, d.RegFlags});
    }
    t["DATA/2026WT"] =
        table(5, json::parse(R"([["Type","S"],["Year","S"],["MagId","S"],["Number","S"],
      ["InvoPos","S"],["Group","A4"],["Index","I"],["Series","I"],["Price","N"],["Quantity","N"],
      ["VAT","N"],["Cost","N"]])"));
    for (const TSiteLine& l : Lines)
      t["DATA/2026WT"]["records"].push_back({l.Type, 2026, 1, l.Number, l.InvoPos, l.Group, l.Index,
                                             0, l.Price, l.Quantity, l.VAT, l.Cost});
    t["DATA/2026W"] = table(2, json::parse(R"([["Group","A4"],["Index","I"],["Name","A60"],
      ["Unit","A8"],["Options","I"],["GTU","S"]])"));
    for (const TSiteGoods& g : Goods)
      t["DATA/2026W"]["records"].push_back({g.Group, g.Index, g.Name, g.Unit, g.Options, g.GTU});
    t["DATA/2026WS"] =
        table(4, json::parse(R"([["Group","A4"],["Index","I"],["SeriesNo","I"],["MagId","S"]])"));
    t["DATA/2026UR"] = table(1, json::parse(R"([["Number","I"],["Firm Name","A60"],["City","A40"],
      ["Options","S"],["Address","A60"],["ZipCode","A10"],["NIP","A20"],["Payer","A120"],
      ["Nip3IdWew","A20"],["Permission","A20"],["ExtOpt","I"]])"));
    t["DATA/2026UR"]["records"].push_back({1, "Kowalski Handel", "Kraków", 0, "ul. Długa 5",
                                           "30-001", "1234563218", nullptr, "", "", 0});
    if (Optional) {
      t["TABLES/26desc"] =
          table(5, json::parse(R"([["Type","S"],["Year","S"],["MagId","S"],["Number","S"],
        ["InvoPos","S"],["Description","A240"]])"));
      for (const TSiteDesc& d : Descs)
        t["TABLES/26desc"]["records"].push_back({d.Type, 2026, 1, d.Number, d.InvoPos, d.Text});
      t["TABLES/UsrCars"] =
          table(2, json::parse(R"([["UserId","I"],["CarId","S"],["CarNrRej","A12"]])"));
      for (const TSiteCar& c : Cars)
        t["TABLES/UsrCars"]["records"].push_back({c.User, c.CarId, c.NrRej});
      t["TABLES/Barcodes"] =
          table(2, json::parse(R"([["Group","A4"],["Index","I"],["Barcode","A20"]])"));
      for (const TSiteBarcode& b : Barcodes)
        t["TABLES/Barcodes"]["records"].push_back({b.Group, b.Index, b.Barcode});
    }
    return json{{"codepage", 1250}, {"tables", t}}.dump();
  }
};

// Configuration and data module of a site built in a temporary folder.
class TExportSite {
public:
  // Builds the fixture from JSON text (a TSiteContent or one of tests/data).
  void Build(const std::string& json) {
    BuildStelmarSite(json, Dir.Path(), Config);
    auto& seller = Config.PodatnikInfo;
    seller.DaneIdentyfikacyjne = {"5265877635", "Hurtownia Budowlana Brenvik Sp. z o.o."};
    seller.Adres = {"PL", "ul. Magazynowa 7, 00-950 Warszawa", "", ""};
    DM = std::make_unique<TDM>(Config, Dir / "bin/");
  }
  void Open() { DM->OpenExportTables(); }

  // Stands the headers table on a document; fails the test when it is not visible.
  TInvoKey Stand(int type, int number) {
    EXPECT_TRUE(DM->tblWI.FindKey({type, 2026, 1, number})) << type << "-" << number;
    return TInvoKey{static_cast<std::int16_t>(type), 2026, 1, static_cast<std::int16_t>(number)};
  }

  // A new FA(3) document with the head that the header step writes for the
  // current document: form header, seller, a minimal buyer, and Fa with
  // currency, dates, number, register totals, annotations and kind.
  IXMLFaktura NewInvoice(const TInvoKey& key) {
    IXMLFaktura f = NewFaktura();
    InitFakturaDocument(f);
    FillNaglowek(f, "brenvik test", [] { return EncodeDateTime(2026, 4, 10, 12, 0, 0, 0); });
    FillPodmiot1(f, Config.PodatnikInfo);
    auto buyer = f->Podmiot2();
    buyer->DaneIdentyfikacyjne()->SetNIP("1234563218");
    buyer->DaneIdentyfikacyjne()->SetNazwa("Kowalski Handel");
    buyer->SetJST(2);
    buyer->SetGV(2);
    auto fa = f->Fa();
    TPxTable& wi = DM->tblWI;
    const std::string currency =
        CurrencyCode(wi.FieldByName("IntlId").AsString(),
                     static_cast<int>(wi.FieldByName("Options").AsInteger()));
    fa->SetKodWaluty(currency);
    fa->SetP_1(DateOf(wi.FieldByName("Date").AsDateTime()));
    fa->SetP_2(wi.FieldByName("Name").AsString());
    // An export's buyer is outside the EU, an intra-EU supply's a VAT payer there.
    DM->FBuyerSale = SaleKind(key.InvoType);
    FillTotals(fa, SaleOf(key.InvoType, DM->FBuyerSale), currency, [this](const std::string& field) {
      return DM->tblReg.FieldByName(field).AsFloat();
    });
    TAdnotacjeMarks marks;
    marks.SplitPayment = (DM->tblReg.FieldByName("Flags").AsInteger() & 128) != 0;
    FillAdnotacje(fa, marks);
    if (IsCorrectionType(key.InvoType)) {
      fa->SetRodzajFaktury("KOR");
      const std::string reason = wi.FieldByName("Comment").AsString();
      fa->SetPrzyczynaKorekty(reason.empty() ? "Korekta" : reason);
      auto corrected = fa->DaneFaKorygowanej()->Add();
      corrected->SetDataWystFaKorygowanej(EncodeDate(2026, 4, 2));
      corrected->SetNrFaKorygowanej("FV 118/2026");
      corrected->SetNrKSeFN(1);
    } else {
      fa->SetRodzajFaktury("VAT");
    }
    return f;
  }

  // The whole mapping of the current document after its head, in the order
  // of the export run.
  void MapRest(const IXMLFaktura& f, const TInvoKey& key) {
    DM->AddDodatkowyOpis(f->Fa(), key);
    DM->AddDodatkowyOpisFromInvoDesc(f->Fa());
    DM->FillFaWiersze(f, key, (DM->DocumentOptions() & 64) != 0);
    DM->FillPlatnoscAndStopka(f);
  }

  // Saves the document and returns the schema's complaints (none: valid).
  std::vector<std::string> Validate(const IXMLFaktura& f, const std::string& name) {
    const std::string path = Dir / (name + ".xml");
    SaveFaktura(f, path);
    return ValidateFa3File(path, Fa3SchemaDir());
  }

  TTempDir Dir;
  TConfig Config{Dir / "site.ini"};
  std::unique_ptr<TDM> DM;
};

// "Name=text" of each child element, or just "Name" for one with children,
// separated by " | ": order and content of an element in one line.
inline std::string Children(const TXMLNode& node) {
  std::string out;
  for (xmlNodePtr c : ChildElements(node)) {
    if (!out.empty()) out += " | ";
    out += ElementName(c);
    if (IsLeafElement(c)) out += "=" + ElementContent(c);
  }
  return out;
}

// The text of the first child element of that name; empty when absent.
inline std::string ElementText(const TXMLNode& node, const char* name) {
  for (xmlNodePtr c : ChildElements(node))
    if (ElementName(c) == name) return ElementContent(c);
  return {};
}

}  // namespace brenvik::testing::mapping
