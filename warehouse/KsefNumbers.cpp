#include "warehouse/KsefNumbers.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "fa3/Schemat_FA3.h"
#include "config/Config.h"
#include "warehouse/DataModule.h"
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

std::vector<std::string> SplitAt(const std::string& text, char delimiter) {
  std::vector<std::string> parts(1);
  for (char c : text) {
    if (c == delimiter)
      parts.emplace_back();
    else
      parts.back() += c;
  }
  return parts;
}

// The files of a folder itself matching the mask, in listing order.
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
  if (ec) throw EInOutError("Nie można odczytać folderu " + folder + ": " + ec.message());
  return files;
}

}  // namespace

void ParseSentFileName(const std::string& path, TInvoKey& key, std::string& ksefNumber) {
  const std::vector<std::string> parts = SplitAt(BareFileName(path), '_');
  if (parts.size() != 2) throw Exception(kBadSentName + path);
  key = ParseInvoKey(parts[0]);
  if (key.InvoType == -1) throw Exception(kBadSentName);
  ksefNumber = parts[1].substr(0, ksef::KsefNumberLength);
}

std::string KsefNumberMonthFolder(const std::string& ksefNumber) {
  if (ksefNumber.size() != static_cast<size_t>(ksef::KsefNumberLength))
    throw Exception("Niepoprawidłowy nr KSeF: " + ksefNumber);
  return ksefNumber.substr(11, 4) + "-" + ksefNumber.substr(15, 2);
}

void FileIntoFolder(const std::string& path, const std::string& folder) {
  const std::string target = PathJoin(folder, ExtractFileName(path));
  std::error_code ec;
  if (FileExists(target)) {
    // The filed copy is the one that stays.
    fs::remove(path, ec);
    if (ec) throw EInOutError("Nie można usunąć pliku " + path + ": " + ec.message());
    return;
  }
  fs::rename(path, target, ec);
  if (ec)
    throw EInOutError("Nie można przenieść pliku " + path + " do " + folder + ": " + ec.message());
}

std::string MoveAside(const std::string& path, const std::string& folder) {
  ForceFolder(folder);
  const std::string name = ExtractFileName(path);
  std::string target = PathJoin(folder, name);
  for (int n = 1; FileExists(target); ++n)
    target =
        PathJoin(folder, ChangeFileExt(name, "") + "_" + std::to_string(n) + ExtractFileExt(name));
  std::error_code ec;
  fs::rename(path, target, ec);
  if (ec)
    throw EInOutError("Nie można przenieść pliku " + path + " do " + folder + ": " + ec.message());
  return target;
}

void TDM::SetKsefInRegs() {
  FReceived.clear();  // each call parses every received file once
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
}

void TDM::ProcessKsefFiles(int mode) {
  if (mode == 0) {
    if (!FConfig.StelmarEnabled) return;
    const std::string sent = PathJoin(FConfig.KsefDataDir(), ksef::SentFolder);
    const std::vector<std::string> files = ListFiles(sent, ksef::SentFilePattern(), false);
    if (!files.empty()) tblReg.SetIndexFieldNames("Class;Year;MagId;Number");
    for (const std::string& file : files) {
      TInvoKey key;
      std::string number;
      ParseSentFileName(file, key, number);
      if (!tblReg.FindKey({key.InvoType, key.InvoYear, key.InvoMagId, key.InvoNr}))
        throw Exception("Nie znaleziono w rejestrze " + tblReg.TableName() +
                        " wpisu o kluczu: " + InvoKeyToText(key));
      tblReg.Edit();
      tblReg.FieldByName("KSeF").SetAsString(number);
      tblReg.Post();
      InfoLog("Dopisano nr KSeF: " + number +
                  " do faktury: " + tblReg.FieldByName("Document").AsString(),
              llInfo);
      const std::string month = PathJoin(sent, KsefNumberMonthFolder(number));
      ForceFolder(month);
      FileIntoFolder(file, month);
      const std::string receipt = ksef::ReceiptFileName(file);
      if (FileExists(receipt)) FileIntoFolder(receipt, month);
    }
    return;
  }
  ImportReceivedInvoices();
}

const TDM::TReceivedInvoice& TDM::ReceivedInvoice(const std::string& file) {
  auto it = FReceived.find(file);
  if (it != FReceived.end()) return it->second;
  TReceivedInvoice inv;
  inv.Number = BareFileName(file);
  try {
    if (!ksef::HasKsefNumberShape(inv.Number)) throw Exception("nazwa pliku nie jest numerem KSeF");
    IXMLFaktura doc = LoadFaktura(file);
    inv.HasFa = doc->HasChild("Fa");
    if (inv.HasFa) {
      inv.BuyerNip = doc->Podmiot2()->DaneIdentyfikacyjne()->NIP();
      inv.Kind = doc->Fa()->RodzajFaktury();
      inv.SupplierNip = doc->Podmiot1()->DaneIdentyfikacyjne()->NIP();
      inv.P2 = doc->Fa()->P_2();
    }
  } catch (const std::exception& e) {
    inv.Problem = e.what();
  }
  return FReceived.emplace(file, std::move(inv)).first->second;
}

void TDM::ImportReceivedInvoices() {
  const std::string import = PathJoin(FConfig.KsefDataDir(), ksef::ImportFolder);
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
  std::sort(everything.begin(), everything.end());
  for (const std::string& file : ListFiles(import, "*.xml", true)) {
    if (!FileExists(file)) continue;  // filed by an earlier file of this pass
    // A further file of an invoice (its receipt, say) goes with the invoice.
    const std::string bare = BareFileName(file);
    const std::string head = bare.substr(0, ksef::KsefNumberLength);
    if (!ksef::HasKsefNumberShape(bare) && ksef::HasKsefNumberShape(head) &&
        FileExists(PathJoin(import, head + ".xml")))
      continue;
    const TReceivedInvoice& inv = ReceivedInvoice(file);
    if (!inv.Problem.empty()) {
      const std::string aside =
          MoveAside(file, PathJoin(FConfig.KsefDataDir(), ksef::ErrorsFolder));
      InfoLog("Odrzucono plik " + file + " (" + inv.Problem + "); przeniesiono do " + aside,
              llError);
      continue;
    }
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
    if (tblReg.FieldByName("KSeF").AsString() != inv.Number) {
      tblReg.Edit();
      tblReg.FieldByName("KSeF").SetAsString(inv.Number);
      tblReg.Post();
      InfoLog("Dopisano nr KSeF: " + inv.Number + " do faktury: " + inv.P2, llInfo);
    }
    const std::string month = PathJoin(PathJoin(FConfig.KsefDataDir(), ksef::ReceivedFolder),
                                       KsefNumberMonthFolder(inv.Number));
    ForceFolder(month);
    // The names that begin with the number (and hold a "."), found in the sorted listing.
    for (auto it = std::lower_bound(everything.begin(), everything.end(), inv.Number);
         it != everything.end() && it->compare(0, inv.Number.size(), inv.Number) == 0; ++it) {
      const std::string other = PathJoin(import, *it);
      if (it->find('.', inv.Number.size()) != std::string::npos && FileExists(other))
        FileIntoFolder(other, month);
    }
  }
}

}  // namespace brenvik
