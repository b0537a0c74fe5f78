#include "warehouse/DataModule.h"

#include "support/Sha256.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <vector>

#include "support/Money.h"
#include "support/DocumentRules.h"
#include "support/ErrorHandling.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "paradox/TableFiles.h"
#include "warehouse/StelmarTables.h"
#include "warehouse/TableTools.h"
#include "support/TextCodec.h"

namespace brenvik {

std::string SiteBackupFolderName(const std::string& stelmarDir) {
  std::string name;
  for (char c : Trim(stelmarDir)) {
    const bool plain = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' ||
                       static_cast<unsigned char>(c) >= 0x80;
    name += plain ? c : '_';
  }
  const size_t start = name.find_first_not_of('_');
  name = start == std::string::npos ? std::string()
                                    : name.substr(start, name.find_last_not_of('_') - start + 1);
  // A file name has room for 255 bytes; the end of a path tells sites apart best.
  if (name.size() > 120) name = name.substr(name.size() - 120);
  if (name.empty()) name = "site";
  // Paths that differ only where the name has "_" ("firma_a/stelmar" and
  // "firma/a/stelmar"), or before the cut, are other sites: a digest of the
  // whole path keeps their copies apart. A final "/" names the same folder.
  std::string path = Trim(stelmarDir);
  while (path.size() > 1 && (path.back() == '/' || path.back() == '\\')) path.pop_back();
  static const char* const hex = "0123456789abcdef";
  std::string digest;
  for (unsigned char byte : Sha256(path).substr(0, 4)) {
    digest += hex[byte >> 4];
    digest += hex[byte & 15];
  }
  return name + "-" + digest;
}

TDM::TDM(const TConfig& config, const std::string& programDir) : FConfig(config) {
  Session.SetActive(false);
  Session.SetNetFileDir(FConfig.NetFileDir());
  PrivateDir = PathJoin(programDir, "Tmp");
  // Every site run from this program's folder shares Tmp: each keeps its own copies.
  BackupDir = PathJoin(PrivateDir,
                       SiteBackupFolderName(FConfig.StelmarDir().empty() ? FConfig.NeraDir()
                                                                         : FConfig.StelmarDir()));
  Session.SetPrivateDir(BackupDir);
  ForceFolder(PrivateDir);
  ForceFolder(BackupDir);
  if (FConfig.StelmarEnabled)
    StelmarDataDir = IncludeTrailingPathDelimiter(
        RequireFolderExists(Trim(PathJoin(FConfig.StelmarDir(), "DATA"))));
  ApplyCodePage();
  tblWI.SetOnFilterRecord(
      [this](TPxTable& ds, bool& accept) { FilterPendingDocument(ds, accept); });
  Connect();
}

TDM::~TDM() {
  try {
    Disconnect();
  } catch (const std::exception& e) {
    try {
      TLogger::Error(std::string("Zamykanie tabel: ") + e.what());
    } catch (...) {
    }
  }
}

void TDM::ApplyCodePage() {
  for (const TStelmarTable& row : StelmarTables)
    (this->*row.Table).SetCodePage(FConfig.StelmarCodePage);
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
  for (const TStelmarTable& row : StelmarTables)
    if (row.Table == &TDM::tblInvoDesc) return TableFileName(row);
  throw Exception("Brak tabeli tblInvoDesc w wykazie tabel");
}

void TDM::SetExportWindow(TDateTime dateFrom, TDateTime dateTo) {
  DateRange = {dateFrom, dateTo};
  FFilterDateFrom = FScanDateFrom = FilterDateFrom(DateRange);
  FFilterDateToExcl = FilterDateToExcl(DateRange);
}

void TDM::ComputeExportWindow() {
  const TDateRange w =
      ExportWindow(FConfig.CurDate, FConfig.DaysBackToSend, FConfig.Send2KsefStartDate);
  SetExportWindow(w.DateFrom, w.DateTo);
}

void TDM::ComputeExportWindowWithDaysBefore() {
  ComputeExportWindow();
  // The headers from the first day of sending on: those before the window
  // are only looked at for documents that never went.
  FScanDateFrom = std::min(FFilterDateFrom, DateOf(FConfig.Send2KsefStartDate));
}

void TDM::FilterPendingDocument(TPxTable& dataSet, bool& accept) {
  const int type = static_cast<int>(dataSet.FieldByName("Type").AsInteger());
  const TDateTime date = dataSet.FieldByName("Date").AsDateTime();
  accept = IsEligibleType(type) && FScanDateFrom <= date && date < FFilterDateToExcl;
}

// The rows of the tables table in the order they open.
static std::vector<const TStelmarTable*> TablesInOpenOrder() {
  std::vector<const TStelmarTable*> rows;
  for (const TStelmarTable& row : StelmarTables) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(), [](const TStelmarTable* a, const TStelmarTable* b) {
    return a->OpenOrder < b->OpenOrder;
  });
  return rows;
}

std::string TDM::TableFileName(const TStelmarTable& row) const {
  std::string name = row.Name;
  switch (row.Period) {
    case TTablePeriod::FirmWide: break;
    case TTablePeriod::ProgramPeriod: name = PeriodTableName(FConfig.YearPrgTbl, name); break;
    case TTablePeriod::UserPeriod: name = PeriodTableName(FConfig.YearUsrTbl, name); break;
    case TTablePeriod::ShortYear:
      name = std::to_string(DecodeDateTime(FConfig.CurDate).Year % 100) + name;
      break;
  }
  switch (row.Folder) {
    case TTableFolder::Data: return StelmarDataDir + name;
    case TTableFolder::User: return FConfig.UserDir() + name;
    case TTableFolder::Tables: return PathJoin(PathJoin(FConfig.StelmarDir(), "TABLES"), name);
  }
  return name;
}

bool* TDM::ExistsFlag(const TStelmarTable& row) {
  if (row.Table == &TDM::tblUsers) return &UsersTableExists;
  if (row.Table == &TDM::tblInvoDesc) return &InvoDescExists;
  if (row.Table == &TDM::tblUsrCars) return &UsrCarsExists;
  if (row.Table == &TDM::tblBarcodes) return &BarcodesExists;
  return nullptr;
}

void TDM::OpenExportTables(const std::function<void()>& beforeOpeningHeaders) {
  for (const TStelmarTable* row : TablesInOpenOrder()) {
    TPxTable& table = this->*row->Table;
    table.SetTableName(TableFileName(*row));
    // the optional tables are linked and opened only when their file exists
    const bool exists = !row->Optional || TableFileExists(table.TableName());
    std::string indexFields = row->IndexFields;
    std::string masterFields = row->MasterFields;
    if (exists && *row->KeyFieldIfPresent && FieldExists(table, row->KeyFieldIfPresent)) {
      indexFields += std::string(";") + row->KeyFieldIfPresent;
      masterFields += std::string(";") + row->KeyFieldIfPresent;
    }
    table.SetIndexFieldNames(indexFields);
    table.SetMasterSource(exists && row->Master ? &(this->*row->Master) : nullptr);
    table.SetMasterFields(masterFields);
    if (bool* flag = ExistsFlag(*row)) *flag = exists;
    if (!exists) continue;
    if (row->PendingFilter) {
      // the export window is computed after the headers are named, before they open
      if (beforeOpeningHeaders)
        beforeOpeningHeaders();
      else
        ComputeExportWindow();
      table.SetOnFilterRecord(
          [this](TPxTable& ds, bool& accept) { FilterPendingDocument(ds, accept); });
      table.SetFiltered(true);
    }
    table.Open();
  }
}

void TDM::CloseExportTables() {
  if (tblReg.Active()) tblReg.SaveChanges();  // its result is only logged
  const std::vector<const TStelmarTable*> rows = TablesInOpenOrder();
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) (this->*(*row)->Table).Close();
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
