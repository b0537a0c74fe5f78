#include "commands/SiteReadiness.h"

#include <unistd.h>

#include "support/Paths.h"

namespace brenvik {

std::vector<std::string> StelmarFolderProblems(const TConfig& cfg) {
  std::vector<std::string> problems;
  if (!cfg.StelmarEnabled) return problems;
  const struct {
    const char* Key;
    std::string Folder;
  } folders[] = {{"StelmarDir", PathJoin(cfg.StelmarDir(), "DATA")}, {"UserDir", cfg.UserDir()}};
  for (const auto& f : folders) {
    if (!FolderExists(f.Folder))
      problems.push_back("W sekcji [STELMAR] klucz " + std::string(f.Key) +
                         " nie wskazuje bazy Stelmara: brak folderu " + f.Folder);
    else if (::access(f.Folder.c_str(), R_OK | X_OK) != 0)
      problems.push_back("W sekcji [STELMAR] klucz " + std::string(f.Key) +
                         " wskazuje folder, którego nie można odczytać: " + f.Folder);
  }
  return problems;
}

}  // namespace brenvik
