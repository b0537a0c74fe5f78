#pragma once
// A stand-in for the KSeF connector: a shell script named like the real
// program that appends a run to the day's connector log and ends with a
// chosen code. It can wait for a gate file, so a test sees the run in progress.
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "common/TestFiles.h"
#include "fa3/Schemat_FA3.h"
#include "support/DateTime.h"
#include "support/KsefContract.h"
#include "support/Paths.h"

namespace brenvik::testing {

struct TStandIn {
  int ExitCode = 0;
  bool WithMarker = true;  // the run's first line holds "Start komunikacji"
  std::string RunText = "Wysłano faktury: 3";
  std::string Gate;  // waits until this file exists
  // Written with the start line before the wait for the gate; RunText after it.
  std::string EarlyText;
  // Shell lines run last, in the KSeF data folder: what the connector does
  // with the files (moves them to Sent as accepted, say).
  std::string Act;
};

// Writes apiDir/KsefAPI.exe; every start also appends a line to apiDir/runs.
inline void WriteConnectorStandIn(const std::string& apiDir, const std::string& ksefDataDir,
                                  const TStandIn& s) {
  const std::string log =
      PathJoin(PathJoin(ksefDataDir, ksef::LogsFolder), ksef::ConnectorLogName(Today()));
  std::string script = "#!/bin/sh\n";
  script += "echo run >> '" + PathJoin(apiDir, "runs") + "'\n";
  script += "mkdir -p '" + ExtractFilePath(log) + "'\n";
  const std::string start = s.WithMarker ? "10:00:00 Start komunikacji" : "10:00:00 Połączenie";
  if (!s.EarlyText.empty())
    script += "printf '%s\\r\\n' '" + start + "' '" + s.EarlyText + "' >> '" + log + "'\n";
  // A test that ends before the stand-in sees its gate removes the folder:
  // the stand-in then ends too, rather than hold the test's output open.
  if (!s.Gate.empty())
    script +=
        "while [ ! -e '" + s.Gate + "' ]; do [ -d '" + apiDir + "' ] || exit 1; sleep 0.02; done\n";
  script += "printf '%s\\r\\n' " + (s.EarlyText.empty() ? "'" + start + "' " : std::string()) +
            "'" + s.RunText + "' >> '" + log + "'\n";
  if (!s.Act.empty()) script += "cd '" + ksefDataDir + "' && {\n" + s.Act + "\n}\n";
  script += "exit " + std::to_string(s.ExitCode) + "\n";
  const std::string exe = PathJoin(apiDir, ksef::ConnectorExeName);
  WriteFile(exe, script);
  ::chmod(exe.c_str(), 0755);
}

// A valid KSeF number of the site's seller, told apart by i.
inline std::string ValidKsefNumber(int i) {
  char tail[16];
  std::snprintf(tail, sizeof tail, "%012X", i);
  const std::string first = "1111111111-20260410-" + std::string(tail);
  return first + "-" + ksef::KsefCheckCode(first);
}

// The smallest FA(3) file that names its invoice.
inline std::string Fa3Invoice(const std::string& number) {
  return std::string("<Faktura xmlns=\"") + Fa3Namespace + "\"><Fa><P_2>" + number +
         "</P_2></Fa></Faktura>";
}

inline int ConnectorStarts(const std::string& apiDir) {
  const std::string runs = PathJoin(apiDir, "runs");
  if (!FileExists(runs)) return 0;
  const std::string text = ReadFile(runs);
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

}  // namespace brenvik::testing
