#include "render/VerificationCode.h"

#include <cctype>

#include "support/Errors.h"
#include "support/KsefContract.h"
#include "support/KsefEnvironment.h"
#include "support/Paths.h"
#include "support/Sha256.h"

namespace brenvik {
namespace {

bool AllDigits(const std::string& text, size_t from, size_t count) {
  if (from + count > text.size()) return false;
  for (size_t i = from; i < from + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

}  // namespace

std::string QrBaseAddressOf(const std::string& ksefBaseUrl) {
  switch (KsefEnvironmentOf(ksefBaseUrl)) {
    case TKsefEnvironment::Test: return QrAddressTest;
    case TKsefEnvironment::Demo: return QrAddressDemo;
    case TKsefEnvironment::Production: break;
  }
  return QrAddressProduction;
}

std::string KsefNumberOfFile(const std::string& path) {
  std::string bare = BareFileName(path);
  const size_t dot = bare.find('.');
  if (dot != std::string::npos) bare.resize(dot);
  const size_t length = ksef::KsefNumberLength;
  // A received file is named by its number; a sent one ends with "_" and it.
  if (bare.size() >= length && ksef::IsValidKsefNumber(bare.substr(0, length)) &&
      (bare.size() == length || bare[length] == '_'))
    return bare.substr(0, length);
  const size_t underscore = bare.rfind('_');
  if (underscore != std::string::npos && ksef::IsValidKsefNumber(bare.substr(underscore + 1)))
    return bare.substr(underscore + 1);
  return {};
}

std::string InvoiceVerificationLink(const std::string& qrBaseAddress, const std::string& sellerNip,
                                    const std::string& issueDate, std::string_view fileBytes) {
  if (sellerNip.empty())
    throw EConvertError("w pliku brak NIP sprzedawcy (Podmiot1/DaneIdentyfikacyjne/NIP)");
  if (sellerNip.size() != 10 || !AllDigits(sellerNip, 0, 10))
    throw EConvertError("NIP sprzedawcy \"" + sellerNip + "\" nie ma 10 cyfr");
  if (issueDate.empty()) throw EConvertError("w pliku brak daty wystawienia (P_1)");
  if (issueDate.size() != 10 || !AllDigits(issueDate, 0, 4) || issueDate[4] != '-' ||
      !AllDigits(issueDate, 5, 2) || issueDate[7] != '-' || !AllDigits(issueDate, 8, 2))
    throw EConvertError("data wystawienia (P_1) \"" + issueDate + "\" nie jest datą RRRR-MM-DD");
  const std::string date =
      issueDate.substr(8, 2) + "-" + issueDate.substr(5, 2) + "-" + issueDate.substr(0, 4);
  std::string base = qrBaseAddress;
  while (!base.empty() && base.back() == '/') base.pop_back();
  return base + "/invoice/" + sellerNip + "/" + date + "/" + Base64UrlNoPadding(Sha256(fileBytes));
}

}  // namespace brenvik
