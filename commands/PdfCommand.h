#pragma once
// brenvik-cli pdf: the PDF of FA(3) files, or of every invoice filed in
// Sent today.
#include <string>
#include <vector>

namespace brenvik {

class TConfig;

inline constexpr char SentTodayOption[] = "--sent-today";

// "FILE.xml [OUT.pdf]" or "--sent-today"; prints the path of every PDF
// written and returns 0, or prints the Polish reason and returns 1.
int PdfOnTerminal(const TConfig& config, const std::vector<std::string>& operands);

}  // namespace brenvik
