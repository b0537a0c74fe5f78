#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "commands/TerminalDialogs.h"
#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "fixtures/TableWriter.h"
#include "support/Paths.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

constexpr TMsgDlgBtn Yes = TMsgDlgBtn::mbYes, No = TMsgDlgBtn::mbNo, Cancel = TMsgDlgBtn::mbCancel,
                     Ok = TMsgDlgBtn::mbOK;

// What the terminal printed after the question, and the answer.
struct TAnswer {
  TModalResult Result;
  std::string Printed;
};

TAnswer Ask(const TTerminalAnswers& flags, const TDialogRequest& request) {
  std::FILE* out = std::tmpfile();
  std::FILE* in = std::tmpfile();  // a file, not a terminal: nobody to ask
  TTerminalDialogs dialogs(flags, out, in);
  TAnswer a{dialogs.Show(request), {}};
  std::rewind(out);
  for (int c; (c = std::fgetc(out)) != EOF;) a.Printed += static_cast<char>(c);
  std::fclose(out);
  std::fclose(in);
  return a;
}

}  // namespace

// Each flag answers "Tak" to its own kind of question only; with --yes alone a
// question about the data takes its default answer, without flags (and no
// terminal) every question gets the safe answer.
TEST(TerminalDialogs, EachFlagAnswersOnlyItsKindOfQuestion) {
  const TDialogRequest send{
      "Pytanie", "Wysłać natychmiast 3 faktury do KSeF?", TMsgDlgType::mtConfirmation, {Yes, No},
      Yes,       TQuestionKind::qkSendConfirmation};
  const TDialogRequest data{"Błąd",
                            "Brak numeru NIP. Dokument: FV 1\rFirma\rKontynuować?",
                            TMsgDlgType::mtError,
                            {Yes, No},
                            No,
                            TQuestionKind::qkDataWarning};
  const TDialogRequest other{"Pytanie",
                             "Czy na pewno chcesz zamknąć aplikację?",
                             TMsgDlgType::mtConfirmation,
                             {Yes, No, Cancel},
                             No,
                             TQuestionKind::qkOther};
  const TDialogRequest box{"Informacja", "Masz 2 dokumentów",   TMsgDlgType::mtInformation, {Ok},
                           Ok,           TQuestionKind::qkOther};
  const TTerminalAnswers none{false, false}, yes{true, false}, accept{false, true},
      both{true, true};
  const std::string noTerminal = "-> Nie (brak terminala do odpowiedzi";
  struct TRow {
    const char* Name;
    TTerminalAnswers Flags;
    const TDialogRequest& Request;
    TModalResult Expected;
    std::string Printed;  // a part of what follows the question
  } rows[] = {
      {"send, no flag", none, send, TModalResult::mrNo, noTerminal + "; użyj --yes,"},
      {"send, --yes", yes, send, TModalResult::mrYes, "-> Tak (--yes)"},
      {"send, --accept-data-warnings", accept, send, TModalResult::mrNo,
       noTerminal + "; użyj --yes,"},
      {"send, both", both, send, TModalResult::mrYes, "-> Tak (--yes)"},
      {"data, no flag", none, data, TModalResult::mrNo,
       noTerminal + "; użyj --accept-data-warnings,"},
      {"data, --yes", yes, data, TModalResult::mrNo,
       "-> Nie (odpowiedź domyślna: --yes dotyczy tylko wysyłki"},
      {"data, --accept-data-warnings", accept, data, TModalResult::mrYes,
       "-> Tak (--accept-data-warnings)"},
      {"data, both", both, data, TModalResult::mrYes, "-> Tak (--accept-data-warnings)"},
      {"other, no flag", none, other, TModalResult::mrNo, noTerminal + ")"},
      {"other, both", both, other, TModalResult::mrNo, noTerminal + ")"},
      {"box, both", both, box, TModalResult::mrOk, "] Masz 2 dokumentów\n"},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Name);
    const TAnswer a = Ask(row.Flags, row.Request);
    EXPECT_EQ(a.Result, row.Expected);
    EXPECT_NE(a.Printed.find(row.Printed), std::string::npos) << a.Printed;
  }
}

// The demo site with the first customer's NIP left empty: FV 123/2026 asks
// whether to go on; the three documents before it are written either way.
TEST(CliExport, ABuyerWithoutNipPassesOnlyWithAcceptDataWarnings) {
  struct TRow {
    std::vector<std::string> Flags;
    int ExitCode;
    std::size_t Files;
    std::string Answer;
  } rows[] = {
      {{}, 1, 3, "-> Nie (brak terminala"},
      {{"--yes"}, 1, 3, "-> Nie (odpowiedź domyślna"},
      {{"--accept-data-warnings"}, 0, 12, "-> Tak (--accept-data-warnings)"},
      {{"--yes", "--accept-data-warnings"}, 0, 12, "-> Tak (--accept-data-warnings)"},
  };
  std::string json = ReadFile(SourceDir() + "/demo/site.json");
  const std::string nip = R"("90-063", "7251801126")";
  ASSERT_NE(json.find(nip), std::string::npos);
  json.replace(json.find(nip), nip.size(), R"("90-063", "")");
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Flags.empty() ? "no flag" : row.Flags.back());
    TTempDir dir;
    const std::string site = dir / "site";
    TProcessOptions o;
    o.WorkDir = dir.Path();
    o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()}};
    MakeDemoSite(site, o);
    BuildFixtureFromText(json, site + "/stelmar/");
    std::vector<std::string> args = {"/ini=" + site + "/brenvik.ini", "export"};
    args.insert(args.end(), row.Flags.begin(), row.Flags.end());
    TProcessResult r = RunProcess(BRENVIK_CLI_EXE, args, o);
    EXPECT_EQ(r.ExitCode, row.ExitCode) << r.Out << r.Err;
    EXPECT_NE(r.Err.find("Brak numeru NIP. Dokument: FV 123/2026"), std::string::npos) << r.Err;
    EXPECT_NE(r.Err.find(row.Answer), std::string::npos) << r.Err;
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(site + "/ksef-data/Export"))
      files += e.is_regular_file();
    EXPECT_EQ(files, row.Files);
    EXPECT_EQ(FileExists(site + "/ksef-data/Export/0-2026-1-123.xml"), row.Files == 12);
  }
}
