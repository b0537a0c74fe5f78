#pragma once
// The program's own log: one UTF-8 file a day, one CRLF-ended line a message,
// set aside under a time-stamped name when it reaches its size limit.
// Lines logged before the logger is configured are held in memory: the first
// Configure writes them into the configured log, WriteHeldLines (for a
// start-up that failed before that) into the default place, "Logs" in the
// current folder.
#include <cstdint>
#include <functional>
#include <string>

#include "support/DateTime.h"

namespace brenvik {

enum TLogLevel { llDebug, llInfo, llWarn, llError };

class TLogger {
public:
  TLogger() = delete;

  // Empty or non-positive arguments keep the current value. Ends the holding
  // of lines: those held are written (when enabled) or dropped (when not).
  static void Configure(const std::string& dir, const std::string& name, std::int64_t maxBytes);
  // Ends the holding of lines where no configuration came: the lines held
  // are written to the current (default) place.
  static void WriteHeldLines();
  static bool Configured();
  static void SetEnabled(bool flag);
  static bool Enabled();
  static void Log(TLogLevel level, const std::string& message);
  static void Info(const std::string& message) { Log(llInfo, message); }
  static void Error(const std::string& message) { Log(llError, message); }
  static void EnsureDir();

  static std::string LogDir();
  static std::string LogName();
  static std::int64_t MaxBytes();
  static std::string CurrentFileName();

  // The parts of a line, exposed for the report texts and tests.
  static std::string LevelName(TLogLevel level);
  static std::string ThreadIdText(long tid);
  static std::string FormatLine(TDateTime when, TLogLevel level, long tid,
                                const std::string& message);

  // Tests replace the clock and the last resort (which otherwise ends the process).
  static void SetClock(std::function<TDateTime()> clock);
  static void SetLastResort(std::function<void(const std::string& text)> handler);
  static void RestoreDefaults();  // the state of module initialization, holding lines

private:
  static void RotateIfNeeded(const std::string& file);
  static void AppendLine(const std::string& file, const std::string& line);
  static void WriteLine(const std::string& line);
  static void EndHolding();
};

// Size of a file in bytes, 0 when it does not exist.
std::int64_t FileSizeOf(const std::string& path);

}  // namespace brenvik
