#include <gtest/gtest.h>

#include <vector>

#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Nip.h"

using namespace brenvik;

namespace {

struct TNipResult {
  std::string Nip;
  std::string Prefix;
  bool HasBranch = false;
  std::vector<std::string> Problems;
};

TNipResult Check(const std::string& input) {
  TNipResult r;
  r.Nip = input;
  r.HasBranch = true;  // must be set by the check
  r.Prefix = "??";
  CheckNip(
      r.HasBranch, r.Prefix, r.Nip,
      [&](const std::string& message, const std::string& nip, const std::string& name,
          const std::string& doc) {
        EXPECT_EQ(name, "Firma");
        EXPECT_EQ(doc, "FV 1/2026");
        r.Problems.push_back(message + "|" + nip);
      },
      "Firma", "FV 1/2026");
  return r;
}

}  // namespace

TEST(NipPatterns, WholeTextOnly) {
  bool branch = true;
  EXPECT_TRUE(IsNip10("1234563218"));
  EXPECT_FALSE(IsNip10("123456321"));
  EXPECT_FALSE(IsNip10("12345632180"));
  EXPECT_FALSE(IsNip10("1234563218\n"));
  EXPECT_FALSE(IsNip10("１234563218"));  // a full-width digit is no digit here
  EXPECT_TRUE(IsNipWithBranch("1234563218-00001"));
  EXPECT_FALSE(IsNipWithBranch("1234563218"));
  EXPECT_TRUE(IsNipOptBranch("1234563218", branch));
  EXPECT_FALSE(branch);
  EXPECT_TRUE(IsNipOptBranch("1234563218-00001", branch));
  EXPECT_TRUE(branch);
  EXPECT_FALSE(IsNipOptBranch("1234563218-0001", branch));
  EXPECT_FALSE(branch);
}

TEST(CheckNip, NormalisesAndChecks) {
  struct {
    const char* Input;
    const char* Nip;
    const char* Prefix;
    bool HasBranch;
    const char* Problem;  // "" for none
  } cases[] = {
      {"123-456-32-18", "1234563218", "", false, ""},
      {"123-45-63-218", "1234563218", "", false, ""},
      {" 123 456 32 18 ", "1234563218", "", false, ""},
      {"1234563218", "1234563218", "", false, ""},
      {"1234563218-00001", "1234563218-00001", "", true, ""},
      {"12-3456-32-18", "12-3456-32-18", "", false, "Zły format numeru. Kreski w złych miejscach"},
      {"1234563219", "1234563219", "", false, "Zła suma kontrolna numeru"},
      {"123456321", "123456321", "", false, "Zły format numeru"},
      {"12345632A8", "12345632A8", "", false, "Zły format numeru"},
      {"DE123456789", "123456789", "DE", false, ""},
      {"de 123456789", "123456789", "DE", false, ""},
      {"PL1234563218", "1234563218", "PL", false, ""},
      {"pl 123-456-32-18", "1234563218", "PL", false, ""},
      {"PL1234563219", "1234563219", "PL", false, "Zła suma kontrolna numeru"},
      {"US123456789", "US123456789", "", false, ""},
      {"GB123456789", "GB123456789", "", false, ""},
      {"", "BRAK", "", false, ""},
      {"   ", "BRAK", "", false, ""},
      {"brak", "BRAK", "", false, ""},
      // 0000000000: sum 0, check digit 0.
      {"0000000000", "0000000000", "", false, ""},
      // 1000000000: sum 6 but check digit 0.
      {"1000000000", "1000000000", "", false, "Zła suma kontrolna numeru"},
      // 1111111110: sum 45, R 1 (check digit 0 differs).
      {"1111111110", "1111111110", "", false, "Zła suma kontrolna numeru"},
      // 0000000030: sum 21, R 10, which no check digit can match.
      {"0000000030", "0000000030", "", false, "Zła suma kontrolna numeru"},
  };
  for (const auto& c : cases) {
    const TNipResult r = Check(c.Input);
    EXPECT_EQ(r.Nip, c.Nip) << c.Input;
    EXPECT_EQ(r.Prefix, c.Prefix) << c.Input;
    EXPECT_EQ(r.HasBranch, c.HasBranch) << c.Input;
    if (*c.Problem) {
      ASSERT_EQ(r.Problems.size(), 1u) << c.Input;
      EXPECT_EQ(r.Problems[0], std::string(c.Problem) + "|" + c.Nip) << c.Input;
    } else {
      EXPECT_TRUE(r.Problems.empty()) << c.Input << ": " << r.Problems[0];
    }
  }
}

TEST(ConfirmNipProblem, AsksWithErrorBoxAndStopsUnlessYes) {
  TScriptedDialogs dialogs;
  TDialogsScope scope(&dialogs);
  dialogs.Answer(TModalResult::mrYes);
  EXPECT_NO_THROW(ConfirmNipProblem("Zły format numeru", "12345", "Firma", "FV 1/2026"));
  ASSERT_EQ(dialogs.Asked().size(), 1u);
  const TDialogRequest& q = dialogs.Asked()[0];
  EXPECT_EQ(q.Text, "Zły format numeru NIP: 12345\rFirma\rFV 1/2026\rKontynuować?");
  EXPECT_EQ(q.Type, TMsgDlgType::mtError);
  EXPECT_EQ(q.Buttons, (TMsgDlgButtons{TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}));
  EXPECT_EQ(q.Default, TMsgDlgBtn::mbNo);
  EXPECT_EQ(q.Kind, TQuestionKind::qkDataWarning);

  for (TModalResult answer : {TModalResult::mrNo, TModalResult::mrCancel}) {
    dialogs.Answer(answer);
    try {
      ConfirmNipProblem("Zły format numeru", "12345", "Firma", "FV 1/2026");
      ADD_FAILURE() << "no error after a refusal";
    } catch (const EAbort& e) {
      EXPECT_EQ(e.Message(), "Wczytywanie przerwano na dokumencie FV 1/2026");
    }
  }
}

TEST(ConfirmNipProblem, StopsTheCheckWhenTheOperatorDeclines) {
  TScriptedDialogs dialogs;
  TDialogsScope scope(&dialogs);
  dialogs.Answer(TModalResult::mrNo);
  bool branch = false;
  std::string prefix, nip = "1234563219";
  EXPECT_THROW(CheckNip(branch, prefix, nip, ConfirmNipProblem, "Firma", "FV 2"), EAbort);
  dialogs.Answer(TModalResult::mrYes);
  nip = "1234563219";
  EXPECT_NO_THROW(CheckNip(branch, prefix, nip, ConfirmNipProblem, "Firma", "FV 2"));
  EXPECT_EQ(dialogs.Asked().size(), 2u);
}
