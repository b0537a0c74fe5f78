#pragma once
// The parts of an exported invoice that come neither from its lines nor from
// its parties: the additional descriptions of Fa, the packaging charges in
// Rozliczenie, the payment block and the footer from the seller profile.
// The passes over the tables are TDM members (AddDodatkowyOpis,
// AddDodatkowyOpisFromInvoDesc, GetCarNrRej, FillPlatnoscAndStopka); what
// needs no table is here.
#include <string>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "support/DateTime.h"

namespace brenvik {

// One bank account: NrRB always, SWIFT, NazwaBanku and OpisRachunku when not
// blank. RachunekWlasnyBanku is not written.
void FillRachunekBankowy(const IXMLTRachunekBankowy& element, const TRachunekBankowyConfig& cfg);

// Appends a DodatkowyOpis entry to Fa; lineNo > 0 also writes NrWiersza.
void AddKluczWartosc(const IXMLFaktura_Fa& fa, const std::string& klucz, const std::string& wartosc,
                     int lineNo = 0);

// The payment form of "PayInfo": FormaPlatnosci 1 (cash), 2 (card) or 6
// (transfer); for 3, 4 and 5 PlatnoscInna with the form's text; nothing
// for any other value.
void FillFormaPlatnosci(const IXMLFaktura_Fa_Platnosc& platnosc, int payInfo);

// The payment date of an invoice paid at the sale: the sale date, but never
// after the issue date (paid when the invoice was issued); without a sale
// date the issue date.
TDateTime PaidOnSaleDate(TDateTime saleDate, TDateTime issueDate);

// The due date: the issue date plus the payment term in days.
void FillTerminPlatnosci(const IXMLFaktura_Fa_Platnosc& platnosc, TDateTime issueDate,
                         int payDelay);

// The footer, when the profile has any footer data: the non-blank
// information lines (at most three) and one register entry with its
// non-blank fields.
void FillStopka(const IXMLFaktura& faktura, const TStopkaConfig& stopka);

}  // namespace brenvik
