#include "warehouse/TableTools.h"

#include "support/Money.h"
#include "support/Countries.h"
#include "support/DocumentRules.h"
#include "support/DocumentKey.h"
#include "support/Nip.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {
namespace {

void RequireOpenField(TPxTable& table, const std::string& fieldName) {
  if (!table.Active())
    throw EDatabaseError("Tabela " + table.TableName() + " nie jest otwarta do odczytu");
  if (!table.FieldExists(fieldName))
    throw EDatabaseError("Brak pola: \"" + fieldName + "\" w tabeli: " + table.TableName());
}

std::vector<std::string> SplitAny(const std::string& text, const std::string& delimiters) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (delimiters.find(c) != std::string::npos)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

}  // namespace

bool FieldExists(TPxTable& table, const std::string& fieldName) {
  return table.FieldExists(fieldName);
}

bool FieldIsNonZero(TPxTable& table, const std::string& fieldName) {
  RequireOpenField(table, fieldName);
  return RoundHalfAway(2, table.FieldByName(fieldName).AsFloat()) != 0;
}

bool FieldHasBits(TPxTable& table, const std::string& fieldName, std::uint16_t mask) {
  RequireOpenField(table, fieldName);
  return (table.FieldByName(fieldName).AsInteger() & mask) != 0;
}

bool ExtOptJst(TPxTable& table, bool usersLayout) {
  return FieldHasBits(table, "ExtOpt", usersLayout ? 1 : 2);
}
bool ExtOptGv(TPxTable& table, bool usersLayout) {
  return FieldHasBits(table, "ExtOpt", usersLayout ? 2 : 32);
}
bool ExtOptRelated(TPxTable& table, bool usersLayout) {
  return FieldHasBits(table, "ExtOpt", usersLayout ? 4 : 16);
}

TInvoKey ReadInvoKey(TPxTable& table, const char* type, const char* year, const char* magId,
                     const char* number) {
  auto part = [&](const char* field) {
    return static_cast<std::int16_t>(table.FieldByName(field).AsInteger());
  };
  return {part(type), part(year), part(magId), part(number)};
}

bool ReadWareKey(TPxTable* dataSet, TWareKey& key) {
  if (dataSet && dataSet->Active() && dataSet->HasRecord()) {
    key.Group = dataSet->FieldByName("Group").AsString();
    key.Index = dataSet->FieldByName("Index").AsString();
    return true;
  }
  key = TWareKey{};
  return false;
}

bool ReadBarcode(TPxTable* dataSet, std::string& barcode) {
  if (dataSet && dataSet->Active() && dataSet->HasRecord()) {
    barcode = dataSet->FieldByName("Barcode").AsString();
    return true;
  }
  barcode.clear();
  return false;
}

bool IsPackingGroup(bool cmrPacking, const std::string& group) {
  return cmrPacking && group == "O";
}

bool LocatePackingGroup(bool cmrPacking, TPxTable& table) {
  if (!cmrPacking) return false;
  return table.Locate("Group", TPxKeyValue(std::string("O")));
}

bool IsPaidOnSale(TPxTable* table) {
  if (!table || !table->Active()) return false;
  const long long type = table->FieldByName("Type").AsInteger();
  const long long flags = table->FieldByName("Flags").AsInteger();
  const long long payInfo = table->FieldByName("PayInfo").AsInteger();
  const long long payDelay = table->FieldByName("PayDelay").AsInteger();
  return !IsDeferredPaymentType(static_cast<int>(type)) || (flags & 4) != 0 ||
         (payInfo == 0 && payDelay == 0) || (payInfo == 1 && payDelay == 0);
}

TCustomerData ReadCustomerRecord(const std::string& docText, TPxTable& table, bool check) {
  TCustomerData c;
  c.Name = table.FieldByName("Firm Name").AsString();
  std::string city = table.FieldByName("City").AsString();
  const long long options = table.FieldByName("Options").AsInteger();
  if (options != 0) {
    // "Ateny, Grecja" or "10115 Berlin; Niemcy": the country is one of the
    // parts after the city, the last one that names a country.
    const std::vector<std::string> parts = SplitAny(city, ",;");
    if (parts.size() >= 2) {
      city = parts[0];
      for (size_t i = parts.size() - 1; i >= 1 && !c.Country; --i) c.Country = FindCountry(parts[i]);
    }
  }
  // The users table has a layout of its own; only it bears that name.
  const bool usersLayout = SameTextAscii(
      BareFileName(table.FilePath().empty() ? table.TableName() : table.FilePath()), "Users");
  if (usersLayout)
    c.Address = FormatAddressLine(table.FieldByName("ZipCode").AsString(), city,
                                  table.FieldByName("Street").AsString(),
                                  table.FieldByName("House").AsString());
  else
    c.Address = FormatAddressLine(table.FieldByName("ZipCode").AsString(), city,
                                  table.FieldByName("Address").AsString(), "");
  if (table.FieldExists("NIP")) c.Identifier = table.FieldByName("NIP").AsString();
  if (c.Name.empty())
    throw Exception("Brak nazwy kontrahenta\r\nDokument: " + docText + "  NIP: " + c.Identifier +
                    "\r\nWczytywanie przerwano");
  if (check) {
    bool hasBranch = false;
    CheckNip(hasBranch, c.Prefix, c.Identifier, ConfirmNipProblem, c.Name, docText);
  }
  if (check && SameTextAscii(c.Identifier, "brak")) {
    if (MessageDlg("Brak numeru NIP. Dokument: " + docText + "\r" + c.Name + "\rKontynuować?",
                   TMsgDlgType::mtError, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, TMsgDlgBtn::mbNo,
                   TQuestionKind::qkDataWarning) != TModalResult::mrYes)
      throw EAbort(LoadAbortedAt(docText));
  }
  if (options == 3 && !c.Country) {
    // No country in the address: the identifier's prefix tells it, an EU
    // VAT prefix split off by the check, or the British and Swiss ones,
    // which stay part of the identifier.
    if (!c.Prefix.empty())
      c.Country = CountryByVatCode(c.Prefix);
    else if (c.Identifier.rfind("GB", 0) == 0 || c.Identifier.rfind("CH", 0) == 0)
      c.Country = CountryByIso(c.Identifier.substr(0, 2));
  }
  if (check && c.Address.empty()) c.Address = "brak";
  return c;
}

}  // namespace brenvik
