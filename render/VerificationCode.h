#pragma once
// The KSeF verification code of an invoice (KOD I): its link, the QR address
// of the environment and the KSeF number that is printed under it.
#include <string>
#include <string_view>

namespace brenvik {

inline constexpr char QrAddressProduction[] = "https://qr.ksef.mf.gov.pl";
inline constexpr char QrAddressTest[] = "https://qr-test.ksef.mf.gov.pl";
inline constexpr char QrAddressDemo[] = "https://qr-demo.ksef.mf.gov.pl";

// The QR address of the environment of the connector's KSEF_BASE_URL: its
// host naming the test environment gives the test address, the demo
// (pre-production) one the demo address, anything else production.
std::string QrBaseAddressOf(const std::string& ksefBaseUrl);

// The KSeF number of a file from its name: a sent file "<key>_<number>.xml"
// or a received file named by its number; empty when the name carries no
// valid KSeF number.
std::string KsefNumberOfFile(const std::string& path);

// The link of KOD I: base address, "/invoice/", the seller's NIP, the issue
// date (P_1, "RRRR-MM-DD" in the file) as DD-MM-RRRR, "/", and the SHA-256
// of the file's bytes in Base64URL without padding. Raises EConvertError
// with the reason when the NIP or the date cannot give a link.
std::string InvoiceVerificationLink(const std::string& qrBaseAddress, const std::string& sellerNip,
                                    const std::string& issueDate, std::string_view fileBytes);

}  // namespace brenvik
