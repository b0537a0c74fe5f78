// Times the table engine on a year of data (20,000 documents with 200,000
// lines, 20,000 register entries and 2,000 goods, written by the fixture
// builder) and on tables three times that size, each figure beside its floor:
// reading the same table files' bytes once, in the same run.
// Run by hand: bench_warehouse [FOLDER]  (default: a fresh folder under /tmp).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "BenchFloor.h"
#include "fixtures/YearOfTables.h"
#include "paradox/Table.h"
#include "support/DocumentTypes.h"
#include "warehouse/StelmarTables.h"

using namespace brenvik;
using namespace brenvik::bench;

namespace {

constexpr int Runs = 5;

std::vector<std::string> TableFiles(const std::string& dir) {
  std::vector<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path().string());
  return files;
}

// The tables an export opens, linked as it links them: the headers filtered
// to a five-day window, their lines, the goods of each line, the register.
struct TSite {
  TPxSession Session;
  TPxTable WI{&Session}, WT{&Session}, W{&Session}, REG{&Session};
  TPxDataSource DsWI{&WI}, DsWT{&WT};
  explicit TSite(const std::string& dir) {
    Session.SetActive(true);
    const TDateTime from = EncodeDate(2026, 6, 1), toExcl = EncodeDate(2026, 6, 6);
    WI.SetTableName(dir + "2026WI");
    WI.SetOnFilterRecord([from, toExcl](TPxTable& ds, bool& accept) {
      const long long type = ds.FieldByName("Type").AsInteger();
      const TDateTime date = ds.FieldByName("Date").AsDateTime();
      accept = IsEligibleType(static_cast<int>(type)) && from <= date && date < toExcl;
    });
    WI.SetFiltered(true);
    WT.SetTableName(dir + "2026WT");
    WT.SetIndexFieldNames(DocumentKeyFields);
    WT.SetMasterSource(&DsWI);
    WT.SetMasterFields(DocumentKeyFields);
    W.SetTableName(dir + "2026W");
    W.SetIndexFieldNames("Group;Index");
    W.SetMasterSource(&DsWT);
    W.SetMasterFields("Group;Index");
    REG.SetTableName(dir + "2026REG");
    REG.SetIndexFieldNames("Class;Year;MagId;Number");
  }
  void Open() {
    WI.Open();
    WT.Open();
    W.Open();
    REG.Open();
  }
  // Every line of every document of the window, its goods and its register entry.
  long long WalkWindow() {
    long long lines = 0;
    for (WI.First(); !WI.Eof(); WI.Next()) {
      for (WT.First(); !WT.Eof(); WT.Next()) {
        lines += WT.FieldByName("Qty").AsFloat() > 0;
        if (W.FieldByName("Name").AsString().empty()) std::abort();
      }
      if (!REG.FindKey({static_cast<int>(WI.FieldByName("Type").AsInteger()), 2026, 1,
                        static_cast<int>(WI.FieldByName("Number").AsInteger())}))
        std::abort();
    }
    return lines;
  }
};

struct TFigures {
  double Floor, Stream, Open, Window, Both;
  long long FileKb, HeldKb, Lines;
};

TFigures Measure(const std::string& dir) {
  TFigures f{};
  const std::vector<std::string> files = TableFiles(dir);
  f.Floor = FastestMs(Runs, [&] { f.FileKb = ReadFilesOnce(files) / 1024; });
  f.Stream = FastestMs(Runs, [&] { StreamFilesOnce(files); });
  f.Open = FastestMs(Runs, [&] {
    TSite site(dir);
    site.Open();
  });
  f.Both = FastestMs(Runs, [&] {
    TSite site(dir);
    site.Open();
    f.Lines = site.WalkWindow();
  });
  TSite site(dir);
  const long long before = ResidentKb();
  site.Open();
  site.WalkWindow();  // blocks read through an index are held from then on
  f.HeldKb = ResidentKb() - before;
  f.Window = FastestMs(Runs, [&] { site.WalkWindow(); });
  return f;
}

}  // namespace

int main(int argc, char** argv) {
  std::string root =
      argc > 1 ? argv[1] : (std::filesystem::temp_directory_path() / "brenvik-bench").string();
  if (root.back() != '/') root += '/';
  TFigures years[2];
  for (int k = 0; k < 2; ++k) {
    const int n = k == 0 ? 1 : 3;
    const std::string dir = root + std::to_string(n) + "y/";
    std::filesystem::create_directories(dir);
    const auto t0 = Clock::now();
    BuildYearsOfTables(dir, n);
    const double build = Ms(t0);
    const TFigures& f = years[k] = Measure(dir);
    std::printf(
        "\n%d year(s) of tables: %lld KB in %zu files (streamed as cat reads them: %.1f ms)\n", n,
        f.FileKb, TableFiles(dir).size(), f.Stream);
    PrintWithFloor("building the tables (fixture writer)", build, f.Floor);
    PrintWithFloor("opening the four tables", f.Open, f.Floor);
    PrintWithFloor("walking the five-day window (tables open)", f.Window, f.Floor);
    PrintWithFloor("opening and walking the window", f.Both, f.Floor);
    std::printf("%-44s %9lld KB   files %8lld KB   ratio %6.2f   (%lld lines)\n",
                "memory held by the open tables", f.HeldKb, f.FileKb,
                static_cast<double>(f.HeldKb) / static_cast<double>(f.FileKb), f.Lines);
  }
  std::printf("\nthree years against one: files %.2f, open and window %.2f, window alone %.2f\n",
              static_cast<double>(years[1].FileKb) / static_cast<double>(years[0].FileKb),
              years[1].Both / years[0].Both, years[1].Window / years[0].Window);

  const std::string dir = root + "1y/";
  TPxTable reg;
  reg.SetTableName(dir + "2026REG");
  reg.SetIndexFieldNames("Class;Year;MagId;Number");
  reg.Open();
  int found = 0;
  const double lookups = FastestMs(Runs, [&] {
    std::mt19937 rnd(11);
    const int types[] = {0, 2, 4, 21, 22, 48};
    found = 0;
    for (int i = 0; i < 10000; ++i)
      found +=
          reg.FindKey({types[rnd() % 6], 2026, 1, static_cast<int>(rnd() % YearDocuments + 1)});
  });
  const double regFloor = FastestMs(Runs, [&] { ReadFilesOnce({dir + "2026REG.db"}); });
  std::printf("\n");
  PrintWithFloor("10,000 register look-ups (floor: its file)", lookups, regFloor);
  std::printf("(%d found)\n", found);
  return 0;
}
