#include "commands/KsefCommands.h"

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
  if (ec) throw EInOutError("Nie można odczytać folderu " + folder + ": " + ec.message());
  std::sort(names.begin(), names.end());
  return names;
}

int CountXmlFiles(const std::string& folder) {
  return static_cast<int>(XmlFileNames(folder).size());
}

int PendingFileCount(const TConfig& config) {
  return CountXmlFiles(PathJoin(config.KsefDataDir(), ksef::ExportFolder));
}

bool ConfirmSend(const TConfig& config, int count) {
  if (!config.Ask2Send) return false;
  constexpr TPolishNoun invoices{"fakturę", "faktury", "faktur"};
  return MessageDlg("Wysłać natychmiast " + PolishCount(count, invoices) + " do KSeF?",
                    TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                    TMsgDlgBtn::mbYes, TQuestionKind::qkSendConfirmation) == TModalResult::mrYes;
}

namespace {

// The operator is told which files wait: the first ten by name, the rest counted.
std::string WaitingDocumentsText(const std::vector<std::string>& names) {
  const int count = static_cast<int>(names.size());
  constexpr TPolishNoun documents{"dokument", "dokumenty", "dokumentów"};
  std::string text =
      count == 1 ? "Masz 1 dokument, który nie był jeszcze wysłany"
                 : "Masz " + PolishCount(count, documents) + ", które nie były jeszcze wysłane";
  return text + ":" + FileNamesText(names);
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

int GenerateWaitingFiles(ICommandHost& host) {
  const TConfig& config = host.CommandConfig();
  const std::vector<std::string> waiting =
      XmlFileNames(PathJoin(config.KsefDataDir(), ksef::ExportFolder));
  int n = static_cast<int>(waiting.size());
  if (n > 0) {
    // Files of an earlier run come first: nothing new until they are sent.
    host.SetBusyCursor(false);
    const std::string text =
        WaitingDocumentsText(waiting) +
        "\rGenerowanie kolejnych będzie możliwe po prawidłowym wysłaniu obecnie oczekujących.";
    if (!host.CanShowWaitingFiles())
      MessageDlg(text, TMsgDlgType::mtInformation, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
    else if (MessageDlg(text + "\r\rPokazać je na liście faktur?", TMsgDlgType::mtConfirmation,
                        {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                        TMsgDlgBtn::mbNo) == TModalResult::mrYes)
      host.ShowWaitingFiles();
    return n;
  }
  InfoLog(GenerationStep, llInfo);
  RunStep(GenerationStep,
          [&] { RunOperation(host.Operations().ReadDocNotSended2KSEF, "ReadDocNotSended2KSEF"); });
  InfoLog("Zakończono generowanie dokumentów", llInfo);
  n = PendingFileCount(config);
  InfoLog(Fill("Ilość faktur oczekujących na wysłanie do KSeF: %d", n), llInfo);
  host.SetBusyCursor(false);
  return n;
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
  auto closing = [&] {
    // A run handed to the connector is finished by its end step.
    if (handedOver) return;
    host.SetBusyCursor(false);
    host.SetButtonsEnabled(true);
    // After a failed step has been reported the program is ending: no more
    // work on the registers.
    if (!TerminateRequested()) UpdateKsefNumbers(host);
  };
  try {
    host.AddEmptyLine();
    InfoLog("Wysyłka do KSEF", llInfo);
    const int n = GenerateWaitingFiles(host);
    // After a failed step the program is ending: a connector started now
    // would send with nobody left to report its end.
    if (n > 0 && !TerminateRequested() && ConfirmSend(host.CommandConfig(), n)) {
      host.SetBusyCursor(true);
      handedOver = true;
      constexpr TPolishNoun files{"pliku", "plików", "plików"};
      const std::string step = "Wysyłka " + PolishCount(n, files) + " FA(3) do KSeF";
      InfoLog(step, llInfo);
      RunStep(step, [&] { SendInvToKsef(host, lock); });
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

void ReceiveFromKsefCommand(ICommandHost& host) {
  if (host.Operations().StartRun) host.Operations().StartRun();
  host.SetBusyCursor(true);
  host.SetButtonsEnabled(false);
  auto closing = [&] {
    InfoLog("Zakończono odczyt dokumentów z KSEF", llInfo);
    host.SetBusyCursor(false);
    host.SetButtonsEnabled(true);
    host.ScrollLogToEnd();
  };
  try {
    host.AddEmptyLine();
    InfoLog("Odczyt dokumentów z KSEF", llInfo);
    RunOperation(host.Operations().SetKsefInRegs, "SetKsefInRegs");
  } catch (...) {
    CloseAfterError(closing);
    throw;
  }
  closing();
}

void SendInvToKsef(ICommandHost& host, std::shared_ptr<TConnectorLock> lock) {
  const std::string cmdLine = ksef::ConnectorCommandLine(
      IncludeTrailingPathDelimiter(host.CommandConfig().APIConnectorExeDir()));
  host.RunConsoleInThread(
      cmdLine, std::move(lock),
      [&host](int exitCode, const std::string& errMsg) { SendFinished(host, exitCode, errMsg); });
}

TExitCodeOutcome ExitCodeOutcome(int exitCode) {
  switch (exitCode) {
    case ksef::ExitSuccess: return {llInfo, "Komunikacja zakończona sukcesem", true, ""};
    case ksef::ExitSendError:
      return {llError, "Błąd wysyłki dokumentów", false,
              "Konektor KSeF nie wysłał faktur. Sprawdź połączenie z internetem i certyfikat "
              "konektora, potem użyj ponownie \"Wyślij do KSEF\": pliki czekające w folderze "
              "Export zostaną wysłane. Szczegóły są w dzienniku okna i w logu konektora."};
    case ksef::ExitDuplicates:
      return {llWarn, "Próba wysłania duplikatów faktur", false,
              "KSeF przyjął już wcześniej faktury o tych samych danych. Sprawdź na liście faktur "
              "(zakładka \"Faktury\"), które z nich mają już numer KSeF; pliku, którego nie "
              "trzeba wysyłać, nie wysyłaj ponownie: przenieś go do Errors."};
    default:
      return {llError, "Nieznany kod zakończenia: " + std::to_string(exitCode), false,
              "Konektor KSeF zakończył pracę kodem, którego program nie zna, albo nie dał się "
              "uruchomić. Sprawdź folder konektora w ustawieniach i jego log z dnia; pliki "
              "czekające w folderze Export zostaną wysłane przy następnym \"Wyślij do KSEF\"."};
  }
}

std::string FailureBoxText(const std::string& firstLine, const std::string& advice,
                           const std::vector<std::string>& waiting) {
  std::string text = firstLine;
  if (!advice.empty()) text += "\r\r" + advice;
  if (!waiting.empty()) text += "\r\rNie wysłano:" + FileNamesText(waiting);
  return text;
}

std::string ExitCodeBoxText(int exitCode) {
  return "Błąd komunikacji z KSeF - kod zakończenia: " + std::to_string(exitCode);
}

void SendFinished(ICommandHost& host, int exitCode, const std::string& errMsg) {
  // The log of the day the run ends, which after midnight is a new file.
  const TDateTime today = Today();
  const std::string logPath = ConnectorLogPath(host.CommandConfig(), today);
  if (host.ShowRestOfConnectorLog(logPath)) {
    // Shown as the connector wrote it.
  } else if (FileExists(logPath))
    ShowConnectorLog(host, logPath);
  else
    // A connector that could not start writes nothing; the exit code below
    // is then all the operator learns, so it must still be shown.
    InfoLog("Konektor KSeF nie zostawił logu z dnia " + DateToStr(today) + " (" + logPath + ")",
            llWarn);
  InfoLog("Zakończono wysyłkę do KSEF", llInfo);
  host.AddEmptyLine();
  const TExitCodeOutcome outcome = ExitCodeOutcome(exitCode);
  // A failure is a box with its icon: what happened, what to do, which
  // invoices are still waiting.
  std::vector<std::string> waiting;
  if (exitCode != ksef::ExitSuccess) {
    try {
      waiting = XmlFileNames(PathJoin(host.CommandConfig().KsefDataDir(), ksef::ExportFolder));
    } catch (const Exception&) {
      // the box tells what it can without the list
    }
    MessageDlg(FailureBoxText(ExitCodeBoxText(exitCode), outcome.Advice, waiting),
               TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
  }
  if (!errMsg.empty())
    MessageDlg(FailureBoxText("Błąd komunikacji z KSeF: " + errMsg,
                              "Sprawdź w ustawieniach folder konektora KSeF (APIConnectorExeDir) "
                              "i czy jest w nim program konektora.",
                              {}),
               TMsgDlgType::mtError, {TMsgDlgBtn::mbOK}, TMsgDlgBtn::mbOK);
  InfoLog(outcome.Line, outcome.Level);
  if (!outcome.UpdateNumbers) host.MarkFailedOutcome();
  if (outcome.UpdateNumbers) UpdateKsefNumbers(host);
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
