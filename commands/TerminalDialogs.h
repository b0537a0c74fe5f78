#pragma once
// Message boxes and questions on a terminal, for the command-line companion.
#include <cstdio>

#include "support/Dialogs.h"

namespace brenvik {

// The questions the command line was told to answer "Tak" to.
struct TTerminalAnswers {
  bool Send = false;          // --yes: the confirmation of sending
  bool DataWarnings = false;  // --accept-data-warnings: faults in Stelmar's data
};

class TTerminalDialogs : public IDialogs {
public:
  // A question of a kind the answers cover gets "&Tak". With --yes a question
  // about the data that --accept-data-warnings does not cover takes its
  // default answer: the run is unattended and must not let a fault through.
  // Any other question is asked on the terminal; when standard input is no
  // terminal the safe answer ("&Nie", else "&Anuluj", else the default) is
  // taken.
  explicit TTerminalDialogs(const TTerminalAnswers& answers, std::FILE* out = stderr,
                            std::FILE* in = stdin);
  TModalResult Show(const TDialogRequest& request) override;

private:
  TTerminalAnswers FAnswers;
  std::FILE* FOut;
  std::FILE* FIn;
};

}  // namespace brenvik
