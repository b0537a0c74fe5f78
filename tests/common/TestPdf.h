#pragma once
// Reading a rendered PDF back: its text by pdftotext, its QR code by zbarimg
// over a raster of a page from pdftoppm.
#include <string>
#include <vector>

namespace brenvik::testing {

// The text of each page.
std::vector<std::string> PageTexts(const std::string& pdf);
// Words whose box leaves the A4 page or comes within 10 points of its edge.
int WordsOffPage(const std::string& pdf);
// The text of the QR code on page (from 1); workDir receives the raster.
std::string DecodeQrCode(const std::string& pdf, int page, const std::string& workDir);
// The KOD I link of an FA(3) file worked out here from its bytes: the first
// NIP (the seller's) and the first P_1 of the file.
std::string ExpectedVerificationLink(const std::string& qrBase, const std::string& xmlPath);
std::string NoSpaces(std::string text);

}  // namespace brenvik::testing
