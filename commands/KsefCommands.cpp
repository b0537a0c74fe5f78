#include "commands/KsefCommands.h"
#include "support/SystemErrors.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

#include "support/Dialogs.h"
#include "support/ErrorHandling.h"
#include "support/KsefContract.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "support/PolishPlural.h"
#include "support/TextCodec.h"

namespace brenvik {
namespace {

constexpr char GenerationStep[] = "Generowanie plików FA(3)";

// The pattern with n in place of its "%d".
std::string Fill(const std::string& pattern, int n) {
  std::string s = pattern;
  const auto pos = s.find("%d");
  if (pos != std::string::npos) s.replace(pos, 2, std::to_string(n));
  return s;
}

void RunOperation(const std::function<void()>& operation, const std::string& name) {
  if (!operation) throw EOperationUnavailable("Operacja " + name + " nie jest jeszcze dostępna");
  operation();
}

// A closing step that runs while an earlier error is on its way out: that
// error is the one to report, a second one is only logged.
template <class F>
void CloseAfterError(F&& closing) noexcept {
  try {
    closing();
  } catch (const std::exception& e) {
    try {
      TLogger::Error("Błąd kroku zamykającego polecenie: " + std::string(e.what()));
    } catch (...) {
    }
  } catch (...) {
  }
}

}  // namespace

std::vector<std::string> XmlFileNames(const std::string& folder) {
  std::error_code ec;
  std::filesystem::directory_iterator it(folder, ec), end;
  std::vector<std::string> names;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    if (SameTextAscii(it->path().extension().string(), ".xml"))
      names.push_back(it->path().filename().string());
  }
  if (ec) throw EInOutError("Nie można odczytać folderu " + folder + ": " + SystemErrorText(ec));
  std::sort(names.begin(), names.end());
  return names;
}

int CountXmlFiles(const std::string& folder) {
  return static_cast<int>(XmlFileNames(folder).size());
}

int PendingFileCount(const TConfig& config) {
  return CountXmlFiles(PathJoin(config.KsefDataDir(), ksef::ExportFolder));
}

bool ConfirmSend(const TConfig& config, int count, const std::string& lead) {
  if (!config.Ask2Send) return false;
  constexpr TPolishNoun invoices{"fakturę", "faktury", "faktur"};
  return MessageDlg(lead + "Wysłać natychmiast " + PolishCount(count, invoices) + " do KSeF?",
                    TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                    TMsgDlgBtn::mbYes, TQuestionKind::qkSendConfirmation) == TModalResult::mrYes;
}

namespace {

constexpr TPolishNoun kInvoices{"faktura", "faktury", "faktur"};
// "12 faktur", "1 faktury": the count after "z" takes the genitive.
std::string InvoicesAfterZ(int total) {
  return std::to_string(total) + (total == 1 ? " faktury" : " faktur");
}
// "3 z 12 faktur", "1 z 1 faktury".
std::string OfTotal(int part, int total) { return std::to_string(part) + " z " + InvoicesAfterZ(total); }

// The buttons come back at the end of a command, also when its closing step fails.
struct TEnableButtons {
  ICommandHost& Host;
  ~TEnableButtons() {
    try {
      Host.SetButtonsEnabled(true);
    } catch (const std::exception& e) {
      TLogger::Error(std::string("Błąd kroku zamykającego polecenie: ") + e.what());
    } catch (...) {
    }
  }
};
constexpr TPolishNoun kInvoicesWait{"faktura czeka", "faktury czekają", "faktur czeka"};

std::vector<std::string> Captions(const std::vector<THandedFile>& files) {
  std::vector<std::string> captions;
  for (const THandedFile& f : files) captions.push_back(InvoiceCaption(f));
  return captions;
}

}  // namespace

std::string WaitingDocumentsText(const std::vector<THandedFile>& files) {
  const int count = static_cast<int>(files.size());
  constexpr TPolishNoun documents{"dokument", "dokumenty", "dokumentów"};
  std::string text =
      count == 1 ? "Masz 1 dokument, który nie był jeszcze wysłany"
                 : "Masz " + PolishCount(count, documents) + ", które nie były jeszcze wysłane";
  return text + " (folder " + ksef::ExportFolder + "):" + FileNamesText(Captions(files)) +
         "\r\rNowe dokumenty program wygeneruje dopiero po " +
         (count == 1 ? "jego wysłaniu" : "ich wysłaniu") +
         ". Dokument, którego nie chcesz wysyłać, przenieś na liście faktur (menu wiersza) do "
         "folderu błędów.";
}

namespace {

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : separator) + p;
  return out;
}

}  // namespace

std::string FileNamesText(const std::vector<std::string>& names) {
  constexpr size_t shown = 10;
  std::string text;
  for (size_t i = 0; i < names.size() && i < shown; ++i) text += "\r" + names[i];
  if (names.size() > shown) {
    constexpr TPolishNoun others{"inny", "inne", "innych"};
    text += "\ri " + PolishCount(static_cast<int>(names.size() - shown), others);
  }
  return text;
}

TWaitingFiles GenerateWaitingFiles(ICommandHost& host) {
  const TConfig& config = host.CommandConfig();
  const std::string exportDir = PathJoin(config.KsefDataDir(), ksef::ExportFolder);
  TWaitingFiles waiting{FilesWithInvoices(exportDir), true};
  if (!waiting.Files.empty()) {
    // Files of an earlier run come first: nothing new until they are sent.
    InfoLog("W folderze " + std::string(ksef::ExportFolder) + " " +
                PolishCount(static_cast<int>(waiting.Files.size()), kInvoicesWait) +
                " z wcześniejszej wysyłki; nowych dokumentów nie wygenerowano",
            llWarn);
    return waiting;
  }
  waiting.FromEarlierRun = false;
  InfoLog(GenerationStep, llInfo);
  RunStep(GenerationStep,
          [&] { RunOperation(host.Operations().ReadDocNotSended2KSEF, "ReadDocNotSended2KSEF"); });
  InfoLog("Zakończono generowanie dokumentów", llInfo);
  waiting.Files = FilesWithInvoices(exportDir);
  InfoLog(Fill("Liczba faktur oczekujących na wysłanie do KSeF: %d",
               static_cast<int>(waiting.Files.size())),
          llInfo);
  host.SetBusyCursor(false);
  return waiting;
}

void CloseWithOutcome(ICommandHost& host, const TCommandOutcome& outcome) {
  const TLogLevel level = outcome.Kind == TOutcomeKind::Failure     ? llError
                          : outcome.Kind == TOutcomeKind::Cancelled ? llWarn
                                                                    : llInfo;
  InfoLog(outcome.Text, level);
  host.ShowOutcome(outcome);
}

TSendResult SendToKsefCommand(ICommandHost& host) {
  std::shared_ptr<TConnectorLock> lock;
  try {
    lock = TConnectorLock::Take(host.CommandConfig().KsefDataDir());
  } catch (const EConnectorBusy& e) {
    // Its files are the connector's until it ends: no generation, no second run.
    host.AddEmptyLine();
    InfoLog(e.Message(), llWarn);
    ShowMessage(e.Message());
    return TSendResult::ConnectorBusy;
  }
  if (host.Operations().StartRun) host.Operations().StartRun();
  host.SetBusyCursor(true);
  host.SetButtonsEnabled(false);
  bool handedOver = false;
  TCommandOutcome outcome;
  auto closing = [&] {
    // A run handed to the connector is finished by its end step.
    if (handedOver) return;
    host.SetBusyCursor(false);
    const TEnableButtons enable{host};
    // After a failed step has been reported the program is ending: no more
    // work on the registers.
    if (!TerminateRequested()) {
      UpdateKsefNumbers(host);
      if (!outcome.Text.empty()) CloseWithOutcome(host, outcome);
    }
  };
  try {
    host.AddEmptyLine();
    InfoLog("Wysyłka do KSeF", llInfo);
    const TWaitingFiles waiting = GenerateWaitingFiles(host);
    const int n = static_cast<int>(waiting.Files.size());
    host.SetBusyCursor(false);
    if (n == 0) {
      outcome = {TOutcomeKind::Neutral, "Brak nowych faktur do wysłania do KSeF"};
    } else if (TerminateRequested()) {
      // After a failed step the program is ending: a connector started now
      // would send with nobody left to report its end.
    } else if (!host.CommandConfig().Ask2Send) {
      if (waiting.FromEarlierRun)
        MessageDlg(WaitingDocumentsText(waiting.Files), TMsgDlgType::mtInformation,
                   {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
      outcome = {TOutcomeKind::Neutral,
                 "Nie wysłano: " + PolishCount(n, kInvoicesWait) + " w folderze " +
                     ksef::ExportFolder + " (wysyłka bez pytania wyłączona: Ask2Send)"};
    } else if (ConfirmSend(host.CommandConfig(), n,
                           waiting.FromEarlierRun ? WaitingDocumentsText(waiting.Files) + "\r\r"
                                                  : std::string())) {
      host.SetBusyCursor(true);
      handedOver = true;
      constexpr TPolishNoun files{"pliku", "plików", "plików"};
      const std::string step = "Wysyłka " + PolishCount(n, files) + " FA(3) do KSeF";
      InfoLog(step, llInfo);
      RunStep(step, [&] { SendInvToKsef(host, lock, waiting.Files); });
    } else {
      outcome = {TOutcomeKind::Cancelled, "Anulowano — " + PolishCount(n, kInvoicesWait) +
                                              " w folderze " + ksef::ExportFolder +
                                              " na wysłanie"};
      if (host.CanShowWaitingFiles()) host.ShowWaitingFiles();
    }
  } catch (...) {
    CloseAfterError(closing);
    throw;
  }
  closing();
  return handedOver ? TSendResult::HandedOver : TSendResult::NotHandedOver;
}

void UpdateKsefNumbers(ICommandHost& host) {
  host.SetBusyCursor(true);
  try {
    InfoLog("Aktualizacja numerów KSeF w programie Stelmar", llInfo);
    RunOperation(host.Operations().SetKsefInRegs, "SetKsefInRegs");
    InfoLog("Zakończono aktualizację numerów", llInfo);
  } catch (...) {
    CloseAfterError([&] { host.SetBusyCursor(false); });
    throw;
  }
  host.SetBusyCursor(false);
  host.ScrollLogToEnd();
}

namespace {

// The receive's outcome from the write-back's counts.
TCommandOutcome ReceiveOutcome(const TWriteBackOutcome* wb) {
  if (!wb) return {TOutcomeKind::Neutral, "Odbiór z KSeF zakończony"};
  constexpr TPolishNoun numbers{"numer", "numery", "numerów"};
  std::string text = "Zapisano w Stelmarze " + PolishCount(wb->SalesWritten, numbers) +
                     " KSeF faktur sprzedaży i " + std::to_string(wb->PurchasesWritten) +
                     " faktur zakupu";
  if (!wb->Unmatched.empty())
    text += "; " + PolishCount(static_cast<int>(wb->Unmatched.size()), kInvoicesWait) +
            " zakupu na zaksięgowanie: " + Joined(wb->Unmatched, "; ");
  if (!wb->SetAside.empty())
    text += "; odrzucono plików: " + std::to_string(wb->SetAside.size()) + " (folder błędów " +
            ksef::ErrorsFolder + ")";
  return {wb->SetAside.empty() ? TOutcomeKind::Success : TOutcomeKind::Failure, text};
}

}  // namespace

void ReceiveFromKsefCommand(ICommandHost& host) {
  if (host.Operations().StartRun) host.Operations().StartRun();
  host.SetBusyCursor(true);
  host.SetButtonsEnabled(false);
  bool done = false;
  auto closing = [&] {
    host.SetBusyCursor(false);
    const TEnableButtons enable{host};
    InfoLog("Zakończono odbiór z KSeF", llInfo);
    if (done) {
      TWriteBackOutcome wb;
      if (host.Operations().WriteBackOutcome) wb = host.Operations().WriteBackOutcome();
      CloseWithOutcome(host, ReceiveOutcome(host.Operations().WriteBackOutcome ? &wb : nullptr));
    }
    host.ScrollLogToEnd();
  };
  try {
    host.AddEmptyLine();
    InfoLog("Odbiór z KSeF", llInfo);
    RunOperation(host.Operations().SetKsefInRegs, "SetKsefInRegs");
    done = true;
  } catch (...) {
    CloseAfterError(closing);
    throw;
  }
  closing();
}

void SendInvToKsef(ICommandHost& host, std::shared_ptr<TConnectorLock> lock,
                   std::vector<THandedFile> handed) {
  const std::string cmdLine = ksef::ConnectorCommandLine(
      IncludeTrailingPathDelimiter(host.CommandConfig().APIConnectorExeDir()));
  host.RunConsoleInThread(cmdLine, std::move(lock),
                          [&host, handed = std::move(handed)](int exitCode, const std::string& errMsg) {
                            SendFinished(host, handed, exitCode, errMsg);
                          });
}

std::string ExitCodeAdvice(int exitCode, const std::string& errMsg) {
  const std::string retry = "Pliki czekają w folderze " + std::string(ksef::ExportFolder) +
                            " i zostaną wysłane przy następnym „Wyślij do KSEF”.";
  if (!errMsg.empty())
    return errMsg + ".\rSprawdź w pliku ini klucz APIConnectorExeDir w sekcji [KSeF] (folder "
                    "konektora) i czy jest w nim program " +
           std::string(ksef::ConnectorExeName) + ". " + retry;
  switch (exitCode) {
    case ksef::ExitSuccess:
      return "Konektor KSeF zakończył pracę bez błędu, ale tych plików nie wysłał. Sprawdź jego "
             "log z dnia (folder " + std::string(ksef::LogsFolder) + "). " + retry;
    case ksef::ExitSendError:
      return "Konektor KSeF zgłosił błąd wysyłki (kod 1). Sprawdź połączenie z internetem i "
             "certyfikat konektora. " + retry;
    case ksef::ExitDuplicates:
      return "Konektor KSeF zgłosił duplikaty faktur (kod 440). " + retry;
    default:
      return "Konektor KSeF zakończył pracę kodem " + std::to_string(exitCode) +
             ", którego program nie zna. Sprawdź jego log z dnia (folder " +
             std::string(ksef::LogsFolder) + "). " + retry;
  }
}

TSendReport SendReport(const TConnectorRunOutcome& run, const TWriteBackOutcome* writeBack,
                       int exitCode, const std::string& errMsg) {
  const int total = run.HandedOver(), accepted = static_cast<int>(run.Accepted.size());
  const std::string ofTotal = OfTotal(accepted, total);
  // Numbers of accepted invoices that the write-back could not write.
  const int unwritten =
      writeBack ? std::max(0, accepted - writeBack->SalesWritten - writeBack->SalesAlready) : 0;
  TSendReport report;
  if (run.Refused.empty() && run.NotSent.empty()) {
    report.Outcome.Kind = unwritten ? TOutcomeKind::Failure : TOutcomeKind::Success;
    report.Outcome.Text = "Wysłano " + ofTotal;
    if (writeBack)
      report.Outcome.Text +=
          unwritten ? "; numerów KSeF nie zapisano w Stelmarze dla " +
                          PolishCount(unwritten, kInvoices) + " (folder błędów " +
                          ksef::ErrorsFolder + ")"
                    : "; numery KSeF zapisane w Stelmarze";
    if (!unwritten) return report;
  }
  report.Outcome.Kind = TOutcomeKind::Failure;
  std::vector<std::string> refused;
  for (const TRefusedFile& r : run.Refused)
    refused.push_back((r.File.Invoice.empty() ? r.File.Name : r.File.Invoice) + ": " + r.Reason);
  std::string text = accepted > 0 ? "Przyjęto " + ofTotal : "Nie wysłano";
  if (!run.Refused.empty()) text += "; odrzucono " + Joined(refused, "; ");
  if (!run.NotSent.empty())
    text += "; " + PolishCount(static_cast<int>(run.NotSent.size()), kInvoicesWait) +
            " na wysłanie";
  if (unwritten && (!run.Refused.empty() || !run.NotSent.empty()))
    text += "; numerów KSeF nie zapisano dla " + PolishCount(unwritten, kInvoices);
  if (run.Refused.empty() && run.NotSent.empty()) text = report.Outcome.Text;
  report.Outcome.Text = text;

  std::string box = accepted > 0 ? "KSeF przyjął " + ofTotal + "." : "KSeF nie przyjął żadnej z " + InvoicesAfterZ(total) + ".";
  if (accepted > 0)
    box += unwritten ? " Numerów KSeF " + PolishCount(unwritten, kInvoices) +
                           " nie zapisano w Stelmarze: powody są w folderze błędów (" +
                           ksef::ErrorsFolder + ")."
                     : " Ich numery KSeF zapisano w Stelmarze.";
  if (!run.Refused.empty()) {
    std::vector<std::string> lines;
    for (const TRefusedFile& r : run.Refused) lines.push_back(InvoiceCaption(r.File) + ": " + r.Reason);
    box += "\r\rOdrzucone przez KSeF:" + FileNamesText(lines) +
           "\r\rPrzeniesiono je do folderu błędów (" + ksef::ErrorsFolder +
           "), z powodem w pliku .txt; kolejnych dokumentów nie wstrzymują. Popraw dokument w "
           "Stelmarze i usuń z pola KSeF jego wpisu w rejestrze oznaczenie „-”: przy następnym "
           "„Wyślij do KSEF” zostanie wygenerowany od nowa.";
  }
  if (!run.NotSent.empty())
    box += "\r\rNie wysłano:" + FileNamesText(Captions(run.NotSent)) + "\r\r" +
           ExitCodeAdvice(exitCode, errMsg);
  report.BoxText = box;
  return report;
}

void SendFinished(ICommandHost& host, const std::vector<THandedFile>& handed, int exitCode,
                  const std::string& errMsg) {
  const TConfig& config = host.CommandConfig();
  // The log of the day the run ends, which after midnight is a new file.
  const TDateTime today = Today();
  const std::string logPath = ConnectorLogPath(config, today);
  if (host.ShowRestOfConnectorLog(logPath)) {
    // Shown as the connector wrote it.
  } else if (FileExists(logPath))
    ShowConnectorLog(host, logPath);
  else
    // A connector that could not start writes nothing; what follows is then
    // all the operator learns, so it must still be shown.
    InfoLog("Konektor KSeF nie zostawił logu z dnia " + DateToStr(today) + " (" + logPath + ")",
            llWarn);
  if (!errMsg.empty())
    InfoLog("Nie można uruchomić konektora KSeF: " + errMsg, llError);
  else
    InfoLog("Konektor KSeF zakończył pracę, kod zakończenia: " + std::to_string(exitCode),
            exitCode == ksef::ExitSuccess ? llInfo : llWarn);
  std::vector<std::string> runLines;
  try {
    if (FileExists(logPath)) {
      runLines = ReadTextLines(logPath);
      const int start = LastRunStart(runLines);
      if (start > 0) runLines.erase(runLines.begin(), runLines.begin() + start);
    }
  } catch (const Exception& e) {
    InfoLog(std::string("Nie można odczytać logu konektora: ") + e.what(), llWarn);
  }
  const TConnectorRunOutcome run = SettleConnectorRun(config.KsefDataDir(), handed, runLines);
  for (const TRefusedFile& r : run.Refused)
    InfoLog("Odrzucona przez KSeF: " + InvoiceCaption(r.File) + ": " + r.Reason +
                "; plik przeniesiono do folderu błędów (" + ksef::ErrorsFolder + ")",
            llError);
  // Whatever KSeF accepted is in Sent, whatever the exit code: Stelmar gets
  // those numbers now.
  TWriteBackOutcome writeBack;
  const bool counted = static_cast<bool>(host.Operations().WriteBackOutcome);
  if (!TerminateRequested()) {
    UpdateKsefNumbers(host);
    if (counted) writeBack = host.Operations().WriteBackOutcome();
  }
  host.AddEmptyLine();
  const TSendReport report = SendReport(run, counted ? &writeBack : nullptr, exitCode, errMsg);
  if (!report.BoxText.empty())
    MessageDlg(report.BoxText, TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
  CloseWithOutcome(host, report.Outcome);
}

void RunEndStep(ICommandHost& host, const TRunFinishedProc& onFinished, int exitCode,
                const std::string& errMsg) {
  auto idle = [&] {
    host.SetBusyCursor(false);
    host.SetButtonsEnabled(true);
  };
  try {
    if (onFinished) onFinished(exitCode, errMsg);
  } catch (...) {
    CloseAfterError(idle);
    throw;
  }
  idle();
}

std::string ConnectorLogPath(const TConfig& config, TDateTime day) {
  return PathJoin(PathJoin(config.KsefDataDir(), ksef::LogsFolder), ksef::ConnectorLogName(day));
}

std::vector<std::string> ReadTextLines(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in) throw EFOpenError("Nie można otworzyć pliku " + fileName);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EInOutError("Nie można odczytać pliku " + fileName);
  std::size_t pos = text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0;
  std::vector<std::string> lines;
  while (pos < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(text.substr(pos));
      break;
    }
    lines.push_back(text.substr(pos, end - pos));
    pos = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return lines;
}

int LastRunStart(const std::vector<std::string>& lines) {
  for (int i = static_cast<int>(lines.size()) - 1; i >= 0; --i)
    if (lines[i].find(ksef::RunStartMarker) != std::string::npos) return i;
  return -1;
}

void ShowConnectorLog(ICommandHost& host, const std::string& fileName) {
  const std::vector<std::string> lines = ReadTextLines(fileName);
  const int start = LastRunStart(lines);
  if (start >= 0)
    host.ShowConnectorLines(std::vector<std::string>(lines.begin() + start, lines.end()), false);
  else
    host.ShowConnectorLines(lines, true);
}

}  // namespace brenvik
