#include "warehouse/ReasonFiles.h"

#include <gtest/gtest.h>

#include "common/TestFiles.h"

namespace brenvik {
namespace {

// Every kind written is read back as that kind with its cause and document,
// and reason files of the older wording are recognised by their words.
TEST(ReasonFilesTest, KindCauseAndDocumentAreReadBack) {
  struct Case {
    const char* Text;
    TReasonKind Kind;
    const char* Cause;
    const char* Number;
  } cases[] = {
      {"Zatrzymana przez program: brak podstawy zwolnienia\nDokument: FV 122/2026\n"
       "Data wystawienia: 2026-04-03\nNabywca: Żabka-Gość\n\nDodaj klucz.\n",
       TReasonKind::HeldBack, "brak podstawy zwolnienia", "FV 122/2026"},
      {"Odrzucona przez KSeF: kod 450, błąd\r\n\r\nszczegóły\r\n", TReasonKind::Ksef,
       "kod 450, błąd", ""},
      {"\xEF\xBB\xBFWycofana przez użytkownika:  jan 2026-04-10 09:43:46 \n", TReasonKind::Withdrawn,
       "jan 2026-04-10 09:43:46", ""},
      // a heading is a heading only at the start of the first line
      {"Uwaga\nOdrzucona przez KSeF: nie\n", TReasonKind::Unknown, "Uwaga", ""},
      {"Plik 0-2026-1-122.xml nie został przetworzony (2026-04-10 09:43:46):\nPrzeniesiono do "
       "Errors z listy faktur przez użytkownika jan 2026-04-10 09:43:35. Plik nie został "
       "wysłany.\n",
       TReasonKind::Withdrawn,
       "Przeniesiono do Errors z listy faktur przez użytkownika jan 2026-04-10 09:43:35. Plik nie "
       "został wysłany.",
       ""},
      {"Dokument FV 126/2026 (plik 0-2026-1-126.xml) nie został przekazany do wysyłki do KSeF.\n"
       "Kontrola przed wysyłką z 2026-04-10 znalazła błędy (1):\n1. NIP = „5842734982”: zła "
       "cyfra kontrolna\n",
       TReasonKind::Preflight, "NIP = „5842734982”: zła cyfra kontrolna", ""},
      {"Plik x.xml nie został przetworzony (2026-04-10 09:43:46):\n\nBrak wpisu w rejestrze\n",
       TReasonKind::NotFiled, "Brak wpisu w rejestrze", ""},
      {"\n  Status 440: duplikat\n", TReasonKind::Unknown, "Status 440: duplikat", ""},
      {"", TReasonKind::Unknown, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    const TReasonText r = ParseReasonText(c.Text);
    EXPECT_EQ(r.Kind, c.Kind);
    EXPECT_EQ(r.Cause, c.Cause);
    EXPECT_EQ(r.Document.Number, c.Number);
  }
  testing::TTempDir dir;
  for (TReasonKind kind : {TReasonKind::Preflight, TReasonKind::Ksef, TReasonKind::HeldBack,
                           TReasonKind::Withdrawn, TReasonKind::NotFiled}) {
    const std::string path = dir / "r.txt";
    WriteReasonFile(path, kind, "przyczyna", "szczegóły\ndalej",
                    {"FV 1/2026", "2026-04-02", "Mazur"});
    const TReasonText r = ReadReasonFile(path);
    EXPECT_EQ(r.Kind, kind);
    EXPECT_EQ(r.Cause, "przyczyna");
    EXPECT_EQ(r.Document.IssueDate, "2026-04-02");
    EXPECT_EQ(r.Document.Party, "Mazur");
    EXPECT_NE(r.Whole.find("szczegóły\ndalej"), std::string::npos);
  }
  EXPECT_EQ(ReadReasonFile(dir / "brak.txt").Kind, TReasonKind::Unknown);
}

}  // namespace
}  // namespace brenvik
