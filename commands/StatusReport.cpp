#include "commands/StatusReport.h"

#include "support/OperatorLog.h"

namespace brenvik {

void WriteStatusReport(const TConfig& cfg,
                       const std::function<void(const std::string&, TColour)>& addColoredLine) {
  addColoredLine("=== Status aplikacji ===", clBlack);
  addColoredLine("", clBlack);
  InfoLog("Nazwa firmy: " + cfg.PodatnikInfo.DaneIdentyfikacyjne.Nazwa, llInfo);
  InfoLog("NIP: " + cfg.APICfg.NIP, llInfo);
  if (cfg.APICfg.BASE_URL.find("demo") != std::string::npos)
    InfoLog("Środowisko testowe: " + cfg.APICfg.BASE_URL, llWarn);
  else
    InfoLog("Środowisko: " + cfg.APICfg.BASE_URL, llInfo);
  if (cfg.APIConnectorExeDir().find("Debug") != std::string::npos)
    InfoLog("Włączony Debuger", llWarn);
  // The certificate's file name may come with Windows folders.
  std::string cert = cfg.APICfg.CERTIFICATE_PATH;
  const auto slash = cert.find_last_of("/\\");
  if (slash != std::string::npos) cert = cert.substr(slash + 1);
  InfoLog("Użyty certyfikat: " + cert, llDebug);
  InfoLog("Data od której będą wysyłane dokumenty do KSeF: " + DateToStr(cfg.Send2KsefStartDate),
          llInfo);
  InfoLog("Data wysyłki: " + DateToStr(cfg.CurDate), llInfo);
  InfoLog("Zakres dni (wstecz) za jaki będą sprawdzane niewysłane dokumenty: " +
              std::to_string(cfg.DaysBackToSend),
          llInfo);
  addColoredLine("", clBlack);
  addColoredLine("Gotowy do pracy ✔", clReportGreen);
}

}  // namespace brenvik
