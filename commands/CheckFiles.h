#pragma once
// brenvik-cli check-file: the check before sending on any FA(3) files.
#include <cstdio>
#include <string>
#include <vector>

#include "config/Config.h"

namespace brenvik {

// Checks each file on its own, the duplicate rule against the site's Export
// and Sent folders, and prints every failure; 0 when all pass, 1 otherwise.
int CheckFilesOnTerminal(const TConfig& config, const std::vector<std::string>& files,
                         std::FILE* out = stdout);

}  // namespace brenvik
