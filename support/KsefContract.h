#pragma once
// What this program passes to the KSeF connector and what it relies on from
// it: the one place that knows the connector's file names and patterns.
#include <string>
#include <string_view>

#include "support/DateTime.h"

namespace brenvik {

struct TInvoKey;

namespace ksef {

inline constexpr char ConnectorExeName[] = "KsefAPI.exe";
inline constexpr char EnvFileName[] = ".env";
inline constexpr char ExportFolder[] = "Export";
inline constexpr char SentFolder[] = "Sent";
inline constexpr char ImportFolder[] = "Import";
inline constexpr char ReceivedFolder[] = "Received";
inline constexpr char LogsFolder[] = "Logs";
inline constexpr char ErrorsFolder[] = "Errors";
// The line with which every connector run begins its part of the day's log.
inline constexpr char RunStartMarker[] = "Start komunikacji";

inline constexpr int ExitSuccess = 0;
inline constexpr int ExitSendError = 1;
inline constexpr int ExitDuplicates = 440;

inline constexpr int KsefNumberLength = 35;
// The shape of a KSeF number inside a file-name pattern: groups of 10, 8,
// 12 and 2 "?" joined by "-".
std::string KsefNumberMask();
// Every sent file: "*_" + the number mask + ".xml".
std::string SentFilePattern();

// "%d-%d-%d-%d.xml" of the document key.
std::string ExportFileName(const TInvoKey& key);
// The sent-file pattern of one document: its key text, "_", the number mask, ".xml".
std::string SentFilePatternOf(const std::string& keyText);
inline constexpr char ReceiptExt[] = ".upo.xml";
// The receipt beside a sent file: ".xml" replaced by ".upo.xml".
std::string ReceiptFileName(const std::string& sentPath);
// Every receipt of a sent file: "*_" + the number mask + ".upo.xml".
std::string SentReceiptPattern();
// 35 characters in groups of 10, 8, 12 and 2 joined by "-" (any characters in the groups).
bool HasKsefNumberShape(const std::string& text);
// The check of a KSeF number: CRC-8 (polynomial 0x07, initial value 0, no
// reflection, no final XOR) of its first 32 characters, as 2 upper-case
// hexadecimal characters.
std::string KsefCheckCode(std::string_view first32);
// A number as KSeF issues it: the shape, a 10-digit NIP, an 8-digit date,
// 12 upper-case hexadecimal characters and the check of those 32 characters.
bool IsValidKsefNumber(const std::string& number);
// The connector's log of a day: "log-" + yyyymmdd + ".txt" (name only).
std::string ConnectorLogName(TDateTime day);
// The full command line: the executable's full path in double quotes, nothing else.
std::string ConnectorCommandLine(const std::string& connectorDir);

}  // namespace ksef

// File-name matching with "*" and "?" (case-sensitive unless told otherwise).
bool MatchesMask(const std::string& name, const std::string& mask, bool ignoreCase = false);

}  // namespace brenvik
