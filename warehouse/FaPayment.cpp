#include "warehouse/FaPayment.h"

#include <cstdint>

#include "support/Money.h"
#include "support/DocumentRules.h"
#include "support/DocumentKey.h"
#include "warehouse/DataModule.h"
#include "warehouse/LineRules.h"
#include "support/Logger.h"
#include "warehouse/RateTotals.h"
#include "warehouse/TableTools.h"
#include "support/TextCodec.h"

namespace brenvik {

namespace {

// The schema's text types allow no empty or blank value.
bool Blank(const std::string& s) { return Trim(s).empty(); }

}  // namespace

void FillRachunekBankowy(const IXMLTRachunekBankowy& element, const TRachunekBankowyConfig& cfg) {
  element->SetNrRB(cfg.NrRB);
  if (!Blank(cfg.SWIFT)) element->SetSWIFT(cfg.SWIFT);
  if (!Blank(cfg.NazwaBanku)) element->SetNazwaBanku(cfg.NazwaBanku);
  if (!Blank(cfg.OpisRachunku)) element->SetOpisRachunku(cfg.OpisRachunku);
}

void AddKluczWartosc(const IXMLFaktura_Fa& fa, const std::string& klucz, const std::string& wartosc,
                     int lineNo) {
  const IXMLTKluczWartosc entry = fa->DodatkowyOpis()->Add();
  if (lineNo > 0) entry->SetNrWiersza(lineNo);
  entry->SetKlucz(klucz);
  entry->SetWartosc(wartosc);
}

void FillFormaPlatnosci(const IXMLFaktura_Fa_Platnosc& platnosc, int payInfo) {
  switch (payInfo) {
    case 0: platnosc->SetFormaPlatnosci(1); break;
    case 1: platnosc->SetFormaPlatnosci(2); break;
    case 2: platnosc->SetFormaPlatnosci(6); break;
    case 3:
    case 4:
    case 5:
      platnosc->SetPlatnoscInna(1);
      platnosc->SetOpisPlatnosci(PaymentFormText(payInfo));
      break;
    default: break;
  }
}

TDateTime PaidOnSaleDate(TDateTime saleDate, TDateTime issueDate) {
  const TDateTime issued = DateOf(issueDate);
  if (saleDate.Value == 0) return issued;
  const TDateTime sold = DateOf(saleDate);
  return sold < issued ? sold : issued;
}

void FillTerminPlatnosci(const IXMLFaktura_Fa_Platnosc& platnosc, TDateTime issueDate,
                         int payDelay) {
  const IXMLFaktura_Fa_Platnosc_TerminPlatnosci termin = platnosc->TerminPlatnosci()->Add();
  termin->SetTermin(IncDay(DateOf(issueDate), payDelay));
  const IXMLFaktura_Fa_Platnosc_TerminPlatnosci_TerminOpis opis = termin->TerminOpis();
  opis->SetIlosc(payDelay);
  opis->SetJednostka("dni");
  opis->SetZdarzeniePoczatkowe("od dnia wystawienia faktury");
}

void FillStopka(const IXMLFaktura& faktura, const TStopkaConfig& stopka) {
  if (!TConfig::HasStopka(stopka)) return;
  faktura->EnsureChildInSchemaOrder("Stopka");
  const IXMLFaktura_Stopka node = faktura->Stopka();
  if (TConfig::HasInformacje(stopka))
    for (const std::string* inf : {&stopka.Inf1, &stopka.Inf2, &stopka.Inf3})
      if (!Blank(*inf)) node->Informacje()->Add()->SetStopkaFaktury(*inf);
  if (TConfig::HasRejestry(stopka)) {
    const IXMLFaktura_Stopka_Rejestry r = node->Rejestry()->Add();
    if (!Blank(stopka.PelnaNazwa)) r->SetPelnaNazwa(stopka.PelnaNazwa);
    if (!Blank(stopka.KRS)) r->SetKRS(stopka.KRS);
    if (!Blank(stopka.Regon)) r->SetREGON(stopka.Regon);
    if (!Blank(stopka.BDO)) r->SetBDO(stopka.BDO);
  }
}

std::string TDM::GetCarNrRej(int user, int car) {
  if (!UsrCarsExists) return {};
  if (!tblUsrCars.FindKey({user, car})) return {};
  return tblUsrCars.FieldByName("CarNrRej").AsString();
}

void TDM::AddDodatkowyOpis(const IXMLFaktura_Fa& fa, const TInvoKey& key) {
  const int carId = static_cast<int>(tblWI.FieldByName("CarId").AsInteger());
  if (carId > 0) {
    const int user = static_cast<int>(tblWI.FieldByName("User").AsInteger());
    const std::string nrRej = GetCarNrRej(user, carId);
    // An empty value is not allowed in DodatkowyOpis: the entry is left out.
    if (Blank(nrRej))
      TLogger::Log(llWarn, "Dokument " + InvoKeyToText(key) +
                               ": brak numeru rejestracyjnego samochodu " + std::to_string(carId) +
                               " klienta " + std::to_string(user));
    else
      AddKluczWartosc(fa, "Nr rejestracyjny samochodu", nrRej);
  }
  if (UsersTableExists && !Blank(FConfig.CmrAttachUsrComments)) {
    const std::string comments = tblUsers.FieldByName("Comments").AsString();
    if (!Blank(comments)) AddKluczWartosc(fa, FConfig.CmrAttachUsrComments, comments);
  }
  // For a correction the comment is its reason, written as PrzyczynaKorekty.
  if ((key.InvoType & 1) == 0) {
    const std::string comment = tblWI.FieldByName("Comment").AsString();
    if (!Blank(comment)) AddKluczWartosc(fa, "Opis na fakturze", comment);
  }
}

void TDM::AddDodatkowyOpisFromInvoDesc(const IXMLFaktura_Fa& fa) {
  if (!InvoDescExists) return;
  for (tblInvoDesc.First(); !tblInvoDesc.Eof(); tblInvoDesc.Next()) {
    const int pos = static_cast<std::int16_t>(tblInvoDesc.FieldByName("InvoPos").AsInteger());
    const std::string text = tblInvoDesc.FieldByName("Description").AsString();
    // Position -1 is the goods-issue number (WZ) of the invoice head.
    if (pos < 0 || Blank(text)) continue;
    if (pos == 0)
      AddKluczWartosc(fa, "Dodatkowy opis na fakturze", text);
    else
      AddKluczWartosc(fa, "Pozycja: " + std::to_string(pos), text, pos);
  }
}

void TDM::FillPlatnoscAndStopka(const IXMLFaktura& faktura) {
  const IXMLFaktura_Fa fa = faktura->Fa();

  // Packaging charges: lines of the packaging group, outside the lines of
  // the invoice and outside P_15.
  if (LocatePackingGroup(FConfig.CmrPacking, tblWT)) {
    fa->EnsureChildInSchemaOrder("Rozliczenie");
    const IXMLFaktura_Fa_Rozliczenie rozliczenie = fa->Rozliczenie();
    double sum = 0;
    for (tblWT.First(); !tblWT.Eof(); tblWT.Next()) {
      if (!IsPackingGroup(FConfig.CmrPacking, tblWT.FieldByName("Group").AsString())) continue;
      const std::string name = tblW.FieldByName("Name").AsString();
      const double price = tblWT.FieldByName("Price").AsFloat();
      const double quantity = RoundHalfAway(3, tblWT.FieldByName("Quantity").AsFloat());
      const IXMLFaktura_Fa_Rozliczenie_Obciazenia charge = rozliczenie->Obciazenia()->Add();
      charge->SetKwota(RoundHalfAway(2, price * quantity));
      charge->SetPowod(PackingReason(name, price, quantity));
      sum = RoundHalfAway(2, sum + charge->Kwota());
    }
    if (sum > 0) {
      rozliczenie->SetSumaObciazen(sum);
      rozliczenie->SetDoZaplaty(RoundHalfAway(2, FaTotal(fa, "P_15") + sum));
    }
  }

  // Payment, only for an amount due.
  if (FaTotal(fa, "P_15") > 0) {
    fa->EnsureChildInSchemaOrder("Platnosc");
    const IXMLFaktura_Fa_Platnosc platnosc = fa->Platnosc();
    const bool paidOnSale = IsPaidOnSale(&tblWI);
    if (paidOnSale) {
      platnosc->SetZaplacono(1);
      platnosc->SetDataZaplaty(
          PaidOnSaleDate(tblWI.FieldByName("SaleDate").AsDateTime(), fa->P_1()));
    } else {
      FillTerminPlatnosci(platnosc, fa->P_1(),
                          static_cast<int>(tblWI.FieldByName("PayDelay").AsInteger()));
    }
    FillFormaPlatnosci(platnosc, static_cast<int>(tblWI.FieldByName("PayInfo").AsInteger()));
    if (!paidOnSale)
      for (const TRachunekBankowyConfig* account :
           {&FConfig.RachunekBankowy1, &FConfig.RachunekBankowy2})
        if (TConfig::HasRachunekBankowy(*account))
          FillRachunekBankowy(platnosc->RachunekBankowy()->Add(), *account);
  }

  FillStopka(faktura, FConfig.Stopka);
}

}  // namespace brenvik
