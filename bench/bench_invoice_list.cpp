// Listing a month of invoices: 2,000 FA(3) files in Sent's month folder,
// read cold (every file parsed) and warm (every file known, unchanged),
// beside the floor: the same files' bytes read once, in the same run.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "BenchFloor.h"
#include "commands/InvoiceList.h"
#include "support/KsefContract.h"

using namespace brenvik;
using namespace brenvik::bench;
namespace fs = std::filesystem;

int main() {
  const std::string root = (fs::temp_directory_path() / "brenvik-bench-list").string() + "/";
  fs::remove_all(root);
  const std::string month = root + "Sent/2026-12/";
  fs::create_directories(month);
  std::ifstream in(BRENVIK_SOURCE_DIR "/tests/data/fa3-samples/mf-example-01.xml");
  std::ostringstream sample;
  sample << in.rdbuf();
  std::vector<std::string> files;
  for (int i = 0; i < 2000; ++i) {
    char tail[16];
    std::snprintf(tail, sizeof tail, "%012X", i);
    const std::string first = "9999999999-20261209-" + std::string(tail);
    files.push_back(month + "0-2026-1-" + std::to_string(i + 1) + "_" + first + "-" +
                    ksef::KsefCheckCode(first) + ".xml");
    std::ofstream(files.back()) << sample.str();
  }
  const TDateTime today = EncodeDate(2026, 12, 9);
  const double floor = FastestMs(5, [&] { ReadFilesOnce(files); });
  size_t rows = 0;
  const double cold = FastestMs(5, [&] {
    TInvoiceList list(root, "9999999999");
    rows = list.Rows(today).size();
  });
  TInvoiceList list(root, "9999999999");
  list.Rows(today);
  const double warm = FastestMs(5, [&] { rows = list.Rows(today).size(); });
  PrintWithFloor("2,000 files listed cold", cold, floor);
  PrintWithFloor("2,000 files listed warm", warm, floor);
  std::printf("(%zu rows)\n", rows);
  fs::remove_all(root);
  return 0;
}
