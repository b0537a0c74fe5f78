#pragma once
// Message boxes and questions of the window program, with Polish buttons.
#include "support/Dialogs.h"

namespace brenvik {

class TQtDialogs : public IDialogs {
public:
  // With BRENVIK_NONINTERACTIVE=1 in the environment (unattended runs and
  // tests) nothing is shown: the text goes to stderr and the default button
  // is the answer.
  TModalResult Show(const TDialogRequest& request) override;
  std::string ChooseFile(const TFileRequest& request) override;
};

}  // namespace brenvik
