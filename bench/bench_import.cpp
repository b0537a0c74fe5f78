// Receiving 5,000 invoices against a register of 100,000 entries, 500 of them
// booked: the run must cost no more than twice parsing the files once plus
// reading the register once.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "warehouse/DataModule.h"
#include "support/Logger.h"
#include "fixtures/TableWriter.h"
#include "support/KsefContract.h"

using namespace brenvik;
namespace fs = std::filesystem;

namespace {

double Ms(std::chrono::steady_clock::time_point from) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - from).count();
}

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

}  // namespace

int main() {
  const fs::path root = fs::temp_directory_path() / "brenvik-bench-import";
  fs::remove_all(root);
  const std::string dir = root.string() + "/";
  TLogger::Configure(dir + "logs", "bench", 0);
  TLogger::SetEnabled(false);
  for (const char* sub : KsefSubFolders) fs::create_directories(dir + "ksef/" + sub);
  fs::create_directories(dir + "stelmar/DATA");
  {
    TPxTableWriter reg(dir + "stelmar/DATA/2025REG.db",
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
  }
  for (int i = 0; i < 5000; ++i)
    std::ofstream(dir + "ksef/Import/" + Number(i) + ".xml") << Invoice(i);

  auto t0 = std::chrono::steady_clock::now();
  for (const auto& e : fs::directory_iterator(dir + "ksef/Import")) LoadFaktura(e.path().string());
  TPxTable table;
  table.SetTableName(dir + "stelmar/DATA/2025REG");
  table.Open();
  long long sum = 0;
  for (table.First(); !table.Eof(); table.Next())
    sum += table.FieldByName("Document").AsString().size();
  table.Close();
  const double baseline = Ms(t0);

  TConfig config(dir + "site.ini");
  config.SetKsefDataDir(dir + "ksef/");
  config.SetStelmarDir(dir + "stelmar/");
  config.StelmarEnabled = true;
  config.CurDate = EncodeDate(2025, 3, 10);
  config.PodatnikInfo.DaneIdentyfikacyjne.NIP = "5265877635";
  TDM dm(config, dir + "bin/");
  t0 = std::chrono::steady_clock::now();
  dm.SetKsefInRegs();
  const double receive = Ms(t0);
  size_t waiting = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir + "ksef/Import")) ++waiting;

  std::printf("parse 5,000 files + read 100,000 entries once: %9.1f ms (%lld)\n", baseline, sum);
  std::printf("receive (write-back and import):               %9.1f ms, %zu files left waiting\n",
              receive, waiting);
  std::printf("ratio: %.2f (must be at most 2)\n", receive / baseline);
  fs::remove_all(root);
  return receive <= 2 * baseline ? 0 : 1;
}
