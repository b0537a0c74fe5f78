#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTextEdit>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <regex>
#include <thread>

#include "AppTestSupport.h"
#include "ConnectorStandIn.h"
#include "common/TestProcess.h"
#include "support/Errors.h"
#include "commands/AppController.h"
#include "commands/ConnectorLock.h"
#include "support/KsefContract.h"
#include "gui/InvoiceListView.h"
#include "gui/MainWindow.h"
#include "support/SystemErrors.h"
#include "warehouse/ReasonFiles.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

std::string Message(const std::string& paneLine) {
  static const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}  )");
  std::smatch m;
  return std::regex_search(paneLine, m, stamp) ? std::string(m.suffix()) : paneLine;
}

// Opens the stand-in's gate when the scope ends, so that a failed check
// leaves no connector waiting.
struct TGateOpener {
  std::string Path;
  ~TGateOpener() {
    if (!FileExists(Path)) WriteFile(Path, "");
  }
};

// A window with its status report written, the data module's operations as
// counters, and a connector stand-in in api/.
struct TSendCommandTest : ::testing::Test, TWindowFixture {
  TSendCommandTest() {
    InstallExceptionHook();
    Config->SetAPIConnectorExeDir(Dir / "api/");
    MakeDirs(Dir / "api");
    Window = std::make_unique<TfrmMain>(Config.get());
    Window->SetTrayAvailable(true);
    Window->show();
    ReportLines = Window->PaneLines().size();
    Window->SetKsefOperations(Operations());
  }
  ~TSendCommandTest() override {
    Window.reset();
    ReleaseExceptionHook();
  }

  TKsefOperations Operations() {
    TKsefOperations ops;
    ops.ReadDocNotSended2KSEF = [this] {
      ++Generations;
      for (int i = 1; i <= FilesToGenerate; ++i)
        WriteFile(Dir / ("Export/2-2026-1-" + std::to_string(i) + ".xml"), "<Faktura/>");
      if (GenerationError) throw EDatabaseError("Brak tabeli 2026WI");
    };
    ops.SetKsefInRegs = [this] {
      ++Updates;
      UpdateAfterLine = Window ? Window->PaneLines().size() : 0;
    };
    return ops;
  }

  void Connector(const TStandIn& s) { WriteConnectorStandIn(Dir / "api", Dir.Path(), s); }

  // The thread of the last run lets its connector lock go just after the
  // end step: the next run waits for it as an operator would not notice.
  bool WaitForConnectorLock() {
    return WaitFor([&] {
      try {
        TConnectorLock::Take(Dir.Path());
        return true;
      } catch (const EConnectorBusy&) {
        return false;
      }
    });
  }
  // Pumps the event loop until the run's end step has run.
  bool WaitForEndStep(int timeoutMs = 15000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      QApplication::processEvents();
      if (Window->ReceiveButton()->isEnabled()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  // The messages of the pane after the status report.
  std::vector<std::string> Messages() const {
    std::vector<std::string> out;
    const auto lines = Window->PaneLines();
    for (std::size_t i = ReportLines; i < lines.size(); ++i) out.push_back(Message(lines[i].Text));
    return out;
  }
  bool HasMessage(const std::string& text) const {
    for (const std::string& m : Messages())
      if (m == text) return true;
    return false;
  }
  std::vector<std::string> Texts() const {
    std::vector<std::string> out;
    for (const TDialogRequest& r : Dialogs.Asked()) out.push_back(r.Text);
    return out;
  }
  void ExpectIdle() const {
    EXPECT_TRUE(Window->SendButton()->isEnabled());
    EXPECT_TRUE(Window->ReceiveButton()->isEnabled());
    EXPECT_FALSE(Window->CursorBusy());
  }

  std::unique_ptr<TfrmMain> Window;
  std::size_t ReportLines = 0;
  int FilesToGenerate = 0;
  bool GenerationError = false;
  int Generations = 0, Updates = 0;
  std::size_t UpdateAfterLine = 0;
};

}  // namespace

// The waiting files are named, ten at most; the rest are counted.
TEST_F(TSendCommandTest, WaitingFilesAreNamedTenAtMost) {
  const struct {
    int Files;
    const char* Head;
    const char* Tail;
  } rows[] = {
      {1, "Masz 1 dokument, który nie był jeszcze wysłany (folder Export):\rf01.xml\r\rNowe", nullptr},
      {11, "Masz 11 dokumentów, które nie były jeszcze wysłane (folder Export):\rf01.xml\r",
       "f10.xml\ri 1 inny\r"},
      {13, "Masz 13 dokumentów", "f10.xml\ri 3 inne\r"},
      {25, "Masz 25 dokumentów", "f10.xml\ri 15 innych\r"},
  };
  for (const auto& row : rows) {
    std::filesystem::remove_all(Dir / "Export");
    MakeDirs(Dir / "Export");
    for (int i = 1; i <= row.Files; ++i) {
      char name[16];
      std::snprintf(name, sizeof name, "f%02d.xml", i);
      WriteFile(Dir / ("Export/" + std::string(name)), "<a/>");
    }
    Dialogs.Answer(TModalResult::mrNo);
    Window->btnSendToKSEFClick();
    const std::string text = Dialogs.Asked().back().Text;
    EXPECT_EQ(text.rfind(row.Head, 0), 0u) << text;
    if (row.Tail) {
      EXPECT_NE(text.find(row.Tail), std::string::npos) << text;
    }
    EXPECT_EQ(text.find("f11.xml"), std::string::npos) << text;
  }
}

// Files of an earlier run come first, in one question that says what waits
// and what becomes of it; "Nie" leaves them waiting, shown in the list, and
// the label says so.
TEST_F(TSendCommandTest, WaitingFilesAreOfferedAgainWithoutGenerating) {
  WriteFile(Dir / "Export/2-2026-1-1.xml", Fa3Invoice("FV 1/2026"));
  for (int i = 2; i <= 3; ++i)
    WriteFile(Dir / ("Export/2-2026-1-" + std::to_string(i) + ".xml"), "<a/>");
  Dialogs.Answer(TModalResult::mrNo);
  Window->btnSendToKSEFClick();

  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  const TDialogRequest& question = Dialogs.Asked()[0];
  EXPECT_EQ(question.Title, "Pytanie");
  EXPECT_EQ(question.Type, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(question.Buttons, (TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}));
  EXPECT_EQ(question.Text,
            "Masz 3 dokumenty, które nie były jeszcze wysłane (folder Export):\r"
            "FV 1/2026 (2-2026-1-1.xml)\r2-2026-1-2.xml\r2-2026-1-3.xml\r\rNowe dokumenty program "
            "wygeneruje dopiero po ich wysłaniu. Dokument, którego nie chcesz wysyłać, przenieś na "
            "liście faktur (menu wiersza) do folderu błędów.\r\rWysłać natychmiast 3 faktury do "
            "KSeF?");
  EXPECT_EQ(Generations, 0);
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(PendingFileCount(*Config), 3);
  EXPECT_EQ(Messages(),
            (std::vector<std::string>{
                "", "Wysyłka do KSeF",
                "W folderze Export 3 faktury czekają z wcześniejszej wysyłki; nowych dokumentów "
                "nie wygenerowano",
                "Aktualizacja numerów KSeF w programie Stelmar", "Zakończono aktualizację numerów",
                "Anulowano — 3 faktury czekają w folderze Export na wysłanie"}));
  const TPaneLine last = Window->PaneLines().back();
  EXPECT_EQ(last.Colour, LevelColour(llWarn));
  EXPECT_TRUE(last.Bold);
  EXPECT_EQ(Window->RunStatus().rfind("Anulowano — 3 faktury czekają", 0), 0u)
      << Window->RunStatus();
  EXPECT_EQ(Window->Tabs()->currentWidget(), static_cast<QWidget*>(Window->InvoiceList()));
  ExpectIdle();
}

TEST_F(TSendCommandTest, NothingToSendLogsTheCountAndUpdatesNumbers) {
  Window->btnSendToKSEFClick();
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_EQ(Generations, 1);
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(
      Messages(),
      (std::vector<std::string>{
          "", "Wysyłka do KSeF", "Generowanie plików FA(3)", "Zakończono generowanie dokumentów",
          "Liczba faktur oczekujących na wysłanie do KSeF: 0",
          "Aktualizacja numerów KSeF w programie Stelmar", "Zakończono aktualizację numerów",
          "Brak nowych faktur do wysłania do KSeF"}));
  ExpectIdle();
}

TEST_F(TSendCommandTest, GeneratedFilesStayWhenNotHandedOver) {
  struct {
    bool Ask2Send;
    TModalResult Answer;
    std::size_t Questions;
  } cases[] = {{false, TModalResult::mrYes, 0}, {true, TModalResult::mrNo, 1}};
  Connector({});
  for (const auto& c : cases) {
    std::filesystem::remove_all(Dir / "Export");
    MakeDirs(Dir / "Export");
    Dialogs.Clear();
    Updates = 0;
    Config->Ask2Send = c.Ask2Send;
    FilesToGenerate = 2;
    Dialogs.Answer(c.Answer);
    Window->btnSendToKSEFClick();
    EXPECT_EQ(Dialogs.Asked().size(), c.Questions) << c.Ask2Send;
    EXPECT_TRUE(HasMessage("Liczba faktur oczekujących na wysłanie do KSeF: 2"));
    EXPECT_EQ(PendingFileCount(*Config), 2);
    EXPECT_EQ(Updates, 1);
    ExpectIdle();
  }
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 0);
}

// Whatever the connector's exit code, the files handed over are sorted by
// their fate: the accepted ones are written back, a refused one leaves
// Export for Errors with its reason, the rest wait. The last line and the
// label say which, and a box explains anything short of a full success.
TEST_F(TSendCommandTest, EveryRunIsWrittenBackAndItsOutcomeSaysWhatHappened) {
  const std::string accept1 =
      "mv Export/2-2026-1-1.xml Sent/2-2026-1-1_" + ValidKsefNumber(1) + ".xml";
  const std::string accept2 =
      "mv Export/2-2026-1-2.xml Sent/2-2026-1-2_" + ValidKsefNumber(2) + ".xml";
  const struct {
    int Code;
    std::string Act, RunText;
    bool Success;
    const char* Outcome;
    const char* Box;  // the box's opening; none for a success
  } cases[] = {
      {0, accept1 + "\n" + accept2, "Przyjęto", true, "Wysłano 2 z 2 faktur", ""},
      {1, accept1, "Odrzucono (błąd): 2-2026-1-2.xml - kod waluty XYZ spoza listy", false,
       "Przyjęto 1 z 2 faktur; odrzucono FV 2/2026: błąd: kod waluty XYZ spoza listy",
       "KSeF przyjął 1 z 2 faktur. Ich numery KSeF zapisano w Stelmarze.\r\rOdrzucone przez "
       "KSeF:\rFV 2/2026 (2-2026-1-2.xml): błąd: kod waluty XYZ spoza listy\r\rPrzeniesiono je"},
      {440, accept1,
       "Odrzucono (duplikat, kod 440): 2-2026-1-2.xml - faktura przyjęta wcześniej jako X", false,
       "Przyjęto 1 z 2 faktur; odrzucono FV 2/2026: duplikat, kod 440: faktura przyjęta "
       "wcześniej jako X",
       "KSeF przyjął 1 z 2 faktur."},
      // A connector that ends 0 and sent nothing is no success.
      {0, "", "Połączono", false, "Nie wysłano; 2 faktury czekają na wysłanie",
       "KSeF nie przyjął żadnej z 2 faktur.\r\rNie wysłano:\rFV 1/2026 (2-2026-1-1.xml)\rFV 2/2026 "
       "(2-2026-1-2.xml)\r\rKonektor KSeF zakończył pracę bez błędu, ale tych plików nie wysłał."},
      {7, accept2, "Przyjęto", false, "Przyjęto 1 z 2 faktur; 1 faktura czeka na wysłanie",
       "KSeF przyjął 1 z 2 faktur. Ich numery KSeF zapisano w Stelmarze.\r\rNie wysłano:\rFV "
       "1/2026 (2-2026-1-1.xml)\r\rKonektor KSeF zakończył pracę kodem 7, którego program nie "
       "zna."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Outcome);
    ASSERT_TRUE(WaitForConnectorLock());
    for (const char* folder : {"Export", "Sent", "Errors"}) std::filesystem::remove_all(Dir / folder);
    MakeDirs(Dir / "Sent");
    WriteFile(Dir / "Export/2-2026-1-1.xml", Fa3Invoice("FV 1/2026"));
    WriteFile(Dir / "Export/2-2026-1-2.xml", Fa3Invoice("FV 2/2026"));
    Connector({c.Code, true, c.RunText, "", "", c.Act});
    Dialogs.Clear();
    Updates = 0;
    Dialogs.Answer(TModalResult::mrYes);  // send the waiting files
    Window->btnSendToKSEFClick();
    EXPECT_TRUE(HasMessage("Wysyłka 2 plików FA(3) do KSeF"));
    // Handed over: the command waits for the connector's end.
    EXPECT_FALSE(Window->SendButton()->isEnabled());
    EXPECT_TRUE(Window->CursorBusy());
    EXPECT_EQ(Updates, 0);
    ASSERT_TRUE(WaitForEndStep());
    ExpectIdle();
    EXPECT_EQ(Updates, 1);  // the write-back runs after every run

    const std::vector<std::string> texts = Texts();
    ASSERT_EQ(texts.size(), *c.Box ? 2u : 1u);
    if (*c.Box) {
      EXPECT_EQ(texts[1].rfind(c.Box, 0), 0u) << texts[1];
      EXPECT_EQ(Dialogs.Asked()[1].Type, TMsgDlgType::mtError);
    }
    const auto lines = Window->PaneLines();
    EXPECT_EQ(Message(lines.back().Text), c.Outcome);
    EXPECT_TRUE(lines.back().Bold);
    EXPECT_EQ(lines.back().Colour, c.Success ? QColor(0, 128, 0) : LevelColour(llError));
    EXPECT_EQ(Window->RunStatus().rfind(c.Outcome, 0), 0u) << Window->RunStatus();
    EXPECT_TRUE(
        HasMessage("Konektor KSeF zakończył pracę, kod zakończenia: " + std::to_string(c.Code)));
    // A refused file is out of the queue, with KSeF's reason beside it.
    const bool refused = c.RunText.rfind("Odrzucono", 0) == 0;
    EXPECT_EQ(FileExists(Dir / "Export/2-2026-1-2.xml"),
              !refused && c.Act.find(accept2) == std::string::npos);
    if (refused) {
      const TReasonText reason = ReadReasonFile(Dir / "Errors/2-2026-1-2.txt");
      EXPECT_EQ(reason.Kind, TReasonKind::Ksef);
      EXPECT_EQ(reason.Document.Number, "FV 2/2026");
      EXPECT_TRUE(FileExists(Dir / "Errors/2-2026-1-2.xml"));
    }
  }
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 5);
}

TEST_F(TSendCommandTest, AConnectorThatCannotStartSaysWhyInPolish) {
  Config->SetAPIConnectorExeDir(Dir / "brak/");
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitForEndStep());
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 2u);
  const std::string cause =
      "Nie można uruchomić programu " + Dir / "brak/KsefAPI.exe" + ": " + SystemErrorText(ENOENT);
  EXPECT_NE(texts[1].find("\r\rNie wysłano:\r2-2026-1-1.xml\r\r" + cause +
                          ".\rSprawdź w pliku ini klucz APIConnectorExeDir"),
            std::string::npos)
      << texts[1];
  // No log that day: said so, then why the connector did not start.
  const auto m = Messages();
  EXPECT_TRUE(HasMessage("Nie można uruchomić konektora KSeF: " + cause));
  bool noLog = false;
  for (const std::string& line : m)
    noLog = noLog ||
            line.rfind("Konektor KSeF nie zostawił logu z dnia " + DateToStr(Today()), 0) == 0;
  EXPECT_TRUE(noLog);
  EXPECT_EQ(m.back(), "Nie wysłano; 1 faktura czeka na wysłanie");
  EXPECT_EQ(Updates, 1);
  EXPECT_FALSE(TerminateRequested());
  ExpectIdle();
}

TEST_F(TSendCommandTest, OnlyTheLastRunOfTheDaysLogIsShown) {
  const std::string log = ConnectorLogPath(*Config, Today());
  WriteFile(log,
            "\xEF\xBB\xBF"
            "08:00:00 Start komunikacji\r\npierwszy przebieg\r\n"
            "09:00:00 Start komunikacji\r\ndrugi przebieg\r\n");
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Connector({0, true, "trzeci przebieg", "", ""});
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitForEndStep());
  const auto m = Messages();
  EXPECT_EQ(std::count(m.begin(), m.end(), "10:00:00 Start komunikacji"), 1);
  EXPECT_EQ(std::count(m.begin(), m.end(), "trzeci przebieg"), 1);
  EXPECT_EQ(std::count(m.begin(), m.end(), "drugi przebieg"), 0);
  EXPECT_EQ(std::count(m.begin(), m.end(), "pierwszy przebieg"), 0);
  // The status report before stays.
  EXPECT_EQ(Window->PaneLines()[0].Text, "=== Status aplikacji ===");
}

TEST_F(TSendCommandTest, ALogWithoutMarkerReplacesThePane) {
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Connector({0, false, "koniec", "", ""});
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitForEndStep());
  const auto lines = Window->PaneLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].Text, "10:00:00 Połączenie");
  EXPECT_EQ(lines[1].Text, "koniec");
  EXPECT_EQ(Message(lines[2].Text), "Konektor KSeF zakończył pracę, kod zakończenia: 0");
  EXPECT_EQ(Updates, 1);
}

TEST_F(TSendCommandTest, ButtonsStayDisabledWhileTheWindowIsHiddenAndShown) {
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Connector({0, true, "x", Dir / "gate", ""});
  TGateOpener opener{Dir / "gate"};
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitFor([&] { return ConnectorStarts(Dir / "api") == 1; }));
  Window->hide();
  Window->show();
  QApplication::processEvents();
  EXPECT_FALSE(Window->SendButton()->isEnabled());
  EXPECT_FALSE(Window->ReceiveButton()->isEnabled());
  EXPECT_TRUE(Window->CursorBusy());
  WriteFile(Dir / "gate", "");
  ASSERT_TRUE(WaitForEndStep());
  ExpectIdle();
  EXPECT_EQ(Updates, 1);
}

TEST_F(TSendCommandTest, AWindowGoneBeforeTheEndStepIsLeftAlone) {
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Connector({0, true, "x", Dir / "gate", ""});
  TGateOpener opener{Dir / "gate"};
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitFor([&] { return ConnectorStarts(Dir / "api") == 1; }));
  Window.reset();
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  WriteFile(Dir / "gate", "");
  // The connector ends; its end step finds no window and does nothing.
  ASSERT_TRUE(WaitFor([&] { return FileExists(ConnectorLogPath(*Config, Today())); }));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  for (int i = 0; i < 20; ++i) QApplication::processEvents();
  EXPECT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_EQ(Updates, 0);
  EXPECT_FALSE(TerminateRequested());
}

TEST_F(TSendCommandTest, AFailedGenerationEndsTheProgramWithoutFurtherWork) {
  FilesToGenerate = 1;
  GenerationError = true;
  Connector({});
  Window->btnSendToKSEFClick();
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_EQ(Dialogs.Asked()[0].Title, "brenvik — błąd");
  EXPECT_NE(Dialogs.Asked()[0].Text.find("Generowanie plików FA(3): Brak tabeli 2026WI"),
            std::string::npos);
  EXPECT_TRUE(TerminateRequested());
  // The remaining lines of the command still come; no question, no connector, no write-back.
  EXPECT_TRUE(HasMessage("Liczba faktur oczekujących na wysłanie do KSeF: 1"));
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 0);
  EXPECT_EQ(Updates, 0);
  ExpectIdle();
}

TEST_F(TSendCommandTest, OperationsNotProvidedAreReportedAsUnavailable) {
  Window->SetKsefOperations({});
  Window->btnSendToKSEFClick();
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_NE(
      Dialogs.Asked()[0].Text.find("Generowanie plików FA(3): EOperationUnavailable\r\nOperacja "
                                   "ReadDocNotSended2KSEF nie jest jeszcze dostępna"),
      std::string::npos)
      << Dialogs.Asked()[0].Text;
  EXPECT_TRUE(TerminateRequested());

  ResetTerminateRequest();
  Dialogs.Clear();
  Window->btnReceiveFromKSEFClick();
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_NE(Dialogs.Asked()[0].Text.find(
                "EOperationUnavailable: Operacja SetKsefInRegs nie jest jeszcze dostępna"),
            std::string::npos)
      << Dialogs.Asked()[0].Text;
  EXPECT_TRUE(TerminateRequested());
  // The closing step ran before the report.
  EXPECT_EQ(Messages().back(), "Zakończono odbiór z KSeF");
  ExpectIdle();
}

TEST_F(TSendCommandTest, ReceiveRunsTheWriteBackBetweenItsLines) {
  Window->btnReceiveFromKSEFClick();
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(UpdateAfterLine, ReportLines + 2);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"", "Odbiór z KSeF", "Zakończono odbiór z KSeF",
                                                  "Odbiór z KSeF zakończony"}));
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 0);
  ExpectIdle();
}

TEST_F(TSendCommandTest, TheSendButtonFollowsTheStelmarSwitchAfterACommand) {
  Config->StelmarEnabled = false;
  Window->btnReceiveFromKSEFClick();
  EXPECT_FALSE(Window->SendButton()->isEnabled());
  EXPECT_TRUE(Window->ReceiveButton()->isEnabled());
}

namespace {

struct TRecordingTray : ITrayController {
  void Detach() override {}
  void ShowMainWindow() override {}
  void HideMainWindow() override {}
  void ToggleMainWindow() override {}
  void SetHint(const std::string& hint) override { Hint = hint; }
  void Notify(const std::string& title, const std::string& text, bool failure) override {
    Notes.push_back({title, text, failure});
  }
  struct TNote {
    std::string Title, Text;
    bool Failure;
  };
  std::string Hint;
  std::vector<TNote> Notes;
};

}  // namespace

// A run shows itself while it works (a moving indicator, what runs and for
// how long, in the window and the tray's hint); when the window is hidden,
// its end is told beside the tray icon, a failure as one.
TEST_F(TSendCommandTest, ARunShowsItselfAndAHiddenWindowTellsItsEnd) {
  TRecordingTray tray;
  Window->SetTray(&tray);
  const struct {
    int Code;
    bool Failure;
    const char* Text;
  } rows[] = {{0, false, "Wysłano 1 z 1 faktury; numery KSeF zapisane w Stelmarze"},
              {1, true, "Nie wysłano; 1 faktura czeka na wysłanie"}};
  // The write-back says what it did, as the data module says it.
  const TKsefOperations plain = Operations();
  TKsefOperations ops = plain;
  int written = 0;
  ops.SetKsefInRegs = [plain, &written, this] {
    plain.SetKsefInRegs();
    written = FileExists(Dir / ("Sent/2-2026-1-1_" + ValidKsefNumber(1) + ".xml")) ? 1 : 0;
  };
  ops.WriteBackOutcome = [&written] {
    TWriteBackOutcome o;
    o.SalesWritten = written;
    return o;
  };
  Window->SetKsefOperations(ops);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Code);
    ASSERT_TRUE(WaitForConnectorLock());
    const std::string gate = Dir / ("gate" + std::to_string(row.Code));
    WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
    std::filesystem::remove_all(Dir / "Sent");
    MakeDirs(Dir / "Sent");
    Connector({row.Code, true, "Wysłano faktury: 1", gate, "",
               row.Failure ? ""
                           : "mv Export/2-2026-1-1.xml Sent/2-2026-1-1_" + ValidKsefNumber(1) +
                                 ".xml"});
    TGateOpener opener{gate};
    Dialogs.Clear();
    tray.Notes.clear();
    Window->show();
    Dialogs.Answer(TModalResult::mrYes);  // send them
    Window->btnSendToKSEFClick();
    QApplication::processEvents();
    EXPECT_FALSE(Window->BusyIndicator()->isHidden());
    EXPECT_EQ(Window->RunStatus().rfind("Wysyłka do KSeF — 0:0", 0), 0u) << Window->RunStatus();
    EXPECT_EQ(tray.Hint, Window->RunStatus());
    if (const char* path = std::getenv("BRENVIK_SCREENSHOT")) Window->grab().save(path);
    Window->hide();
    WriteFile(gate, "");
    ASSERT_TRUE(WaitForEndStep());
    EXPECT_TRUE(Window->BusyIndicator()->isHidden());
    EXPECT_EQ(Window->RunStatus().rfind(row.Text, 0), 0u) << Window->RunStatus();
    EXPECT_EQ(tray.Hint, "");
    ASSERT_EQ(tray.Notes.size(), 1u);
    EXPECT_EQ(tray.Notes[0].Title, "Kompletor KSEF — Wysyłka do KSeF");
    EXPECT_EQ(tray.Notes[0].Failure, row.Failure);
    EXPECT_EQ(tray.Notes[0].Text.rfind(row.Text, 0), 0u) << tray.Notes[0].Text;
    // The pane ends at the run's last line.
    const QScrollBar* bar = Window->MemoLog()->verticalScrollBar();
    EXPECT_EQ(bar->value(), bar->maximum());
  }
  Window->SetTray(nullptr);
}

// "Zakończ" while the connector runs: waiting (the default) keeps the
// program until the write-back is done; ending at once says where the
// numbers will come from. Without a run the program ends without a question.
TEST_F(TSendCommandTest, EndingDuringARunWaitsForTheWriteBackOrSaysWhatIsLeft) {
  const struct {
    TModalResult Answer;
    bool EndsAtOnce;
    const char* Line;
  } rows[] = {
      {TModalResult::mrYes, false, "Program zakończy się po zakończeniu pracy konektora KSeF"},
      {TModalResult::mrNo, true, "numery KSeF zostaną zapisane w Stelmarze przy następnym"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(static_cast<int>(row.Answer));
    ResetTerminateRequest();
    Window = std::make_unique<TfrmMain>(Config.get());
    Window->SetTrayAvailable(true);
    Window->SetKsefOperations(Operations());
    Window->show();
    ASSERT_TRUE(WaitForConnectorLock());
    const std::string gate = Dir / ("gate-end" + std::to_string(static_cast<int>(row.Answer)));
    WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
    Connector({0, true, "Wysłano faktury: 1", gate, ""});
    TGateOpener opener{gate};
    Dialogs.Clear();
    Dialogs.Answer(TModalResult::mrYes);  // send them
    Window->btnSendToKSEFClick();
    Dialogs.Answer(row.Answer);
    Window->OperatorQuit();
    ASSERT_EQ(Dialogs.Asked().size(), 2u);
    EXPECT_EQ(Dialogs.Asked()[1].Default, TMsgDlgBtn::mbYes);
    EXPECT_EQ(TerminateRequested(), row.EndsAtOnce);
    bool logged = false;
    for (const std::string& m : Messages())
      logged = logged || m.find(row.Line) != std::string::npos;
    EXPECT_TRUE(logged) << row.Line;
    WriteFile(gate, "");
    if (!row.EndsAtOnce) {
      ASSERT_TRUE(WaitForEndStep());
      EXPECT_EQ(Updates, 1);  // the write-back came first
      EXPECT_TRUE(TerminateRequested());
    }
    Updates = 0;
    Window.reset();
  }
  ResetTerminateRequest();
  Window = std::make_unique<TfrmMain>(Config.get());
  Dialogs.Clear();
  Window->OperatorQuit();  // no run: no question
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_TRUE(TerminateRequested());
  ResetTerminateRequest();
}

// The connector's log is followed into the pane while it works: a line it
// wrote shows before the run ends, and no line shows twice.
TEST_F(TSendCommandTest, TheConnectorsLogIsFollowedWhileItWorks) {
  const std::string gate = Dir / "gate-log";
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  WriteFile(Dir / ("Logs/" + ksef::ConnectorLogName(Today())),
            "09:00:00 Start komunikacji\r\nwcześniejszy przebieg\r\n");
  TStandIn standIn{0, true, "Wysłano faktury: 1", gate, "Łączenie z KSeF"};
  Connector(standIn);
  TGateOpener opener{gate};
  Dialogs.Answer(TModalResult::mrYes);  // send them
  Window->btnSendToKSEFClick();
  const auto shown = [&](const std::string& text) {
    int n = 0;
    for (const auto& line : Window->PaneLines()) n += line.Text == text;
    return n;
  };
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (shown("Łączenie z KSeF") == 0 && std::chrono::steady_clock::now() < until) {
    QApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(shown("Łączenie z KSeF"), 1);
  EXPECT_FALSE(Window->ReceiveButton()->isEnabled());  // still running
  WriteFile(gate, "");
  ASSERT_TRUE(WaitForEndStep());
  EXPECT_EQ(shown("10:00:00 Start komunikacji"), 1);
  EXPECT_EQ(shown("Łączenie z KSeF"), 1);
  EXPECT_EQ(shown("Wysłano faktury: 1"), 1);
  EXPECT_EQ(shown("wcześniejszy przebieg"), 0);  // an earlier run of the day
}
