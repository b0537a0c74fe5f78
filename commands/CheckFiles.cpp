#include "commands/CheckFiles.h"

#include "preflight/Preflight.h"
#include "support/KsefContract.h"
#include "support/Paths.h"

namespace brenvik {

int CheckFilesOnTerminal(const TConfig& config, const std::vector<std::string>& files,
                         std::FILE* out) {
  const std::string schemaDir = FindFa3SchemaDir();
  if (schemaDir.empty()) {
    std::fprintf(stderr,
                 "Brak schematu FA(3) (%s): wskaż jego folder w zmiennej środowiska "
                 "BRENVIK_FA3_SCHEMA_DIR\n",
                 Fa3SchemaFileName);
    return 1;
  }
  const TFa3Schema schema(schemaDir);
  TKnownInvoices known;
  known.AddFolder(PathJoin(config.KsefDataDir(), ksef::ExportFolder), false);
  known.AddFolder(PathJoin(config.KsefDataDir(), ksef::SentFolder), true);
  int refused = 0;
  for (const std::string& file : files) {
    const TKnownInvoices others = known.Without(file);
    const TPreflightResult result = PreflightFile(file, {&schema, Today(), &others});
    if (result.Passed()) {
      std::fprintf(out, "%s: poprawny\n", file.c_str());
      continue;
    }
    ++refused;
    std::fprintf(out, "%s: KSeF odrzuci ten plik, błędów: %zu\n", file.c_str(),
                 result.Failures.size());
    int n = 0;
    for (const TPreflightFailure& f : result.Failures)
      std::fprintf(out, "  %d. %s\n", ++n, PreflightFailureLine(f).c_str());
  }
  std::fprintf(out, "Sprawdzono plików: %zu, poprawnych: %zu, odrzuconych: %d\n", files.size(),
               files.size() - refused, refused);
  return refused == 0 ? 0 : 1;
}

}  // namespace brenvik
