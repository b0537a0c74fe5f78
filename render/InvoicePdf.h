#pragma once
// The visualisation of an FA(3) file as a PDF on A4, in Polish, with the
// KSeF verification code.
#include <string>

#include "render/VerificationCode.h"

namespace brenvik {

struct TInvoicePdfOptions {
  // The environment's QR address (QrBaseAddressOf the connector's KSEF_BASE_URL).
  std::string QrBaseAddress = QrAddressProduction;
  // Printed under the code; empty: "OFFLINE".
  std::string KsefNumber;
};

// Reads the file through the FA(3) binding's safe loading and writes its
// PDF. Raises the loading's errors (EFOpenError, EXMLDocError) for a file
// that cannot be read or is no FA(3) invoice, and EInOutError when the PDF
// cannot be written.
void WriteInvoicePdf(const std::string& xmlPath, const std::string& pdfPath,
                     const TInvoicePdfOptions& options);

// The PDF beside a file: same folder and bare name, ".pdf".
std::string PdfPathBeside(const std::string& xmlPath);

}  // namespace brenvik
