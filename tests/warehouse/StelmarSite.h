#pragma once
// A Stelmar site for tests: tables built from fixture JSON under
// root + "stelmar/" and a configuration pointed at them, for the working
// date 2026-04-10 with five days back and sending from 2026-04-01.
#include <string>

#include "config/Config.h"

namespace brenvik::testing {

void BuildStelmarSite(const std::string& json, const std::string& root, TConfig& config);

}  // namespace brenvik::testing
