// The export run: every pending document of the date window becomes one
// FA(3) file, checked before it enters the export folder; the register entry
// of a file that entered is marked so that it is never exported twice, and
// a refused one is left unmarked to be exported again once corrected.
#include "fa3/Fa3Files.h"
#include "warehouse/DataModule.h"
#include "warehouse/ExportCheck.h"
#include "support/Dialogs.h"
#include "support/DocumentTypes.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Logger.h"
#include "support/OperatorLog.h"
#include "warehouse/Parties.h"
#include "support/Paths.h"
#include "warehouse/TableTools.h"
#include "support/VersionInfo.h"

namespace brenvik {

namespace {

// The connector takes at most this many files from one run.
constexpr int kBatchSize = 25;

}  // namespace

void TDM::ReadDocNotSended2KSEF() {
  TExportCheck check(FConfig.KsefDataDir());
  int written = 0;
  std::vector<std::string> unsent;
  WithExportTables(
      [this] {
        ComputeExportWindowWithDaysBefore();
        InfoLog(ExportWindowLogLine(DateRange), llInfo);
      },
      [&] {
        for (tblWI.First(); !tblWI.Eof(); tblWI.Next()) {
          if (BeforeExportWindow()) {
            if (IsUnsentDocument()) unsent.push_back(tblWI.FieldByName("Name").AsString());
            continue;
          }
          const TInvoKey key = ReadInvoKey(tblWI, "Type", "Year", "MagId", "Number");
          const long long flags = tblWI.FieldByName("Flags").AsInteger();
          if (!tblReg.FindKey({key.InvoType, key.InvoYear, key.InvoMagId, key.InvoNr})) {
            ShowMessage("Brak wpisu w reg dla klucza: " + InvoKeyToText(key));
            continue;
          }
          if (!IsEligibleType(key.InvoType) || (flags & 1) != 0 ||
              !tblReg.FieldByName("KSeF").AsString().empty())
            continue;
          if (NeedsTaxpayerPrefix(key.InvoType) && FConfig.PodatnikInfo.PrefiksPodatnika.empty())
            throw Exception(
                "Brak prefixu podatnika przy wysyłce dokumentów do krajów innych niż Polska");

          IXMLFaktura faktura = NewFaktura();
          InitFakturaDocument(faktura);
          try {
            MakeFakturaFromSTELMAR(faktura, key);
          } catch (const EDocumentRefused& e) {
            check.HoldBack(ksef::ExportFileName(key), HeldBackDocument(faktura), e.Message());
            ShowMessage(e.Message());
            continue;
          }
          const std::string name = ksef::ExportFileName(key);
          const TStagedFile staged(check.StagingPath(name));
          SaveFaktura(faktura, staged.Path());
          ReformatFakturaFile(faktura, staged.Path());
          if (!check.Admit(staged.Path(), name, tblWI.FieldByName("Name").AsString())) continue;

          tblReg.Edit();
          tblReg.FieldByName("KSeF").SetAsString("-");
          tblReg.Post();

          if (++written == kBatchSize) {
            ShowMessage(
                "Wygenerowano 25 dokumentów. Kolejne wyślij następną paczką za kilka minut");
            break;
          }
        }
      });
  check.LogSummary(written);
  if (!unsent.empty()) InfoLog(UnsentBeforeWindowText(unsent, DateRange.DateFrom), llWarn);
}

void TDM::WithExportTables(const std::function<void()>& beforeOpeningHeaders,
                           const std::function<void()>& work) {
  OpenExportTables(beforeOpeningHeaders);
  try {
    work();
  } catch (...) {
    // The marks posted so far must reach the disk also when a document fails.
    try {
      CloseExportTables();
    } catch (const std::exception& e) {
      TLogger::Error(std::string("Zamykanie tabel po błędzie eksportu: ") + e.what());
    }
    throw;
  }
  CloseExportTables();
}

TReasonDocument TDM::HeldBackDocument(const IXMLFaktura& faktura) {
  TReasonDocument d{tblWI.FieldByName("Name").AsString(),
                    FormatDateTime("yyyy-mm-dd", tblWI.FieldByName("Date").AsDateTime()), ""};
  // The buyer, when the mapping got that far.
  try {
    if (faktura->HasChild("Podmiot2"))
      d.Party = faktura->Podmiot2()->DaneIdentyfikacyjne()->Nazwa();
  } catch (const std::exception&) {
  }
  return d;
}

bool TDM::BeforeExportWindow() { return tblWI.FieldByName("Date").AsDateTime() < FFilterDateFrom; }

bool TDM::IsUnsentDocument() {
  const TInvoKey key = ReadInvoKey(tblWI, "Type", "Year", "MagId", "Number");
  if ((tblWI.FieldByName("Flags").AsInteger() & 1) != 0) return false;
  return tblReg.FindKey({key.InvoType, key.InvoYear, key.InvoMagId, key.InvoNr}) &&
         tblReg.FieldByName("KSeF").AsString().empty();
}

std::vector<std::string> TDM::UnsentBeforeWindow() {
  std::vector<std::string> unsent;
  if (!FConfig.StelmarEnabled) return unsent;
  WithExportTables([this] { ComputeExportWindowWithDaysBefore(); },
                   [&] {
                     for (tblWI.First(); !tblWI.Eof(); tblWI.Next())
                       if (BeforeExportWindow() && IsUnsentDocument())
                         unsent.push_back(tblWI.FieldByName("Name").AsString());
                   });
  return unsent;
}

void TDM::MakeFakturaFromSTELMAR(const IXMLFaktura& faktura, const TInvoKey& key) {
  const std::string documentName = tblWI.FieldByName("Name").AsString();
  if (documentName.empty()) throw Exception("Brak numeru dokumentu (" + InvoKeyToText(key) + ")");
  FillNaglowekAndPodmiot1(
      faktura, [this](const IXMLFaktura& f) { FillPodmiot1(f, FConfig.PodatnikInfo); },
      ProgramCaption());
  FillPodmiot2(faktura, documentName);
  FillPodmiot3(faktura, documentName);
  FillFa(faktura, key, documentName);
  FillFaWiersze(faktura, key, (DocumentOptions() & 64) != 0);
  FillFaAdnotacje(faktura, documentName);
  FillPlatnoscAndStopka(faktura);
}

}  // namespace brenvik
