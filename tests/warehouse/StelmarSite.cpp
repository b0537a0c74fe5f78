#include "StelmarSite.h"

#include "common/TestFiles.h"
#include "support/DateTime.h"
#include "support/Paths.h"
#include "fixtures/TableWriter.h"

namespace brenvik::testing {

void BuildStelmarSite(const std::string& json, const std::string& root, TConfig& config) {
  MakeDirs(PathJoin(root, "net"));
  BuildFixtureFromText(json, PathJoin(root, "stelmar/"));
  config.SetNetFileDir(PathJoin(root, "net/"));
  config.SetStelmarDir(PathJoin(root, "stelmar/"));
  config.SetUserDir(PathJoin(root, "stelmar/DATA/"));
  config.StelmarEnabled = true;
  config.CurDate = EncodeDate(2026, 4, 10);
  config.DaysBackToSend = 5;
  config.Send2KsefStartDate = EncodeDate(2026, 4, 1);
}

}  // namespace brenvik::testing
