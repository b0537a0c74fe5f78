// Receiving 5,000 invoices against a register of 100,000 entries, 500 of them
// booked, beside its floor: parsing the files once and reading the
// register's file once, in the same run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "warehouse/DataModule.h"
#include "support/Logger.h"
#include "BenchFloor.h"
#include "fixtures/TableWriter.h"
#include "support/KsefContract.h"

using namespace brenvik;
using namespace brenvik::bench;
namespace fs = std::filesystem;

namespace {

std::string Number(int i) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "9999999999-20250304-%012X", i);
  return std::string(buf) + "-" + ksef::KsefCheckCode(buf);
}

std::string Invoice(int i) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Faktura xmlns=\"" +
         std::string(Fa3Namespace) +
         "\"><Podmiot1><DaneIdentyfikacyjne><NIP>9999999999</NIP><Nazwa>Dostawca</Nazwa>"
         "</DaneIdentyfikacyjne></Podmiot1><Podmiot2><DaneIdentyfikacyjne><NIP>5265877635</NIP>"
         "</DaneIdentyfikacyjne></Podmiot2><Fa><KodWaluty>PLN</KodWaluty><P_1>2025-03-04</"
         "P_1><P_2>FZ/" +
         std::to_string(i) +
         "</P_2><P_15>123.45</P_15><RodzajFaktury>VAT</RodzajFaktury></Fa></Faktura>\n";
}

const fs::path Root = fs::temp_directory_path() / "brenvik-bench-import";
const std::string Dir = Root.string() + "/";

void BuildSite() {
  fs::remove_all(Root);
  for (const char* sub : KsefSubFolders) fs::create_directories(Dir + "ksef/" + sub);
  fs::create_directories(Dir + "stelmar/DATA");
  TPxTableWriter reg(Dir + "stelmar/DATA/2025REG.db",
                     {{"Class", "S"},
                      {"Year", "S"},
                      {"MagId", "S"},
                      {"Number", "S"},
                      {"KSeF", "A40"},
                      {"Document", "A30"},
                      {"NIP", "A20"}},
                     1250);
  for (int i = 0; i < 100000; ++i) {
    // Every tenth invoice of the Import folder is booked.
    const bool booked = i < 5000 && i % 10 == 0;
    reg.AddRecord({128LL, 2025LL, 1LL, static_cast<long long>(i % 30000), std::string(),
                   booked ? "FZ/" + std::to_string(i) : "INNY/" + std::to_string(i),
                   std::string(booked ? "9999999999" : "1111111111")});
  }
  reg.Close();
  for (int i = 0; i < 5000; ++i)
    std::ofstream(Dir + "ksef/Import/" + Number(i) + ".xml") << Invoice(i);
  // A site's register rests on its disk: the run should not pay for writing
  // out the fresh table (its first fsync would).
  if (std::system("sync") != 0) std::abort();
}

}  // namespace

int main() {
  fs::remove_all(Root);
  fs::create_directories(Root);
  TLogger::Configure(Dir + "logs", "bench", 0);
  TLogger::SetEnabled(false);
  constexpr int Runs = 3;
  size_t waiting = 0;
  const double floor = FastestMs(
      Runs,
      [&] {
        for (const auto& e : fs::directory_iterator(Dir + "ksef/Import"))
          LoadFaktura(e.path().string());
        ReadFilesOnce({Dir + "stelmar/DATA/2025REG.db"});
      },
      BuildSite);
  // The same with the register's records read once through the engine.
  const double floorRecords = FastestMs(
      Runs,
      [&] {
        for (const auto& e : fs::directory_iterator(Dir + "ksef/Import"))
          LoadFaktura(e.path().string());
        TPxTable table;
        table.SetTableName(Dir + "stelmar/DATA/2025REG");
        table.Open();
        size_t sum = 0;
        for (table.First(); !table.Eof(); table.Next())
          sum += table.FieldByName("Document").AsString().size();
        if (sum == 0) std::abort();
      },
      BuildSite);
  // The same with what a receive must do to the files and the register
  // whatever reads it: the register copied and forced to disk before its
  // first write, and each booked invoice moved into its month folder.
  const double floorFiling = FastestMs(
      Runs,
      [&] {
        for (const auto& e : fs::directory_iterator(Dir + "ksef/Import"))
          LoadFaktura(e.path().string());
        const std::string reg = Dir + "stelmar/DATA/2025REG.db";
        ReadFilesOnce({reg});
        CopyToDisk(reg, Dir + "register-copy.db");
        const std::string month = Dir + "ksef/Received/2025-03/";
        fs::create_directories(month);
        for (int i = 0; i < 5000; i += 10)
          fs::rename(Dir + "ksef/Import/" + Number(i) + ".xml", month + Number(i) + ".xml");
      },
      BuildSite);
  const double receive = FastestMs(
      Runs,
      [&] {
        TConfig config(Dir + "site.ini");
        config.SetKsefDataDir(Dir + "ksef/");
        config.SetStelmarDir(Dir + "stelmar/");
        config.StelmarEnabled = true;
        config.CurDate = EncodeDate(2025, 3, 10);
        config.PodatnikInfo.DaneIdentyfikacyjne.NIP = "5265877635";
        TDM dm(config, Dir + "bin/");
        dm.SetKsefInRegs();
        waiting = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(Dir + "ksef/Import"))
          ++waiting;
      },
      BuildSite);
  PrintWithFloor("receive, floor: files parsed, register's bytes", receive, floor);
  PrintWithFloor("receive, floor: files parsed, register's records", receive, floorRecords);
  PrintWithFloor("receive, floor: and the copy and the moves", receive, floorFiling);
  std::printf("(500 numbers written and their files filed, %zu files left waiting)\n", waiting);
  fs::remove_all(Root);
  return 0;
}
