#pragma once
// The ini file held in memory. Reading follows the classic ini rules (trimmed
// lines, case-blind names, ";" comments and lines before the first section
// ignored); saving writes every line back, comments included, in the file's
// own encoding, through a temporary file so the ini is never half-written.
#include <optional>
#include <string>
#include <vector>

namespace brenvik {

enum class TTextEncoding { Utf8, Utf8Bom, Utf16LeBom, Utf16BeBom, Cp1250 };

// Decodes file bytes by their byte-order mark. Without one, valid UTF-8 is
// UTF-8 and a file without a single valid multi-byte UTF-8 sequence is
// Windows-1250; a file with both valid UTF-8 sequences and bytes outside
// UTF-8 (and a UTF-8 file with a mark that holds such bytes) is refused with
// EConvertError naming the file, the line and the byte's place in it.
std::string DecodeText(const std::string& bytes, TTextEncoding& encoding,
                       const std::string& fileName = "");
// Raises EConvertError naming the file for text the encoding cannot hold.
std::string EncodeText(const std::string& utf8, TTextEncoding encoding,
                       const std::string& fileName = "");
// Lines end with CRLF, LF or CR.
std::vector<std::string> SplitLines(const std::string& text);

class TIniDocument {
public:
  TIniDocument() = default;
  // Reads the whole file; a file that does not exist gives an empty document.
  // Raises EFOpenError for an unreadable file and EConvertError (naming file
  // and line) for text of mixed encodings and a section header without its
  // closing bracket.
  explicit TIniDocument(const std::string& fileName);

  std::optional<std::string> Value(const std::string& section, const std::string& key) const;
  bool SectionExists(const std::string& section) const;
  bool KeyExists(const std::string& section, const std::string& key) const {
    return Value(section, key).has_value();
  }
  // Replaces the value of an existing key in place, or adds the key at the end
  // of its section (a new section goes to the end of the file).
  void SetValue(const std::string& section, const std::string& key, const std::string& value);

  void SaveToFile(const std::string& fileName) const;
  std::string Text() const;  // the lines as they would be saved, UTF-8
  TTextEncoding Encoding() const { return FEncoding; }
  // A key or section header met again, one text each, naming the file, the
  // lines and (for a key) the value used and the value passed over: the
  // first key counts, the keys of a repeated section are read together.
  const std::vector<std::string>& Repeats() const { return FRepeats; }

private:
  enum class TKind { Other, Section, Key };
  struct TLine {
    TKind Kind = TKind::Other;
    std::string Raw;      // the line as read (or as written)
    std::string Section;  // section the line belongs to
    std::string Key;      // for keys: the name as written
    std::string Val;      // for keys: the trimmed value
  };
  void Parse(const std::string& text, const std::string& fileName);
  std::vector<TLine> FLines;
  TTextEncoding FEncoding = TTextEncoding::Utf8;
  std::string FLineBreak = "\n";
  std::vector<std::string> FRepeats;
};

}  // namespace brenvik
