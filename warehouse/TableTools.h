#pragma once
// Small lookups on warehouse tables that several mapping steps share: field
// tests, the article key, the barcode, the packaging group, the paid-at-sale
// rule and the reading of a contractor's record.
#include <cstdint>
#include <string>

#include "support/DocumentKey.h"
#include "paradox/Table.h"
#include "warehouse/Parties.h"

namespace brenvik {

// An open table: whether it has the field; a closed one: its refreshed field definitions.
bool FieldExists(TPxTable& table, const std::string& fieldName);
// Both raise "Tabela %s nie jest otwarta do odczytu" for a closed table and
// "Brak pola: "%s" w tabeli: %s" for a missing field.
bool FieldIsNonZero(TPxTable& table, const std::string& fieldName);
bool FieldHasBits(TPxTable& table, const std::string& fieldName, std::uint16_t mask);

// The buyer's markers in "ExtOpt"; the bits differ between the Users layout
// and the register layout.
bool ExtOptJst(TPxTable& table, bool usersLayout);
bool ExtOptGv(TPxTable& table, bool usersLayout);
bool ExtOptRelated(TPxTable& table, bool usersLayout);

// The document key in four 16-bit fields of the current record ("Type",
// "Year", "MagId", "Number", or the corrected document's "Master..." ones).
TInvoKey ReadInvoKey(TPxTable& table, const char* type, const char* year, const char* magId,
                     const char* number);

// From the current record of an open data set; false (and the output
// cleared) when there is none.
bool ReadWareKey(TPxTable* dataSet, TWareKey& key);
bool ReadBarcode(TPxTable* dataSet, std::string& barcode);

// Packaging lines are those of the goods group "O" while the switch is on.
bool IsPackingGroup(bool cmrPacking, const std::string& group);
// Moves to the first line of the packaging group; false when the switch is off or there is none.
bool LocatePackingGroup(bool cmrPacking, TPxTable& table);
// The current document counts as paid at the sale (see the document header fields).
bool IsPaidOnSale(TPxTable* table);

// The contractor record on which the table stands: name, one-line address,
// country (named in the city field, in Polish or English or by its code),
// tax identifier and its EU prefix. With check set the identifier is checked
// and the operator may be asked to go on; declining raises "Wczytywanie
// przerwano".
TCustomerData ReadCustomerRecord(const std::string& docText, TPxTable& table, bool check);

}  // namespace brenvik
