#pragma once
// Message boxes and questions on a terminal, for the command-line companion.
#include <cstdio>

#include "support/Dialogs.h"

namespace brenvik {

class TTerminalDialogs : public IDialogs {
public:
  // With answerYes every question that offers "&Tak" gets it. Without it a
  // question is asked on the terminal; when standard input is no terminal
  // the safe answer ("&Nie", else "&Anuluj", else the default) is taken.
  explicit TTerminalDialogs(bool answerYes, std::FILE* out = stderr, std::FILE* in = stdin);
  TModalResult Show(const TDialogRequest& request) override;

private:
  bool FAnswerYes;
  std::FILE* FOut;
  std::FILE* FIn;
};

}  // namespace brenvik
