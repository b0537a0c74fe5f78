#include "commands/StatusReport.h"

#include "commands/SiteReadiness.h"
#include "support/KsefEnvironment.h"
#include "support/OperatorLog.h"
#include "support/PolishPlural.h"
#include "warehouse/FaHeader.h"

namespace brenvik {

bool WriteStatusReport(const TConfig& cfg,
                       const std::function<void(const std::string&, TColour)>& addColoredLine,
                       const std::vector<std::string>* unsent) {
  addColoredLine("=== Status aplikacji ===", clBlack);
  addColoredLine("", clBlack);
  InfoLog("Nazwa firmy: " + cfg.PodatnikInfo.DaneIdentyfikacyjne.Nazwa, llInfo);
  InfoLog("NIP: " + cfg.APICfg.NIP, llInfo);
  const TKsefEnvironment environment = KsefEnvironmentOf(cfg.APICfg.BASE_URL);
  InfoLog(std::string("Środowisko KSeF: ") + KsefEnvironmentName(environment) + " (" +
              cfg.APICfg.BASE_URL + ")",
          environment == TKsefEnvironment::Production ? llInfo : llWarn);
  if (cfg.APIConnectorExeDir().find("Debug") != std::string::npos)
    InfoLog("Włączony Debuger", llWarn);
  // The certificate's file name may come with Windows folders.
  std::string cert = cfg.APICfg.CERTIFICATE_PATH;
  const auto slash = cert.find_last_of("/\\");
  if (slash != std::string::npos) cert = cert.substr(slash + 1);
  InfoLog("Użyty certyfikat: " + cert, llDebug);
  InfoLog("Data, od której wysyłane są dokumenty do KSeF: " + DateToStr(cfg.Send2KsefStartDate),
          llInfo);
  InfoLog("Data wysyłki: " + DateToStr(cfg.CurDate), llInfo);
  InfoLog("Liczba dni wstecz, z których sprawdzane są niewysłane dokumenty: " +
              std::to_string(cfg.DaysBackToSend),
          llInfo);
  for (const std::string& warning : cfg.Warnings()) InfoLog(warning, llWarn);
  if (unsent && !unsent->empty())
    InfoLog(UnsentBeforeWindowText(
                *unsent, ExportWindow(cfg.CurDate, cfg.DaysBackToSend, cfg.Send2KsefStartDate).DateFrom),
            llWarn);
  if (const int waiting = NumbersWaitingForWriteBack(cfg); waiting > 0) {
    constexpr TPolishNoun numbers{"numer KSeF czeka", "numery KSeF czekają", "numerów KSeF czeka"};
    InfoLog(PolishCount(waiting, numbers) +
                " na zapis w Stelmarze — użyj „Odbierz z KSEF”",
            llWarn);
  }
  std::vector<std::string> problems = StelmarFolderProblems(cfg);
  for (const std::string& p : ConnectorProblems(cfg)) problems.push_back(p);
  for (const std::string& problem : problems) InfoLog(problem, llError);
  addColoredLine("", clBlack);
  if (!problems.empty()) {
    addColoredLine("Niegotowy do pracy: popraw konfigurację ✘", clReportRed);
    return false;
  }
  addColoredLine("Gotowy do pracy ✔", clReportGreen);
  return true;
}

}  // namespace brenvik
