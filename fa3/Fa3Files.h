#pragma once
// The life of an FA(3) document outside its content: preparing a new one,
// the form header, saving, and rewriting a saved file in its delivered
// layout (declaration of version 1.0 and encoding UTF-8, one element per
// line, indented by tabs).
#include <functional>
#include <string>

#include "fa3/Schemat_FA3.h"
#include "support/DateTime.h"

namespace brenvik {

inline constexpr char XsiNamespace[] = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr char XsdNamespace[] = "http://www.w3.org/2001/XMLSchema";

// Encoding UTF-8, auto-indentation, the parse options, tab indentation and
// the xmlns:xsi and xmlns:xsd declarations on the root (after its default
// namespace).
void InitFakturaDocument(const IXMLFaktura& faktura);

using TClock = std::function<TDateTime()>;
using TFillPodmiot1 = std::function<void(const IXMLFaktura&)>;

// The form header: KodFormularza "FA" (kodSystemowy "FA (3)", wersjaSchemy
// "1-0E"), WariantFormularza 3, DataWytworzeniaFa from two readings of the
// clock (date, then time of day) and SystemInfo "ORVA - " + the caption.
void FillNaglowek(const IXMLFaktura& faktura, const std::string& mainCaption,
                  const TClock& clock = Now);
// The header, then the seller through fillPodmiot1 (skipped when empty).
// The caption is the program's, as its window shows it.
void FillNaglowekAndPodmiot1(const IXMLFaktura& faktura, const TFillPodmiot1& fillPodmiot1,
                             const std::string& mainCaption, const TClock& clock = Now);

// Saves through the owner document (replaces the file).
void SaveFaktura(const IXMLFaktura& faktura, const std::string& path);

// Rewrites the file at path in its delivered layout and hands back in
// `faktura` a new document loaded from that file; references to nodes of the
// old document no longer reflect the file. The reload happens also when the
// rewrite fails; then the rewrite's error is raised (or the reload's, when
// that fails too). An absent document or an empty path raises
// "Błąd formatowania pliku FA3".
void ReformatFakturaFile(IXMLFaktura& faktura, const std::string& path);

}  // namespace brenvik
