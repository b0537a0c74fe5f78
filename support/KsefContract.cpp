#include "support/KsefContract.h"

#include <fnmatch.h>

#include "support/DocumentKey.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

namespace brenvik {

bool MatchesMask(const std::string& name, const std::string& mask, bool ignoreCase) {
  if (ignoreCase)
    return fnmatch(AsciiLower(mask).c_str(), AsciiLower(name).c_str(), FNM_NOESCAPE) == 0;
  return fnmatch(mask.c_str(), name.c_str(), FNM_NOESCAPE) == 0;
}

namespace ksef {

std::string KsefNumberMask() {
  return std::string(10, '?') + "-" + std::string(8, '?') + "-" + std::string(12, '?') + "-" +
         std::string(2, '?');
}

std::string SentFilePattern() { return "*_" + KsefNumberMask() + ".xml"; }

std::string ExportFileName(const TInvoKey& key) { return InvoKeyToText(key) + ".xml"; }

std::string SentFilePatternOf(const std::string& keyText) {
  return keyText + "_" + KsefNumberMask() + ".xml";
}

std::string ReceiptFileName(const std::string& sentPath) {
  return ChangeFileExt(sentPath, ".upo.xml");
}

bool HasKsefNumberShape(const std::string& text) {
  if (text.size() != static_cast<size_t>(KsefNumberLength)) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 10 || i == 19 || i == 32;
    if (dash != (text[i] == '-')) return false;
  }
  return true;
}

std::string ConnectorLogName(TDateTime day) {
  return "log-" + FormatDateTime("yyyymmdd", day) + ".txt";
}

std::string ConnectorCommandLine(const std::string& connectorDir) {
  return "\"" + connectorDir + ConnectorExeName + "\"";
}

}  // namespace ksef
}  // namespace brenvik
