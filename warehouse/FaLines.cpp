#include "warehouse/FaLines.h"

#include <cmath>
#include <cstdint>

#include "support/Money.h"
#include "support/DocumentKey.h"
#include "support/DocumentTypes.h"
#include "warehouse/DataModule.h"
#include "support/Errors.h"
#include "warehouse/LineRules.h"
#include "warehouse/RateTotals.h"
#include "warehouse/TableTools.h"
#include "warehouse/VatRates.h"
#include "support/TextCodec.h"

namespace brenvik {

bool IsForeignCurrencyFa(const IXMLFaktura_Fa& fa) {
  return !fa->HasChild("KodWaluty") || fa->KodWaluty() != "PLN";
}

int LineNetPriceDigits(int invoType, bool foreign) {
  return foreign && (IsExportType(invoType) || IsWdtType(invoType)) ? 4 : 2;
}

void ResetForeignRateTotals(const IXMLFaktura_Fa& fa, int invoType,
                            const TRegisterNonZero& registerNonZero) {
  for (const TVatRate& r : VatRates()) {
    if (!registerNonZero(r.NetField) && !(*r.VatField && registerNonZero(r.VatField))) continue;
    SetFaTotal(fa, r.Net[SaleKind(invoType)], 0);
    if (*r.Vat) SetFaTotal(fa, r.Vat, 0);
  }
  SetFaTotal(fa, "P_15", 0);
}

void AddLineToForeignTotals(const IXMLFaktura_Fa& fa, int rate, int invoType, double net) {
  const double vat = VatFromNet(rate, net);
  AddToFaTotal(fa, NetTotalName(rate, invoType), net);
  AddToFaTotal(fa, VatTotalName(rate), vat);
  SetFaTotal(fa, "P_15", RoundHalfAway(2, FaTotal(fa, "P_15") + net + vat));
}

void TDM::FillFaWiersze(const IXMLFaktura& faktura, const TInvoKey& key, bool grossPricing) {
  const IXMLFaktura_Fa fa = faktura->Fa();
  const int type = key.InvoType;
  const bool foreign = IsForeignCurrencyFa(fa);
  const int netDigits = LineNetPriceDigits(type, foreign);
  if (foreign)
    ResetForeignRateTotals(
        fa, type, [this](const std::string& field) { return FieldIsNonZero(tblReg, field); });

  for (tblWT.First(); !tblWT.Eof(); tblWT.Next()) {
    TWareKey ware;
    if (!ReadWareKey(&tblWT, ware))
      throw EDatabaseError("Nie można odczytać rekoru z tabeli: " + tblWT.TableName());
    // Packaging charges go to Rozliczenie, not to the lines.
    if (IsPackingGroup(FConfig.CmrPacking, ware.Group)) continue;

    const std::string name = tblW.FieldByName("Name").AsString();
    const double price = RoundHalfAway(2, tblWT.FieldByName("Price").AsFloat());
    const double quantity = RoundHalfAway(3, tblWT.FieldByName("Quantity").AsFloat());
    const int rate = static_cast<int>(std::trunc(tblWT.FieldByName("VAT").AsFloat()));
    const std::string rateCode = VatRateCode(rate, type);  // refuses an unknown rate before writing
    const TLineAmounts amounts = LineAmounts(price, quantity, rate, grossPricing, netDigits);

    const IXMLFaktura_Fa_FaWiersz line = fa->FaWiersz()->Add();
    line->SetNrWierszaFa(static_cast<int>(tblWT.FieldByName("InvoPos").AsInteger()));
    // The schema allows no empty text: a goods item without a name or a
    // barcode leaves the element out.
    if (!Trim(name).empty()) line->SetP_7(name);
    if (BarcodesExists) {
      std::string barcode;
      if (ReadBarcode(&tblBarcodes, barcode) && !Trim(barcode).empty()) line->SetGTIN(barcode);
    }
    const std::string unit = tblW.FieldByName("Unit").AsString();
    line->SetP_8A(Trim(unit).empty() ? "szt." : unit);
    line->SetP_8B(quantity);
    if (grossPricing)
      line->SetP_9B(price);
    else
      line->SetP_9A(amounts.NetPrice);
    line->SetP_11(amounts.Net);
    if (grossPricing) line->SetP_11A(amounts.Gross);
    line->SetP_12(rateCode);
    if ((tblW.FieldByName("Options").AsInteger() & 8) != 0) line->SetP_12_Zal_15(1);
    const std::string gtu = GtuCode(static_cast<int>(tblW.FieldByName("GTU").AsInteger()));
    if (!gtu.empty()) line->SetGTU(gtu);
    if (foreign) {
      // On a foreign-currency document the line's "Cost" holds its exchange rate.
      line->SetKursWaluty(RoundHalfAway(4, tblWT.FieldByName("Cost").AsFloat()));
      AddLineToForeignTotals(fa, rate, type, amounts.Net);
    }
  }
}

}  // namespace brenvik
