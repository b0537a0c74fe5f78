#include "warehouse/FileFiling.h"
#include "support/SystemErrors.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "config/Config.h"
#include "support/DateTime.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace {

void Rename(const std::string& path, const std::string& target, const std::string& folder) {
  std::error_code ec;
  fs::rename(path, target, ec);
  if (ec)
    throw EInOutError("Nie można przenieść pliku " + PrintableName(path) + " do " + folder + ": " +
                      SystemErrorText(ec));
}

}  // namespace

bool SameFileBytes(const std::string& a, const std::string& b) {
  std::ifstream fa(a, std::ios::binary), fb(b, std::ios::binary);
  if (!fa || !fb) return false;
  char ba[16384], bb[16384];
  for (;;) {
    fa.read(ba, sizeof ba);
    fb.read(bb, sizeof bb);
    const std::streamsize na = fa.gcount(), nb = fb.gcount();
    if (na != nb || !std::equal(ba, ba + na, bb)) return false;
    if (na == 0) return fa.eof() && fb.eof();
  }
}

std::string FileIntoFolder(const std::string& path, const std::string& folder) {
  const std::string target = PathJoinName(folder, ExtractFileName(path));
  std::error_code ec;
  // Only a file of that name is a copy; anything else there fails the move.
  if (!FileExists(target)) {
    Rename(path, target, folder);
    return target;
  }
  if (SameFileBytes(path, target)) {
    fs::remove(path, ec);
    if (ec)
      throw EInOutError("Nie można usunąć pliku " + PrintableName(path) + ": " + SystemErrorText(ec));
    InfoLog("Usunięto plik " + PrintableName(path) + ": identyczny plik jest już w " + folder,
            llInfo);
    return target;
  }
  const std::string kept = MoveAside(path, folder);
  InfoLog("W folderze " + folder + " jest już inny plik o nazwie " +
              PrintableName(ExtractFileName(path)) + "; zachowano oba, nowy jako " +
              PrintableName(kept),
          llWarn);
  return kept;
}

std::string MoveAside(const std::string& path, const std::string& folder,
                      const std::string& reasonExt) {
  ForceFolder(folder);
  const std::string name = ExtractFileName(path);
  auto taken = [&](const std::string& target) {
    std::error_code ec;
    return fs::exists(target, ec) ||
           (!reasonExt.empty() && fs::exists(ChangeFileExt(target, reasonExt), ec));
  };
  std::string target = PathJoinName(folder, name);
  for (int n = 1; taken(target); ++n)
    target = PathJoinName(folder,
                          ChangeFileExt(name, "") + "_" + std::to_string(n) + ExtractFileExt(name));
  Rename(path, target, folder);
  return target;
}

std::string SetAsideWithReason(const std::string& path, const std::string& errorsFolder,
                               const std::string& reason) {
  const std::string aside = MoveAside(path, errorsFolder, ".txt");
  const std::string reasonFile = ChangeFileExt(aside, ".txt");
  std::ofstream out(reasonFile, std::ios::binary | std::ios::trunc);
  out << "Plik " << PrintableName(ExtractFileName(path)) << " nie został przetworzony ("
      << FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) << "):\n"
      << reason << "\n";
  out.flush();
  if (!out) throw EInOutError("Nie można zapisać pliku " + PrintableName(reasonFile));
  return aside;
}

}  // namespace brenvik
