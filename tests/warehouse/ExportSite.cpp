#include "ExportSite.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "fa3/Fa3Validate.h"
#include "StelmarSite.h"

#include "common/TestFiles.h"
#include "support/DateTime.h"
#include "support/KsefContract.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"
#include "paradox/Table.h"

namespace brenvik::testing {

using nlohmann::json;

namespace {

json Fields(std::initializer_list<std::pair<const char*, const char*>> fields) {
  json a = json::array();
  for (const auto& [name, kind] : fields) a.push_back({name, kind});
  return a;
}

}  // namespace

std::string TExportSite::Json() const {
  json wi = json::array(), wt = json::array(), reg = json::array(), ur = json::array();
  for (const TSiteDoc& d : Docs) {
    wi.push_back({d.Type, 2026, 1, d.Number, d.Name, d.Date,
                  d.SaleDate.empty() ? json(nullptr) : json(d.SaleDate), d.Flags, d.Options,
                  d.IntlId, d.User, d.CarId, d.Comment, d.PayInfo, d.PayDelay, d.MasterType,
                  d.MasterYear, d.MasterMagId, d.MasterNumber});
    if (d.HasReg)
      reg.push_back({d.Type, 2026, 1, d.Number, d.Name, d.Date.substr(0, 10), "", d.KSeF, d.Value,
                     d.Value22, d.Tax22, d.Value7, d.Tax7, d.Value3, d.Tax3, d.Value0, d.ValueFree,
                     d.NPO, d.RegFlags});
    for (const TSiteLine& l : d.Lines)
      wt.push_back({d.Type, 2026, 1, d.Number, l.Pos, l.Group, l.Index, 1, l.Price, l.Quantity,
                    l.Vat, l.Cost});
  }
  const bool users = !Payers.empty();
  for (const TSiteCustomer& c : Customers) {
    json row = {c.Number,    c.Name,       c.City,  c.Options,
                c.Address,   c.ZipCode,    c.Nip,   c.Payer ? json(*c.Payer) : json(nullptr),
                c.Nip3IdWew, c.Permission, c.ExtOpt};
    if (users) row.push_back(c.PayerNumber);
    ur.push_back(row);
  }
  json urFields = Fields({{"Number", "I"},
                          {"Firm Name", "A60"},
                          {"City", "A40"},
                          {"Options", "S"},
                          {"Address", "A60"},
                          {"ZipCode", "A10"},
                          {"NIP", "A20"},
                          {"Payer", "A120"},
                          {"Nip3IdWew", "A20"},
                          {"Permission", "A20"},
                          {"ExtOpt", "I"}});
  if (users) urFields.push_back({"PayerNumber", "I"});

  json tables = {
      {"DATA/2026WI",
       {{"primary", 4},
        {"fields", Fields({{"Type", "S"},
                           {"Year", "S"},
                           {"MagId", "S"},
                           {"Number", "S"},
                           {"Name", "A24"},
                           {"Date", "@"},
                           {"SaleDate", "D"},
                           {"Flags", "I"},
                           {"Options", "I"},
                           {"IntlId", "A3"},
                           {"User", "I"},
                           {"CarId", "S"},
                           {"Comment", "A120"},
                           {"PayInfo", "S"},
                           {"PayDelay", "S"},
                           {"MasterType", "S"},
                           {"MasterYear", "S"},
                           {"MasterMagId", "S"},
                           {"MasterNumber", "S"}})},
        {"records", wi}}},
      {"DATA/2026WT",
       {{"primary", 5},
        {"fields", Fields({{"Type", "S"},
                           {"Year", "S"},
                           {"MagId", "S"},
                           {"Number", "S"},
                           {"InvoPos", "S"},
                           {"Group", "A4"},
                           {"Index", "I"},
                           {"Series", "I"},
                           {"Price", "N"},
                           {"Quantity", "N"},
                           {"VAT", "N"},
                           {"Cost", "N"}})},
        {"records", wt}}},
      {"DATA/2026W",
       {{"primary", 2},
        {"fields", Fields({{"Group", "A4"},
                           {"Index", "I"},
                           {"Name", "A60"},
                           {"Unit", "A8"},
                           {"Options", "I"},
                           {"GTU", "S"},
                           {"VAT", "N"}})},
        {"records",
         json::array({json::array({"A", 101, "Wiertarka udarowa 750 W", "szt.", 0, 6, 23}),
                      json::array({"O", 1, "Paleta EUR", "szt.", 0, 0, 23}),
                      // annex 15 goods (Options 8)
                      json::array({"H", 801, "Laptop 15,6\" i5 16 GB", "szt.", 8, 6, 23})})}}},
      {"DATA/2026WS",
       {{"primary", 4},
        {"fields", Fields({{"Group", "A4"},
                           {"Index", "I"},
                           {"SeriesNo", "I"},
                           {"MagId", "S"},
                           {"Quantity", "N"},
                           {"Cost", "N"}})},
        {"records", json::array({json::array({"A", 101, 1, 1, 100.0, 0.0})})}}},
      {"DATA/2026REG",
       {{"primary", 4},
        {"fields", Fields({{"Class", "S"},
                           {"Year", "S"},
                           {"MagId", "S"},
                           {"Number", "S"},
                           {"Document", "A40"},
                           {"Date", "D"},
                           {"NIP", "A20"},
                           {"KSeF", "A40"},
                           {"Value", "$"},
                           {"Value22", "$"},
                           {"Tax22", "$"},
                           {"Value7", "$"},
                           {"Tax7", "$"},
                           {"Value3", "$"},
                           {"Tax3", "$"},
                           {"Value0", "$"},
                           {"ValueFree", "$"},
                           {"NPO", "$"},
                           {"Flags", "I"}})},
        {"records", reg}}},
      {"DATA/2026UR", {{"primary", 1}, {"fields", urFields}, {"records", ur}}}};
  if (users) {
    json rows = json::array();
    for (const TSitePayer& p : Payers)
      rows.push_back({p.Number, p.Name, p.City, p.Options, p.House, p.Street, p.ZipCode, p.Nip,
                      p.ExtOpt, p.Comments});
    tables["DATA/Users"] = {{"primary", 1},
                            {"fields", Fields({{"Number", "I"},
                                               {"Firm Name", "A60"},
                                               {"City", "A40"},
                                               {"Options", "S"},
                                               {"House", "A10"},
                                               {"Street", "A60"},
                                               {"ZipCode", "A10"},
                                               {"NIP", "A20"},
                                               {"ExtOpt", "I"},
                                               {"Comments", "A240"}})},
                            {"records", rows}};
  }
  if (Descriptions || !DescriptionRows.empty()) {
    json rows = json::array();
    for (const auto& [key, text] : DescriptionRows) {
      json row = json::array();
      for (int v : key) row.push_back(v);
      row.push_back(text);
      rows.push_back(row);
    }
    tables["TABLES/26desc"] = {{"primary", 5},
                               {"fields", Fields({{"Type", "S"},
                                                  {"Year", "S"},
                                                  {"MagId", "S"},
                                                  {"Number", "S"},
                                                  {"InvoPos", "S"},
                                                  {"Description", "A240"}})},
                               {"records", rows}};
  }
  for (const auto& [table, field] : DroppedFields) {
    json& t = tables[table];
    for (std::size_t i = 0; i < t["fields"].size(); ++i) {
      if (t["fields"][i][0] != field) continue;
      t["fields"].erase(i);
      for (json& row : t["records"]) row.erase(i);
      break;
    }
  }
  return json{{"codepage", 1250}, {"tables", tables}}.dump();
}

void TExportSite::Build(const std::string& root, TConfig& config) const {
  BuildStelmarSite(Json(), root, config);
  for (const char* sub : KsefSubFolders) MakeDirs(PathJoin(root, "ksef/" + std::string(sub)));
  config.SetKsefDataDir(PathJoin(root, "ksef/"));
  config.YearPrgTbl = true;
  config.YearUsrTbl = true;
  auto& p = config.PodatnikInfo;
  p.PrefiksPodatnika = "PL";
  p.DaneIdentyfikacyjne.NIP = "5265877635";
  p.DaneIdentyfikacyjne.Nazwa = "Hurtownia Narzędzi Brenvik Sp. z o.o.";
  p.Adres.KodKraju = "PL";
  p.Adres.AdresL1 = "ul. Fabryczna 12, 00-950 Warszawa";
}

std::vector<TSiteDoc> PendingInvoices(int count, int firstNumber) {
  std::vector<TSiteDoc> docs;
  for (int i = 0; i < count; ++i) {
    TSiteDoc d;
    d.Number = firstNumber + i;
    d.Name = "FV " + std::to_string(d.Number) + "/2026";
    docs.push_back(d);
  }
  return docs;
}

std::string RegisterMark(const std::string& root, int type, int number) {
  TPxTable t;
  t.SetTableName(PathJoin(root, "stelmar/DATA/2026REG"));
  t.Open();
  for (t.First(); !t.Eof(); t.Next())
    if (t.FieldByName("Class").AsInteger() == type && t.FieldByName("Number").AsInteger() == number)
      return t.FieldByName("KSeF").AsString();
  return "?";
}

std::string TExportTest::ExportedXml(const std::string& key) {
  std::string text = ReadFile(ExportPath(key)), out;
  for (char ch : text)
    if (ch != '\t' && ch != '\n' && ch != '\r') out += ch;
  return out;
}

}  // namespace brenvik::testing
