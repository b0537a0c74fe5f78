#include "warehouse/DataModule.h"

#include <cmath>

#include "support/Money.h"
#include "support/DocumentRules.h"
#include "support/ErrorHandling.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "paradox/TableFiles.h"
#include "warehouse/TableTools.h"
#include "support/TextCodec.h"

namespace brenvik {

TDM::TDM(const TConfig& config, const std::string& programDir) : FConfig(config) {
  Session.SetActive(false);
  Session.SetNetFileDir(FConfig.NetFileDir());
  PrivateDir = PathJoin(programDir, "Tmp");
  Session.SetPrivateDir(PrivateDir);
  ForceFolder(PrivateDir);
  if (FConfig.StelmarEnabled)
    StelmarDataDir = IncludeTrailingPathDelimiter(
        RequireFolderExists(Trim(PathJoin(FConfig.StelmarDir(), "DATA"))));
  ApplyCodePage();
  tblWI.SetOnFilterRecord([this](TPxTable& ds, bool& accept) { FilterPendingDocument(ds, accept); });
  Connect();
}

TDM::~TDM() {
  try {
    Disconnect();
  } catch (const std::exception& e) {
    try { TLogger::Error(std::string("Zamykanie tabel: ") + e.what()); } catch (...) {}
  }
}

void TDM::ApplyCodePage() {
  for (TPxTable* t : {&tblWI, &tblMasterWI, &tblWT, &tblW, &tblWS, &tblReg, &tblUR, &tblUsers,
                      &tblInvoDesc, &tblUsrCars, &tblBarcodes})
    t->SetCodePage(FConfig.StelmarCodePage);
}

void TDM::Connect() { Session.SetActive(true); }

void TDM::Disconnect() {
  Session.CloseDatabases();
  Session.SetActive(false);
}

std::string TDM::PeriodTableName(bool yearly, const std::string& suffix) const {
  return YearTableName(yearly, suffix, FConfig.CurDate);
}

std::string TDM::InvoDescTableName() const {
  const int year = DecodeDateTime(FConfig.CurDate).Year;
  return PathJoin(PathJoin(FConfig.StelmarDir(), "TABLES"), std::to_string(year % 100) + "desc");
}

void TDM::SetExportWindow(TDateTime dateFrom, TDateTime dateTo) {
  DateRange = {dateFrom, dateTo};
  FFilterDateFrom = FilterDateFrom(DateRange);
  FFilterDateToExcl = FilterDateToExcl(DateRange);
}

void TDM::ComputeExportWindow() {
  const TDateRange w = ExportWindow(FConfig.CurDate, FConfig.DaysBackToSend, FConfig.Send2KsefStartDate);
  SetExportWindow(w.DateFrom, w.DateTo);
}

void TDM::FilterPendingDocument(TPxTable& dataSet, bool& accept) {
  const int type = static_cast<int>(dataSet.FieldByName("Type").AsInteger());
  const TDateTime date = dataSet.FieldByName("Date").AsDateTime();
  accept = IsEligibleType(type) && FFilterDateFrom <= date && date < FFilterDateToExcl;
}

void TDM::OpenExportTables(const std::function<void()>& beforeOpeningHeaders) {
  const std::string& userDir = FConfig.UserDir();
  const std::string tables = PathJoin(FConfig.StelmarDir(), "TABLES");
  // 1. the firm-wide payers, when the table exists
  tblUsers.SetTableName(userDir + "Users");
  UsersTableExists = TableFileExists(tblUsers.TableName());
  if (UsersTableExists) {
    tblUsers.SetIndexFieldNames("Number");
    tblUsers.SetMasterSource(&dsUR);
    tblUsers.SetMasterFields("PayerNumber");
    tblUsers.Open();
  } else {
    tblUsers.SetMasterSource(nullptr);
    tblUsers.SetMasterFields("");
  }
  // 2. the customer register of the period, linked to the document's customer
  tblUR.SetTableName(userDir + PeriodTableName(FConfig.YearUsrTbl, "UR"));
  tblUR.SetIndexFieldNames("Number");
  tblUR.SetMasterSource(&dsWI);
  tblUR.SetMasterFields("User");
  tblUR.Open();
  // 3. the document headers, filtered to the pending window
  tblWI.SetTableName(StelmarDataDir + PeriodTableName(FConfig.YearPrgTbl, "WI"));
  if (beforeOpeningHeaders) beforeOpeningHeaders();
  else ComputeExportWindow();
  tblWI.SetOnFilterRecord([this](TPxTable& ds, bool& accept) { FilterPendingDocument(ds, accept); });
  tblWI.SetFiltered(true);
  tblWI.Open();
  // 4. a second, unfiltered cursor for the corrected documents
  tblMasterWI.SetTableName(tblWI.TableName());
  tblMasterWI.SetIndexFieldNames("Type;Year;MagId;Number");
  tblMasterWI.Open();
  // 5, 6. lines and their goods
  tblWT.SetTableName(StelmarDataDir + PeriodTableName(FConfig.YearPrgTbl, "WT"));
  tblWT.SetIndexFieldNames("Type;Year;MagId;Number");
  tblWT.SetMasterSource(&dsWI);
  tblWT.SetMasterFields("Type;Year;MagId;Number");
  tblWT.Open();
  tblW.SetTableName(StelmarDataDir + PeriodTableName(FConfig.YearPrgTbl, "W"));
  tblW.SetIndexFieldNames("Group;Index");
  tblW.SetMasterSource(&dsWT);
  tblW.SetMasterFields("Group;Index");
  tblW.Open();
  // 7. goods series, linked on four fields when the table knows the warehouse
  tblWS.SetTableName(StelmarDataDir + PeriodTableName(FConfig.YearPrgTbl, "WS"));
  if (FieldExists(tblWS, "MagId")) {
    tblWS.SetIndexFieldNames("Group;Index;SeriesNo;MagId");
    tblWS.SetMasterFields("Group;Index;Series;MagId");
  } else {
    tblWS.SetIndexFieldNames("Group;Index;SeriesNo");
    tblWS.SetMasterFields("Group;Index;Series");
  }
  tblWS.SetMasterSource(&dsWT);
  tblWS.Open();
  // 8. the register entry of the document
  tblReg.SetMasterSource(&dsWI);
  tblReg.SetIndexFieldNames("Class;Year;MagId;Number");
  tblReg.SetMasterFields("Type;Year;MagId;Number");
  tblReg.SetTableName(StelmarDataDir + PeriodTableName(FConfig.YearPrgTbl, "REG"));
  tblReg.Open();
  // 9-11. the optional tables: linked and opened only when their file exists
  auto openOptional = [](TPxTable& table, const std::string& name, const char* fields,
                         const char* masterFields, TPxDataSource* source) {
    table.SetTableName(name);
    const bool exists = TableFileExists(name);
    table.SetIndexFieldNames(fields);
    table.SetMasterFields(masterFields);
    table.SetMasterSource(exists ? source : nullptr);
    if (exists) table.Open();
    return exists;
  };
  const char* const docKey = "Type;Year;MagId;Number";
  InvoDescExists = openOptional(tblInvoDesc, InvoDescTableName(), docKey, docKey, &dsWI);
  UsrCarsExists = openOptional(tblUsrCars, PathJoin(tables, "UsrCars"), "UserId;CarId", "User;CarId", &dsWI);
  BarcodesExists = openOptional(tblBarcodes, PathJoin(tables, "Barcodes"), "Group;Index", "Group;Index", &dsW);
}

void TDM::CloseExportTables() {
  if (tblReg.Active()) tblReg.SaveChanges();  // its result is only logged
  for (TPxTable* t : {&tblBarcodes, &tblUsrCars, &tblInvoDesc, &tblReg, &tblWS, &tblW, &tblWT,
                      &tblMasterWI, &tblWI, &tblUR, &tblUsers})
    t->Close();
}

TPxTable& TDM::BuyerTable() { return UsersTableExists ? tblUsers : tblUR; }

int TDM::BuyerOptions() {
  return static_cast<std::int16_t>(BuyerTable().FieldByName("Options").AsInteger() & 0xFFFF);
}

int TDM::DocumentOptions() { return static_cast<int>(tblWI.FieldByName("Options").AsInteger()); }

bool TDM::IsBuyerJST() { return ExtOptJst(BuyerTable(), UsersTableExists); }
bool TDM::IsBuyerGV() { return ExtOptGv(BuyerTable(), UsersTableExists); }
bool TDM::IsBuyerRelated() { return ExtOptRelated(BuyerTable(), UsersTableExists); }

}  // namespace brenvik
