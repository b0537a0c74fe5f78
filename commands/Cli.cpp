#include "commands/Cli.h"

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <optional>

#include "support/Money.h"
#include "support/DocumentRules.h"
#include "commands/AppController.h"
#include "commands/CheckFiles.h"
#include "commands/InvoiceList.h"
#include "commands/PdfCommand.h"
#include "commands/TerminalCommands.h"
#include "warehouse/DataModule.h"
#include "warehouse/StelmarTables.h"
#include "support/ErrorHandling.h"
#include "support/Logger.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "commands/StatusReport.h"
#include "commands/TerminalDialogs.h"

namespace brenvik {
namespace {

// The operator log goes to standard output.
class TStdoutOperatorLog : public IOperatorLog {
public:
  void AddLogLine(const std::string& paneLine, TLogLevel) override {
    std::fprintf(stdout, "%s\n", paneLine.c_str());
    std::fflush(stdout);
  }
};

int CheckCommand(TAppController& controller) {
  const bool ready = WriteStatusReport(*controller.FConfig, [](const std::string& text, TColour) {
    std::fprintf(stdout, "%s\n", text.c_str());
  });
  return ready ? 0 : 1;
}

// The commands that work on Stelmar's data open the data module as the
// window program does.
template <int (*Command)(const TConfig&, const TKsefOperations&)>
int WithDataModule(TAppController& controller) {
  TDM dataModule(*controller.FConfig, AppExeDir());
  controller.AttachDataModule(dataModule);
  struct TDetach {
    TAppController& C;
    ~TDetach() { C.DetachDataModule(); }
  } detach{controller};
  return Command(*controller.FConfig, controller.KsefOperations);
}

// Opens the tables of the working date as the export run does and lists them.
int TablesCommand(TAppController& controller) {
  TDM dm(*controller.FConfig, AppExeDir());
  struct TClose {
    TDM& D;
    ~TClose() { D.CloseExportTables(); }
  } close{dm};
  try {
    dm.OpenExportTables();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", NormalizeLineBreaks(e.what()).c_str());
    return 1;
  }
  std::fprintf(stdout, "Układ danych klientów: %s\n",
               dm.UsersTableExists ? "Users" : "rejestr klientów");
  for (const TStelmarTable& row : StelmarTables) {
    TPxTable& t = dm.*row.Table;
    if (!t.Active()) {
      std::fprintf(stdout, "%-12s %s: brak (tabela opcjonalna)\n", t.ObjectName().c_str(),
                   t.TableName().c_str());
      continue;
    }
    // Counted without the master link and the filter, so the whole file shows.
    TPxTable whole;
    whole.SetTableName(t.TableName());
    whole.SetCodePage(t.CodePageSetting());
    whole.Open();
    std::fprintf(stdout, "%-12s %s: %d rekordów%s\n", t.ObjectName().c_str(), t.FilePath().c_str(),
                 whole.RecordCount(), row.Optional ? " (tabela opcjonalna, jest)" : "");
  }
  std::fprintf(stdout, "Zakres dat eksportu: od %s do %s\n",
               DateToStr(dm.DateRange.DateFrom).c_str(), DateToStr(dm.DateRange.DateTo).c_str());
  return 0;
}

int CheckFileCommand(TAppController& controller, const std::vector<std::string>& files) {
  return CheckFilesOnTerminal(*controller.FConfig, files);
}

int PdfCommand(TAppController& controller, const std::vector<std::string>& operands) {
  return PdfOnTerminal(*controller.FConfig, operands);
}

// The invoices of the KSeF data folder: list [--state=STATE] [--json].
int ListCommand(TAppController& controller, const std::vector<std::string>& operands) {
  std::optional<TInvoiceState> only;
  bool json = false;
  for (const std::string& o : operands) {
    if (o == "--json") {
      json = true;
    } else if (o.rfind("--state=", 0) == 0 && InvoiceStateOfKey(o.substr(8))) {
      only = InvoiceStateOfKey(o.substr(8));
    } else {
      std::string keys;
      for (int s = 0; s <= static_cast<int>(TInvoiceState::Unreadable); ++s)
        keys +=
            std::string(keys.empty() ? "" : ", ") + InvoiceStateKey(static_cast<TInvoiceState>(s));
      std::fprintf(stderr, "Nieznany argument: %s (stany: %s)\n", o.c_str(), keys.c_str());
      return 2;
    }
  }
  const TConfig& config = *controller.FConfig;
  TInvoiceList list(config.KsefDataDir(), config.PodatnikInfo.DaneIdentyfikacyjne.NIP);
  std::vector<TInvoiceRow> rows = list.Rows(Now());
  if (only)
    rows.erase(std::remove_if(rows.begin(), rows.end(),
                              [&](const TInvoiceRow& r) { return r.State != *only; }),
               rows.end());
  const std::string text = json ? InvoiceRowsAsJson(rows) : InvoiceRowsAsText(rows);
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

void PrintUsage() {
  std::fprintf(
      stderr,
      "Użycie: brenvik-cli /ini=ŚCIEŻKA POLECENIE [--yes] [--accept-data-warnings] [PLIK...]\n"
      "Polecenia:\n");
  for (const TCliCommand& c : CliCommands()) std::fprintf(stderr, "  %-10s %s\n", c.Name, c.Help);
  std::fprintf(
      stderr,
      "  --yes                   odpowiada \"Tak\" tylko na pytanie o wysłanie do KSeF\n"
      "  --accept-data-warnings  odpowiada \"Tak\" na pytania o błędy w danych (np. zły\n"
      "                          lub brakujący NIP nabywcy); bez niej: odpowiedź domyślna\n");
}

// The window program's name: this file's name without "-cli".
std::string WindowProgramName(const std::string& exePath) {
  std::string name = BareFileName(exePath);
  const std::string suffix = "-cli";
  if (name.size() > suffix.size() &&
      name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
    name.resize(name.size() - suffix.size());
  return name;
}

}  // namespace

const std::vector<TCliCommand>& CliCommands() {
  static const std::vector<TCliCommand> commands = {
      {"check", "wczytuje konfigurację i wypisuje raport stanu", CheckCommand},
      {"tables", "otwiera tabele dnia roboczego i wypisuje ich pliki i liczby rekordów",
       TablesCommand},
      {"export", "generuje pliki FA(3) do wysłania (gdy żadne nie czekają)",
       WithDataModule<ExportOnTerminal>},
      {"send", "generuje pliki FA(3), wysyła je konektorem KSeF i aktualizuje numery KSeF",
       WithDataModule<SendOnTerminal>},
      {"receive", "zapisuje numery KSeF wysłanych i importuje odebrane faktury",
       WithDataModule<ReceiveOnTerminal>},
      {"check-file",
       "sprawdza pliki FA(3) tak, jak KSeF sprawdza przyjmowane faktury",
       {},
       CheckFileCommand,
       true},
      {"list",
       "wypisuje faktury folderu danych KSeF i ich stan: list [--state=STAN] [--json]",
       {},
       ListCommand,
       true,
       true},
      {"pdf",
       "zapisuje fakturę FA(3) jako PDF z kodem weryfikacyjnym KSeF: pdf PLIK.xml [WYNIK.pdf]"
       " albo pdf --sent-today (każda faktura wysłana dziś)",
       {},
       PdfCommand,
       true},
  };
  return commands;
}

int RunCli(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  std::setlocale(LC_NUMERIC, "C");
  std::vector<std::string> args;
  std::string commandName;
  std::vector<std::string> operands;
  TTerminalAnswers answers;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--yes")
      answers.Send = true;
    else if (a == "--accept-data-warnings")
      answers.DataWarnings = true;
    else if (a.rfind("/ini=", 0) == 0)
      args.push_back(a);
    else if (commandName.empty())
      commandName = a;
    else
      operands.push_back(a);
  }
  const TCliCommand* command = nullptr;
  for (const TCliCommand& c : CliCommands())
    if (commandName == c.Name) command = &c;
  if (!command) {
    if (!commandName.empty()) std::fprintf(stderr, "Nieznane polecenie: %s\n", commandName.c_str());
    PrintUsage();
    return 2;
  }
  if (!command->RunOnFiles && !operands.empty()) {
    std::fprintf(stderr, "Nieznany argument: %s\n", operands.front().c_str());
    PrintUsage();
    return 2;
  }
  if (command->RunOnFiles && !command->OperandsOptional && operands.empty()) {
    std::fprintf(stderr, "Polecenie %s wymaga nazw plików\n", command->Name);
    PrintUsage();
    return 2;
  }

  SetAppIdentity(ExecutablePath(), WindowProgramName(ExecutablePath()));
  TNamedMutex singleInstance;
  switch (command->ReadOnly ? TNamedMutex::TState::Owned
                            : singleInstance.Create(SingleInstanceMutexName(), true)) {
    case TNamedMutex::TState::Owned: break;
    case TNamedMutex::TState::AlreadyExists:
      std::fprintf(stderr, "Program %s już działa. Zamknij go i spróbuj ponownie.\n",
                   AppName().c_str());
      return 3;
    default:
      std::fprintf(stderr, "Nie można utworzyć blokady %s. %s\n", singleInstance.Path().c_str(),
                   singleInstance.Error().c_str());
      return 1;
  }

  TTerminalDialogs dialogs(answers);
  TDialogsScope dialogsScope(&dialogs);
  TStdoutOperatorLog operatorLog;
  SetOperatorLog(&operatorLog);
  ResetTerminateRequest();

  int exitCode = 0;
  TAppController controller;
  SetAppController(&controller);
  try {
    controller.InitCore(args);
    // A failed configuration step has been reported and asks for the end.
    exitCode = TerminateRequested()  ? 1
               : command->RunOnFiles ? command->RunOnFiles(controller, operands)
                                     : command->Run(controller);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", NormalizeLineBreaks(e.what()).c_str());
    exitCode = 1;
  }
  if (exitCode == 0 && TerminateRequested()) exitCode = 1;
  try {
    TLogger::Info("----- Zamknięcie aplikacji ------");
    // A start-up that failed before the log was configured leaves its lines
    // in the default place.
    TLogger::WriteHeldLines();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
  }
  SetAppController(nullptr);
  SetOperatorLog(nullptr);
  ReleaseExceptionHook();
  return exitCode;
}

}  // namespace brenvik
