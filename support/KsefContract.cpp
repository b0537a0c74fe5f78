#include "support/KsefContract.h"

#include <fnmatch.h>

#include <cstdio>

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
  return ChangeFileExt(sentPath, ReceiptExt);
}

std::string SentReceiptPattern() { return "*_" + KsefNumberMask() + ReceiptExt; }

bool HasKsefNumberShape(const std::string& text) {
  if (text.size() != static_cast<size_t>(KsefNumberLength)) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool dash = i == 10 || i == 19 || i == 32;
    if (dash != (text[i] == '-')) return false;
  }
  return true;
}

std::string KsefCheckCode(std::string_view first32) {
  unsigned crc = 0;
  for (unsigned char b : first32) {
    crc ^= b;
    for (int i = 0; i < 8; ++i) crc = (crc & 0x80) ? ((crc << 1) ^ 0x07) & 0xFF : (crc << 1) & 0xFF;
  }
  char buf[3];
  std::snprintf(buf, sizeof buf, "%02X", crc);
  return buf;
}

bool IsValidKsefNumber(const std::string& number) {
  if (!HasKsefNumberShape(number)) return false;
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  auto upperHex = [&](char c) { return digit(c) || (c >= 'A' && c <= 'F'); };
  for (size_t i = 0; i < 19; ++i)
    if (i != 10 && !digit(number[i])) return false;
  for (size_t i = 20; i < 32; ++i)
    if (!upperHex(number[i])) return false;
  return number.substr(33) == KsefCheckCode(std::string_view(number).substr(0, 32));
}

std::string ConnectorLogName(TDateTime day) {
  return "log-" + FormatDateTime("yyyymmdd", day) + ".txt";
}

std::string ConnectorCommandLine(const std::string& connectorDir) {
  return "\"" + connectorDir + ConnectorExeName + "\"";
}

}  // namespace ksef
}  // namespace brenvik
