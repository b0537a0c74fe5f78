#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
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
#include "gui/MainWindow.h"

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
      {1, "Masz 1 dokument, który nie był jeszcze wysłany:\rf01.xml\rGenerowanie", nullptr},
      {11, "Masz 11 dokumentów, które nie były jeszcze wysłane:\rf01.xml\r", "f10.xml\ri 1 inny\r"},
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
    Dialogs.Answer(TModalResult::mrOk);
    Dialogs.Answer(TModalResult::mrNo);
    Window->btnSendToKSEFClick();
    const std::string text = Dialogs.Asked().at(Dialogs.Asked().size() - 2).Text;
    EXPECT_EQ(text.rfind(row.Head, 0), 0u) << text;
    if (row.Tail) {
      EXPECT_NE(text.find(row.Tail), std::string::npos) << text;
    }
    EXPECT_EQ(text.find("f11.xml"), std::string::npos) << text;
  }
}

TEST_F(TSendCommandTest, WaitingFilesAreOfferedAgainWithoutGenerating) {
  for (int i = 1; i <= 3; ++i)
    WriteFile(Dir / ("Export/2-2026-1-" + std::to_string(i) + ".xml"), "<a/>");
  Dialogs.Answer(TModalResult::mrNo);  // the window offers the list: not now
  Dialogs.Answer(TModalResult::mrNo);
  Window->btnSendToKSEFClick();

  ASSERT_EQ(Dialogs.Asked().size(), 2u);
  const TDialogRequest& info = Dialogs.Asked()[0];
  EXPECT_EQ(info.Title, "Pytanie");
  EXPECT_EQ(info.Type, TMsgDlgType::mtConfirmation);
  EXPECT_EQ(info.Buttons, (TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}));
  EXPECT_EQ(info.Text,
            "Masz 3 dokumenty, które nie były jeszcze wysłane:\r2-2026-1-1.xml\r2-2026-1-2.xml\r"
            "2-2026-1-3.xml\rGenerowanie kolejnych będzie możliwe po prawidłowym wysłaniu obecnie "
            "oczekujących.\r\rPokazać je na liście faktur?");
  EXPECT_EQ(Dialogs.Asked()[1].Text, "Wysłać natychmiast 3 faktury do KSeF?");
  EXPECT_EQ(Generations, 0);
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(PendingFileCount(*Config), 3);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"", "Wysyłka do KSEF",
                                                  "Aktualizacja numerów KSeF w programie Stelmar",
                                                  "Zakończono aktualizację numerów"}));
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
          "", "Wysyłka do KSEF", "Generowanie plików FA(3)", "Zakończono generowanie dokumentów",
          "Ilość faktur oczekujących na wysłanie do KSeF: 0",
          "Aktualizacja numerów KSeF w programie Stelmar", "Zakończono aktualizację numerów"}));
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
    EXPECT_TRUE(HasMessage("Ilość faktur oczekujących na wysłanie do KSeF: 2"));
    EXPECT_EQ(PendingFileCount(*Config), 2);
    EXPECT_EQ(Updates, 1);
    ExpectIdle();
  }
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 0);
}

TEST_F(TSendCommandTest, ExitCodesGiveTheirBoxesLinesAndFurtherAction) {
  struct {
    int Code;
    std::vector<std::string> Boxes;
    std::string Line;
    QColor Colour;
    int Updates;
  } cases[] = {
      {0, {}, "Komunikacja zakończona sukcesem", QColor(32, 32, 32), 1},
      {1,
       {"Błąd komunikacji z KSeF - kod zakończenia: 1"},
       "Błąd wysyłki dokumentów",
       QColor(208, 0, 0),
       0},
      {440,
       {"Błąd komunikacji z KSeF - kod zakończenia: 440"},
       "Próba wysłania duplikatów faktur",
       QColor(208, 0, 0),  // the closing line of a failed run: an error, in bold
       0},
      {7,
       {"Błąd komunikacji z KSeF - kod zakończenia: 7"},
       "Nieznany kod zakończenia: 7",
       QColor(208, 0, 0),
       0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Code);
    ASSERT_TRUE(WaitForConnectorLock());
    WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
    Connector({c.Code, true, "Wysłano faktury: 3", "", ""});
    Dialogs.Clear();
    Updates = 0;
    Dialogs.Answer(TModalResult::mrOk);   // waiting files
    Dialogs.Answer(TModalResult::mrYes);  // send them
    Window->btnSendToKSEFClick();
    EXPECT_TRUE(HasMessage("Wysyłka 1 pliku FA(3) do KSeF"));
    // Handed over: the command waits for the connector's end.
    EXPECT_FALSE(Window->SendButton()->isEnabled());
    EXPECT_FALSE(Window->ReceiveButton()->isEnabled());
    EXPECT_TRUE(Window->CursorBusy());
    EXPECT_EQ(Updates, 0);
    ASSERT_TRUE(WaitForEndStep());
    ExpectIdle();

    const std::vector<std::string> texts = Texts();
    ASSERT_GE(texts.size(), 2u);
    // A failure's box: its line first, then what to do and the invoice left waiting.
    std::vector<std::string> boxes;
    for (std::size_t i = 2; i < texts.size(); ++i)
      boxes.push_back(texts[i].substr(0, texts[i].find("\r\r")));
    EXPECT_EQ(boxes, c.Boxes);
    for (std::size_t i = 2; i < Dialogs.Asked().size(); ++i) {
      EXPECT_EQ(Dialogs.Asked()[i].Type, TMsgDlgType::mtError);
      EXPECT_EQ(Dialogs.Asked()[i].Buttons, TMsgDlgButtons{TMsgDlgBtn::mbOK});
      EXPECT_NE(texts[i].find("\r\rNie wysłano:\r2-2026-1-1.xml"), std::string::npos) << texts[i];
    }
    const auto lines = Window->PaneLines();
    std::size_t at = 0;
    while (at < lines.size() && Message(lines[at].Text) != c.Line) ++at;
    ASSERT_LT(at, lines.size());
    EXPECT_EQ(lines[at].Colour, c.Colour);
    EXPECT_EQ(lines[at].Bold, c.Updates == 0);
    EXPECT_EQ(Message(lines[at - 2].Text), "Zakończono wysyłkę do KSEF");
    EXPECT_EQ(lines[at - 1].Text, "");
    EXPECT_EQ(lines[at - 3].Text, "Wysłano faktury: 3");  // the connector's own line, unstamped
    EXPECT_EQ(Updates, c.Updates);
    if (c.Updates) {
      // The write-back comes after the log and the success line.
      EXPECT_GT(UpdateAfterLine, at);
      EXPECT_EQ(Message(lines.back().Text), "Zakończono aktualizację numerów");
    }
  }
  EXPECT_EQ(ConnectorStarts(Dir / "api"), 4);
}

TEST_F(TSendCommandTest, MissingConnectorShowsMinusOneThenTheSystemText) {
  Config->SetAPIConnectorExeDir(Dir / "brak/");
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Dialogs.Answer(TModalResult::mrOk);
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitForEndStep());
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[2].rfind("Błąd komunikacji z KSeF - kod zakończenia: -1\r\r", 0), 0u);
  EXPECT_EQ(texts[3].rfind("Błąd komunikacji z KSeF: Nie można uruchomić programu " +
                               Dir / "brak/KsefAPI.exe" + ": " + std::strerror(ENOENT) +
                               "\r\rSprawdź w ustawieniach folder konektora",
                           0),
            0u)
      << texts[3];
  // No log that day: said so, and the report of the code still follows.
  const auto m = Messages();
  ASSERT_GE(m.size(), 4u);
  EXPECT_EQ(
      m[m.size() - 4].rfind("Konektor KSeF nie zostawił logu z dnia " + DateToStr(Today()), 0), 0u)
      << m[m.size() - 4];
  EXPECT_EQ(Window->PaneLines()[Window->PaneLines().size() - 4].Colour, LevelColour(llWarn));
  EXPECT_EQ(m.back(), "Nieznany kod zakończenia: -1");
  EXPECT_EQ(Updates, 0);
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
  Dialogs.Answer(TModalResult::mrOk);
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
  Dialogs.Answer(TModalResult::mrOk);
  Dialogs.Answer(TModalResult::mrYes);
  Window->btnSendToKSEFClick();
  ASSERT_TRUE(WaitForEndStep());
  const auto lines = Window->PaneLines();
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[0].Text, "10:00:00 Połączenie");
  EXPECT_EQ(lines[1].Text, "koniec");
  EXPECT_EQ(Message(lines[2].Text), "Zakończono wysyłkę do KSEF");
  EXPECT_EQ(Updates, 1);
}

TEST_F(TSendCommandTest, ButtonsStayDisabledWhileTheWindowIsHiddenAndShown) {
  WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
  Connector({0, true, "x", Dir / "gate", ""});
  TGateOpener opener{Dir / "gate"};
  Dialogs.Answer(TModalResult::mrOk);
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
  Dialogs.Answer(TModalResult::mrOk);
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
  EXPECT_EQ(Dialogs.Asked().size(), 2u);
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
  EXPECT_TRUE(HasMessage("Ilość faktur oczekujących na wysłanie do KSeF: 1"));
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
  EXPECT_EQ(Messages().back(), "Zakończono odczyt dokumentów z KSEF");
  ExpectIdle();
}

TEST_F(TSendCommandTest, ReceiveRunsTheWriteBackBetweenItsLines) {
  Window->btnReceiveFromKSEFClick();
  EXPECT_EQ(Updates, 1);
  EXPECT_EQ(UpdateAfterLine, ReportLines + 2);
  EXPECT_EQ(Messages(), (std::vector<std::string>{"", "Odczyt dokumentów z KSEF",
                                                  "Zakończono odczyt dokumentów z KSEF"}));
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
  } rows[] = {{0, false, "Zakończono przetwarzanie plików KSeF: dopisano numerów KSeF: 1"},
              {1, true, "Błąd wysyłki dokumentów"}};
  // The write-back says what it did, as the data module says it.
  const TKsefOperations plain = Operations();
  TKsefOperations ops = plain;
  ops.SetKsefInRegs = [plain] {
    plain.SetKsefInRegs();
    InfoLog("Zakończono przetwarzanie plików KSeF: dopisano numerów KSeF: 1, odrzucono plików: 0",
            llInfo);
  };
  Window->SetKsefOperations(ops);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.Code);
    ASSERT_TRUE(WaitForConnectorLock());
    const std::string gate = Dir / ("gate" + std::to_string(row.Code));
    WriteFile(Dir / "Export/2-2026-1-1.xml", "<a/>");
    Connector({row.Code, true, "Wysłano faktury: 1", gate, ""});
    TGateOpener opener{gate};
    Dialogs.Clear();
    tray.Notes.clear();
    Window->show();
    Dialogs.Answer(TModalResult::mrNo);   // not the list
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
    EXPECT_NE(Window->RunStatus().find("zakończona"), std::string::npos) << Window->RunStatus();
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
    Dialogs.Answer(TModalResult::mrNo);   // not the list
    Dialogs.Answer(TModalResult::mrYes);  // send them
    Window->btnSendToKSEFClick();
    Dialogs.Answer(row.Answer);
    Window->OperatorQuit();
    ASSERT_EQ(Dialogs.Asked().size(), 3u);
    EXPECT_EQ(Dialogs.Asked()[2].Default, TMsgDlgBtn::mbYes);
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
  Dialogs.Answer(TModalResult::mrNo);   // not the list
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
