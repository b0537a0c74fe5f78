// The invoices of a KSeF data folder as the window's list and
// `brenvik-cli list` show them: a row per FA(3) file with its state, the
// invoice's columns, the KSeF number of its name and why it was refused.
#include <gtest/gtest.h>

#include <filesystem>

#include "commands/InvoiceList.h"
#include "common/TestFiles.h"
#include "common/TestProcess.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Paths.h"

using namespace brenvik;
using namespace brenvik::testing;
namespace fs = std::filesystem;

namespace {

// A valid KSeF number of NIP with the given hexadecimal tail.
std::string Number(const std::string& nip, const std::string& tail) {
  const std::string first = nip + "-20261209-" + tail;
  return first + "-" + ksef::KsefCheckCode(first);
}

}  // namespace

TEST(InvoiceList, EveryFileOfTheFoldersIsARowWithItsState) {
  TTempDir dir;
  // A sale of the site (seller 9999999999) and a purchase from 5555555555.
  const std::string sample = ReadFile(Fa3SamplesDir() + "/mf-example-01.xml");
  std::string purchase = sample;
  purchase.replace(purchase.find("<NIP>9999999999</NIP>"), 21, "<NIP>5555555555</NIP>");
  const TDateTime today = EncodeDate(2026, 12, 9);
  const std::string sold = Number("1111111111", "0000000000A1"),
                    bought = Number("5555555555", "0000000000B2"),
                    matched = Number("5555555555", "0000000000C3");
  const struct {
    std::string File;  // under the data folder
    std::string Bytes;
    bool Listed;
    TInvoiceState State;
    std::string Nip, Ksef, Reason;  // the reason: a part of it
  } rows[] = {
      {"Export/0-2026-1-1.xml", sample, true, TInvoiceState::Waiting, "1111111111", "", ""},
      {"Export/0-2026-1-1.upo.xml", sample, false, {}, "", "", ""},
      {"Sent/2026-12/0-2026-1-2_" + sold + ".xml", sample, true, TInvoiceState::Sent, "1111111111",
       sold, ""},
      {"Sent/2026-08/0-2026-1-3_" + sold + ".xml", sample, false, {}, "", "", ""},
      {"Errors/0-2026-1-4.xml", sample, true, TInvoiceState::Refused, "1111111111", "",
       "Błąd schematu; w wierszu 12"},
      {"Errors/0-2026-1-5.xml", sample, true, TInvoiceState::Refused, "1111111111", "",
       "odrzucono 0-2026-1-5.xml: duplikat"},
      {"Import/" + bought + ".xml", purchase, true, TInvoiceState::ReceivedWaiting, "5555555555",
       bought, ""},
      {"Import/inny.xml", "<?xml version=\"1.0\"?><Inna/>", true, TInvoiceState::Unreadable, "", "",
       "nie jest fakturą FA(3)"},
      {"Import/zepsuty.xml", "<Faktura", true, TInvoiceState::Unreadable, "", "", "zepsuty.xml"},
      {"Received/2026-10/" + matched + ".xml", purchase, true, TInvoiceState::ReceivedMatched,
       "5555555555", matched, ""},
  };
  const std::string data = dir / "ksef/";
  for (const auto& row : rows) WriteFile(data + row.File, row.Bytes);
  WriteFile(data + "Errors/0-2026-1-4.txt", "Błąd schematu\r\n\r\n  w wierszu 12\n");
  WriteFile(data + "Logs/" + ksef::ConnectorLogName(today),
            "Start komunikacji\nwysłano 0-2026-1-5.xml\nodrzucono 0-2026-1-5.xml: duplikat\n");

  TInvoiceList list(data, "9999999999");
  std::vector<TInvoiceRow> got = list.Rows(today);
  size_t next = 0;
  for (const auto& row : rows) {
    if (!row.Listed) continue;
    SCOPED_TRACE(row.File);
    ASSERT_LT(next, got.size());
    const TInvoiceRow& r = got[next++];
    EXPECT_EQ(r.Path, data + row.File);
    EXPECT_EQ(r.State, row.State);
    EXPECT_EQ(r.KsefNumber, row.Ksef);
    EXPECT_NE(r.Reason.find(row.Reason), std::string::npos) << r.Reason;
    if (row.State == TInvoiceState::Unreadable) continue;
    EXPECT_EQ(r.Number, "FV2026/02/150");
    EXPECT_EQ(r.IssueDate, "2026-02-15");
    EXPECT_EQ(r.Gross + " " + r.Currency, "2051.00 PLN");
    EXPECT_EQ(r.PartyNip, row.Nip);
  }
  EXPECT_EQ(next, got.size());
  EXPECT_NE(InvoiceRowsAsJson(got).find("\"stan\": \"odebrana\""), std::string::npos);

  // A file is read again only when its size or time changes.
  const std::string waiting = data + "Export/0-2026-1-1.xml";
  const auto stamp = fs::last_write_time(waiting);
  std::string other = sample;
  other.replace(other.find("FV2026/02/150"), 13, "FV2026/02/151");
  WriteFile(waiting, other);
  fs::last_write_time(waiting, stamp);
  EXPECT_EQ(list.Rows(today).front().Number, "FV2026/02/150");
  fs::last_write_time(waiting, stamp + std::chrono::seconds(1));
  EXPECT_EQ(list.Rows(today).front().Number, "FV2026/02/151");
}

// After a send of the demo site through the connector stand-in: twelve
// sent invoices with their numbers, two received and matched, one waiting.
TEST(CliList, DemoSiteAfterSend) {
  TTempDir dir;
  TDemoSite demo(dir.Path());
  const std::string& ini = demo.Ini;
  const TProcessOptions& o = demo.Options;
  TProcessResult r =
      RunProcess(BRENVIK_CLI_EXE, {ini, "send", "--yes", "--accept-data-warnings"}, o);
  ASSERT_EQ(r.ExitCode, 0) << r.Out << r.Err;
  const auto count = [](const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
  };
  const struct {
    std::vector<std::string> Args;
    int Exit;
    std::string What;
    int Count;
  } rows[] = {
      {{"list"}, 0, "Wysłana | ", 12},
      {{"list"}, 0, "Odebrana — dopasowana | ", 2},
      {{"list"}, 0, "Odebrana — czeka na dopasowanie | ", 1},
      {{"list", "--state=wyslana", "--json"}, 0, "\"numer_ksef\": \"5265877635-", 12},
      {{"list", "--state=czeka"}, 0, "|", 0},
      {{"list", "--state=nic"}, 2, "|", 0},
  };
  for (const auto& row : rows) {
    std::vector<std::string> args = {ini};
    args.insert(args.end(), row.Args.begin(), row.Args.end());
    SCOPED_TRACE(args.back());
    r = RunProcess(BRENVIK_CLI_EXE, args, o);
    EXPECT_EQ(r.ExitCode, row.Exit) << r.Err;
    EXPECT_EQ(count(r.Out, row.What), row.Count) << r.Out;
  }
}

// "Przenieś do Errors": only a file waiting in Export, only after a "Tak";
// the ".txt" beside it says who moved it and when, and the list then shows
// it refused for that reason.
TEST(InvoiceList, WaitingFileMovesToErrorsOnlyWhenTheOperatorAgrees) {
  TTempDir dir;
  const std::string data = dir / "ksef/";
  const std::string sample = ReadFile(Fa3SamplesDir() + "/mf-example-01.xml");
  const TDateTime when = EncodeDateTime(2026, 12, 9, 14, 30, 5);
  const struct {
    std::string File;
    TModalResult Answer;
    bool Asked, Moved, Refused;
  } rows[] = {
      {"Export/0-2026-1-1.xml", TModalResult::mrNo, true, false, false},
      {"Export/0-2026-1-2.xml", TModalResult::mrYes, true, true, false},
      {"Sent/0-2026-1-3_x.xml", TModalResult::mrYes, false, false, true},
      {"Export/brak.xml", TModalResult::mrYes, false, false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.File);
    if (row.File != "Export/brak.xml") WriteFile(data + row.File, sample);
    TScriptedDialogs dialogs;
    TDialogsScope scope(&dialogs);
    dialogs.Answer(row.Answer);
    std::string moved;
    if (row.Refused) {
      EXPECT_THROW(MoveWaitingFileToErrors(data, data + row.File, "tester", when), Exception);
    } else {
      moved = MoveWaitingFileToErrors(data, data + row.File, "tester", when);
    }
    ASSERT_EQ(dialogs.Asked().size(), row.Asked ? 1u : 0u);
    if (row.Asked) {
      EXPECT_NE(dialogs.Asked()[0].Text.find("Stelmarze"), std::string::npos);
    }
    EXPECT_EQ(!moved.empty(), row.Moved);
    if (!row.Moved) continue;
    EXPECT_EQ(moved, data + "Errors/0-2026-1-2.xml");
    EXPECT_FALSE(FileExists(data + row.File));
    const std::string reason = ReadFile(data + "Errors/0-2026-1-2.txt");
    EXPECT_NE(reason.find("tester 2026-12-09 14:30:05"), std::string::npos) << reason;
  }
  TInvoiceList list(data, "9999999999");
  const std::vector<TInvoiceRow> got = list.Rows(EncodeDate(2026, 12, 9));
  ASSERT_EQ(got.size(), 3u);  // waiting, the one in Sent's root, the moved one
  EXPECT_EQ(got[2].State, TInvoiceState::Refused);
  EXPECT_NE(got[2].Reason.find("z listy faktur przez użytkownika tester"), std::string::npos);
}
