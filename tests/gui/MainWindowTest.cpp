#include <gtest/gtest.h>

#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTextEdit>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "AppTestSupport.h"
#include "support/Errors.h"
#include "gui/InvoiceListView.h"
#include "gui/MainWindow.h"
#include "support/VersionInfo.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

struct TMainWindowTest : ::testing::Test, TWindowFixture {};

// Pane lines without their time stamp ("yyyy-mm-dd hh:nn:ss  ").
std::string Message(const std::string& paneLine) {
  static const std::regex stamp(R"(^\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}  )");
  std::smatch m;
  if (!std::regex_search(paneLine, m, stamp)) return "<no time stamp> " + paneLine;
  return m.suffix();
}

}  // namespace

// Relative luminance and contrast ratio as the accessibility guidelines define them.
static double Luminance(const QColor& c) {
  auto channel = [](double v) {
    return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}
static double Contrast(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Every level reads on the pane's white at 4.5:1 at least, in its own hue
// (grey, orange, red; -1 for an achromatic colour).
TEST(OperatorLog, LevelColoursKeepTheirHueAndReadOnWhite) {
  const struct {
    TLogLevel Level;
    int Hue;
  } rows[] = {{llInfo, -1}, {llWarn, 39}, {llError, 0}, {llDebug, -1}};
  for (const auto& row : rows) {
    const QColor colour = LevelColour(row.Level);
    EXPECT_GE(Contrast(colour, Qt::white), 4.5) << row.Level;
    EXPECT_NEAR(colour.hsvHue(), row.Hue, 1) << row.Level;
  }
}

// The first place of the window on a screen: the design's size where it
// fits, shrunk to the available area with its frame (at 150 % on 1366x768
// too), never below the minimum, centred, the title bar on the screen.
TEST(FirstGeometry, FitsTheAvailableAreaAtAnyScaling) {
  const QSize wanted(1050, 412), minimum(700, 300);
  const QMargins frame(1, 30, 1, 1);
  const struct {
    QRect Available;
    QRect Expected;
  } rows[] = {
      {QRect(0, 0, 1920, 1040), QRect(435, 328, 1050, 412)},
      {QRect(0, 0, 910, 484), QRect(1, 50, 908, 412)},  // 1366x768 at 150 %, a panel below
      {QRect(100, 50, 640, 360), QRect(101, 80, 700, 329)},
      {QRect(1920, 0, 1280, 984), QRect(2035, 300, 1050, 412)},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FirstGeometry(wanted, minimum, row.Available, frame), row.Expected)
        << row.Available.width() << "x" << row.Available.height();
  }
}

TEST(ProgramCaption, NameVersionAndBuildTime) {
  EXPECT_EQ(ProgramCaption("ver 1.2.3 build 4", EncodeDateTime(2026, 3, 14, 9, 5, 59)),
            "Kompletor KSEF ver 1.2.3 build 4 (2026-03-14 09:05)");
}

TEST_F(TMainWindowTest, CreatedHiddenWithTitleAndLayout) {
  TfrmMain w(Config.get());
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(std::regex_match(
      w.Caption(),
      std::regex(
          R"(Kompletor KSEF ver \d+\.\d+\.\d+ build \d+ \(\d{4}-\d{2}-\d{2} \d{2}:\d{2}\))")))
      << w.Caption();
  EXPECT_EQ(w.windowTitle().toStdString(), w.Caption());
  EXPECT_EQ(ProgramCaption(), w.Caption());
  EXPECT_TRUE(w.MemoLog()->isReadOnly());
  EXPECT_EQ(w.SendButton()->text(), QString::fromUtf8("&Wyślij do KSEF"));
  EXPECT_EQ(w.ReceiveButton()->text(), QString::fromUtf8("&Odbierz z KSEF"));
  EXPECT_EQ(w.size(), QSize(1050, 412));
  EXPECT_EQ(w.Tabs()->geometry(), QRect(16, 16, 1015, 321));
  EXPECT_EQ(w.Tabs()->widget(0), w.MemoLog());
  EXPECT_EQ(w.SendButton()->geometry(), QRect(32, 353, 110, 41));
  EXPECT_EQ(w.ReceiveButton()->geometry(), QRect(168, 353, 110, 41));
  // Tab order: receive, send, pane.
  std::vector<QWidget*> order;
  QWidget* next = w.ReceiveButton();
  do {
    if (next == w.ReceiveButton() || next == w.SendButton() || next == w.MemoLog())
      order.push_back(next);
    next = next->nextInFocusChain();
  } while (next != w.ReceiveButton());
  EXPECT_EQ(order, (std::vector<QWidget*>{w.ReceiveButton(), w.SendButton(), w.MemoLog()}));

  // The pane follows all four edges, the buttons the left and bottom ones.
  w.show();
  w.resize(1250, 512);
  QApplication::processEvents();
  EXPECT_EQ(w.Tabs()->geometry(), QRect(16, 16, 1215, 421));
  EXPECT_EQ(w.SendButton()->geometry(), QRect(32, 453, 110, 41));
  EXPECT_EQ(w.ReceiveButton()->geometry(), QRect(168, 453, 110, 41));
}

TEST_F(TMainWindowTest, StatusReportAtFirstShowingOnly) {
  Config->APICfg.BASE_URL = "https://ksef-demo.mf.gov.pl";
  Config->SetAPIConnectorExeDir("C:/KsefAPI/bin/Debug/");
  TfrmMain w(Config.get());
  w.show();
  const std::vector<TPaneLine> lines = w.PaneLines();
  const QColor info(32, 32, 32), warn(LevelColour(llWarn)), black(0, 0, 0);
  struct {
    std::string Text;
    QColor Colour;
    bool Stamped;
  } expected[] = {
      {"=== Status aplikacji ===", black, false},
      {"", QColor(), false},
      {"Nazwa firmy: Firma Handlowa Sp. z o.o.", info, true},
      {"NIP: 1234563218", info, true},
      {"Środowisko KSeF: demo (https://ksef-demo.mf.gov.pl)", warn, true},
      {"Włączony Debuger", warn, true},
      {"Data, od której wysyłane są dokumenty do KSeF: 2026-02-01", info, true},
      {"Data wysyłki: 2026-12-08", info, true},
      {"Liczba dni wstecz, z których sprawdzane są niewysłane dokumenty: 5", info, true},
      // The connector's folder of another machine: nothing can reach KSeF.
      {"Brak programu konektora KSeF C:/KsefAPI/bin/Debug/KsefAPI.exe (klucz APIConnectorExeDir "
       "w sekcji [KSeF] pliku ini)",
       LevelColour(llError), true},
      {"Brak pliku ustawień konektora KSeF C:/KsefAPI/bin/Debug/.env", LevelColour(llError), true},
      {"", QColor(), false},
      {"Niegotowy do pracy: popraw konfigurację ✘", QColor(192, 0, 0), false},
  };
  ASSERT_EQ(lines.size(), std::size(expected));
  for (std::size_t i = 0; i < lines.size(); ++i) {
    EXPECT_EQ(expected[i].Stamped ? Message(lines[i].Text) : lines[i].Text, expected[i].Text);
    if (!expected[i].Text.empty()) {
      EXPECT_EQ(lines[i].Colour, expected[i].Colour) << i;
    }
  }
  EXPECT_TRUE(w.SendButton()->isEnabled());

  // The certificate goes to the log file only; the title is logged at each showing.
  const std::string log = LogText();
  EXPECT_NE(log.find("[DEBUG]"), std::string::npos);
  EXPECT_NE(log.find("Użyty certyfikat: firma.pfx"), std::string::npos);
  EXPECT_NE(log.find("[WARN]"), std::string::npos);

  w.hide();
  Config->StelmarEnabled = false;
  w.show();
  EXPECT_EQ(w.PaneLines().size(), lines.size());
  EXPECT_FALSE(w.SendButton()->isEnabled());
  std::size_t titles = 0;
  for (std::size_t p = LogText().find(w.Caption()); p != std::string::npos;
       p = LogText().find(w.Caption(), p + 1))
    ++titles;
  EXPECT_EQ(titles, 2u);
}

TEST_F(TMainWindowTest, TheProductionEnvironmentIsNoWarning) {
  Config->APICfg.BASE_URL = "https://api.ksef.mf.gov.pl/v2";
  TfrmMain w(Config.get());
  w.show();
  const auto lines = w.PaneLines();
  ASSERT_GT(lines.size(), 4u);
  EXPECT_EQ(Message(lines[4].Text), "Środowisko KSeF: produkcyjne (https://api.ksef.mf.gov.pl/v2)");
  EXPECT_EQ(lines[4].Colour, QColor(32, 32, 32));
  // No "Debug" in the connector folder: no debugger line.
  EXPECT_EQ(Message(lines[5].Text).rfind("Data, od", 0), 0u);
}

TEST_F(TMainWindowTest, InfoLogShowsAllButDebugAndReturnsTheText) {
  TfrmMain w(Config.get());
  EXPECT_EQ(w.InfoLog("Wysyłka do KSEF", llInfo), "Wysyłka do KSEF");
  EXPECT_EQ(w.InfoLog("szczegół", llDebug), "szczegół");
  EXPECT_EQ(InfoLog("Brak pliku", llWarn), "Brak pliku");  // the core's channel
  EXPECT_EQ(w.InfoLog("Błąd zapisu", llError), "Błąd zapisu");
  const auto lines = w.PaneLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(Message(lines[0].Text), "Wysyłka do KSEF");
  EXPECT_EQ(Message(lines[1].Text), "Brak pliku");
  EXPECT_EQ(lines[1].Colour, LevelColour(llWarn));
  EXPECT_EQ(lines[2].Colour, QColor(208, 0, 0));
  const std::string log = LogText();
  EXPECT_NE(log.find("[DEBUG] [TID:"), std::string::npos);
  EXPECT_NE(log.find("szczegół"), std::string::npos);
  EXPECT_NE(log.find("[ERROR]"), std::string::npos);
  // A window that has been shown later still has no status report in front
  // of lines written before: the pane already held lines.
  w.show();
  EXPECT_EQ(w.PaneLines().size(), 3u);
}

TEST_F(TMainWindowTest, MinimiseHidesTheWindow) {
  TfrmMain w(Config.get());
  w.SetTrayAvailable(true);
  w.show();
  w.showMinimized();
  QApplication::processEvents();
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(w.isMinimized());
}

TEST_F(TMainWindowTest, WithoutATrayMinimisingStaysAMinimise) {
  TfrmMain w(Config.get());
  w.SetTrayAvailable(false);
  w.show();
  w.showMinimized();
  QApplication::processEvents();
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.isMinimized());
}

TEST_F(TMainWindowTest, CloseQuestionAndItsThreeAnswers) {
  TfrmMain w(Config.get());
  w.SetTrayAvailable(true);
  w.show();

  Dialogs.Answer(TModalResult::mrCancel);
  w.SysCommandClose();
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  const TDialogRequest& q = Dialogs.Asked()[0];
  EXPECT_EQ(q.Text, "Czy na pewno chcesz zamknąć aplikację?");
  EXPECT_EQ(q.Title, "Pytanie");
  EXPECT_EQ(q.Buttons, (TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo, TMsgDlgBtn::mbCancel}));
  EXPECT_EQ(q.Default, TMsgDlgBtn::mbNo);
  EXPECT_TRUE(w.isVisible());
  EXPECT_FALSE(TerminateRequested());

  Dialogs.Answer(TModalResult::mrNo);
  w.SysCommandClose();
  EXPECT_FALSE(w.isVisible());
  EXPECT_FALSE(TerminateRequested());

  w.show();
  Dialogs.Answer(TModalResult::mrYes);
  w.SysCommandClose();
  EXPECT_TRUE(TerminateRequested());
}

TEST_F(TMainWindowTest, WithoutATrayNoMinimisesInsteadOfHiding) {
  TfrmMain w(Config.get());
  w.SetTrayAvailable(false);
  w.show();
  Dialogs.Answer(TModalResult::mrNo);
  w.SysCommandClose();
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(w.isMinimized());
}

TEST_F(TMainWindowTest, OtherClosesHideWithoutAQuestion) {
  TfrmMain w(Config.get());
  w.SetTrayAvailable(true);
  w.show();
  EXPECT_FALSE(w.close());  // refused
  EXPECT_FALSE(w.isVisible());
  EXPECT_TRUE(Dialogs.Asked().empty());
  EXPECT_FALSE(TerminateRequested());
}

// Files waiting from an earlier run: the send question names them by
// invoice; not sent now, they are shown in the list.
TEST_F(TMainWindowTest, WaitingFilesAreShownInTheListWhenNotSent) {
  TfrmMain w(Config.get());
  TKsefOperations ops;
  ops.SetKsefInRegs = [] {};
  w.SetKsefOperations(ops);
  WriteFile(Dir / "Export/0-2026-1-1.xml", ReadFile(Fa3SamplesDir() + "/mf-example-01.xml"));
  Dialogs.Answer(TModalResult::mrNo);  // do not send now
  w.btnSendToKSEFClick();
  ASSERT_EQ(Dialogs.Asked().size(), 1u) << Dialogs.Asked().back().Text;
  EXPECT_NE(Dialogs.Asked()[0].Text.find("FV2026/02/150 (0-2026-1-1.xml)"), std::string::npos)
      << Dialogs.Asked()[0].Text;
  EXPECT_EQ(w.Tabs()->currentWidget(), w.InvoiceList());
  EXPECT_EQ(w.InvoiceList()->StateFilter()->currentIndex(),
            static_cast<int>(TInvoiceState::Waiting) + 1);
}

TEST_F(TMainWindowTest, PendingFilesAreTheXmlFilesOfTheExportFolder) {
  TfrmMain w(Config.get());
  EXPECT_EQ(w.PendingFileCount(), 0);
  WriteFile(Dir / "Export/2-2026-1-15.xml", "<a/>");
  WriteFile(Dir / "Export/2-2026-1-16.XML", "<a/>");
  WriteFile(Dir / "Export/notatka.txt", "x");
  WriteFile(Dir / "Export/stare/2-2026-1-1.xml", "<a/>");
  MakeDirs(Dir / "Export/katalog.xml");
  EXPECT_EQ(w.PendingFileCount(), 2);
  Config->SetKsefDataDir(Dir / "brak");
  EXPECT_THROW(w.PendingFileCount(), EInOutError);
}

TEST_F(TMainWindowTest, ConfirmSendAsksOnlyWhenConfigured) {
  TfrmMain w(Config.get());
  Config->Ask2Send = false;
  EXPECT_FALSE(w.ConfirmSend(3));
  EXPECT_TRUE(Dialogs.Asked().empty());

  Config->Ask2Send = true;
  Dialogs.Answer(TModalResult::mrYes);
  EXPECT_TRUE(w.ConfirmSend(3));
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_EQ(Dialogs.Asked()[0].Text, "Wysłać natychmiast 3 faktury do KSeF?");
  EXPECT_EQ(Dialogs.Asked()[0].Kind, TQuestionKind::qkSendConfirmation);
  EXPECT_EQ(Dialogs.Asked()[0].Title, "Pytanie");
  EXPECT_EQ(Dialogs.Asked()[0].Default, TMsgDlgBtn::mbYes);
  Dialogs.Answer(TModalResult::mrNo);
  EXPECT_FALSE(w.ConfirmSend(3));
  Dialogs.Answer(TModalResult::mrCancel);
  EXPECT_FALSE(w.ConfirmSend(3));
}

TEST_F(TMainWindowTest, ClosesWhenTheProgramEnds) {
  TfrmMain w(Config.get());
  w.SetTrayAvailable(true);
  w.show();
  RequestTerminate();  // the application's quit then closes its windows
  EXPECT_TRUE(w.close());
  EXPECT_TRUE(Dialogs.Asked().empty());
}

TEST_F(TMainWindowTest, LinesAreDrawnInTheirColours) {
  TfrmMain w(Config.get());
  w.show();
  w.InfoLog("Ostrzeżenie o dokumencie", llWarn);
  w.InfoLog("Błąd dokumentu", llError);
  QApplication::processEvents();
  const QImage image = w.grab().toImage();
  EXPECT_EQ(image.size(), w.size());
  auto pixelsOf = [&](QColor c) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, y) == c) ++n;
    return n;
  };
  EXPECT_GT(pixelsOf(LevelColour(llWarn)), 0);
  EXPECT_GT(pixelsOf(QColor(208, 0, 0)), 0);
  EXPECT_GT(pixelsOf(QColor(0, 128, 0)), 0);  // "Gotowy do pracy"
  if (const char* path = std::getenv("BRENVIK_SCREENSHOT"))
    image.save(QString::fromLocal8Bit(path));
}

// "Podgląd..." opens the PDF it wrote; a file that is no invoice gets its
// reason in a box and the window goes on.
TEST_F(TMainWindowTest, PreviewOpensThePdfAndARefusedFileLeavesTheWindowWorking) {
  TfrmMain w(Config.get());
  std::vector<std::string> opened;
  w.SetFileOpener([&](const std::string& path) {
    opened.push_back(path);
    return true;
  });
  WriteFile(Dir / "inv.xml", ReadFile(Fa3SamplesDir() + "/mf-example-01.xml"));
  WriteFile(Dir / "note.xml", "<notatka/>");
  Dialogs.AnswerFile(Dir / "inv.xml");
  w.PreviewButton()->click();
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(ReadFile(opened[0]).rfind("%PDF", 0), 0u);
  EXPECT_EQ(ExtractFileName(opened[0]), "inv.pdf");
  Dialogs.AnswerFile(Dir / "note.xml");
  w.PreviewButton()->click();
  EXPECT_EQ(opened.size(), 1u);
  ASSERT_EQ(Dialogs.Asked().size(), 1u);
  EXPECT_NE(Dialogs.Asked()[0].Text.find("Nie można utworzyć PDF faktury."), std::string::npos);
  EXPECT_FALSE(TerminateRequested());
  std::remove(opened[0].c_str());
}

// The pane's own menu is Qt's: its texts come from the Polish Qt translations.
TEST_F(TMainWindowTest, PaneMenuSpeaksPolish) {
  TfrmMain w(Config.get());
  std::unique_ptr<QMenu> menu(w.MemoLog()->createStandardContextMenu());
  QStringList texts;
  for (QAction* action : menu->actions())
    if (!action->isSeparator()) texts << action->text().remove('&').section('\t', 0, 0);
  EXPECT_TRUE(texts.contains("Skopiuj")) << texts.join(", ").toStdString();
  EXPECT_TRUE(texts.contains("Zaznacz wszystko")) << texts.join(", ").toStdString();
}
