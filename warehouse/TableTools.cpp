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

void ReadCustomerRecord(const std::string& docText, TPxTable& table, std::string& countryPrefix,
                        std::string& nip, std::string& name, std::string& countryCode,
                        std::string& addressLine, bool check) {
  countryPrefix.clear();
  nip.clear();
  countryCode.clear();
  addressLine.clear();
  name = table.FieldByName("Firm Name").AsString();
  std::string city = table.FieldByName("City").AsString();
  const long long options = table.FieldByName("Options").AsInteger();
  if (options != 0) {
    const std::vector<std::string> parts = SplitAny(city, ",;");
    if (parts.size() >= 2) {
      city = parts[0];
      countryCode = EuCountryCode(parts[1]);
    }
  }
  // The users table has a layout of its own; only it bears that name.
  const bool usersLayout = SameTextAscii(
      BareFileName(table.FilePath().empty() ? table.TableName() : table.FilePath()), "Users");
  if (usersLayout)
    addressLine = FormatAddressLine(table.FieldByName("ZipCode").AsString(), city,
                                    table.FieldByName("Street").AsString(),
                                    table.FieldByName("House").AsString());
  else
    addressLine = FormatAddressLine(table.FieldByName("ZipCode").AsString(), city,
                                    table.FieldByName("Address").AsString(), "");
  if (table.FieldExists("NIP")) nip = table.FieldByName("NIP").AsString();
  if (name.empty())
    throw Exception("Brak nazwy kontrahenta\r\nDokument: " + docText + "  NIP: " + nip +
                    "\r\nWczytywanie przerwano");
  if (check) {
    bool hasBranch = false;
    CheckNip(hasBranch, countryPrefix, nip, ConfirmNipProblem, name, docText);
  }
  if (countryPrefix.empty() && (nip.rfind("GB", 0) == 0 || nip.rfind("CH", 0) == 0)) {
    countryPrefix = nip.substr(0, 2);
    nip = nip.substr(2);
  }
  if (check && SameTextAscii(nip, "brak")) {
    if (MessageDlg("Brak numeru NIP. Dokument: " + docText + "\r" + name + "\rKontynuować?",
                   TMsgDlgType::mtError, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo}, TMsgDlgBtn::mbNo,
                   TQuestionKind::qkDataWarning) != TModalResult::mrYes)
      throw EAbort(LoadAbortedAt(docText));
  }
  if (options == 3 && countryCode.empty() && !countryPrefix.empty()) countryCode = countryPrefix;
  if (check && addressLine.empty()) addressLine = "brak";
}

}  // namespace brenvik
