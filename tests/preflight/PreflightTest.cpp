#include <gtest/gtest.h>

#include <functional>

#include "common/TestFiles.h"
#include "preflight/Preflight.h"

using namespace brenvik;
using namespace brenvik::testing;

namespace {

using R = TPreflightRuleId;

// The Ministry's sample 26: seller 9999999999, buyer 2222222222 (both with
// right check digits: 9·45 = 405 ≡ 9, 2·45 = 90 ≡ 2 mod 11), P_1 2026-02-01,
// VAT FA/2026/02/999, one line "Napój Owocowy 1.5l" at 5%.
std::string Sample() { return ReadFile(Fa3SamplesDir() + "/mf-example-26.xml"); }

std::string Replaced(std::string text, const std::string& what, const std::string& with) {
  const auto at = text.find(what);
  if (at == std::string::npos) throw std::runtime_error("no " + what);
  return text.replace(at, what.size(), with);
}

std::string AfterBuyer(const std::string& fragment) {
  return Replaced(Sample(), "</Podmiot2>", "</Podmiot2>" + fragment);
}

std::string Third(const std::string& data) {
  return "<Podmiot3><DaneIdentyfikacyjne>" + data + "</DaneIdentyfikacyjne></Podmiot3>";
}

// The sample padded by a trailing comment to exactly `size` bytes.
std::string OfSize(std::size_t size) {
  std::string s = Sample();
  const std::size_t frame = std::string("<!---->").size();
  return s + "<!--" + std::string(size - s.size() - frame, 'x') + "-->";
}

}  // namespace

// One row per case; the failures expected are given by rule, and the first
// one by its path, value and a piece of its reason.
TEST(PreflightRules, EachRuleOnValuesWorkedOutByHand) {
  const TFa3Schema schema(Fa3SchemaDir());
  TKnownInvoices sameKey, otherKind, otherSeller;
  sameKey.Add({"9999999999", "VAT", "FA/2026/02/999"}, "Sent/2026-02/a.xml");
  otherKind.Add({"9999999999", "KOR", "FA/2026/02/999"}, "Sent/2026-02/b.xml");
  otherSeller.Add({"2222222222", "VAT", "FA/2026/02/999"}, "Sent/2026-02/c.xml");
  struct TRow {
    const char* What;
    std::string Bytes;
    std::vector<R> Rules;
    std::string Path, Value, Reason;
    TDateTime Today = EncodeDate(2026, 2, 1);
    const TKnownInvoices* Known = nullptr;
    bool WithSchema = false;
  };
  const TRow rows[] = {
      {"the sample itself, schema included",
       Sample(),
       {},
       "",
       "",
       "",
       EncodeDate(2026, 2, 1),
       &otherKind,
       true},
      // 5,2,6,5,8,7,7,6,3 weighed 6,5,7,2,3,4,5,6,7: 236 = 21·11 + 5
      {"seller NIP with a wrong check digit",
       Replaced(Sample(), "<NIP>9999999999</NIP>", "<NIP>5265877636</NIP>"),
       {R::SellerNip},
       "/Faktura/Podmiot1/DaneIdentyfikacyjne/NIP",
       "5265877636",
       "ostatnia cyfra to 6, a powinna być 5"},
      {"seller NIP with the right one",
       Replaced(Sample(), "<NIP>9999999999</NIP>", "<NIP>5265877635</NIP>"),
       {},
       "",
       "",
       ""},
      // 7,2,5,1,8,0,1,1,2: 138 = 12·11 + 6
      {"buyer NIP with a wrong check digit",
       Replaced(Sample(), "<NIP>2222222222</NIP>", "<NIP>7251801127</NIP>"),
       {R::BuyerNip},
       "/Faktura/Podmiot2/DaneIdentyfikacyjne/NIP",
       "7251801127",
       "powinna być 6"},
      // 9·6 = 54 = 4·11 + 10: no check digit exists
      {"buyer NIP whose sum gives 10",
       Replaced(Sample(), "<NIP>2222222222</NIP>", "<NIP>9000000001</NIP>"),
       {R::BuyerNip},
       "/Faktura/Podmiot2/DaneIdentyfikacyjne/NIP",
       "9000000001",
       "daje 10"},
      {"second third party with a wrong NIP",
       AfterBuyer(Third("<NIP>7251801126</NIP>") + Third("<NIP>7251801127</NIP>")),
       {R::ThirdPartyNip},
       "/Faktura/Podmiot3[2]/DaneIdentyfikacyjne/NIP",
       "7251801127",
       "powinna być 6"},
      {"third party's internal identifier with a wrong NIP",
       AfterBuyer(Third("<IDWew>7251801127-00001</IDWew>")),
       {R::ThirdPartyInternalId},
       "/Faktura/Podmiot3/DaneIdentyfikacyjne/IDWew",
       "7251801127-00001",
       "powinna być 6"},
      {"third party's internal identifier with a right NIP",
       AfterBuyer(Third("<IDWew>7251801126-00001</IDWew>")),
       {},
       "",
       "",
       ""},
      {"authorised party with a wrong NIP",
       AfterBuyer("<PodmiotUpowazniony><DaneIdentyfikacyjne><NIP>5265877636</NIP>"
                  "</DaneIdentyfikacyjne></PodmiotUpowazniony>"),
       {R::AuthorisedNip},
       "/Faktura/PodmiotUpowazniony/DaneIdentyfikacyjne/NIP",
       "5265877636",
       "powinna być 5"},
      {"byte-order mark", "\xEF\xBB\xBF" + Sample(), {R::Bom}, "(plik)", "EF BB BF", "BOM"},
      {"processing instruction in the prolog",
       Replaced(Sample(), "?><Faktura", "?><?xml-stylesheet href=\"f.xsl\"?><Faktura"),
       {R::ProcessingInstruction},
       "(prolog)",
       "<?xml-stylesheet href=\"f.xsl\"?>",
       "instrukcja przetwarzania"},
      {"processing instruction in an element",
       Replaced(Sample(), "<P_2>", "<?app x?><P_2>"),
       {R::ProcessingInstruction},
       "/Faktura/Fa",
       "<?app x?>",
       "instrukcja przetwarzania"},
      // U+0084 is the last of the first range, U+0085 lies between the ranges
      {"U+0084 in a line's name",
       Replaced(Sample(), "Napój", "Nap\xC2\x84ój"),
       {R::DiscouragedChar},
       "/Faktura/Fa/FaWiersz/P_7",
       "Nap[U+0084]ój Owocowy 1.5l",
       "znak U+0084"},
      {"U+0085 in a line's name", Replaced(Sample(), "Napój", "Nap\xC2\x85ój"), {}, "", "", ""},
      {"U+FDD0 in the seller's name",
       Replaced(Sample(), "ABC sp.", "ABC\xEF\xB7\x90 sp."),
       {R::DiscouragedChar},
       "/Faktura/Podmiot1/DaneIdentyfikacyjne/Nazwa",
       "",
       "znak U+FDD0"},
      {"U+10FFFF in an attribute",
       Replaced(Sample(), "wersjaSchemy=\"1-0E\"", "wersjaSchemy=\"1-0E\xF4\x8F\xBF\xBF\""),
       {R::DiscouragedChar},
       "/Faktura/Naglowek/KodFormularza/@wersjaSchemy",
       "",
       "U+10FFFF"},
      {"bytes that are no UTF-8",
       Replaced(Sample(), "Napój", "Nap\xF3j"),
       {R::Utf8, R::Xml},
       "(plik)",
       "bajt F3",
       "UTF-8"},
      {"another encoding declared",
       Replaced(Sample(), "encoding=\"utf-8\"", "encoding=\"ISO-8859-2\""),
       {R::Encoding},
       "(prolog)",
       "ISO-8859-2",
       "inne niż UTF-8"},
      {"not well-formed", Replaced(Sample(), "</Faktura>", ""), {R::Xml}, "(plik)", "", "XML"},
      {"exactly 1,000,000 bytes", OfSize(1000000), {}, "", "", ""},
      {"1,000,001 bytes", OfSize(1000001), {R::Size}, "(plik)", "1000001 bajtów", "1 000 000"},
      {"issued on the day it arrives", Sample(), {}, "", "", "", EncodeDate(2026, 2, 1)},
      {"issued the day after",
       Sample(),
       {R::IssueDate},
       "/Faktura/Fa/P_1",
       "2026-02-01",
       "dziś jest 2026-01-31",
       EncodeDate(2026, 1, 31)},
      {"same seller, kind and number as a known one",
       Sample(),
       {R::Duplicate},
       "/Faktura/Fa/P_2",
       "FA/2026/02/999",
       "Sent/2026-02/a.xml",
       EncodeDate(2026, 2, 1),
       &sameKey},
      {"same number of another kind", Sample(), {}, "", "", "", EncodeDate(2026, 2, 1), &otherKind},
      {"same number of another seller",
       Sample(),
       {},
       "",
       "",
       "",
       EncodeDate(2026, 2, 1),
       &otherSeller},
      {"a rate the schema does not know",
       Replaced(Sample(), "<P_12>5</P_12>", "<P_12>15</P_12>"),
       {R::Schema},
       "/Faktura/Fa/FaWiersz/P_12",
       "15",
       "wartość spoza listy dozwolonych (23, 22, 8, 7, 5, 4, 3, 0 KR, 0 WDT, 0 EX, zw, oo, np I, "
       "np II)",
       EncodeDate(2026, 2, 1),
       nullptr,
       true},
      {"a missing required element",
       Replaced(Sample(), "<P_2>FA/2026/02/999</P_2>", ""),
       {R::Schema},
       "/Faktura/Fa/P_6",
       "2026-02-01",
       "oczekiwano: P_2",
       EncodeDate(2026, 2, 1),
       nullptr,
       true},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.What);
    TPreflightContext context;
    context.Schema = row.WithSchema ? &schema : nullptr;
    context.Today = row.Today;
    context.Known = row.Known;
    const TPreflightResult result = PreflightBytes(row.Bytes, context);
    std::vector<R> rules;
    for (const TPreflightFailure& f : result.Failures) rules.push_back(f.Rule->Id);
    EXPECT_EQ(rules, row.Rules) << PreflightFailureList(result);
    if (result.Failures.empty() || row.Rules.empty()) continue;
    const TPreflightFailure& f = result.Failures.front();
    EXPECT_EQ(f.Path, row.Path);
    if (!row.Value.empty()) {
      EXPECT_EQ(f.Value, row.Value);
    }
    EXPECT_NE(f.Reason.find(row.Reason), std::string::npos) << f.Reason;
    EXPECT_EQ(PreflightFailureLine(f).rfind(row.Path, 0), 0u);
  }
}
