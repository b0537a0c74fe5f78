#include "commands/InvoicePreview.h"

#include "config/Config.h"
#include "render/InvoicePdf.h"
#include "support/Dialogs.h"
#include "support/KsefContract.h"
#include "support/OperatorLog.h"
#include "support/Paths.h"
#include "warehouse/SentFilePdf.h"

namespace brenvik {
namespace {

constexpr char Fa3Filter[] = "Faktury FA(3) (*.xml)";

std::string ChooseInvoice(const TConfig& config, const std::string& title) {
  return ChooseFile({title, Fa3Filter, PathJoin(config.KsefDataDir(), ksef::SentFolder), false});
}

}  // namespace

std::string PreviewInvoice(const TConfig& config, const std::string& previewDir) {
  const std::string xml = ChooseInvoice(config, "Podgląd faktury FA(3)");
  if (xml.empty()) return {};
  ForceFolder(previewDir);
  const std::string pdf = PathJoinName(previewDir, ChangeFileExt(ExtractFileName(xml), ".pdf"));
  WriteSiteInvoicePdf(config, xml, pdf);
  InfoLog("Podgląd faktury " + xml + ": " + pdf, llInfo);
  return pdf;
}

std::string SaveInvoicePdf(const TConfig& config) {
  const std::string xml = ChooseInvoice(config, "Faktura FA(3) do zapisania jako PDF");
  if (xml.empty()) return {};
  const std::string pdf =
      ChooseFile({"Zapisz PDF faktury", "Dokumenty PDF (*.pdf)", PdfPathBeside(xml), true});
  if (pdf.empty()) return {};
  WriteSiteInvoicePdf(config, xml, pdf);
  InfoLog("Zapisano PDF faktury: " + pdf, llInfo);
  return pdf;
}

}  // namespace brenvik
