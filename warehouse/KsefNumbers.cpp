#include "warehouse/KsefNumbers.h"
#include "support/SystemErrors.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "warehouse/DataModule.h"
#include "warehouse/SentFilePdf.h"
#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/Logger.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "paradox/TableFiles.h"
#include "support/TextCodec.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace {

const char* const kBadSentName =
    "Przetwarzanie wysłanych do KSeF dokumentów. Niepoprawny format nazwy pliku: ";

// The files of a folder itself matching the mask, in name order (the
// listing order of a file system is arbitrary).
std::vector<std::string> ListFiles(const std::string& folder, const std::string& mask,
                                   bool ignoreCase) {
  std::vector<std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    const std::string name = entry.path().filename().string();
    if (MatchesMask(name, mask, ignoreCase)) files.push_back(entry.path().string());
  }
  if (ec) throw EInOutError("Nie można odczytać folderu " + folder + ": " + SystemErrorText(ec));
  std::sort(files.begin(), files.end());
  return files;
}

// The names of the sorted listing that begin with the number and hold a "."
// after it: the invoice and its further files (its receipt, say).
std::vector<std::string> FilesOfNumber(const std::vector<std::string>& sortedNames,
                                       const std::string& number) {
  std::vector<std::string> names;
  for (auto it = std::lower_bound(sortedNames.begin(), sortedNames.end(), number);
       it != sortedNames.end() && it->compare(0, number.size(), number) == 0; ++it)
    if (it->find('.', number.size()) != std::string::npos) names.push_back(*it);
  return names;
}

}  // namespace

void ParseSentFileName(const std::string& path, TInvoKey& key, std::string& ksefNumber) {
  const std::string bare = BareFileName(path);
  auto refuse = [&](const std::string& why) {
    throw EFileRefused(kBadSentName + PrintableName(path) + " (" + why + ")");
  };
  const auto cut = bare.find('_');
  if (cut == std::string::npos || bare.find('_', cut + 1) != std::string::npos)
    refuse("oczekiwano: klucz dokumentu, \"_\", numer KSeF, \".xml\"");
  if (!ParseInvoKeyExact(bare.substr(0, cut), key))
    refuse("klucz dokumentu \"" + PrintableName(bare.substr(0, cut)) +
           "\" to nie cztery liczby od 0 do 32767 oddzielone \"-\"");
  ksefNumber = bare.substr(cut + 1);
  if (!ksef::IsValidKsefNumber(ksefNumber))
    refuse("\"" + PrintableName(ksefNumber) + "\" to nie poprawny numer KSeF");
}

std::string KsefNumberMonthFolder(const std::string& ksefNumber) {
  if (!ksef::IsValidKsefNumber(ksefNumber))
    throw Exception("Nieprawidłowy nr KSeF: " + PrintableName(ksefNumber));
  return ksefNumber.substr(11, 4) + "-" + ksefNumber.substr(15, 2);
}

void TDM::SetKsefInRegs() {
  FReceived.clear();  // each call parses every received file once
  FWriteBack = TWriteBackOutcome();
  struct TCloseReg {
    TPxTable& T;
    ~TCloseReg() { T.Close(); }
  } closeReg{tblReg};
  if (FConfig.StelmarEnabled) {
    // The headers table is closed here: a link to it would hide every entry.
    tblReg.SetMasterSource(nullptr);
    tblReg.SetMasterFields("");
    // Each pass orders the entries by the fields it searches (mode 0 only when
    // there is a sent file), so the table is opened in its own order.
    tblReg.SetIndexFieldNames("");
    tblReg.SetTableName(StelmarDataDir + PeriodTableName(FConfig.YearPrgTbl, "REG"));
    tblReg.Open();
    ProcessKsefFiles(0);
    ProcessKsefFiles(1);
    tblReg.Close();
  }
  if (FConfig.NeraEnabled) {
    tblReg.SetMasterSource(nullptr);
    tblReg.SetIndexFieldNames("");
    tblReg.SetMasterFields("");
    const std::string base =
        PathJoin(FConfig.NeraDir(), std::to_string(DecodeDateTime(FConfig.CurDate).Year));
    std::vector<std::string> names;
    if (TableFileExists(PathJoin(base, "REGISTER")))
      names = {"REGISTER"};
    else
      names = {"REGB", "REGB1", "REGBKOR"};
    for (const std::string& name : names) {
      tblReg.SetIndexFieldNames("");
      tblReg.SetTableName(PathJoin(base, name));
      tblReg.Open();
      ProcessKsefFiles(1);
      tblReg.Close();
    }
  }
  NameUnmatchedInvoices();
  const TWriteBackOutcome& o = FWriteBack;
  const int setAside = static_cast<int>(o.SetAside.size());
  InfoLog("Zakończono przetwarzanie plików KSeF: zapisano w Stelmarze numery KSeF faktur "
          "sprzedaży: " + std::to_string(o.SalesWritten) + ", faktur zakupu: " +
              std::to_string(o.PurchasesWritten) +
              (setAside > 0 ? "; odrzucono plików: " + std::to_string(setAside) +
                                  " (folder błędów " + ksef::ErrorsFolder +
                                  ", powody w plikach .txt)"
                            : std::string()),
          setAside > 0 ? llWarn : llInfo);
}

void TDM::NameUnmatchedInvoices() {
  // Invoices that stay in Import after every register's pass: booked nowhere yet.
  const std::string import = PathJoin(FConfig.KsefDataDir(), ksef::ImportFolder);
  const std::string sellerNip = FConfig.PodatnikInfo.DaneIdentyfikacyjne.NIP;
  std::error_code ec;
  if (!fs::is_directory(import, ec)) return;
  for (const std::string& file : ListFiles(import, "*.xml", true)) {
    const auto it = FReceived.find(file);
    if (it == FReceived.end()) continue;
    const TReceivedInvoice& inv = it->second;
    if (!inv.Problem.empty() || !inv.HasFa || inv.BuyerNip != sellerNip) continue;
    if (inv.Kind != "VAT" && inv.Kind != "KOR") continue;
    FWriteBack.Unmatched.push_back(TrimControls(inv.P2) + " (" +
                                   (inv.SupplierName.empty() ? "" : inv.SupplierName + ", ") +
                                   "NIP " + inv.SupplierNip + ")");
  }
  const int n = static_cast<int>(FWriteBack.Unmatched.size());
  if (n == 0) return;
  std::string names;
  for (const std::string& u : FWriteBack.Unmatched) names += (names.empty() ? "" : "; ") + u;
  InfoLog("Odebrane faktury zakupu bez wpisu w rejestrze (" + std::to_string(n) +
              "), czekają na zaksięgowanie: " + names,
          llWarn);
}

void TDM::ProcessKsefFiles(int mode) {
  if (mode == 0) {
    if (FConfig.StelmarEnabled) FileSentNumbers();
    return;
  }
  ImportReceivedInvoices();
}

bool TDM::StoreKsefNumber(const std::string& number, const std::string& document) {
  const std::string held = TrimControls(tblReg.FieldByName("KSeF").AsString());
  if (held == number) return false;
  // A number KSeF gave is never replaced: which of two is right, only the operator can tell.
  if (ksef::IsValidKsefNumber(held))
    throw EFileRefused("Wpis rejestru " + tblReg.TableName() + " dla faktury " + document +
                       " ma już nr KSeF " + held + "; numeru " + number +
                       " z tego pliku nie zapisano");
  tblReg.Edit();
  tblReg.FieldByName("KSeF").SetAsString(number);
  tblReg.Post();
  return true;
}

void TDM::SetFileAside(const std::string& file, const std::string& reason,
                       const std::vector<std::string>& companions) {
  const std::string errors = PathJoin(FConfig.KsefDataDir(), ksef::ErrorsFolder);
  const std::string aside = SetAsideWithReason(file, errors, reason);
  for (const std::string& other : companions)
    if (other != file && FileExists(other)) MoveAside(other, errors);
  FWriteBack.SetAside.push_back(PrintableName(ExtractFileName(file)));
  InfoLog("Odrzucono plik " + PrintableName(file) + " (" + reason + "); przeniesiono do " +
              PrintableName(aside) + ", powód w " + PrintableName(ChangeFileExt(aside, ".txt")),
          llError);
}

void TDM::FileSentNumbers() {
  const std::string sent = PathJoin(FConfig.KsefDataDir(), ksef::SentFolder);
  // A receipt whose invoice an earlier run filed, ended before the receipt followed.
  for (const std::string& receipt : ListFiles(sent, ksef::SentReceiptPattern(), false)) {
    const std::string name = ExtractFileName(receipt);
    const std::string invoice =
        name.substr(0, name.size() - std::strlen(ksef::ReceiptExt)) + ".xml";
    TInvoKey key;
    std::string number;
    try {
      ParseSentFileName(invoice, key, number);
    } catch (const EFileRefused&) {
      continue;  // its invoice, were it there, is refused with the reason
    }
    const std::string month = PathJoinName(sent, KsefNumberMonthFolder(number));
    if (FileExists(PathJoinName(sent, invoice)) || !FileExists(PathJoinName(month, invoice)))
      continue;
    InfoLog("Potwierdzenie " + name + " przeniesiono do " + FileIntoFolder(receipt, month) +
                ", obok jego faktury",
            llInfo);
  }
  const std::vector<std::string> files = ListFiles(sent, ksef::SentFilePattern(), false);
  if (!files.empty()) tblReg.SetIndexFieldNames("Class;Year;MagId;Number");
  for (const std::string& file : files) {
    const std::string receipt = ksef::ReceiptFileName(file);
    std::string number;
    try {
      TInvoKey key;
      ParseSentFileName(file, key, number);
      if (!tblReg.FindKey({key.InvoType, key.InvoYear, key.InvoMagId, key.InvoNr}))
        throw EFileRefused("Nie znaleziono w rejestrze " + tblReg.TableName() +
                           " wpisu o kluczu: " + InvoKeyToText(key));
      const std::string document = tblReg.FieldByName("Document").AsString();
      if (StoreKsefNumber(number, document)) {
        ++FWriteBack.SalesWritten;
        InfoLog("Dopisano nr KSeF: " + number + " do faktury: " + document, llInfo);
      } else {
        ++FWriteBack.SalesAlready;
        InfoLog("Nr KSeF: " + number + " faktury: " + document + " był już w rejestrze", llInfo);
      }
    } catch (const EFileRefused& e) {
      SetFileAside(file, e.what(), {receipt});
      continue;
    }
    const std::string month = PathJoinName(sent, KsefNumberMonthFolder(number));
    ForceFolder(month);
    const std::string filed = FileIntoFolder(file, month);
    if (FileExists(receipt)) FileIntoFolder(receipt, month);
    if (FConfig.PdfPoWysylce) WritePdfBesideSentFile(FConfig, filed);
  }
}

const TDM::TReceivedInvoice& TDM::ReceivedInvoice(const std::string& file) {
  auto it = FReceived.find(file);
  if (it != FReceived.end()) return it->second;
  TReceivedInvoice inv;
  inv.Number = BareFileName(file);
  try {
    if (!ksef::IsValidKsefNumber(inv.Number))
      throw Exception("nazwa pliku \"" + PrintableName(inv.Number) + "\" nie jest numerem KSeF");
    IXMLFaktura doc = LoadFaktura(file);
    inv.HasFa = doc->HasChild("Fa");
    if (inv.HasFa) {
      inv.BuyerNip = doc->Podmiot2()->DaneIdentyfikacyjne()->NIP();
      inv.Kind = doc->Fa()->RodzajFaktury();
      inv.SupplierNip = doc->Podmiot1()->DaneIdentyfikacyjne()->NIP();
      inv.SupplierName = doc->Podmiot1()->DaneIdentyfikacyjne()->Nazwa();
      inv.P2 = doc->Fa()->P_2();
    }
  } catch (const std::exception& e) {
    inv.Problem = e.what();
  }
  return FReceived.emplace(file, std::move(inv)).first->second;
}

void TDM::ImportReceivedInvoices() {
  const std::string import = PathJoin(FConfig.KsefDataDir(), ksef::ImportFolder);
  const std::string received = PathJoin(FConfig.KsefDataDir(), ksef::ReceivedFolder);
  const std::string tableName = tblReg.FilePath().empty() ? tblReg.TableName() : tblReg.FilePath();
  const bool isRegisterTable = AsciiLower(tblReg.TableName()).find("register") != std::string::npos;
  std::string fields;
  if (FConfig.NeraEnabled && FConfig.StelmarEnabled &&
      tblReg.TableName().rfind(StelmarDataDir, 0) == 0)
    fields = "Class;NIP;Document";  // Stelmar's register has no "Dokument"
  else if (FConfig.NeraEnabled)
    fields = isRegisterTable ? "RegType;NIP;DocName" : "NIP;Dokument";
  else
    fields = "Class;NIP;Document";
  // One index over the search fields for the whole pass.
  tblReg.SetIndexFieldNames(fields);
  const std::string sellerNip = FConfig.PodatnikInfo.DaneIdentyfikacyjne.NIP;
  // One listing per pass: the received files and every file of the folder,
  // for filing the further files of an invoice with it.
  std::vector<std::string> everything;
  for (const std::string& f : ListFiles(import, "*", false))
    everything.push_back(ExtractFileName(f));
  auto filesOf = [&](const std::string& number) {
    std::vector<std::string> paths;
    // Only a number is a prefix that no other invoice's name can extend.
    if (!ksef::IsValidKsefNumber(number)) return paths;
    for (const std::string& name : FilesOfNumber(everything, number))
      paths.push_back(PathJoinName(import, name));
    return paths;
  };
  for (const std::string& file : ListFiles(import, "*.xml", true)) {
    if (!FileExists(file)) continue;  // filed by an earlier file of this pass
    // A further file of an invoice (its receipt, say) goes with the invoice;
    // one whose invoice an earlier run filed goes beside it.
    const std::string bare = BareFileName(file);
    const std::string head = bare.substr(0, ksef::KsefNumberLength);
    if (bare != head && ksef::IsValidKsefNumber(head)) {
      if (FileExists(PathJoinName(import, head + ".xml"))) continue;
      const std::string month = PathJoinName(received, KsefNumberMonthFolder(head));
      if (FileExists(PathJoinName(month, head + ".xml"))) {
        InfoLog("Plik " + ExtractFileName(file) + " przeniesiono do " +
                    FileIntoFolder(file, month) + ", obok jego faktury",
                llInfo);
        continue;
      }
    }
    const TReceivedInvoice& inv = ReceivedInvoice(file);
    try {
      if (!inv.Problem.empty()) throw EFileRefused(inv.Problem);
      if (!inv.HasFa) {
        InfoLog("Pomijam: Brak elementu \"Fa\" w " + file, llWarn);
        continue;
      }
      if (inv.BuyerNip != sellerNip) {
        InfoLog("Pomijam: Faktura na innego kontrahenta (NIP: " + inv.BuyerNip + ") w " + file,
                llWarn);
        continue;
      }
      int kind;
      if (inv.Kind == "VAT")
        kind = 128;
      else if (inv.Kind == "KOR")
        kind = 129;
      else {
        InfoLog("Pomijam: Nie rozpoznano rodzaju faktury w " + file, llDebug);
        continue;
      }
      const std::string invoice = TrimControls(inv.P2);
      bool found;
      if (fields == "NIP;Dokument")
        found = tblReg.FindKey({inv.SupplierNip, invoice});
      else
        found = tblReg.FindKey({kind, inv.SupplierNip, invoice});
      if (!found) {
        InfoLog("Nie znaleziono w rejestrze " + tableName + " wpisu o numerze: " + invoice +
                    " dla kontrahenta z NIP: " + inv.SupplierNip,
                llDebug);
        continue;
      }
      if (StoreKsefNumber(inv.Number, invoice)) {
        ++FWriteBack.PurchasesWritten;
        InfoLog("Dopisano nr KSeF: " + inv.Number + " do faktury zakupu: " + inv.P2, llInfo);
      }
    } catch (const EFileRefused& e) {
      SetFileAside(file, e.what(), filesOf(inv.Number));
      continue;
    }
    const std::string month = PathJoinName(received, KsefNumberMonthFolder(inv.Number));
    ForceFolder(month);
    for (const std::string& other : filesOf(inv.Number))
      if (FileExists(other)) FileIntoFolder(other, month);
  }
}

}  // namespace brenvik
