#pragma once
// The parties of an exported invoice as FA(3) elements: the seller from the
// seller profile, the buyer and the recipient from the customer data read by
// the data module, and the copies of a corrected invoice's parties into
// Podmiot1K / Podmiot2K.
#include <string>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "support/Countries.h"
#include "support/DocumentTypes.h"

namespace brenvik {

// KodKraju (or "PL" when country is empty; with defaultPL off the country
// as it is), AdresL1 always, AdresL2 and GLN only when not empty.
void WriteAdres(const IXMLTAdres& adres, const std::string& country, const std::string& adresL1,
                const std::string& adresL2 = {}, const std::string& gln = {},
                bool defaultPL = true);

// The seller from the seller profile.
void FillPodmiot1(const IXMLFaktura& faktura, const TPodatnikInfoConfig& info);

// What the customer record reader gives for one record.
struct TCustomerData {
  std::string Name;
  std::string Address;
  // The country the city field names after a "," or ";", else the one the
  // identifier's prefix tells (Options 3); null when neither does.
  const TCountry* Country = nullptr;
  std::string Identifier;   // normalised when checked, without a split-off prefix
  std::string Prefix;       // the EU VAT prefix the check split off, else empty
};

// The ISO code of an address: the country's, "PL" for none.
std::string AddressCountryCode(const TCountry* country);
// A tax identifier of the buyer that is no Polish NIP: its prefix and
// identifier make something other than ten digits (with or without a branch
// suffix, dashes and blanks aside) or "BRAK".
bool HasForeignTaxId(const TCustomerData& record);

// The buyer's record with the flags of its layout.
struct TBuyerInput {
  int Options = 0;       // low 16 bits of the buyer's "Options", signed
  TCustomerData Record;  // read with checking on for Options 0 and 3
  bool UsersLayout = false;
  std::string PayerText;  // register layout: the customer's "Payer"
  bool JST = false;
  bool GV = false;
};

// Whether the reader checks the identifier for these buyer options.
bool BuyerChecking(int options);
// The part of an identifier before its first "-".
std::string IdentifierBeforeBranch(const std::string& identifier);

// A foreign buyer whose country the record does not name must not become a
// Polish one. Options other than 0 on an export or intra-EU document, or
// with a foreign tax identifier, and no country: asks the operator (a data
// question, "Nie" the default). "Tak" holds this document back
// (EDocumentRefused naming it and the customer), "Nie" stops the run (EAbort).
void CheckBuyerCountry(const TCustomerData& record, int options, int invoType,
                       const std::string& documentName);

// Writes Podmiot2 and returns the sale kind its buyer makes: intra-EU for a
// VAT payer of another EU state (KodUE and NrVatUE), export for any other
// foreign buyer, domestic for a Polish one.
TSaleKind FillPodmiot2From(const IXMLFaktura& faktura, const TBuyerInput& in);

// The recipient's record and the register fields that decide about it.
struct TRecipientInput {
  TCustomerData Record;  // the customer register record, checking off
  bool UsersLayout = false;
  std::string Nip3IdWew;    // Users layout
  bool PayerIsNull = true;  // register layout: "Payer" is null
  std::string Permission;   // register layout
  std::string FirmName;     // the customer register's "Firm Name"
  bool JST = false;         // flags of the buyer's record
  bool GV = false;
};

// Adds a Podmiot3 when the rules ask for one; true when it did.
bool FillPodmiot3From(const IXMLFaktura& faktura, const TRecipientInput& in);

// Markup of two elements compared without the blanks between tags and
// ignoring the case of A-Z only; a missing node is empty text.
bool SameNodeXml(const IXMLNode& a, const IXMLNode& b);
// A Podmiot3 with Rola 4 (an additional buyer).
bool IsAdditionalBuyer(const IXMLFaktura_Podmiot3& p);
// Address copy; a missing From gives empty KodKraju and AdresL1.
void CopyAdres(const IXMLTAdres& from, const IXMLTAdres& to);

void CopyPodmiot1K(const IXMLFaktura_Podmiot1& from, const IXMLFaktura_Fa_Podmiot1K& to);
void CopyPodmiot2K(const IXMLFaktura_Podmiot2& from, const IXMLFaktura_Fa_Podmiot2K& to);
// Raises when the additional buyer is identified by IDWew, which Podmiot2K cannot hold.
void CopyAdditionalBuyer(const IXMLFaktura_Podmiot3& from, const IXMLFaktura_Fa_Podmiot2K& to);

}  // namespace brenvik
