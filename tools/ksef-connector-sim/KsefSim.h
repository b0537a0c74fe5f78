#pragma once
// A stand-in for the KSeF connector (installed as KsefAPI.exe): it honours the
// connector's start, files, log and exit codes and talks to no server.
//
// Settings: the .env in the executable's folder (first line whose name before
// its first "=" matches, case-blind; value unchanged): BASE_DIR_PATH (KSeF
// data folder, required), KSEF_NIP (when set, an invoice of another seller is
// refused as invalid), SIM_SCHEMA_DIR (FA(3) schema folder; files are then
// validated against it too), SIM_INBOX (folder of purchase invoices to deliver into Import),
// SIM_EXIT_CODE and SIM_DELAY_MS (the process environment wins over the .env).
// Relative folders are taken from the executable's folder.
//
// Log: appended to Logs/log-yyyymmdd.txt of the KSeF data folder, UTF-8, one
// line per event "yyyy-mm-dd hh:nn:ss <text>": first "Start komunikacji ...",
// then "Przyjęto: <file> nr KSeF: <number>", "Odrzucono (błąd): <file> - ...",
// "Odrzucono (duplikat, kod 440): <file> - ...", "Pobrano: <inbox file> jako <number>.xml",
// and last "Koniec komunikacji, kod zakończenia: N".
//
// Each file is checked as KSeF checks an arriving invoice (preflight/, the
// schema once a run when SIM_SCHEMA_DIR is set). Exit code: 1 if any
// exported file is refused for another reason than being a duplicate (it
// stays in Export, the reason in the log) or the run failed, else 440 if any
// was a duplicate of an invoice accepted before, in this run or an earlier
// one (same seller NIP, RodzajFaktury and P_2; it stays in Export too), else 0. Valid files are
// still accepted beside invalid or duplicate ones. SIM_EXIT_CODE skips all file work and ends with
// that code. Numbers carry the run's local date; their 12 hex characters are random and never
// repeat a number the state file knows. State (accepted invoices, delivered inbox files):
// "ksef-connector-sim.state" in the KSeF data folder, a path no listing of the program matches.
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace brenvik::ksefsim {

using TEnvLookup = std::function<std::optional<std::string>(const std::string&)>;

// The whole run: reads exeDir/.env, works, returns the exit code. Setup
// problems (no .env, no BASE_DIR_PATH, bad numbers) go to err with code 1.
int RunConnector(const std::string& exeDir, const TEnvLookup& environment, std::ostream& err);

}  // namespace brenvik::ksefsim
