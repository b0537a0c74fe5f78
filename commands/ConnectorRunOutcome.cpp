#include "commands/ConnectorRunOutcome.h"

#include <filesystem>

#include "commands/KsefCommands.h"
#include "fa3/Schemat_FA3.h"
#include "support/KsefContract.h"
#include "support/Paths.h"
#include "support/TextCodec.h"
#include "warehouse/FileFiling.h"
#include "warehouse/ReasonFiles.h"

namespace brenvik {

namespace fs = std::filesystem;

namespace {

// The word with which a connector's log line says that KSeF refused a file
// ("Odrzucono", "odrzucona"), compared in lower case.
constexpr char RefusalWord[] = "odrzucon";

// Blanks and the punctuation between the parts of a log line.
std::string Stripped(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t-:()");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t-:()") - first + 1);
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

std::string KsefRefusalDetails(const THandedFile& file, const std::string& reason) {
  return "Plik " + file.Name +
         (file.Invoice.empty() ? std::string() : " (faktura " + file.Invoice + ")") +
         " odrzucony przez KSeF w wysyłce z " + FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) +
         ".\nPowód według logu konektora: " + reason +
         "\n\nDokument pozostaje w rejestrze programu Stelmar oznaczony jako przekazany do "
         "wysyłki („-”), więc program nie wygeneruje go ponownie sam. Popraw dokument w "
         "Stelmarze i usuń to oznaczenie z pola KSeF jego wpisu w rejestrze: przy następnym "
         "„Wyślij do KSEF” zostanie wygenerowany od nowa.";
}

}  // namespace

std::vector<THandedFile> FilesWithInvoices(const std::string& exportDir) {
  std::vector<THandedFile> files;
  for (const std::string& name : XmlFileNames(exportDir)) {
    THandedFile f{name, {}};
    try {
      IXMLFaktura doc = LoadFaktura(PathJoinName(exportDir, name));
      if (doc->HasChild("Fa")) f.Invoice = TrimControls(doc->Fa()->P_2());
    } catch (const std::exception&) {
      // shown by its name alone
    }
    files.push_back(f);
  }
  return files;
}

std::string InvoiceCaption(const THandedFile& file) {
  return file.Invoice.empty() ? file.Name : file.Invoice + " (" + file.Name + ")";
}

std::string RefusalInLog(const std::vector<std::string>& runLines, const std::string& fileName) {
  std::string reason;
  for (const std::string& line : runLines) {
    const size_t name = line.find(fileName);
    if (name == std::string::npos) continue;
    const size_t word = AsciiLower(line.substr(0, name)).find(RefusalWord);
    if (word == std::string::npos) continue;
    // "Odrzucono (duplikat, kod 440): NAME - why": the kind, then KSeF's words.
    const size_t wordEnd = line.find_first_of(" (:", word);
    const std::string kind = Stripped(line.substr(wordEnd, name - wordEnd));
    const std::string why = Stripped(line.substr(name + fileName.size()));
    reason = kind.empty() ? why : why.empty() ? kind : kind + ": " + why;
    if (reason.empty()) reason = "bez podania powodu";
  }
  return reason;
}

TConnectorRunOutcome SettleConnectorRun(const std::string& ksefDataDir,
                                        const std::vector<THandedFile>& handed,
                                        const std::vector<std::string>& runLines) {
  const std::string exportDir = PathJoin(ksefDataDir, ksef::ExportFolder);
  const std::string errorsDir = PathJoin(ksefDataDir, ksef::ErrorsFolder);
  const std::vector<std::string> sent = NamesIn(PathJoin(ksefDataDir, ksef::SentFolder));
  TConnectorRunOutcome outcome;
  for (const THandedFile& file : handed) {
    const std::string pattern = ksef::SentFilePatternOf(BareFileName(file.Name));
    bool accepted = false;
    for (const std::string& name : sent) accepted = accepted || MatchesMask(name, pattern);
    if (accepted) {
      outcome.Accepted.push_back(file);
      continue;
    }
    const std::string waiting = PathJoinName(exportDir, file.Name);
    if (FileExists(waiting)) {
      const std::string reason = RefusalInLog(runLines, file.Name);
      if (reason.empty()) {
        outcome.NotSent.push_back(file);
        continue;
      }
      const std::string aside = MoveAside(waiting, errorsDir, ".txt");
      WriteReasonFile(ChangeFileExt(aside, ".txt"), TReasonKind::Ksef, reason,
                      KsefRefusalDetails(file, reason), {file.Invoice, "", ""});
      outcome.Refused.push_back({file, reason});
      continue;
    }
    // The connector set it aside itself, with its own reason file.
    const std::string reasonFile = PathJoinName(errorsDir, BareFileName(file.Name) + ".txt");
    std::string reason = ReadReasonFile(reasonFile).Cause;
    if (reason.empty()) reason = RefusalInLog(runLines, file.Name);
    if (reason.empty()) reason = "plik zniknął z folderu " + std::string(ksef::ExportFolder) +
                                 " w trakcie pracy konektora";
    outcome.Refused.push_back({file, reason});
  }
  return outcome;
}

}  // namespace brenvik
