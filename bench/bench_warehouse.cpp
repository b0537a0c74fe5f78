// Times the table engine on a year of data: 20,000 documents with 200,000
// lines and 20,000 register entries, written by the fixture builder.
// Run by hand: bench_warehouse [FOLDER]  (default: a fresh folder under /tmp).
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>

#include "fixtures/TableWriter.h"
#include "paradox/Table.h"
#include "support/DocumentTypes.h"
#include "warehouse/StelmarTables.h"

using namespace brenvik;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int Documents = 20000;
constexpr int LinesPerDocument = 10;
constexpr int Goods = 2000;

double Ms(Clock::time_point from) {
  return std::chrono::duration<double, std::milli>(Clock::now() - from).count();
}

void Build(const std::string& dir) {
  const TDateTime yearStart = EncodeDate(2026, 1, 1);
  TPxTableWriter wi(dir + "2026WI.db",
                    {{"Type", "S"},
                     {"Year", "S"},
                     {"MagId", "S"},
                     {"Number", "I"},
                     {"Name", "A24"},
                     {"Date", "@"},
                     {"User", "I"},
                     {"Flags", "I"},
                     {"Comment", "M20"}},
                    1250, 4);
  TPxTableWriter wt(dir + "2026WT.db",
                    {{"Type", "S"},
                     {"Year", "S"},
                     {"MagId", "S"},
                     {"Number", "I"},
                     {"Pos", "S"},
                     {"Group", "A4"},
                     {"Index", "A16"},
                     {"Qty", "N"},
                     {"Price", "$"},
                     {"Name", "A60"}},
                    1250, 5);
  TPxTableWriter reg(dir + "2026REG.db",
                     {{"Class", "S"},
                      {"Year", "S"},
                      {"MagId", "S"},
                      {"Number", "I"},
                      {"KSeF", "A36"},
                      {"Value", "$"},
                      {"Value22", "$"},
                      {"Tax22", "$"},
                      {"Flags", "I"}},
                     1250, 4);
  TPxTableWriter w(dir + "2026W.db", {{"Group", "A4"}, {"Index", "A16"}, {"Name", "A60"}}, 1250, 2);
  std::mt19937 rnd(7);
  const int types[] = {0, 2, 2, 2, 4, 21, 22, 48};
  for (int d = 1; d <= Documents; ++d) {
    const long long type = types[rnd() % 8];
    const double when = yearStart.Value + (d - 1) * 365.0 / Documents;
    wi.AddRecord({type, 2026LL, 1LL, static_cast<long long>(d), "FV " + std::to_string(d) + "/2026",
                  when, static_cast<long long>(rnd() % 500 + 1), 0LL,
                  d % 50 == 0 ? TFixtureValue("Uwagi do dokumentu numer " + std::to_string(d))
                              : TFixtureValue()});
    reg.AddRecord({type, 2026LL, 1LL, static_cast<long long>(d),
                   d % 3 == 0 ? TFixtureValue("") : TFixtureValue("-"), 123.45, 100.0, 23.0, 0LL});
    for (int p = 1; p <= LinesPerDocument; ++p) {
      const int g = static_cast<int>(rnd() % Goods);
      wt.AddRecord({type, 2026LL, 1LL, static_cast<long long>(d), static_cast<long long>(p),
                    "G" + std::to_string(g % 10), "IDX-" + std::to_string(g), 1.0 + p, 9.99,
                    "Towar numer " + std::to_string(g)});
    }
  }
  for (int g = 0; g < Goods; ++g)
    w.AddRecord({"G" + std::to_string(g % 10), "IDX-" + std::to_string(g),
                 "Towar numer " + std::to_string(g)});
  wi.Close();
  wt.Close();
  reg.Close();
  w.Close();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "brenvik-bench").string();
  if (dir.back() != '/') dir += '/';
  std::filesystem::create_directories(dir);
  auto t0 = Clock::now();
  Build(dir);
  std::printf("building the tables:           %9.1f ms\n", Ms(t0));

  TPxSession session;
  session.SetActive(true);
  TPxTable wi(&session), wt(&session), w(&session), reg(&session);
  TPxDataSource dsWI(&wi), dsWT(&wt);
  const TDateTime from = EncodeDate(2026, 6, 1), toExcl = EncodeDate(2026, 6, 6);
  wi.SetTableName(dir + "2026WI");
  wi.SetOnFilterRecord([&](TPxTable& ds, bool& accept) {
    const long long type = ds.FieldByName("Type").AsInteger();
    const TDateTime date = ds.FieldByName("Date").AsDateTime();
    accept = IsEligibleType(static_cast<int>(type)) && from <= date && date < toExcl;
  });
  wi.SetFiltered(true);
  wt.SetTableName(dir + "2026WT");
  wt.SetIndexFieldNames(DocumentKeyFields);
  wt.SetMasterSource(&dsWI);
  wt.SetMasterFields(DocumentKeyFields);
  w.SetTableName(dir + "2026W");
  w.SetIndexFieldNames("Group;Index");
  w.SetMasterSource(&dsWT);
  w.SetMasterFields("Group;Index");
  reg.SetTableName(dir + "2026REG");
  reg.SetIndexFieldNames("Class;Year;MagId;Number");

  t0 = Clock::now();
  wi.Open();
  wt.Open();
  w.Open();
  reg.Open();
  const double openMs = Ms(t0);
  std::printf("opening all tables:            %9.1f ms\n", openMs);

  t0 = Clock::now();
  int docs = 0, lines = 0;
  double sum = 0;
  for (wi.First(); !wi.Eof(); wi.Next()) {
    ++docs;
    for (wt.First(); !wt.Eof(); wt.Next()) {
      ++lines;
      sum += wt.FieldByName("Qty").AsFloat();
      if (w.FieldByName("Name").AsString().empty()) return 1;
    }
  }
  const double walkMs = Ms(t0);
  std::printf("five-day window walk:          %9.1f ms  (%d documents, %d lines, qty %.0f)\n",
              walkMs, docs, lines, sum);

  std::mt19937 rnd(11);
  const int types[] = {0, 2, 4, 21, 22, 48};
  t0 = Clock::now();
  int found = 0;
  for (int i = 0; i < 10000; ++i)
    found += reg.FindKey({types[rnd() % 6], 2026, 1, static_cast<int>(rnd() % Documents + 1)});
  std::printf("10,000 register look-ups:      %9.1f ms  (%d found)\n", Ms(t0), found);
  std::printf("window walk %s reading the tables once\n",
              walkMs <= openMs ? "costs less than" : "COSTS MORE THAN");
  session.SetActive(false);
  return walkMs <= openMs ? 0 : 1;
}
