#include "ksef-connector-sim/KsefSim.h"

#include <libxml/tree.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <sstream>
#include <thread>
#include <vector>

#include "fa3/Fa3Validate.h"
#include "preflight/Preflight.h"
#include "support/DateTime.h"
#include "support/Errors.h"
#include "config/IniDocument.h"
#include "support/KsefContract.h"
#include "ksef-connector-sim/KsefNumber.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace fs = std::filesystem;

namespace brenvik::ksefsim {

namespace {

constexpr char StateFileName[] = "ksef-connector-sim.state";

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw EFOpenError("Nie można otworzyć pliku \"" + path + "\"");
  std::ostringstream buf;
  buf << in.rdbuf();
  return buf.str();
}

void WriteAllAtomically(const std::string& path, const std::string& bytes) {
  const std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    out << bytes;
    out.flush();
    if (!out) throw EInOutError("Nie można zapisać pliku \"" + tmp + "\"");
  }
  std::error_code ec;
  fs::rename(tmp, path, ec);
  if (ec) throw EInOutError("Nie można zapisać pliku \"" + path + "\": " + ec.message());
}

// .env lines: the first line whose name before "=" matches (case-blind) wins.
class TEnv {
public:
  explicit TEnv(const std::string& path) {
    TTextEncoding enc;
    FLines = SplitLines(DecodeText(ReadAll(path), enc));
  }
  std::optional<std::string> Value(const std::string& name) const {
    for (const std::string& line : FLines) {
      auto eq = line.find('=');
      if (eq != std::string::npos && SameTextAscii(line.substr(0, eq), name))
        return line.substr(eq + 1);
    }
    return std::nullopt;
  }

private:
  std::vector<std::string> FLines;
};

std::optional<int> ParseInt(const std::string& text) {
  const std::string t = Trim(text);
  if (t.empty()) return std::nullopt;
  try {
    size_t pos = 0;
    long v = std::stol(t, &pos, 10);
    if (pos != t.size() || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
    return static_cast<int>(v);
  } catch (...) {
    return std::nullopt;
  }
}

// State lines: "A\t<nip>\t<kind>\t<p2>\t<number>" accepted ("A\t<nip>\t<p2>\t<number>"
// from before the kind was kept: a duplicate of any kind), "I\t<inbox file>\t<number>" delivered.
struct TState {
  std::map<TInvoiceIdentity, std::string> Accepted;
  std::map<std::pair<std::string, std::string>, std::string> AcceptedOfAnyKind;
  std::map<std::string, std::string> Delivered;
  std::set<std::string> Numbers;

  static std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : line) {
      if (c == '\t') {
        parts.push_back(cur);
        cur.clear();
      } else
        cur += c;
    }
    parts.push_back(cur);
    return parts;
  }
  void Load(const std::string& path) {
    if (!FileExists(path)) return;
    int n = 0;
    for (const std::string& line : SplitLines(ReadAll(path))) {
      ++n;
      if (line.empty()) continue;
      auto p = Split(line);
      if (p.size() == 5 && p[0] == "A") {
        Accepted[{p[1], p[2], p[3]}] = p[4];
        Numbers.insert(p[4]);
      } else if (p.size() == 4 && p[0] == "A") {
        AcceptedOfAnyKind[{p[1], p[2]}] = p[3];
        Numbers.insert(p[3]);
      } else if (p.size() == 3 && p[0] == "I") {
        Delivered[p[1]] = p[2];
        Numbers.insert(p[2]);
      } else {
        // A damaged state would forget duplicates: refuse to work on it.
        throw EConvertError("Uszkodzony plik stanu symulatora \"" + path + "\", wiersz " +
                            std::to_string(n));
      }
    }
  }
  void Save(const std::string& path) const {
    std::string text;
    for (const auto& [id, number] : Accepted)
      text += "A\t" + id.SellerNip + "\t" + id.Kind + "\t" + id.P2 + "\t" + number + "\n";
    for (const auto& [key, number] : AcceptedOfAnyKind)
      text += "A\t" + key.first + "\t" + key.second + "\t" + number + "\n";
    for (const auto& [file, number] : Delivered) text += "I\t" + file + "\t" + number + "\n";
    WriteAllAtomically(path, text);
  }
  // The number under which an invoice of that identity was accepted; nullptr when none.
  const std::string* AcceptedAs(const TInvoiceIdentity& id) const {
    if (auto it = Accepted.find(id); it != Accepted.end()) return &it->second;
    if (auto it = AcceptedOfAnyKind.find({id.SellerNip, id.P2}); it != AcceptedOfAnyKind.end())
      return &it->second;
    return nullptr;
  }
  std::string NewNumber(const std::string& nip, const std::string& date) {
    for (;;) {
      std::string n = MakeKsefNumber(nip, date, RandomHex12());
      if (Numbers.insert(n).second) return n;
    }
  }
};

class TRunLog {
public:
  explicit TRunLog(const std::string& path) : FOut(path, std::ios::binary | std::ios::app) {
    if (!FOut) throw EFOpenError("Nie można otworzyć dziennika \"" + path + "\"");
  }
  void Line(const std::string& text) {
    FOut << FormatDateTime("yyyy-mm-dd hh:nn:ss", Now()) << " " << text << "\n";
    FOut.flush();
  }

private:
  std::ofstream FOut;
};

// Why KSeF would refuse the file, beyond being a duplicate (empty when it
// would not); the identity read from it.
std::string CheckInvoice(const std::string& path, const TPreflightContext& context,
                         TInvoiceIdentity& identity, bool& duplicate) {
  const TPreflightResult result = PreflightFile(path, context);
  identity = result.Identity;
  duplicate = false;
  std::vector<const TPreflightFailure*> faults;
  for (const TPreflightFailure& f : result.Failures) {
    if (f.Rule->Id == TPreflightRuleId::Duplicate)
      duplicate = true;
    else
      faults.push_back(&f);
  }
  if (!faults.empty()) {
    std::string text = PreflightFailureLine(*faults.front());
    if (faults.size() > 1) text += " (i " + std::to_string(faults.size() - 1) + " innych błędów)";
    return text;
  }
  if (!identity.Complete())
    return "brak NIP sprzedawcy, rodzaju faktury (RodzajFaktury) lub numeru (P_2)";
  return {};
}

std::string Escaped(const std::string& s) {
  xmlChar* e = xmlEncodeSpecialChars(nullptr, reinterpret_cast<const xmlChar*>(s.c_str()));
  std::string r = e ? reinterpret_cast<const char*>(e) : "";
  xmlFree(e);
  return r;
}

std::string Receipt(const std::string& number, const std::string& file, const TInvoiceIdentity& f) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Potwierdzenie>\n  <NumerKSeF>" + number +
         "</NumerKSeF>\n  <DataPrzyjecia>" + FormatDateTime("yyyy-mm-ddThh:nn:ss", Now()) +
         "</DataPrzyjecia>\n  <NazwaPliku>" + Escaped(file) + "</NazwaPliku>\n  <NIPSprzedawcy>" +
         f.SellerNip + "</NIPSprzedawcy>\n  <NumerFaktury>" + Escaped(f.P2) +
         "</NumerFaktury>\n</Potwierdzenie>\n";
}

std::vector<fs::path> XmlFiles(const std::string& folder) {
  std::vector<fs::path> files;
  if (!FolderExists(folder)) return files;
  for (const auto& e : fs::directory_iterator(folder))
    if (e.is_regular_file() && SameTextAscii(e.path().extension().string(), ".xml"))
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

struct TSettings {
  std::string DataDir, Nip, SchemaDir, Inbox;
  std::optional<int> ExitCode;
  int DelayMs = 0;
};

int Work(const TSettings& s, TRunLog& log) {
  const std::string statePath = PathJoin(s.DataDir, StateFileName);
  const std::string exportDir = PathJoin(s.DataDir, ksef::ExportFolder);
  const std::string sentDir = PathJoin(s.DataDir, ksef::SentFolder);
  const std::string importDir = PathJoin(s.DataDir, ksef::ImportFolder);
  const std::string date = FormatDateTime("yyyymmdd", Today());
  TState state;
  state.Load(statePath);
  fs::create_directories(sentDir);
  fs::create_directories(importDir);
  // The schema once for the run, as KSeF holds it.
  std::unique_ptr<TFa3Schema> schema;
  if (!s.SchemaDir.empty()) schema = std::make_unique<TFa3Schema>(s.SchemaDir);
  TKnownInvoices known;
  for (const auto& [id, number] : state.Accepted) known.Add(id, "KSeF (nr " + number + ")");
  const TPreflightContext context{schema.get(), Today(), &known};
  bool invalid = false, duplicate = false;
  for (const fs::path& file : XmlFiles(exportDir)) {
    const std::string name = file.filename().string();
    TInvoiceIdentity id;
    bool known440 = false;
    std::string why = CheckInvoice(file.string(), context, id, known440);
    if (why.empty() && !s.Nip.empty() && id.SellerNip != s.Nip)
      why = "NIP sprzedawcy " + id.SellerNip + " inny niż NIP sesji " + s.Nip;
    if (!why.empty()) {
      invalid = true;
      log.Line("Odrzucono (błąd): " + name + " - " + why);
      continue;
    }
    const std::string* number = state.AcceptedAs(id);
    if (known440 || number) {
      duplicate = true;
      log.Line("Odrzucono (duplikat, kod 440): " + name + " - faktura " + id.Kind + " " + id.P2 +
               " sprzedawcy " + id.SellerNip + " przyjęta wcześniej" +
               (number ? " jako " + *number : std::string()));
      continue;
    }
    const std::string accepted = state.NewNumber(id.SellerNip, date);
    const std::string sent = PathJoin(sentDir, BareFileName(name) + "_" + accepted + ".xml");
    const std::string receipt = ksef::ReceiptFileName(sent);
    WriteAllAtomically(receipt, Receipt(accepted, name, id));
    std::error_code ec;
    fs::rename(file, sent, ec);
    if (ec) {
      fs::remove(receipt);
      throw EInOutError("Nie można przenieść pliku \"" + file.string() + "\": " + ec.message());
    }
    state.Accepted[id] = accepted;
    known.Add(id, "KSeF (nr " + accepted + ")");
    state.Save(statePath);
    log.Line("Przyjęto: " + name + " nr KSeF: " + accepted);
  }
  if (!s.Inbox.empty()) {
    if (!FolderExists(s.Inbox)) throw EArgumentException("Brak folderu SIM_INBOX: " + s.Inbox);
    const TPreflightContext inboxContext{schema.get(), Today(), nullptr};
    for (const fs::path& file : XmlFiles(s.Inbox)) {
      const std::string name = file.filename().string();
      if (state.Delivered.count(name)) continue;
      TInvoiceIdentity id;
      bool unused = false;
      std::string why = CheckInvoice(file.string(), inboxContext, id, unused);
      if (!why.empty()) {
        log.Line("Pominięto w skrzynce: " + name + " - " + why);
        continue;
      }
      const std::string number = state.NewNumber(id.SellerNip, date);
      WriteAllAtomically(PathJoin(importDir, number + ".xml"), ReadAll(file.string()));
      state.Delivered[name] = number;
      state.Save(statePath);
      log.Line("Pobrano: " + name + " jako " + number + ".xml");
    }
  }
  return invalid ? ksef::ExitSendError : duplicate ? ksef::ExitDuplicates : ksef::ExitSuccess;
}

}  // namespace

int RunConnector(const std::string& exeDir, const TEnvLookup& environment, std::ostream& err) {
  TSettings s;
  try {
    const std::string envPath = PathJoin(exeDir, ksef::EnvFileName);
    if (!FileExists(envPath)) throw EFOpenError("Brak pliku ustawień " + envPath);
    TEnv env(envPath);
    auto folder = [&](const char* key) {
      auto v = env.Value(key);
      return v && !v->empty() ? PathJoin(exeDir, *v) : std::string();
    };
    s.DataDir = folder("BASE_DIR_PATH");
    if (s.DataDir.empty()) throw EArgumentException("Brak BASE_DIR_PATH w " + envPath);
    if (!FolderExists(s.DataDir))
      throw EArgumentException("Brak folderu BASE_DIR_PATH: " + s.DataDir);
    s.Nip = Trim(env.Value("KSEF_NIP").value_or(""));
    s.SchemaDir = folder("SIM_SCHEMA_DIR");
    s.Inbox = folder("SIM_INBOX");
    auto setting = [&](const char* key) {
      auto v = environment(key);
      return v ? v : env.Value(key);
    };
    if (auto v = setting("SIM_EXIT_CODE"); v && !Trim(*v).empty()) {
      s.ExitCode = ParseInt(*v);
      if (!s.ExitCode) throw EConvertError("Niepoprawna wartość SIM_EXIT_CODE: " + *v);
    }
    if (auto v = setting("SIM_DELAY_MS"); v && !Trim(*v).empty()) {
      auto d = ParseInt(*v);
      if (!d || *d < 0) throw EConvertError("Niepoprawna wartość SIM_DELAY_MS: " + *v);
      s.DelayMs = *d;
    }
  } catch (const std::exception& e) {
    err << "ksef-connector-sim: " << e.what() << std::endl;
    return ksef::ExitSendError;
  }
  try {
    const std::string logDir = PathJoin(s.DataDir, ksef::LogsFolder);
    fs::create_directories(logDir);
    TRunLog log(PathJoin(logDir, ksef::ConnectorLogName(Today())));
    log.Line(std::string(ksef::RunStartMarker) + " (symulator KSeF, bez połączenia z serwerem)");
    int code = ksef::ExitSendError;
    try {
      if (s.DelayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(s.DelayMs));
      if (s.ExitCode) {
        code = *s.ExitCode;
        log.Line("Wymuszony kod zakończenia (SIM_EXIT_CODE): " + std::to_string(code));
      } else {
        code = Work(s, log);
      }
    } catch (const std::exception& e) {
      log.Line(std::string("Błąd: ") + e.what());
      code = ksef::ExitSendError;
    }
    log.Line("Koniec komunikacji, kod zakończenia: " + std::to_string(code));
    return code;
  } catch (const std::exception& e) {
    err << "ksef-connector-sim: " << e.what() << std::endl;
    return ksef::ExitSendError;
  }
}

}  // namespace brenvik::ksefsim
