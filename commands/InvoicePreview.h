#pragma once
// The window's two ways to see an invoice: "Podgląd" writes the PDF of a
// chosen FA(3) file into the program's Tmp folder for the system's viewer,
// "Zapisz PDF..." writes it where the operator chooses. The choices go
// through the dialog facility; the renderer's Polish errors pass through.
#include <string>

namespace brenvik {

class TConfig;

// The path of the PDF written into previewDir; empty when no file was chosen.
std::string PreviewInvoice(const TConfig& config, const std::string& previewDir);
// The path of the PDF written; empty when either choice was cancelled.
std::string SaveInvoicePdf(const TConfig& config);

}  // namespace brenvik
