#pragma once
// Whether the folders of the configuration can serve a run: what the status
// report checks beyond the configuration's own loading.
#include <string>
#include <vector>

#include "config/Config.h"

namespace brenvik {

// One text a fault of the folders that [STELMAR] names: Stelmar's DATA folder
// under StelmarDir (which loading checks only when UserDir is empty) and the
// customers' folder must exist and be readable.
std::vector<std::string> StelmarFolderProblems(const TConfig& cfg);
// The connector program and its ".env" must be in APIConnectorExeDir, the
// program executable: without them nothing reaches KSeF.
std::vector<std::string> ConnectorProblems(const TConfig& cfg);
// Sent files directly in Sent: accepted by KSeF, their numbers not yet
// written into Stelmar.
int NumbersWaitingForWriteBack(const TConfig& cfg);

}  // namespace brenvik
