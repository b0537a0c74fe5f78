#include "warehouse/ExportCheck.h"

#include <cstdio>
#include "support/SystemErrors.h"

#include <filesystem>
#include <fstream>

#include "config/Config.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Logger.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"

namespace fs = std::filesystem;

namespace brenvik {

namespace {

// A rename, or a copy and a removal where the folders lie on different disks.
void MoveReplacing(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (!ec) return;
  fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::remove(from, ec);
  if (ec)
    throw EInOutError("Nie można przenieść pliku " + from + " do " + to + ": " + SystemErrorText(ec));
}

std::string Plural(int n, const char* one, const char* few, const char* many) {
  if (n == 1) return one;
  const int t = n % 10, h = n % 100;
  return t >= 2 && t <= 4 && (h < 12 || h > 14) ? few : many;
}

}  // namespace

TExportCheck::TExportCheck(const std::string& ksefDataDir)
    : FExportDir(PathJoin(ksefDataDir, ksef::ExportFolder)),
      FErrorsDir(PathJoin(ksefDataDir, ksef::ErrorsFolder)) {
  const std::string schemaDir = FindFa3SchemaDir();
  if (schemaDir.empty())
    throw Exception(std::string("Brak schematu FA(3) (") + Fa3SchemaFileName +
                    "): bez niego pliki nie mogą być sprawdzone przed wysyłką do KSeF. Wskaż "
                    "jego folder w zmiennej środowiska BRENVIK_FA3_SCHEMA_DIR albo umieść go w "
                    "folderze fa3-schema obok programu");
  FSchema = std::make_unique<TFa3Schema>(schemaDir);
  FKnown.AddFolder(FExportDir, false);
  FKnown.AddFolder(PathJoin(ksefDataDir, ksef::SentFolder), true);
  FContext = {FSchema.get(), Today(), &FKnown};
  ForceFolder(FErrorsDir);
}

std::string TExportCheck::StagingPath(const std::string& exportName) const {
  return PathJoin(FErrorsDir, exportName + ".tmp");
}

bool TExportCheck::Admit(const std::string& staged, const std::string& exportName,
                         const std::string& documentName) {
  const TPreflightResult result = PreflightFile(staged, FContext);
  if (!result.Passed()) {
    Refuse(staged, exportName, documentName, result);
    return false;
  }
  const std::string target = PathJoin(FExportDir, exportName);
  MoveReplacing(staged, target);
  if (result.Identity.Complete()) FKnown.Add(result.Identity, target);
  // The document was held back by an earlier run; now it goes.
  const std::string heldBack = PathJoin(FErrorsDir, BareFileName(exportName) + ".txt");
  if (!FileExists(PathJoin(FErrorsDir, exportName)) &&
      ReadReasonFile(heldBack).Kind == TReasonKind::HeldBack)
    std::remove(heldBack.c_str());
  return true;
}

void TExportCheck::HoldBack(const std::string& exportName, const TReasonDocument& document,
                            const std::string& reason) {
  // A pre-flight refusal of the same document keeps its own reason file.
  if (FileExists(PathJoin(FErrorsDir, exportName))) std::remove(PathJoin(FErrorsDir, exportName).c_str());
  WriteReasonFile(PathJoin(FErrorsDir, BareFileName(exportName) + ".txt"), TReasonKind::HeldBack,
                  reason,
                  "Program nie wygenerował pliku FA(3) dokumentu " + document.Number + " (" +
                      FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) +
                      ") i nie oznaczył go w rejestrze programu Stelmar. Po usunięciu przyczyny "
                      "dokument zostanie wygenerowany przy następnym „Wyślij do KSEF”.",
                  document);
  ++FRefused;
  InfoLog("Zatrzymano " + document.Number + " (nie wysłano do KSeF): " + reason, llError);
}

void TExportCheck::Refuse(const std::string& staged, const std::string& exportName,
                          const std::string& documentName, const TPreflightResult& result) {
  const std::string target = PathJoin(FErrorsDir, exportName);
  const std::string reasons = ChangeFileExt(target, ".txt");
  const TPreflightFailure& shown = result.Failures.front();
  WriteReasonFile(reasons, TReasonKind::Preflight,
                  shown.Reason + (shown.Value.empty() ? "" : " („" + shown.Value + "”)"),
                  "Dokument " + documentName + " (plik " + exportName +
                      ") nie został przekazany do wysyłki do KSeF.\nKontrola przed wysyłką z " +
                      FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) + " znalazła błędy (" +
                      std::to_string(result.Failures.size()) + "):\n" +
                      PreflightFailureList(result) +
                      "Dokument nie został oznaczony w rejestrze programu Stelmar: po poprawieniu "
                      "go zostanie wygenerowany ponownie przy następnym eksporcie.",
                  {documentName, "", ""});
  MoveReplacing(staged, target);
  ++FRefused;
  TLogger::Error("Kontrola przed wysyłką odrzuciła " + documentName + ":\n" +
                 PreflightFailureList(result));
  // The seller's own faults are the same in every file: said once a run.
  const TPreflightFailure* first = nullptr;
  for (const TPreflightFailure& f : result.Failures) {
    if (!f.Rule->Once) {
      if (!first) first = &f;
      continue;
    }
    if (FSaid.insert({f.Rule->Id, f.Value}).second)
      InfoLog(
          "Dane sprzedawcy nie przejdą kontroli KSeF, każdy dokument zostanie odrzucony "
          "(popraw sekcję [Podmiot1] pliku ini): " +
              PreflightFailureLine(f),
          llError);
  }
  if (first)
    InfoLog("Odrzucono " + documentName + " (plik " + exportName + " w folderze " +
                ksef::ErrorsFolder + ", powody w " + BareFileName(exportName) +
                ".txt): " + PreflightFailureLine(*first),
            llError);
}

void TExportCheck::LogSummary(int written) const {
  InfoLog("Kontrola przed wysyłką: " + std::to_string(written) + " " +
              Plural(written, "plik przekazany", "pliki przekazane", "plików przekazanych") +
              " do wysyłki, odrzucono " + std::to_string(FRefused) + " " +
              Plural(FRefused, "dokument", "dokumenty", "dokumentów") +
              (FRefused > 0 ? std::string(" (folder błędów ") + ksef::ErrorsFolder + ")" : ""),
          FRefused > 0 ? llWarn : llInfo);
}

TStagedFile::~TStagedFile() {
  std::error_code ec;
  fs::remove(FPath, ec);
}

}  // namespace brenvik
