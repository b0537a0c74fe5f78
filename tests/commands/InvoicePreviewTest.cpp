#include <gtest/gtest.h>

#include "commands/InvoicePreview.h"
#include "common/TestFiles.h"
#include "config/Config.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Paths.h"

using namespace brenvik;
using namespace brenvik::testing;

// The window's preview and save: what the operator chooses decides what is
// written and where; a file that is no invoice is refused with its reason.
TEST(InvoicePreview, WritesWhereTheOperatorChoseOrNothing) {
  struct TRow {
    const char* What;
    bool Save;
    std::vector<std::string> Choices;  // relative to the site; "" cancels
    std::string Written;               // relative to the site; "" none
    bool Refused;
  } rows[] = {
      {"preview cancelled", false, {""}, "", false},
      {"preview", false, {"ksef/Sent/inv.xml"}, "tmp/inv.pdf", false},
      {"save", true, {"ksef/Sent/inv.xml", "out/faktura.pdf"}, "out/faktura.pdf", false},
      {"save, place cancelled", true, {"ksef/Sent/inv.xml", ""}, "", false},
      {"preview of no invoice", false, {"ksef/Sent/note.xml"}, "", true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.What);
    TTempDir dir;
    MakeDirs(dir / "ksef/Sent");
    MakeDirs(dir / "out");
    WriteFile(dir / "ksef/Sent/inv.xml", ReadFile(Fa3SamplesDir() + "/mf-example-01.xml"));
    WriteFile(dir / "ksef/Sent/note.xml", "<notatka/>");
    TConfig config(dir / "brenvik.ini");
    config.SetKsefDataDir(dir / "ksef/");
    config.APICfg.BASE_URL = "https://api-demo.ksef.mf.gov.pl";
    TScriptedDialogs dialogs;
    TDialogsScope scope(&dialogs);
    for (const std::string& c : row.Choices) dialogs.AnswerFile(c.empty() ? c : dir / c);
    std::string written;
    try {
      written = row.Save ? SaveInvoicePdf(config) : PreviewInvoice(config, dir / "tmp");
      EXPECT_FALSE(row.Refused);
    } catch (const Exception& e) {
      EXPECT_TRUE(row.Refused) << e.what();
      EXPECT_NE(std::string(e.what()).find("note.xml"), std::string::npos) << e.what();
    }
    EXPECT_EQ(written, row.Written.empty() ? "" : dir / row.Written);
    if (!row.Written.empty()) EXPECT_EQ(ReadFile(written).rfind("%PDF", 0), 0u);
    EXPECT_EQ(dialogs.FilesAsked().size(), row.Choices.size());
    EXPECT_EQ(dialogs.FilesAsked()[0].Suggested, dir / "ksef/Sent");
  }
}
