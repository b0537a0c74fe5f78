#include "commands/InvoiceList.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "fa3/Schemat_FA3.h"
#include "commands/KsefCommands.h"
#include "fa3/XmlSafeParse.h"
#include "support/Dialogs.h"
#include "support/Errors.h"
#include "support/OperatorLog.h"
#include "support/KsefContract.h"
#include "support/Paths.h"
#include "support/TextCodec.h"
#include "warehouse/FileFiling.h"

namespace brenvik {

namespace fs = std::filesystem;

namespace {

struct TStateRow {
  TInvoiceState State;
  const char* Caption;
  const char* Key;
};

constexpr TStateRow StateRows[] = {
#define INVOICE_STATE(Id, Caption, Key) {TInvoiceState::Id, Caption, Key},
#include "commands/InvoiceStates.def"
#undef INVOICE_STATE
};

// The folders of the KSeF data in the list's order; Sent and Received keep
// their files in month folders ("yyyy-mm") once the numbers are written.
struct TFolderRow {
  const char* Folder;
  TInvoiceState State;
  bool Months;
};

constexpr TFolderRow FolderRows[] = {
    {ksef::ExportFolder, TInvoiceState::Waiting, false},
    {ksef::SentFolder, TInvoiceState::Sent, true},
    {ksef::ErrorsFolder, TInvoiceState::Refused, false},
    {ksef::ImportFolder, TInvoiceState::ReceivedWaiting, false},
    {ksef::ReceivedFolder, TInvoiceState::ReceivedMatched, true},
};

bool IsInvoiceFile(const std::string& name) {
  return SameTextAscii(ExtractFileExt(name), ".xml") &&
         !SameTextAscii(ExtractFileExt(BareFileName(name)), ".upo");
}

// The invoices directly in FOLDER, by name; a folder that cannot be read is
// a row of its own.
void ListFolder(const std::string& folder, std::vector<std::string>& files,
                std::vector<TInvoiceRow>& problems) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return;
  std::vector<std::string> found;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && IsInvoiceFile(it->path().filename().string()))
      found.push_back(it->path().string());
  }
  if (ec) {
    TInvoiceRow row;
    row.Path = folder;
    row.Reason = "Nie można odczytać folderu " + folder + ": " + ec.message();
    problems.push_back(row);
  }
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
}

std::string MonthName(TDateTime today, int monthsBack) {
  int year = DecodeDateTime(today).Year, month = DecodeDateTime(today).Month - monthsBack;
  while (month < 1) {
    month += 12;
    --year;
  }
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d", year, month);
  return text;
}

// The KSeF number a file's name carries: "<number>.xml" or "<key>_<number>.xml".
std::string KsefNumberInName(const std::string& path) {
  const std::string bare = BareFileName(path);
  const size_t n = ksef::KsefNumberLength;
  if (bare.size() < n) return {};
  const std::string tail = bare.substr(bare.size() - n);
  const bool separated = bare.size() == n || bare[bare.size() - n - 1] == '_';
  return separated && ksef::IsValidKsefNumber(tail) ? tail : std::string();
}

// The lines of a file, none when it is missing or cannot be read.
std::vector<std::string> LinesOf(const std::string& path) {
  try {
    return FileExists(path) ? ReadTextLines(path) : std::vector<std::string>();
  } catch (const Exception&) {
    return {};
  }
}

// The lines of a reason file joined into one.
std::string OneLine(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& raw : lines) {
    const std::string line = Trim(TrimControls(raw));
    if (line.empty()) continue;
    if (!out.empty()) out += "; ";
    out += line;
  }
  return out;
}

std::string Money(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

}  // namespace

const char* InvoiceStateCaption(TInvoiceState state) {
  return StateRows[static_cast<size_t>(state)].Caption;
}

const char* InvoiceStateKey(TInvoiceState state) {
  return StateRows[static_cast<size_t>(state)].Key;
}

std::optional<TInvoiceState> InvoiceStateOfKey(const std::string& key) {
  for (const TStateRow& row : StateRows)
    if (key == row.Key) return row.State;
  return std::nullopt;
}

TInvoiceList::TInvoiceList(std::string ksefDataDir, std::string sellerNip)
    : FDataDir(std::move(ksefDataDir)), FSellerNip(std::move(sellerNip)) {
  PrepareXmlParsing();  // the rows may be read on another thread
}

const TInvoiceRow& TInvoiceList::Parsed(const std::string& path) {
  struct stat st {};
  const bool present = ::stat(path.c_str(), &st) == 0;
  const long long size = present ? static_cast<long long>(st.st_size) : -1;
  const long long modified =
      present ? static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec : -1;
  TParsed& entry = FCache[path];
  if (present && entry.Size == size && entry.ModifiedNs == modified) return entry.Row;
  entry.Size = size;
  entry.ModifiedNs = modified;
  TInvoiceRow& row = entry.Row = TInvoiceRow();
  row.Path = path;
  try {
    if (!present) throw Exception("plik zniknął w trakcie odczytu");
    IXMLFaktura doc = LoadFaktura(path);
    if (!doc->HasChild("Fa")) throw Exception("brak elementu \"Fa\"");
    IXMLFaktura_Fa fa = doc->Fa();
    row.Number = fa->P_2();
    if (fa->HasChild("P_1")) row.IssueDate = FormatDateTime("yyyy-mm-dd", fa->P_1());
    if (fa->HasChild("P_15")) row.Gross = Money(fa->P_15());
    row.Currency = fa->KodWaluty();
    const std::string sellerNip = doc->Podmiot1()->DaneIdentyfikacyjne()->NIP();
    if (FSellerNip.empty() || sellerNip == FSellerNip) {
      IXMLTPodmiot2 buyer = doc->Podmiot2()->DaneIdentyfikacyjne();
      row.PartyName = buyer->Nazwa();
      // A buyer without NIP: the VAT number of another EU country, or another identifier.
      row.PartyNip = !buyer->NIP().empty()       ? buyer->NIP()
                     : !buyer->NrVatUE().empty() ? buyer->KodUE() + buyer->NrVatUE()
                                                 : buyer->NrID();
    } else {
      row.PartyName = doc->Podmiot1()->DaneIdentyfikacyjne()->Nazwa();
      row.PartyNip = sellerNip;
    }
    row.State = TInvoiceState::Waiting;  // the folder's state is set by the caller
  } catch (const std::exception& e) {
    row.State = TInvoiceState::Unreadable;
    row.Reason = e.what();
  }
  return row;
}

std::vector<TInvoiceRow> TInvoiceList::Rows(TDateTime today) {
  std::vector<TInvoiceRow> rows;
  std::vector<std::string> connectorLog;
  bool connectorLogRead = false;
  std::vector<std::string> seen;
  for (const TFolderRow& folder : FolderRows) {
    const std::string base = PathJoin(FDataDir, folder.Folder);
    std::vector<std::string> files;
    std::vector<TInvoiceRow> problems;
    ListFolder(base, files, problems);
    if (folder.Months)
      for (int back = 2; back >= 0; --back)
        ListFolder(PathJoinName(base, MonthName(today, back)), files, problems);
    rows.insert(rows.end(), problems.begin(), problems.end());
    for (const std::string& file : files) {
      seen.push_back(file);
      TInvoiceRow row = Parsed(file);
      row.KsefNumber = KsefNumberInName(file);
      if (row.State == TInvoiceState::Unreadable) {
        rows.push_back(row);
        continue;
      }
      row.State = folder.State;
      if (row.State == TInvoiceState::Refused) {
        const std::string reasonFile = ChangeFileExt(file, ".txt");
        if (FileExists(reasonFile)) {
          row.Reason = OneLine(LinesOf(reasonFile));
        } else {
          // The last line of today's connector log that names the file.
          if (!connectorLogRead) {
            connectorLog = LinesOf(
                PathJoinName(PathJoin(FDataDir, ksef::LogsFolder), ksef::ConnectorLogName(today)));
            connectorLogRead = true;
          }
          const std::string name = ExtractFileName(file);
          for (const std::string& line : connectorLog)
            if (line.find(name) != std::string::npos) row.Reason = Trim(TrimControls(line));
        }
      }
      rows.push_back(row);
    }
  }
  // Files gone from the folders leave the cache.
  std::sort(seen.begin(), seen.end());
  for (auto it = FCache.begin(); it != FCache.end();)
    it = std::binary_search(seen.begin(), seen.end(), it->first) ? std::next(it) : FCache.erase(it);
  return rows;
}

std::string MoveWaitingFileToErrors(const std::string& ksefDataDir, const std::string& path,
                                    const std::string& who, TDateTime when) {
  const std::string name = ExtractFileName(path);
  const std::string exportDir = PathJoin(ksefDataDir, ksef::ExportFolder);
  if (ExtractFilePath(path) != IncludeTrailingPathDelimiter(exportDir) || !FileExists(path))
    throw Exception("Plik " + path + " nie czeka na wysyłkę w folderze " + exportDir);
  const std::string question =
      "Przenieść plik " + name + " do folderu " + ksef::ErrorsFolder +
      "?\r\nPlik nie zostanie wysłany do KSeF. Oznaczenie dokumentu w Stelmarze zostaje bez "
      "zmian: program go nie usuwa, więc dokument nie zostanie wygenerowany ponownie, dopóki "
      "oznaczenie nie zostanie usunięte w Stelmarze.";
  if (MessageDlg(question, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbYes, TMsgDlgBtn::mbNo},
                 TMsgDlgBtn::mbNo) != TModalResult::mrYes)
    return {};
  const std::string reason = "Przeniesiono do " + std::string(ksef::ErrorsFolder) +
                             " z listy faktur przez użytkownika " + who + " " +
                             FormatDateTime("yyyy-mm-dd hh:nn:ss", when) +
                             ". Plik nie został wysłany do KSeF; oznaczenie dokumentu w Stelmarze "
                             "nie zostało zmienione.";
  const std::string moved =
      SetAsideWithReason(path, PathJoin(ksefDataDir, ksef::ErrorsFolder), reason);
  InfoLog("Plik " + name + " przeniesiono do " + moved + " (" + who + ")", llWarn);
  return moved;
}

std::string InvoiceRowsAsText(const std::vector<TInvoiceRow>& rows) {
  std::string out;
  for (const TInvoiceRow& r : rows) {
    out += std::string(InvoiceStateCaption(r.State)) + " | " + r.Number + " | " + r.IssueDate +
           " | " + r.PartyName + (r.PartyNip.empty() ? "" : " (NIP " + r.PartyNip + ")") + " | " +
           r.Gross + (r.Currency.empty() ? "" : " " + r.Currency) + " | " + r.KsefNumber + " | " +
           ExtractFileName(r.Path) + (r.Reason.empty() ? "" : " | " + r.Reason) + "\n";
  }
  return out;
}

namespace {

std::string JsonText(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::string InvoiceRowsAsJson(const std::vector<TInvoiceRow>& rows) {
  std::string out = "[";
  for (size_t i = 0; i < rows.size(); ++i) {
    const TInvoiceRow& r = rows[i];
    const std::pair<const char*, std::string> fields[] = {
        {"stan", InvoiceStateKey(r.State)},
        {"opis_stanu", InvoiceStateCaption(r.State)},
        {"plik", r.Path},
        {"numer", r.Number},
        {"data", r.IssueDate},
        {"kontrahent", r.PartyName},
        {"nip", r.PartyNip},
        {"brutto", r.Gross},
        {"waluta", r.Currency},
        {"numer_ksef", r.KsefNumber},
        {"powod", r.Reason},
    };
    out += i ? ",\n {" : "\n {";
    for (size_t k = 0; k < std::size(fields); ++k)
      out += (k ? ", " : "") + JsonText(fields[k].first) + ": " + JsonText(fields[k].second);
    out += "}";
  }
  return out + (rows.empty() ? "]\n" : "\n]\n");
}

}  // namespace brenvik
