#pragma once
// Stelmar's eleven tables, one a row: where the file is, whether it may be
// missing, its index and its link to a master table. The data module opens
// them from this table and the "tables" command lists them in its order.
#include "warehouse/DataModule.h"

namespace brenvik {

// The key of a document in the headers, lines and descriptions tables.
inline constexpr const char* DocumentKeyFields = "Type;Year;MagId;Number";

enum class TTableFolder {
  Data,    // Stelmar's DATA folder
  User,    // the customers' folder (UserDir)
  Tables,  // the TABLES folder under StelmarDir
};

enum class TTablePeriod {
  FirmWide,       // one file: "Users"
  ProgramPeriod,  // per year or per month after YearPrgTbl: "2026WI", "26_04WI"
  UserPeriod,     // per year or per month after YearUsrTbl: "2026UR", "26_04UR"
  ShortYear,      // two digits of the year: "26desc"
};

struct TStelmarTable {
  TPxTable TDM::*Table;
  const char* Name;  // the file name without its period
  TTableFolder Folder;
  TTablePeriod Period;
  bool Optional;  // opened only when its file exists
  const char* IndexFields;
  TPxDataSource TDM::*Master;  // nullptr: no link
  const char* MasterFields;
  const char* KeyFieldIfPresent;  // added to both key lists when the table has this field
  bool PendingFilter;             // filtered to the export window
  int OpenOrder;                  // the tables open in this order and close in the reverse one
  const char* Purpose;
};

inline constexpr TStelmarTable StelmarTables[] = {
    {&TDM::tblWI, "WI", TTableFolder::Data, TTablePeriod::ProgramPeriod, false, "", nullptr, "", "",
     true, 3, "nagłówki dokumentów, zawężone do okna eksportu"},
    {&TDM::tblMasterWI, "WI", TTableFolder::Data, TTablePeriod::ProgramPeriod, false,
     DocumentKeyFields, nullptr, "", "", false, 4, "nagłówki dokumentów korygowanych"},
    {&TDM::tblWT, "WT", TTableFolder::Data, TTablePeriod::ProgramPeriod, false, DocumentKeyFields,
     &TDM::dsWI, DocumentKeyFields, "", false, 5, "pozycje dokumentu"},
    {&TDM::tblW, "W", TTableFolder::Data, TTablePeriod::ProgramPeriod, false, "Group;Index",
     &TDM::dsWT, "Group;Index", "", false, 6, "towary pozycji"},
    {&TDM::tblWS, "WS", TTableFolder::Data, TTablePeriod::ProgramPeriod, false,
     "Group;Index;SeriesNo", &TDM::dsWT, "Group;Index;Series", "MagId", false, 7, "serie towarów"},
    {&TDM::tblReg, "REG", TTableFolder::Data, TTablePeriod::ProgramPeriod, false,
     "Class;Year;MagId;Number", &TDM::dsWI, DocumentKeyFields, "", false, 8,
     "rejestr sprzedaży: numery KSeF"},
    {&TDM::tblUR, "UR", TTableFolder::User, TTablePeriod::UserPeriod, false, "Number", &TDM::dsWI,
     "User", "", false, 2, "rejestr klientów okresu"},
    {&TDM::tblUsers, "Users", TTableFolder::User, TTablePeriod::FirmWide, true, "Number",
     &TDM::dsUR, "PayerNumber", "", false, 1, "płatnicy całej firmy"},
    {&TDM::tblInvoDesc, "desc", TTableFolder::Tables, TTablePeriod::ShortYear, true,
     DocumentKeyFields, &TDM::dsWI, DocumentKeyFields, "", false, 9, "opisy dokumentów"},
    {&TDM::tblUsrCars, "UsrCars", TTableFolder::Tables, TTablePeriod::FirmWide, true,
     "UserId;CarId", &TDM::dsWI, "User;CarId", "", false, 10, "samochody klientów"},
    {&TDM::tblBarcodes, "Barcodes", TTableFolder::Tables, TTablePeriod::FirmWide, true,
     "Group;Index", &TDM::dsW, "Group;Index", "", false, 11, "kody kreskowe towarów"},
};

}  // namespace brenvik
