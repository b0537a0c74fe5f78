#include "warehouse/SentFilePdf.h"

#include "config/Config.h"
#include "render/InvoicePdf.h"
#include "render/VerificationCode.h"
#include "support/Errors.h"
#include "support/OperatorLog.h"

namespace brenvik {

std::string SiteQrBaseAddress(const TConfig& config) {
  return QrBaseAddressOf(config.APICfg.BASE_URL);
}

void WriteSiteInvoicePdf(const TConfig& config, const std::string& xmlPath,
                         const std::string& pdfPath) {
  TInvoicePdfOptions options;
  options.QrBaseAddress = SiteQrBaseAddress(config);
  options.KsefNumber = KsefNumberOfFile(xmlPath);
  WriteInvoicePdf(xmlPath, pdfPath, options);
}

void WritePdfBesideSentFile(const TConfig& config, const std::string& filedXml) {
  const std::string pdf = PdfPathBeside(filedXml);
  try {
    WriteSiteInvoicePdf(config, filedXml, pdf);
    InfoLog("Zapisano PDF faktury: " + pdf, llInfo);
  } catch (const Exception& e) {
    InfoLog("Nie zapisano PDF faktury " + filedXml + ": " + e.what(), llWarn);
  }
}

}  // namespace brenvik
