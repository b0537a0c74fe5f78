#include "uDataModule.h"

#include "uErrorHandling.h"
#include "uPaths.h"
#include "uTextCodec.h"

namespace brenvik {
namespace {
TDM* gDataModule = nullptr;
}

TDM* DataModule() { return gDataModule; }
void SetDataModule(TDM* dm) { gDataModule = dm; }

TDM::TDM(const TConfig& config, const std::string& programDir) : FConfig(config) {
  PrivateDir = PathJoin(programDir, "Tmp");
  ForceFolder(PrivateDir);
  if (FConfig.StelmarEnabled)
    StelmarDataDir = IncludeTrailingPathDelimiter(
        RequireFolderExists(Trim(PathJoin(FConfig.StelmarDir(), "DATA"))));
  Connect();
}

TDM::~TDM() { Disconnect(); }

void TDM::Connect() { FConnected = true; }
void TDM::Disconnect() { FConnected = false; }

}  // namespace brenvik
