#include "config/IniDocument.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
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

std::string ConvertOrThrow(const std::string& bytes, const std::string& from,
                           const std::string& to) {
  auto r = TryConvertText(bytes, from, to);
  if (!r) throw EConvertError("Nie można przekodować tekstu z " + from + " na " + to);
  return *r;
}

}  // namespace

std::string DecodeText(const std::string& bytes, TTextEncoding& encoding) {
  if (StartsWith(bytes, kUtf8Bom)) {
    encoding = TTextEncoding::Utf8Bom;
    return bytes.substr(3);
  }
  if (StartsWith(bytes, "\xFF\xFE")) {
    encoding = TTextEncoding::Utf16LeBom;
    return ConvertOrThrow(bytes.substr(2), "UTF-16LE", "UTF-8");
  }
  if (StartsWith(bytes, "\xFE\xFF")) {
    encoding = TTextEncoding::Utf16BeBom;
    return ConvertOrThrow(bytes.substr(2), "UTF-16BE", "UTF-8");
  }
  if (IsValidUtf8(bytes)) {
    encoding = TTextEncoding::Utf8;
    return bytes;
  }
  encoding = TTextEncoding::Cp1250;
  return CodePageToUtf8(bytes, 1250);
}

std::string EncodeText(const std::string& utf8, TTextEncoding encoding) {
  switch (encoding) {
    case TTextEncoding::Utf8: return utf8;
    case TTextEncoding::Utf8Bom: return kUtf8Bom + utf8;
    case TTextEncoding::Utf16LeBom: return "\xFF\xFE" + ConvertOrThrow(utf8, "UTF-8", "UTF-16LE");
    case TTextEncoding::Utf16BeBom: return "\xFE\xFF" + ConvertOrThrow(utf8, "UTF-8", "UTF-16BE");
    case TTextEncoding::Cp1250: return Utf8ToCodePage(utf8, 1250);
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
  std::ifstream in(fileName, std::ios::binary);
  if (!in)
    throw EFOpenError("Nie można otworzyć pliku \"" + fileName + "\". " + std::strerror(errno));
  std::ostringstream buf;
  buf << in.rdbuf();
  const std::string bytes = buf.str();
  const std::string text = DecodeText(bytes, FEncoding);
  if (text.find("\r\n") != std::string::npos) FLineBreak = "\r\n";
  Parse(text, fileName);
}

void TIniDocument::Parse(const std::string& text, const std::string& fileName) {
  std::string section;
  bool inSection = false;
  int number = 0;
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
  const std::string bytes = EncodeText(Text(), FEncoding);
  const std::string temp = fileName + ".tmp~";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out)
      throw EFOpenError("Nie można utworzyć pliku \"" + temp + "\". " + std::strerror(errno));
    out << bytes;
    out.flush();
    if (!out) {
      std::remove(temp.c_str());
      throw EInOutError("Nie można zapisać pliku \"" + temp + "\"");
    }
  }
  struct stat st {};
  if (::stat(fileName.c_str(), &st) == 0) ::chmod(temp.c_str(), st.st_mode & 07777);
  if (std::rename(temp.c_str(), fileName.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    std::remove(temp.c_str());
    throw EInOutError("Nie można zapisać pliku \"" + fileName + "\". " + why);
  }
}

}  // namespace brenvik
