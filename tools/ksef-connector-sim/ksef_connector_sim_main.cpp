// KsefAPI.exe stand-in: everything is in RunConnector.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "ksef-connector-sim/KsefSim.h"

int main(int, char** argv) {
  namespace fs = std::filesystem;
  // The folder of the path it was started by: installed as a link, that is
  // the site's connector folder, not the build folder /proc/self/exe names.
  std::error_code ec;
  fs::path exe = (argv[0] && std::string(argv[0]).find('/') != std::string::npos)
                     ? fs::absolute(argv[0], ec)
                     : fs::read_symlink("/proc/self/exe", ec);
  std::string dir = exe.parent_path().string();
  return brenvik::ksefsim::RunConnector(
      dir,
      [](const std::string& name) -> std::optional<std::string> {
        const char* v = std::getenv(name.c_str());
        if (!v) return std::nullopt;
        return std::string(v);
      },
      std::cerr);
}
