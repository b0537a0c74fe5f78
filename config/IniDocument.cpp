#include "config/IniDocument.h"
#include "support/SystemErrors.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/Errors.h"
#include "support/Logger.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace fs = std::filesystem;

namespace brenvik {
namespace {

const std::string kUtf8Bom = "\xEF\xBB\xBF";

bool StartsWith(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// The file's name for messages: "pliku <name>" or, without one, "tekstu".
std::string OfFile(const std::string& fileName) {
  return fileName.empty() ? std::string("tekstu") : "pliku " + fileName;
}

std::string ConvertOrThrow(const std::string& bytes, const std::string& from, const std::string& to,
                           const std::string& fileName) {
  auto r = TryConvertText(bytes, from, to);
  if (!r)
    throw EConvertError("Nie można przekodować " + OfFile(fileName) + " z " + from + " na " + to);
  return *r;
}

[[noreturn]] void RaiseMixedText(const std::string& bytes, size_t offset, size_t skipped,
                                 const std::string& fileName, const std::string& why) {
  const TTextPosition pos = PositionOf(bytes, offset);
  char hex[8];
  std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(bytes[offset]));
  throw EConvertError("Nie można odczytać " + OfFile(fileName) + ": " + why + " W wierszu " +
                      std::to_string(pos.Line) + ", w bajcie " +
                      std::to_string(pos.Column + (pos.Line == 1 ? skipped : 0)) +
                      " tego wiersza jest bajt " + hex +
                      " spoza UTF-8. Zapisz plik w całości w UTF-8.");
}

// The file a name stands for: a symbolic link (or a chain of them) is
// followed, so that saving replaces the link's target and keeps the link.
std::string SymlinkTarget(const std::string& fileName) {
  fs::path p(fileName);
  std::error_code ec;
  for (int hops = 0; hops < 40 && fs::is_symlink(fs::symlink_status(p, ec)); ++hops) {
    const fs::path link = fs::read_symlink(p, ec);
    if (ec) break;
    p = link.is_absolute() ? link : p.parent_path() / link;
  }
  return p.string();
}

std::string ReadWholeFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  if (!in)
    throw EFOpenError("Nie można otworzyć pliku \"" + fileName + "\". " + SystemErrorText(errno));
  std::ostringstream buf;
  buf << in.rdbuf();
  return buf.str();
}

// The temporary file of a save: closed, and removed unless it was renamed.
struct TTempFile {
  int Fd;
  std::string Path;
  ~TTempFile() {
    Close();
    if (!Path.empty()) std::remove(Path.c_str());
  }
  void Close() {
    if (Fd >= 0) ::close(Fd);
    Fd = -1;
  }
};

}  // namespace

std::string DecodeText(const std::string& bytes, TTextEncoding& encoding,
                       const std::string& fileName) {
  if (StartsWith(bytes, kUtf8Bom)) {
    const std::string text = bytes.substr(3);
    if (auto bad = ScanUtf8(text).FirstInvalid)
      RaiseMixedText(text, *bad, 3, fileName, "plik ma znacznik UTF-8, a nie jest cały w UTF-8.");
    encoding = TTextEncoding::Utf8Bom;
    return text;
  }
  if (StartsWith(bytes, "\xFF\xFE")) {
    encoding = TTextEncoding::Utf16LeBom;
    return ConvertOrThrow(bytes.substr(2), "UTF-16LE", "UTF-8", fileName);
  }
  if (StartsWith(bytes, "\xFE\xFF")) {
    encoding = TTextEncoding::Utf16BeBom;
    return ConvertOrThrow(bytes.substr(2), "UTF-16BE", "UTF-8", fileName);
  }
  const TUtf8Scan scan = ScanUtf8(bytes);
  if (!scan.FirstInvalid) {
    encoding = TTextEncoding::Utf8;
    return bytes;
  }
  if (scan.HasMultiByte)
    RaiseMixedText(bytes, *scan.FirstInvalid, 0, fileName,
                   "plik ma mieszane kodowanie (znaki UTF-8 obok znaków w innej stronie kodowej).");
  encoding = TTextEncoding::Cp1250;
  if (auto text = TryCodePageToUtf8(bytes, 1250)) return *text;
  throw EConvertError("Nie można odczytać " + OfFile(fileName) +
                      ": tekst nie jest ani w UTF-8, ani w stronie kodowej 1250");
}

std::string EncodeText(const std::string& utf8, TTextEncoding encoding,
                       const std::string& fileName) {
  switch (encoding) {
    case TTextEncoding::Utf8: return utf8;
    case TTextEncoding::Utf8Bom: return kUtf8Bom + utf8;
    case TTextEncoding::Utf16LeBom:
      return "\xFF\xFE" + ConvertOrThrow(utf8, "UTF-8", "UTF-16LE", fileName);
    case TTextEncoding::Utf16BeBom:
      return "\xFE\xFF" + ConvertOrThrow(utf8, "UTF-8", "UTF-16BE", fileName);
    case TTextEncoding::Cp1250:
      if (auto bytes = TryUtf8ToCodePage(utf8, 1250)) return *bytes;
      for (const std::string& line : SplitLines(utf8))
        if (!TryUtf8ToCodePage(line, 1250))
          throw EConvertError("Nie można zapisać " + OfFile(fileName) +
                              " w stronie kodowej 1250: wiersz \"" + line +
                              "\" ma znaki spoza tej strony kodowej");
      throw EConvertError("Nie można zapisać " + OfFile(fileName) + " w stronie kodowej 1250");
  }
  return utf8;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string current;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(current);
      current.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      current += c;
    }
  }
  if (!current.empty()) lines.push_back(current);
  return lines;
}

TIniDocument::TIniDocument(const std::string& fileName) {
  std::error_code ec;
  if (!fs::exists(fs::path(fileName), ec)) return;
  const std::string bytes = ReadWholeFile(fileName);
  const std::string text = DecodeText(bytes, FEncoding, fileName);
  if (text.find("\r\n") != std::string::npos) FLineBreak = "\r\n";
  Parse(text, fileName);
}

void TIniDocument::Parse(const std::string& text, const std::string& fileName) {
  std::string section;
  bool inSection = false;
  int number = 0;
  std::map<std::string, int> firstSection;  // by upper-case name: the header's line
  std::map<std::string, std::pair<int, std::string>> firstKey;  // section/key: line, value
  for (const std::string& raw : SplitLines(text)) {
    ++number;
    TLine line;
    line.Raw = raw;
    const std::string t = Trim(raw);
    if (!t.empty() && t[0] == '[') {
      if (t.back() != ']')
        throw EConvertError("Błąd w pliku konfiguracyjnym " + fileName + ", wiersz " +
                            std::to_string(number) + ": brak \"]\" w nagłówku sekcji: " + t);
      section = Trim(t.substr(1, t.size() - 2));
      inSection = true;
      const auto [first, fresh] = firstSection.emplace(AsciiUpper(section), number);
      if (!fresh)
        FRepeats.push_back("Sekcja [" + section + "] powtarza się w pliku " + fileName +
                           " (wiersze " + std::to_string(first->second) + " i " +
                           std::to_string(number) + "); klucze obu części czytane są razem");
      line.Kind = TKind::Section;
      line.Section = section;
    } else if (inSection && !t.empty() && t[0] != ';') {
      const auto eq = t.find('=');
      if (eq == std::string::npos) {
        TLogger::Log(llWarn, "Pominięto wiersz " + std::to_string(number) + " pliku " + fileName +
                                 " (brak znaku \"=\"): " + t);
      } else {
        line.Kind = TKind::Key;
        line.Section = section;
        line.Key = Trim(t.substr(0, eq));
        line.Val = Trim(t.substr(eq + 1));
        const auto [first, fresh] = firstKey.emplace(
            AsciiUpper(section) + "\n" + AsciiUpper(line.Key), std::make_pair(number, line.Val));
        if (!fresh)
          FRepeats.push_back(
              "W sekcji [" + section + "] klucz " + line.Key + " powtarza się w pliku " + fileName +
              " (wiersze " + std::to_string(first->second.first) + " i " + std::to_string(number) +
              "); pominięto wartość \"" + line.Val + "\", użyto: \"" + first->second.second + "\"");
      }
    }
    if (line.Kind == TKind::Other) line.Section = inSection ? section : std::string();
    FLines.push_back(std::move(line));
  }
}

std::optional<std::string> TIniDocument::Value(const std::string& section,
                                               const std::string& key) const {
  for (const TLine& l : FLines)
    if (l.Kind == TKind::Key && SameTextAscii(l.Section, section) && SameTextAscii(l.Key, key))
      return l.Val;
  return std::nullopt;
}

bool TIniDocument::SectionExists(const std::string& section) const {
  for (const TLine& l : FLines)
    if (l.Kind == TKind::Section && SameTextAscii(l.Section, section)) return true;
  return false;
}

void TIniDocument::SetValue(const std::string& section, const std::string& key,
                            const std::string& value) {
  for (TLine& l : FLines) {
    if (l.Kind == TKind::Key && SameTextAscii(l.Section, section) && SameTextAscii(l.Key, key)) {
      l.Val = value;
      l.Raw = l.Key + "=" + value;
      return;
    }
  }
  TLine added;
  added.Kind = TKind::Key;
  added.Section = section;
  added.Key = key;
  added.Val = value;
  added.Raw = key + "=" + value;
  // After the last key (or the header) of the last block of that section.
  std::optional<size_t> anchor;
  for (size_t i = 0; i < FLines.size(); ++i) {
    const TLine& l = FLines[i];
    if ((l.Kind == TKind::Section || l.Kind == TKind::Key) && SameTextAscii(l.Section, section))
      anchor = i;
  }
  if (anchor) {
    FLines.insert(FLines.begin() + static_cast<std::ptrdiff_t>(*anchor + 1), std::move(added));
    return;
  }
  if (!FLines.empty() && !Trim(FLines.back().Raw).empty()) FLines.push_back(TLine{});
  TLine header;
  header.Kind = TKind::Section;
  header.Section = section;
  header.Raw = "[" + section + "]";
  FLines.push_back(std::move(header));
  FLines.push_back(std::move(added));
}

std::string TIniDocument::Text() const {
  std::string out;
  for (const TLine& l : FLines) out += l.Raw + FLineBreak;
  return out;
}

void TIniDocument::SaveToFile(const std::string& fileName) const {
  const std::string target = SymlinkTarget(fileName);
  const std::string bytes = EncodeText(Text(), FEncoding, target);
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && ReadWholeFile(target) == bytes) return;  // nothing would change
  if (exists && ::access(target.c_str(), W_OK) != 0)
    throw EInOutError("Nie można zapisać pliku \"" + target + "\". " + SystemErrorText(errno));
  const std::string temp = target + ".tmp~";
  const int fd =
      ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, exists ? 0600 : 0666);
  if (fd < 0)
    throw EFOpenError("Nie można utworzyć pliku \"" + temp + "\". " + SystemErrorText(errno));
  TTempFile owner{fd, temp};
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      throw EInOutError("Nie można zapisać pliku \"" + temp + "\". " + SystemErrorText(errno));
    done += static_cast<size_t>(n);
  }
  if (exists && (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
      ::fchown(fd, st.st_uid, st.st_gid) != 0)
    TLogger::Log(llWarn, "Nie zachowano właściciela pliku " + target + ": " + SystemErrorText(errno));
  // The file keeps its mode; a new one gets the usual mode under the umask.
  if ((exists && ::fchmod(fd, st.st_mode & 07777) != 0) || ::fsync(fd) != 0)
    throw EInOutError("Nie można zapisać pliku \"" + temp + "\". " + SystemErrorText(errno));
  owner.Close();
  if (std::rename(temp.c_str(), target.c_str()) != 0)
    throw EInOutError("Nie można zapisać pliku \"" + target + "\". " + SystemErrorText(errno));
  owner.Path.clear();  // renamed: nothing left to remove
}

}  // namespace brenvik
