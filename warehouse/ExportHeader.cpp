// The head of Fa for the document on which the data module stands: currency,
// dates and numbers, the totals from its register entry, the kind of invoice
// and, for a correction, the corrected invoice; and the annotations, written
// once the buyer and the lines are there.
#include "warehouse/DataModule.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Paths.h"
#include "warehouse/SentFiles.h"
#include "warehouse/TableTools.h"
#include "support/TextCodec.h"

namespace brenvik {

void TDM::FillFa(const IXMLFaktura& faktura, const TInvoKey& key, const std::string& documentName) {
  auto fa = faktura->Fa();
  fa->SetKodWaluty(CurrencyCode(tblWI.FieldByName("IntlId").AsString(), DocumentOptions()));
  const std::string currency = fa->KodWaluty();
  if (currency.empty()) throw Exception("Brak kodu waluty");

  const TPxField issued = tblWI.FieldByName("Date");
  fa->SetP_1(issued.AsDateTime());
  CheckNotFutureDate(fa->P_1());
  fa->SetP_2(documentName);

  if (InvoDescExists && tblInvoDesc.Locate("InvoPos", -1)) {
    // A blank text would be an empty element, which the schema refuses.
    const std::string wz = Trim(tblInvoDesc.FieldByName("Description").AsString());
    if (!wz.empty()) fa->WZ()->Add(wz);
  }

  // The sale date only when it is another day than the issue; an empty one
  // says nothing.
  const TPxField sold = tblWI.FieldByName("SaleDate");
  if (!sold.IsNull() &&
      DateToStr(DateOf(sold.AsDateTime())) != DateToStr(DateOf(issued.AsDateTime())))
    fa->SetP_6(sold.AsDateTime());

  FillTotals(fa, SaleOf(key.InvoType, FBuyerSale), currency,
             [this](const std::string& field) { return tblReg.FieldByName(field).AsFloat(); });

  if (IsCorrectionType(key.InvoType)) {
    fa->SetRodzajFaktury("KOR");
    const std::string reason = Trim(tblWI.FieldByName("Comment").AsString());
    if (!reason.empty()) fa->SetPrzyczynaKorekty(reason);
    std::string path;
    const bool sent = FindCorrectedSentFile(path);
    const TCorrection correction{documentName, tblMasterWI.FieldByName("Name").AsString(),
                                 FConfig.PodatnikInfo.DaneIdentyfikacyjne.NIP};
    if (sent) {
      const TMasterInvoiceData master = ReadMasterInvoice(path);
      FillCorrectedInKsef(fa, master, path, correction);
      FillChangedParties(faktura, master);
    } else {
      FillCorrectedFromRegister(fa, tblMasterWI.FieldByName("Date").AsDateTime(),
                                CorrectedRegisterMark(), correction);
    }
  } else {
    fa->SetRodzajFaktury("VAT");
  }
  if (IsBuyerRelated()) fa->SetTP(1);

  AddDodatkowyOpis(fa, key);
  AddDodatkowyOpisFromInvoDesc(fa);
}

void TDM::FillFaAdnotacje(const IXMLFaktura& faktura, const std::string& documentName) {
  const TZwolnienieBasis basis{FConfig.ZwolnienieP_19A, FConfig.ZwolnienieP_19B,
                               FConfig.ZwolnienieP_19C};
  FillAdnotacje(faktura->Fa(),
                AdnotacjeMarks(faktura, static_cast<int>(tblReg.FieldByName("Flags").AsInteger()),
                               basis, documentName));
}

std::string TDM::CorrectedRegisterMark() {
  const TInvoKey master = ReadInvoKey(tblMasterWI, "Type", "Year", "MagId", "Number");
  // The register follows the current document; the corrected one's entry is
  // read from the same file, opened on its own.
  TPxTable reg;
  reg.SetTableName(tblReg.TableName());
  reg.SetCodePage(tblReg.CodePageSetting());
  reg.SetIndexFieldNames("Class;Year;MagId;Number");
  reg.Open();
  const bool found =
      reg.FindKey({master.InvoType, master.InvoYear, master.InvoMagId, master.InvoNr});
  const std::string mark = found ? reg.FieldByName("KSeF").AsString() : std::string();
  reg.Close();
  return mark;
}

bool TDM::FindCorrectedSentFile(std::string& path) {
  const TInvoKey master =
      ReadInvoKey(tblWI, "MasterType", "MasterYear", "MasterMagId", "MasterNumber");
  if (!tblMasterWI.FindKey({master.InvoType, master.InvoYear, master.InvoMagId, master.InvoNr}))
    throw Exception("Brak MasterInvoKey (" + InvoKeyToText(master) +
                    ") w tabeli: " + tblMasterWI.TableName());
  const TDateTime date = tblMasterWI.FieldByName("Date").AsDateTime();
  return FindSentFileNear(PathJoin(FConfig.KsefDataDir(), ksef::SentFolder), date,
                          InvoKeyToText(master), path);
}

}  // namespace brenvik
