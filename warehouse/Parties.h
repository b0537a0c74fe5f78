#pragma once
// The parties of an exported invoice as FA(3) elements: the seller from the
// seller profile, the buyer and the recipient from the customer data read by
// the data module, and the copies of a corrected invoice's parties into
// Podmiot1K / Podmiot2K.
#include <string>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "support/Countries.h"

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
  std::string Country;
  std::string Identifier;
  std::string Prefix;
};

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

// Writes Podmiot2 and returns the buyer kind of its country.
TBuyerKind FillPodmiot2From(const IXMLFaktura& faktura, const TBuyerInput& in);

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
