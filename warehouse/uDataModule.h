#pragma once
// The data module: the program's only door to Stelmar's tables.
#include <string>

#include "uConfig.h"

namespace brenvik {

class TDM {
public:
  // Prepares the engine's private folder "Tmp" under the program's folder and
  // checks Stelmar's document folder; raises "Folder %s nie istnieje".
  TDM(const TConfig& config, const std::string& programDir);
  ~TDM();
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  void Connect();
  void Disconnect();
  bool Connected() const { return FConnected; }

  std::string StelmarDataDir;
  std::string PrivateDir;

private:
  const TConfig& FConfig;
  bool FConnected = false;
};

// The data module of the running program (empty before it is created).
TDM* DataModule();
void SetDataModule(TDM* dm);

}  // namespace brenvik
