#include "commands/SiteReadiness.h"

#include <unistd.h>

#include <filesystem>

#include "support/KsefContract.h"
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

std::vector<std::string> ConnectorProblems(const TConfig& cfg) {
  std::vector<std::string> problems;
  const std::string dir = cfg.APIConnectorExeDir();
  const std::string exe = PathJoin(dir, ksef::ConnectorExeName);
  if (!FileExists(exe))
    problems.push_back("Brak programu konektora KSeF " + exe +
                       " (klucz APIConnectorExeDir w sekcji [KSeF] pliku ini)");
  else if (::access(exe.c_str(), X_OK) != 0)
    problems.push_back("Programu konektora KSeF " + exe + " nie można uruchomić: brak uprawnień");
  if (!FileExists(PathJoin(dir, ksef::EnvFileName)))
    problems.push_back("Brak pliku ustawień konektora KSeF " + PathJoin(dir, ksef::EnvFileName));
  return problems;
}

int NumbersWaitingForWriteBack(const TConfig& cfg) {
  std::error_code ec;
  int n = 0;
  const std::string pattern = ksef::SentFilePattern();
  for (std::filesystem::directory_iterator it(PathJoin(cfg.KsefDataDir(), ksef::SentFolder), ec),
       end;
       !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && MatchesMask(it->path().filename().string(), pattern)) ++n;
  }
  return n;
}

}  // namespace brenvik
