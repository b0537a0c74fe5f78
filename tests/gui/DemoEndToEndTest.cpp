#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <thread>

#include "AppTestSupport.h"
#include "fa3/Fa3Validate.h"
#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "warehouse/DataModule.h"
#include "support/KsefContract.h"
#include "gui/MainWindow.h"
#include "support/Paths.h"
#include "paradox/Table.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace fs = std::filesystem;

namespace {

// Register marks of the demo site by document number text.
std::map<std::string, std::string> Marks(const std::string& site) {
  TPxTable t;
  t.SetTableName(PathJoin(site, "stelmar/DATA/2026REG"));
  t.Open();
  std::map<std::string, std::string> marks;
  for (t.First(); !t.Eof(); t.Next())
    marks[t.FieldByName("Document").AsString()] = t.FieldByName("KSeF").AsString();
  return marks;
}

std::vector<fs::path> FilesUnder(const std::string& dir) {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

// The whole road on the demo site: generated, sent through the connector
// stand-in, numbers written back, received invoices filed.
TEST(DemoEndToEnd, SendAndReceiveThroughTheConnectorStandIn) {
  TTempDir dir;
  const std::string site = dir / "site";
  TProcessOptions o;
  o.WorkDir = dir.Path();
  o.Env = {{"BRENVIK_LOCK_DIR", dir.Path()}, {"BRENVIK_FA3_SCHEMA_DIR", Fa3SchemaDir()}};
  o.TimeoutMs = 120000;
  MakeDemoSite(site, o);
  const std::string ini = "/ini=" + site + "/brenvik.ini";
  const std::string data = site + "/ksef-data/";
  const auto before = Marks(site);

  TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {ini, "send", "--yes"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("Wysłano 12 z 12 faktur; numery KSeF zapisane w Stelmarze"),
            std::string::npos)
      << r.Out;
  // The received invoice that no entry books is named.
  EXPECT_NE(r.Out.find("Odebrane faktury zakupu bez wpisu w rejestrze (1)"), std::string::npos)
      << r.Out;
  r = RunProcess(BRENVIK_CLI_EXE, {ini, "receive"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(r.Out.find("1 faktura czeka zakupu na zaksięgowanie: FV/0412/2026 (Papiernik Hurt"),
            std::string::npos)
      << r.Out;

  EXPECT_TRUE(FilesUnder(data + "Export").empty());
  EXPECT_TRUE(FilesUnder(data + "Errors").empty());
  const auto marks = Marks(site);
  int sent = 0;
  for (const fs::path& p : FilesUnder(data + "Sent")) {
    const std::string name = p.filename().string();
    if (name.ends_with(".upo.xml")) continue;
    ++sent;
    SCOPED_TRACE(name);
    // Filed under the month of its KSeF number, with its receipt beside it.
    const std::string number = name.substr(name.find('_') + 1, ksef::KsefNumberLength);
    EXPECT_EQ(p.parent_path().filename().string(),
              number.substr(11, 4) + "-" + number.substr(15, 2));
    EXPECT_TRUE(fs::exists(ksef::ReceiptFileName(p.string())));
    EXPECT_EQ(ValidateFa3File(p.string(), Fa3SchemaDir()), std::vector<std::string>{});
    // The register entry of the document holds that number.
    const std::string xml = ReadFile(p.string());
    const auto a = xml.find("<P_2>") + 5;
    const std::string document = xml.substr(a, xml.find("</P_2>") - a);
    EXPECT_EQ(marks.at(document), number) << document;
    EXPECT_EQ(before.at(document), "") << document;
  }
  // Every pending document went (twelve); the original sent earlier kept its number.
  EXPECT_EQ(sent, 12);
  EXPECT_EQ(marks.at("FV 118/2026"), before.at("FV 118/2026"));
  // Two received invoices matched booked purchase entries; the third waits in Import.
  EXPECT_EQ(FilesUnder(data + "Received").size(), 2u);
  EXPECT_EQ(FilesUnder(data + "Import").size(), 1u);
  EXPECT_TRUE(ksef::HasKsefNumberShape(marks.at("FS/2026/04/0187")));
  EXPECT_TRUE(ksef::HasKsefNumberShape(marks.at("12/04/2026/K")));
}

// The window's send button on the demo site: the real data module and the
// connector stand-in, the buttons disabled until the run's end step, then
// the numbers in the register.
TEST(DemoEndToEnd, WindowSendsTheDemoSite) {
  TWindowFixture fixture;
  const std::string site = fixture.Dir / "site";
  TProcessOptions o;
  o.Env = {{"BRENVIK_FA3_SCHEMA_DIR", Fa3SchemaDir()}};
  o.TimeoutMs = 120000;
  MakeDemoSite(site, o);
  TConfig config(site + "/brenvik.ini");
  config.LoadFromIni();
  TDM dm(config, fixture.Dir / "bin/");
  InstallExceptionHook();
  {
    TfrmMain window(&config);
    window.SetTrayAvailable(true);
    window.show();
    TKsefOperations ops;
    ops.ReadDocNotSended2KSEF = [&] { dm.ReadDocNotSended2KSEF(); };
    ops.SetKsefInRegs = [&] { dm.SetKsefInRegs(); };
    window.SetKsefOperations(ops);
    fixture.Dialogs.Answer(TModalResult::mrYes);
    window.btnSendToKSEFClick();
    // The connector is running: both buttons wait for its end.
    EXPECT_FALSE(window.SendButton()->isEnabled());
    EXPECT_FALSE(window.ReceiveButton()->isEnabled());
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!window.ReceiveButton()->isEnabled() && std::chrono::steady_clock::now() < end) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(window.ReceiveButton()->isEnabled());
    ASSERT_EQ(fixture.Dialogs.Asked().size(), 1u);
    EXPECT_EQ(fixture.Dialogs.Asked()[0].Text, "Wysłać natychmiast 12 faktur do KSeF?");
    if (const char* path = std::getenv("BRENVIK_SCREENSHOT"))
      window.grab().save(QString::fromLocal8Bit(path));
  }
  ReleaseExceptionHook();
  const auto marks = Marks(site);
  for (const char* doc : {"FV 120/2026", "WDT 5/2026", "KOR 7/2026", "FV 136/2026"})
    EXPECT_TRUE(ksef::HasKsefNumberShape(marks.at(doc))) << doc << ": " << marks.at(doc);
  EXPECT_TRUE(FilesUnder(site + "/ksef-data/Export").empty());
}

// The generation half alone: files once; while they wait, nothing new is generated.
TEST(DemoEndToEnd, ExportGeneratesOnceThenCountsTheWaitingFiles) {
  TTempDir dir;
  TDemoSite demo(dir.Path());
  const std::string &site = demo.Site, &ini = demo.Ini;
  const TProcessOptions& o = demo.Options;
  TProcessResult r = RunProcess(BRENVIK_CLI_EXE, {ini, "export"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_NE(
      r.Out.find("Zakres dat, z których sprawdzane są w Stelmarze dokumenty niewysłane do KSeF: od "
                 "2026-04-05 do 2026-04-10"),
      std::string::npos)
      << r.Out;
  EXPECT_NE(r.Out.find("Liczba faktur oczekujących na wysłanie do KSeF: 12"), std::string::npos)
      << r.Out;
  EXPECT_EQ(FilesUnder(site + "/ksef-data/Export").size(), 12u);
  EXPECT_EQ(Marks(site).at("FV 120/2026"), "-");
  r = RunProcess(BRENVIK_CLI_EXE, {ini, "export"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  EXPECT_EQ(r.Out.find("Zakres dat"), std::string::npos) << r.Out;
  EXPECT_NE(r.Err.find("Masz 12 dokumentów, które nie były jeszcze wysłane"), std::string::npos)
      << r.Err;
}
