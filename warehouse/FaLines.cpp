#include "warehouse/FaLines.h"

#include <algorithm>
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
#include "support/OperatorLog.h"
#include "support/TextCodec.h"

namespace brenvik {

bool IsForeignCurrencyFa(const IXMLFaktura_Fa& fa) {
  return !fa->HasChild("KodWaluty") || fa->KodWaluty() != "PLN";
}

double ExchangeRateOf(const IXMLFaktura_Fa& fa) {
  double rate = 0;
  if (!fa->HasChild("FaWiersz")) return rate;
  auto lines = fa->FaWiersz();
  for (int i = 0; i < lines->Count(); ++i) {
    auto line = lines->Items(i);
    if (line->HasChild("KursWaluty")) rate = std::max(rate, line->KursWaluty());
  }
  return rate;
}

void TDM::FillFaWiersze(const IXMLFaktura& faktura, const TInvoKey& key, bool grossPricing) {
  const IXMLFaktura_Fa fa = faktura->Fa();
  const TSale sale = SaleOf(key.InvoType, FBuyerSale);
  const bool foreign = IsForeignCurrencyFa(fa);
  TForeignTotals totals(grossPricing);

  for (tblWT.First(); !tblWT.Eof(); tblWT.Next()) {
    TWareKey ware;
    if (!ReadWareKey(&tblWT, ware))
      throw EDatabaseError("Nie można odczytać rekoru z tabeli: " + tblWT.TableName());
    // Packaging charges go to Rozliczenie, not to the lines.
    if (IsPackingGroup(FConfig.CmrPacking, ware.Group)) continue;

    const std::string name = tblW.FieldByName("Name").AsString();
    const double quantity = LineQuantity(tblWT.FieldByName("Quantity").AsFloat());
    const int rate = static_cast<int>(std::trunc(tblWT.FieldByName("VAT").AsFloat()));
    const std::string rateCode = VatRateCode(rate, sale);  // refuses an unknown rate before writing
    const TLineAmounts amounts =
        LineAmounts(tblWT.FieldByName("Price").AsFloat(), quantity, rate, grossPricing);

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
      line->SetP_9B(amounts.UnitPrice);
    else
      line->SetP_9A(amounts.UnitPrice);
    line->SetP_11(amounts.Net);
    if (grossPricing) line->SetP_11A(amounts.Gross);
    line->SetP_12(rateCode);
    if ((tblW.FieldByName("Options").AsInteger() & 8) != 0) line->SetP_12_Zal_15(1);
    const std::string gtu = GtuCode(static_cast<int>(tblW.FieldByName("GTU").AsInteger()));
    if (!gtu.empty()) line->SetGTU(gtu);
    if (foreign) {
      // On a foreign-currency document the line's "Cost" holds its exchange rate.
      line->SetKursWaluty(LineExchangeRate(tblWT.FieldByName("Cost").AsFloat()));
      totals.AddLine(rate, amounts);
    }
  }
  if (!foreign) return;
  totals.Write(fa, sale);
  const std::string document = tblWI.FieldByName("Name").AsString();
  for (const std::string& warning :
       ReconcilePlnVat(fa, totals, ExchangeRateOf(fa),
                       [this](const std::string& field) { return tblReg.FieldByName(field).AsFloat(); }))
    InfoLog("Dokument " + document + ": " + warning, llWarn);
}

}  // namespace brenvik
