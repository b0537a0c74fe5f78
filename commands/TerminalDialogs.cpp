#include "commands/TerminalDialogs.h"

#include <unistd.h>

#include <algorithm>
#include <string>

#include "support/Platform.h"
#include "support/TextCodec.h"

namespace brenvik {
namespace {

std::string Plain(const std::string& caption) {
  std::string s;
  for (char c : caption)
    if (c != '&') s += c;
  return s;
}

char AccessKey(const std::string& caption) {
  const auto pos = caption.find('&');
  const char c =
      pos != std::string::npos && pos + 1 < caption.size() ? caption[pos + 1] : caption[0];
  return AsciiLower(std::string(1, c))[0];
}

bool Has(const TMsgDlgButtons& buttons, TMsgDlgBtn b) {
  return std::find(buttons.begin(), buttons.end(), b) != buttons.end();
}

// The option that answers "Tak" to questions of the kind (none for the rest).
const char* AnsweringFlag(TQuestionKind kind) {
  switch (kind) {
    case TQuestionKind::qkSendConfirmation: return "--yes";
    case TQuestionKind::qkDataWarning: return "--accept-data-warnings";
    case TQuestionKind::qkOther: break;
  }
  return nullptr;
}

}  // namespace

TTerminalDialogs::TTerminalDialogs(const TTerminalAnswers& answers, std::FILE* out, std::FILE* in)
    : FAnswers(answers), FOut(out), FIn(in) {}

TModalResult TTerminalDialogs::Show(const TDialogRequest& request) {
  const TMsgDlgButtons buttons =
      request.Buttons.empty() ? TMsgDlgButtons{TMsgDlgBtn::mbOK} : request.Buttons;
  std::fprintf(FOut, "[%s] %s\n", request.Title.c_str(), NormalizeLineBreaks(request.Text).c_str());
  if (buttons.size() == 1) return ResultOf(buttons.front());
  const bool dataQuestion = request.Kind == TQuestionKind::qkDataWarning;
  const char* flag = AnsweringFlag(request.Kind);
  const bool covered = dataQuestion
                           ? FAnswers.DataWarnings
                           : request.Kind == TQuestionKind::qkSendConfirmation && FAnswers.Send;
  if (covered && Has(buttons, TMsgDlgBtn::mbYes)) {
    std::fprintf(FOut, "-> %s (%s)\n", Plain(ButtonCaption(TMsgDlgBtn::mbYes)).c_str(), flag);
    return TModalResult::mrYes;
  }
  if (dataQuestion && FAnswers.Send) {
    std::fprintf(FOut,
                 "-> %s (odpowiedź domyślna: --yes dotyczy tylko wysyłki; na pytania o dane "
                 "odpowiada \"Tak\" --accept-data-warnings)\n",
                 Plain(ButtonCaption(request.Default)).c_str());
    return ResultOf(request.Default);
  }
  if (!FIn || ::isatty(::fileno(FIn)) != 1) {
    TMsgDlgBtn safe = request.Default;
    if (Has(buttons, TMsgDlgBtn::mbNo))
      safe = TMsgDlgBtn::mbNo;
    else if (Has(buttons, TMsgDlgBtn::mbCancel))
      safe = TMsgDlgBtn::mbCancel;
    const std::string hint =
        flag ? std::string("; użyj ") + flag + ", aby odpowiadać \"Tak\"" : std::string();
    std::fprintf(FOut, "-> %s (brak terminala do odpowiedzi%s)\n",
                 Plain(ButtonCaption(safe)).c_str(), hint.c_str());
    return ResultOf(safe);
  }
  for (;;) {
    std::string prompt;
    for (TMsgDlgBtn b : buttons) {
      if (!prompt.empty()) prompt += " / ";
      const std::string cap = ButtonCaption(b);
      prompt += "[" + std::string(1, AccessKey(cap)) + "] " + Plain(cap);
    }
    std::fprintf(FOut, "%s (Enter: %s)? ", prompt.c_str(),
                 Plain(ButtonCaption(request.Default)).c_str());
    std::fflush(FOut);
    char line[256];
    if (!std::fgets(line, sizeof line, FIn)) return ResultOf(request.Default);
    const std::string answer = AsciiLower(TrimControls(line));
    if (answer.empty()) return ResultOf(request.Default);
    for (TMsgDlgBtn b : buttons)
      if (answer[0] == AccessKey(ButtonCaption(b))) return ResultOf(b);
  }
}

}  // namespace brenvik
