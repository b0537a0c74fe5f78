#pragma once
// Writing new Paradox tables from a description: used by the tests and the
// benchmark to lay down Stelmar databases, and by the brenvik-fixture tool.
//
// The description (JSON):
//   {"codepage": 1250,
//    "tables": {"DATA/2026WI": {"fields": [["Type","S"], ["Name","A24"], ["Date","@"]],
//                               "records": [[0, "FV 1/2026", "2026-04-10 09:30:00"]]}}}
// A table key is its path under the output folder without ".db". Field types
// are Paradox's letters: A<n> alpha of n characters, S short, I long integer,
// N number, $ currency, D date, T time, @ timestamp, L logical, + autoinc,
// M<n> memo with n leading characters in the record.
// Values are JSON numbers, strings ("yyyy-mm-dd", "yyyy-mm-dd hh:nn:ss",
// "hh:nn:ss" for dates, timestamps and times), true/false or null.
//
// Extensions of this builder (the base format above is unchanged by them):
//   "primary": N per table: the N leading fields form the primary key; the
//              records are stored in key order and a key may not repeat.
//   "#<n>" field type: BCD with n decimals.
//   "codepage" per table overrides the top-level one.
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "uPxBlob.h"
#include "uPxFormat.h"

namespace brenvik {

struct TFixtureField {
  std::string Name;
  std::string Type;  // "A24", "S", "@" ...
};

// Null, integer, floating number, text or logical.
using TFixtureValue = std::variant<std::monostate, long long, double, std::string, bool>;

// One new table file (and its ".MB" when it has memo fields). Records are
// kept until Close, which sorts keyed tables and writes everything.
class TPxTableWriter {
public:
  TPxTableWriter(const std::string& path, const std::vector<TFixtureField>& fields, int codePage,
                 int primaryKeyFields = 0);
  ~TPxTableWriter();
  TPxTableWriter(const TPxTableWriter&) = delete;
  TPxTableWriter& operator=(const TPxTableWriter&) = delete;
  // Throws EConvertError naming the field when a value does not suit it.
  void AddRecord(const std::vector<TFixtureValue>& values);
  void Close();

private:
  struct TColumn {
    std::string Name;
    TPxFieldType Type;
    int Size;
    int Decimals;
    int Offset;
  };
  void Encode(const TColumn& c, const TFixtureValue& v, unsigned char* p);
  std::string FPath;
  int FCodePage;
  int FPrimary;
  int FRecordSize = 0;
  std::vector<TColumn> FColumns;
  std::vector<unsigned char> FData;
  std::unique_ptr<TPxBlobWriter> FBlobs;
  long long FAutoInc = 0;
  bool FClosed = false;
};

// Writes every table of the description under OUTDIR (created as needed).
// Throws EConvertError / EInOutError with a Polish message on bad input.
void BuildFixtureFromText(const std::string& jsonText, const std::string& outDir);
void BuildFixtureFromFile(const std::string& jsonPath, const std::string& outDir);

}  // namespace brenvik
