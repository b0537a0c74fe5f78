// The buyer and the recipient of an exported invoice, read from the customer
// tables on which the data module stands.
#include "warehouse/DataModule.h"
#include "support/DocumentRules.h"
#include "warehouse/Parties.h"
#include "warehouse/TableTools.h"

namespace brenvik {

namespace {

TCustomerData ReadCustomer(TPxTable& table, const std::string& documentName, bool check) {
  return ReadCustomerRecord(documentName, table, check);
}

}  // namespace

void TDM::FillPodmiot2(const IXMLFaktura& faktura, const std::string& documentName) {
  TBuyerInput in;
  in.Options = BuyerOptions();
  in.Record = ReadCustomer(BuyerTable(), documentName, BuyerChecking(in.Options));
  CheckBuyerCountry(in.Record, in.Options,
                    static_cast<int>(tblWI.FieldByName("Type").AsInteger()), documentName);
  in.UsersLayout = UsersTableExists;
  if (!in.UsersLayout) in.PayerText = tblUR.FieldByName("Payer").AsString();
  in.JST = IsBuyerJST();
  in.GV = IsBuyerGV();
  FBuyerSale = FillPodmiot2From(faktura, in);
}

void TDM::FillPodmiot3(const IXMLFaktura& faktura, const std::string& documentName) {
  TRecipientInput in;
  in.Record = ReadCustomer(tblUR, documentName, false);
  in.UsersLayout = UsersTableExists;
  if (in.UsersLayout) {
    in.Nip3IdWew = tblUR.FieldByName("Nip3IdWew").AsString();
  } else {
    in.PayerIsNull = tblUR.FieldByName("Payer").IsNull();
    in.Permission = tblUR.FieldByName("Permission").AsString();
  }
  in.FirmName = tblUR.FieldByName("Firm Name").AsString();
  in.JST = IsBuyerJST();
  in.GV = IsBuyerGV();
  FillPodmiot3From(faktura, in);
}

}  // namespace brenvik
