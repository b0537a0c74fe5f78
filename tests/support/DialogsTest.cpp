#include <gtest/gtest.h>

#include "support/Dialogs.h"

namespace brenvik {
namespace {

TEST(ShownBoxTitle, NamesTheProgramOnce) {
  const struct {
    const char* Title;
    const char* Shown;
  } rows[] = {
      {"Błąd", "Błąd — Kompletor KSEF"},
      {"Pytanie", "Pytanie — Kompletor KSEF"},
      {"Kompletor KSEF", "Kompletor KSEF"},
      {"", "Kompletor KSEF"},
  };
  for (const auto& row : rows) EXPECT_EQ(ShownBoxTitle(row.Title), row.Shown) << row.Title;
}

}  // namespace
}  // namespace brenvik
