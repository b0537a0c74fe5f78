#pragma once
// The data module: the program's only door to Stelmar's tables. One engine
// session and one table object per table, wired by master/detail links so
// that standing on a document in the headers table brings its lines,
// register entry, customer, payer, descriptions and car into view.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/Config.h"
#include "support/Countries.h"
#include "support/DateTime.h"
#include "warehouse/FaHeader.h"
#include "warehouse/KsefNumbers.h"
#include "warehouse/ReasonFiles.h"
#include "support/DocumentKey.h"
#include "fa3/Schemat_FA3.h"
#include "paradox/Table.h"

namespace brenvik {

struct TStelmarTable;

// The folder in Tmp that holds one site's copies of tables: named after the
// site's Stelmar folder (Nera's without Stelmar), its path with each
// character that a file name cannot hold as "_" (its last 120), then "-" and
// the first 8 hexadecimal digits of the SHA-256 of the whole path.
std::string SiteBackupFolderName(const std::string& stelmarDir);

class TDM {
public:
  // DataModuleCreate: the session's folders (the private folder "Tmp" under
  // the program's folder is created, the copies of tables go to the site's
  // folder in it, SiteBackupFolderName), Stelmar's document folder checked
  // ("Folder %s nie istnieje"), then Connect.
  TDM(const TConfig& config, const std::string& programDir);
  ~TDM();  // DataModuleDestroy: Disconnect
  TDM(const TDM&) = delete;
  TDM& operator=(const TDM&) = delete;

  void Connect();
  // Begins an operator's command: the copies of tables it makes count as one run.
  void StartRun() { Session.StartRun(); }
  void Disconnect();
  const TConfig& Config() const { return FConfig; }

  // Opening for an export run. beforeOpeningHeaders runs after the headers
  // table has been named and before it is opened (the run computes its date
  // window there); without it the window is computed silently.
  void OpenExportTables(const std::function<void()>& beforeOpeningHeaders = {});
  // Saves the register's pending changes, then closes every table; also
  // after a failure. Never raises for a table that is not open.
  void CloseExportTables();
  // The export window from CurDate, DaysBackToSend and Send2KsefStartDate.
  void ComputeExportWindow();
  void SetExportWindow(TDateTime dateFrom, TDateTime dateTo);

  void FilterPendingDocument(TPxTable& dataSet, bool& accept);

  TPxTable& BuyerTable();
  int BuyerOptions();     // "Options" of the buyer's record (low 16 bits, signed)
  int DocumentOptions();  // "Options" of the document header
  bool IsBuyerJST();
  bool IsBuyerGV();
  bool IsBuyerRelated();

  // export run: every pending document of the window into one FA(3) file
  // of the export folder (at most 25 a run), its register entry marked "-";
  // a file that fails the check before sending goes to Errors unmarked.
  void ReadDocNotSended2KSEF();
  // The due documents before the export window (from Send2KsefStartDate)
  // that never went to KSeF: unmarked, their register entry without a mark.
  std::vector<std::string> UnsentBeforeWindow();
  // The whole invoice of the document on which the headers table stands.
  void MakeFakturaFromSTELMAR(const IXMLFaktura& faktura, const TInvoKey& key);

  // parties: the buyer and the recipient from the customer data
  void FillPodmiot2(const IXMLFaktura& faktura, const std::string& documentName);
  void FillPodmiot3(const IXMLFaktura& faktura, const std::string& documentName);

  // header, totals, annotations and correction data of Fa
  void FillFa(const IXMLFaktura& faktura, const TInvoKey& key, const std::string& documentName);
  // The corrected invoice's sent file; raises when the corrected document is missing.
  bool FindCorrectedSentFile(std::string& path);
  // "KSeF" of the register entry of the document on which tblMasterWI
  // stands; empty when it has no entry.
  std::string CorrectedRegisterMark();
  // The annotations, after the buyer and the lines: the register's flags,
  // the split-payment rule and the [Zwolnienie] basis. Raises
  // EDocumentRefused for exempt supply without a basis.
  void FillFaAdnotacje(const IXMLFaktura& faktura, const std::string& documentName);

  // lines, payment, descriptions, footer
  void FillFaWiersze(const IXMLFaktura& faktura, const TInvoKey& key, bool grossPricing);
  void AddDodatkowyOpis(const IXMLFaktura_Fa& fa, const TInvoKey& key);
  void AddDodatkowyOpisFromInvoDesc(const IXMLFaktura_Fa& fa);
  std::string GetCarNrRej(int user, int car);
  void FillPlatnoscAndStopka(const IXMLFaktura& faktura);

  // write-back and import: the KSeF numbers of sent files into Stelmar's
  // register, then received invoices into the registers that booked them.
  void SetKsefInRegs();
  const TWriteBackOutcome& WriteBackOutcome() const { return FWriteBack; }
  void ProcessKsefFiles(int mode);

  // Table names of the working date.
  std::string PeriodTableName(bool yearly, const std::string& suffix) const;
  std::string InvoDescTableName() const;
  // The file of a row of StelmarTables (warehouse/StelmarTables.h) for the working date.
  std::string TableFileName(const TStelmarTable& row) const;

  TPxSession Session{"Session"};
  TPxTable tblWI{&Session, "tblWI"};
  TPxTable tblMasterWI{&Session, "tblMasterWI"};
  TPxTable tblWT{&Session, "tblWT"};
  TPxTable tblW{&Session, "tblW"};
  TPxTable tblWS{&Session, "tblWS"};
  TPxTable tblReg{&Session, "tblReg"};
  TPxTable tblUR{&Session, "tblUR"};
  TPxTable tblUsers{&Session, "tblUsers"};
  TPxTable tblInvoDesc{&Session, "tblInvoDesc"};
  TPxTable tblUsrCars{&Session, "tblUsrCars"};
  TPxTable tblBarcodes{&Session, "tblBarcodes"};
  TPxDataSource dsWI{&tblWI};
  TPxDataSource dsWT{&tblWT};
  TPxDataSource dsW{&tblW};
  TPxDataSource dsUR{&tblUR};

  std::string StelmarDataDir;
  std::string PrivateDir;
  std::string BackupDir;  // the site's folder in PrivateDir
  TDateRange DateRange;
  TDateTime FFilterDateFrom;
  TDateTime FFilterDateToExcl;
  TDateTime FScanDateFrom;  // the headers read: the window, or with the due days before it
  // The window, and the headers from Send2KsefStartDate on.
  void ComputeExportWindowWithDaysBefore();
  // Opens the export tables, does the work, and closes them also when it fails.
  void WithExportTables(const std::function<void()>& beforeOpeningHeaders,
                        const std::function<void()>& work);
  // The document on which tblWI stands, as a held-back reason file names it.
  TReasonDocument HeldBackDocument(const IXMLFaktura& faktura);
  // The header on which tblWI stands is dated before the export window.
  bool BeforeExportWindow();
  // ... and is due but never went: unmarked, its register entry without a mark.
  bool IsUnsentDocument();
  // The sale kind the buyer makes: a VAT payer of another EU state
  // intra-EU, any other foreign buyer export, a Polish one domestic.
  TSaleKind FBuyerSale = skDomestic;
  // The firm-wide users table exists: the buyer records and their option
  // bits then follow its layout (set when the export tables are opened).
  bool UsersTableExists = false;
  bool InvoDescExists = false;
  bool UsrCarsExists = false;
  bool BarcodesExists = false;

private:
  struct TReceivedInvoice {
    std::string Number, Problem, BuyerNip, Kind, SupplierNip, SupplierName, P2;
    bool HasFa = false;
  };
  const TReceivedInvoice& ReceivedInvoice(const std::string& file);
  void ImportReceivedInvoices();
  // The received invoices left in Import after every pass, into the outcome.
  void NameUnmatchedInvoices();
  void FileSentNumbers();
  // Writes the number into the register entry on which tblReg stands; false
  // when it holds that number already. An entry holding another KSeF number
  // keeps it: raises EFileRefused naming both numbers and the document.
  bool StoreKsefNumber(const std::string& number, const std::string& document);
  // The file (and its further files) into Errors with the reason, llError.
  void SetFileAside(const std::string& file, const std::string& reason,
                    const std::vector<std::string>& companions);
  TWriteBackOutcome FWriteBack;  // of the last SetKsefInRegs run
  std::map<std::string, TReceivedInvoice> FReceived;
  void ApplyCodePage();
  // The flag that tells whether an optional table's file exists; nullptr for the others.
  bool* ExistsFlag(const TStelmarTable& row);
  const TConfig& FConfig;
};

}  // namespace brenvik
