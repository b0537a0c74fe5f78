#pragma once
// A minimal working site for start-up tests: folders, the connector's .env
// and an ini whose configuration loads.
#include <string>

namespace brenvik::testing {

// Creates net/, stelmar/DATA/, ksef/, api/.env under root and returns the
// ini text (with [STELMAR] and a seller profile); extra is appended.
std::string MinimalSiteIni(const std::string& root, const std::string& extra = "");
// Writes MinimalSiteIni to root + "site.ini" and returns that path.
std::string WriteMinimalSite(const std::string& root, const std::string& extra = "");

}  // namespace brenvik::testing
