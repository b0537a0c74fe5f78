// The window's invoice list over a KSeF data folder: the rows read on a
// worker thread, sorting by a column, the filters by state and by text, and
// a file that arrives shown without a command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <cstdlib>

#include "AppTestSupport.h"
#include "common/TestFiles.h"
#include "gui/InvoiceListView.h"
#include "support/KsefContract.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

// Processes events until the list has read its folders (at most 10 s).
bool WaitForRows(TInvoiceListView& view, size_t rows) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 10000) {
    QApplication::processEvents(QEventLoop::AllEvents, 50);
    if (!view.Refreshing() && view.ShownRows().size() == rows) return true;
  }
  return false;
}

std::vector<std::string> Numbers(const TInvoiceListView& view) {
  std::vector<std::string> out;
  for (const TInvoiceRow& r : view.ShownRows()) out.push_back(r.Number);
  return out;
}

}  // namespace

TEST(InvoiceListView, RowsSortAndFilterAndFollowTheFolders) {
  TestApp();
  TTempDir dir;
  const std::string sample = ReadFile(Fa3SamplesDir() + "/mf-example-01.xml");
  const auto invoice = [&](const std::string& number, const std::string& gross) {
    std::string s = sample;
    s.replace(s.find("FV2026/02/150"), 13, number);
    s.replace(s.find("<P_15>2051</P_15>"), 17, "<P_15>" + gross + "</P_15>");
    return s;
  };
  const std::string data = dir / "ksef/";
  WriteFile(data + "Export/0-2026-1-1.xml", invoice("FV/3", "10"));
  WriteFile(data + "Export/0-2026-1-2.xml", invoice("FV/1", "300"));
  WriteFile(data + "Errors/0-2026-1-3.xml", invoice("FV/2", "25.5"));
  WriteFile(data + "Errors/0-2026-1-3.txt", "Duplikat faktury\n");
  WriteFile(data + "Import/zepsuty.xml", "<Faktura");

  TInvoiceListView view;
  view.resize(900, 300);
  view.SetSource(data, "9999999999");
  ASSERT_TRUE(WaitForRows(view, 4));
  EXPECT_EQ(Numbers(view), (std::vector<std::string>{"FV/3", "FV/1", "FV/2", ""}));
  EXPECT_EQ(view.ShownRows()[2].Reason, "Duplikat faktury");

  // Sorting by a column: the gross total by value, not as text.
  view.Table()->sortByColumn(5, Qt::DescendingOrder);
  EXPECT_EQ(Numbers(view), (std::vector<std::string>{"FV/1", "FV/2", "FV/3", ""}));
  view.Table()->sortByColumn(1, Qt::AscendingOrder);
  EXPECT_EQ(Numbers(view), (std::vector<std::string>{"", "FV/1", "FV/2", "FV/3"}));

  const struct {
    TInvoiceState State;  // Unreadable stands for every state here
    const char* Text;
    std::vector<std::string> Numbers;
  } filters[] = {
      {TInvoiceState::Waiting, "", {"FV/1", "FV/3"}}, {TInvoiceState::Refused, "", {"FV/2"}},
      {TInvoiceState::Unreadable, "", {""}},          {TInvoiceState::Waiting, "fv/3", {"FV/3"}},
      {TInvoiceState::Refused, "duplikat", {"FV/2"}}, {TInvoiceState::Sent, "", {}},
  };
  for (const auto& f : filters) {
    SCOPED_TRACE(InvoiceStateCaption(f.State));
    view.StateFilter()->setCurrentIndex(static_cast<int>(f.State) + 1);
    view.TextFilter()->setText(QString::fromUtf8(f.Text));
    EXPECT_EQ(Numbers(view), f.Numbers);
  }
  view.StateFilter()->setCurrentIndex(0);
  view.TextFilter()->clear();

  // A received invoice arrives: the folder's watcher reads the list again.
  const std::string first = "5555555555-20261209-0000000000B2";
  WriteFile(data + "Import/" + first + "-" + ksef::KsefCheckCode(first) + ".xml",
            invoice("FZ/9", "1"));
  ASSERT_TRUE(WaitForRows(view, 5));
  if (const char* path = std::getenv("BRENVIK_SCREENSHOT")) view.grab().save(path);
}

// A row's actions: its folder and file opened by the system's viewer, its XML
// in a window of its own, and a waiting file moved to Errors after a "Tak".
TEST(InvoiceListView, RowActions) {
  TWindowFixture fixture;
  const std::string data = fixture.Dir / "ksef/";
  const std::string sample = ReadFile(Fa3SamplesDir() + "/mf-example-01.xml");
  WriteFile(data + "Export/0-2026-1-1.xml", sample);
  WriteFile(data + "Errors/0-2026-1-2.xml", sample);
  TInvoiceListView view;
  std::vector<std::string> opened;
  view.SetOpener([&](const std::string& path) {
    opened.push_back(path);
    return true;
  });
  view.SetSource(data, "9999999999");
  ASSERT_TRUE(WaitForRows(view, 2));
  const TInvoiceRow waiting = view.ShownRows()[0], refused = view.ShownRows()[1];
  using A = TInvoiceListView::TAction;
  EXPECT_EQ(view.ActionsOf(waiting),
            (std::vector<A>{A::OpenFolder, A::OpenFile, A::ShowXml, A::MoveToErrors}));
  EXPECT_EQ(view.ActionsOf(refused), (std::vector<A>{A::OpenFolder, A::OpenFile, A::ShowXml}));

  view.Run(A::OpenFolder, refused);
  view.Run(A::OpenFile, refused);
  EXPECT_EQ(opened, (std::vector<std::string>{data + "Errors/", data + "Errors/0-2026-1-2.xml"}));
  view.Run(A::ShowXml, refused);
  auto* xml = qobject_cast<QPlainTextEdit*>(view.XmlWindow());
  ASSERT_NE(xml, nullptr);
  EXPECT_TRUE(xml->toPlainText().contains(QStringLiteral("FV2026/02/150")));
  xml->close();

  fixture.Dialogs.Answer(TModalResult::mrYes);
  view.Run(A::MoveToErrors, waiting);
  ASSERT_TRUE(WaitForRows(view, 2));
  EXPECT_EQ(view.ShownRows()[0].State, TInvoiceState::Refused);
  EXPECT_NE(view.ShownRows()[0].Reason.find("z listy faktur"), std::string::npos);
}
