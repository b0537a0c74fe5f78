#include "common/TestSite.h"

#include <sys/stat.h>

#include "common/TestFiles.h"

namespace brenvik::testing {

std::string MinimalSiteIni(const std::string& root, const std::string& extra) {
  MakeDirs(root + "net");
  MakeDirs(root + "stelmar/DATA");
  MakeDirs(root + "ksef");
  MakeDirs(root + "api");
  WriteFile(root + "api/.env",
            "KSEF_NIP=5265877635\nKSEF_BASE_URL=https://ksef-test.mf.gov.pl\n"
            "KSEF_CERTIFICATE_PATH=/certs/firma.pfx\n");
  // A connector the status report finds (it ends at once, sending nothing).
  WriteFile(root + "api/KsefAPI.exe", "#!/bin/sh\nexit 0\n");
  ::chmod((root + "api/KsefAPI.exe").c_str(), 0755);
  return "[System]\nNetFileDir=" + root + "net\nCurDate=2026-04-10\n[STELMAR]\nStelmarDir=" + root +
         "stelmar\n[KSeF]\nDataDir=" + root + "ksef\nAPIConnectorExeDir=" + root +
         "api\n[Podmiot1]\nNIP=5265877635\nNazwa=Firma Testowa\n[RachunekBankowy1]\n"
         "NumerRachunku=61109010140000071219812874\n" +
         extra;
}

std::string WriteMinimalSite(const std::string& root, const std::string& extra) {
  const std::string path = root + "site.ini";
  WriteFile(path, MinimalSiteIni(root, extra));
  return path;
}

}  // namespace brenvik::testing
