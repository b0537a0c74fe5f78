// The table engine's share of a real export: the whole `brenvik-cli export`
// of the demo's five-day window on a site whose tables also hold a year (and
// three years) of other documents, minus the same export on the demo site,
// whose tables hold only the window's documents. Generating and checking the
// window's files costs the same on all three; what is left is the engine
// working through the larger tables. Each share is printed beside its floor:
// reading the bigger site's table files once, in the same run.
// Run by hand: bench_export  (sites under /tmp/brenvik-bench-export).
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "BenchFloor.h"
#include "fixtures/TableWriter.h"

using namespace brenvik;
using namespace brenvik::bench;
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr int Runs = 9;  // the fastest of them: a shared machine is noisy
constexpr int DocumentsPerYear = 20000;
constexpr int LinesPerDocument = 10;
constexpr int ExtraGoods = 2000;
const std::string Root = (fs::temp_directory_path() / "brenvik-bench-export").string() + "/";

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// "yyyy-mm-dd" of day D of 2026 counted from 1 January, days of the window
// (5 to 10 April) and after the working date left out by the caller.
std::string Day(int year, int dayOfYear) {
  const TDateTime d(EncodeDate(year, 1, 1).Value + dayOfYear);
  return FormatDateTime("yyyy-mm-dd", d);
}

// The demo's tables with YEARS years of further documents, none of them in
// the window: each with ten lines of further goods and its register entry.
json GrownSite(const json& demo, int years) {
  json site = demo;
  json& wi = site["tables"]["DATA/2026WI"]["records"];
  json& wt = site["tables"]["DATA/2026WT"]["records"];
  json& reg = site["tables"]["DATA/2026REG"]["records"];
  json& w = site["tables"]["DATA/2026W"]["records"];
  for (int g = 1; g <= ExtraGoods; ++g)
    w.push_back({"Z", g, "Towar magazynowy numer " + std::to_string(g), "szt.", 0, 0, 23});
  const int types[] = {0, 0, 0, 2, 4, 21, 22, 48};
  const int documents = DocumentsPerYear * years;
  for (int d = 0; d < documents; ++d) {
    // A warehouse per year of documents keeps the numbers within a short integer.
    const int mag = 7 + d / DocumentsPerYear, number = 1 + d % DocumentsPerYear;
    const int year = 2027 - years + d / DocumentsPerYear;
    int day = (d % DocumentsPerYear) * 365 / DocumentsPerYear;
    if (year == 2026 && day >= 94 && day <= 99) day += 10;  // outside the window
    const std::string date = Day(year, day);
    const int type = types[d % 8];
    const std::string name = "FV " + std::to_string(number) + "/" + std::to_string(mag);
    wi.push_back({type, 2026, mag, number, name, date + " 09:00:00", date, 0, 0, "", 1 + d % 10, 0,
                  "", 0, 0, 0, 0, 0, 0});
    for (int p = 1; p <= LinesPerDocument; ++p)
      wt.push_back({type, 2026, mag, number, p, "Z", 1 + (d * 7 + p) % ExtraGoods, 0, 10.0, 1.0 + p,
                    23, 0.0});
    reg.push_back({type, 2026, mag, number, name, date, "7792433421", "", 123.0, 100.0, 23.0, 0.0,
                   0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0});
  }
  return site;
}

void Run(const std::string& command) {
  if (std::system(command.c_str()) != 0) {
    std::fprintf(stderr, "nie udało się: %s\n", command.c_str());
    std::exit(1);
  }
}

std::vector<std::string> TableFilesOf(const std::string& site) {
  std::vector<std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(site + "stelmar"))
    if (e.is_regular_file()) files.push_back(e.path().string());
  return files;
}

struct TSiteFigures {
  double Export, Floor, Stream, Backup;
  long long TableKb;
};

// What the register's copy before the run's first write into it costs: the
// whole file copied and forced to disk, as the engine copies it.
double BackupCopyMs(const std::string& site) {
  const std::string reg = site + "stelmar/DATA/2026REG.db", copy = site + "register-copy.db";
  const double ms = FastestMs(
      Runs, [&] { CopyToDisk(reg, copy); },
      [&] {
        fs::remove(copy);
        Run("sync");
      });
  fs::remove(copy);
  return ms;
}

TSiteFigures MeasureSite(const std::string& name, const json& tables) {
  const std::string site = Root + name + "/";
  Run("bash " BRENVIK_SOURCE_DIR "/scripts/make-demo-site.sh " + site +
      " " BRENVIK_BINARY_DIR " >/dev/null");
  // The export marks the register entries of the files it writes: each run
  // starts from the tables as built.
  const std::string built = Root + name + "-tables";
  BuildFixtureFromText(tables.dump(), built);
  const std::string exportDir = site + "ksef-data/Export";
  const std::string cli = BRENVIK_BINARY_DIR "/app/brenvik-cli /ini=" + site +
                          "brenvik.ini export --accept-data-warnings >/dev/null";
  TSiteFigures f{};
  f.Export = FastestMs(
      Runs, [&] { Run(cli); },
      [&] {
        fs::remove_all(exportDir);
        fs::create_directories(exportDir);
        fs::remove_all(site + "stelmar");
        fs::copy(built, site + "stelmar", fs::copy_options::recursive);
        // A site's tables rest on its disk: the run should not pay for
        // writing out the fresh copy (its first fsync would).
        Run("sync");
      });
  size_t files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(exportDir)) ++files;
  const std::vector<std::string> tableFiles = TableFilesOf(site);
  f.Floor = FastestMs(Runs, [&] { f.TableKb = ReadFilesOnce(tableFiles) / 1024; });
  f.Stream = FastestMs(Runs, [&] { StreamFilesOnce(tableFiles); });
  f.Backup = BackupCopyMs(site);
  std::printf("%-8s tables %7lld KB   export %8.1f ms   (%zu files)\n", name.c_str(), f.TableKb,
              f.Export, files);
  return f;
}

}  // namespace

int main() {
  fs::remove_all(Root);
  const json demo = json::parse(ReadText(BRENVIK_SOURCE_DIR "/demo/site.json"));
  const TSiteFigures window = MeasureSite("window", demo);
  const TSiteFigures year = MeasureSite("1y", GrownSite(demo, 1));
  const TSiteFigures three = MeasureSite("3y", GrownSite(demo, 3));
  const double share1 = year.Export - window.Export, share3 = three.Export - window.Export;
  std::printf("\n");
  PrintWithFloor("engine's share, a year of tables", share1, year.Floor);
  PrintWithFloor("engine's share, three years of tables", share3, three.Floor);
  std::printf(
      "(floor: the table files read once into memory; streamed through one buffer,"
      " as cat reads them: %.1f ms and %.1f ms)\n",
      year.Stream, three.Stream);
  std::printf("three years against one: share %.2f, table files %.2f\n", share3 / share1,
              static_cast<double>(three.TableKb) / static_cast<double>(year.TableKb));
  // The copy grows with the register by design; what is left is reading.
  const double read1 = share1 - (year.Backup - window.Backup),
               read3 = share3 - (three.Backup - window.Backup);
  std::printf(
      "\nthe register's copy before the first write: %.1f ms, %.1f ms, %.1f ms"
      " (window, a year, three years)\n",
      window.Backup, year.Backup, three.Backup);
  PrintWithFloor("share without the copy, a year", read1, year.Floor);
  PrintWithFloor("share without the copy, three years", read3, three.Floor);
  std::printf("three years against one, without the copy: %.2f\n", read3 / read1);
  return 0;
}
