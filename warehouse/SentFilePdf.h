#pragma once
// The PDF of an invoice once KSeF has numbered it, beside its sent file.
#include <string>

namespace brenvik {

class TConfig;

// The QR address of the site's connector (KSEF_BASE_URL of its .env, read
// with the configuration).
std::string SiteQrBaseAddress(const TConfig& config);

// Writes the PDF of an FA(3) file of the site with the KSeF number its name
// carries (none: "OFFLINE"); raises the renderer's Polish errors.
void WriteSiteInvoicePdf(const TConfig& config, const std::string& xmlPath,
                         const std::string& pdfPath);

// The PDF beside a sent file just filed in its month folder. The number is
// in the register already: a PDF that cannot be written is a warning line,
// never a failed write-back.
void WritePdfBesideSentFile(const TConfig& config, const std::string& filedXml);

}  // namespace brenvik
