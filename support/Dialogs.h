#pragma once
// One small interface for every message box and question, so the core runs
// without a screen: the window program puts Qt dialogs behind it, the command
// line a terminal, tests a script of answers.
#include <deque>
#include <string>
#include <vector>

namespace brenvik {

enum class TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum class TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
enum class TModalResult {
  mrNone,
  mrOk,
  mrCancel,
  mrAbort,
  mrRetry,
  mrIgnore,
  mrYes,
  mrNo,
  mrAll,
  mrNoToAll,
  mrYesToAll,
  mrHelp
};
using TMsgDlgButtons = std::vector<TMsgDlgBtn>;

// What a box asks about, so that a run without an operator can tell which of
// its questions it has been told to answer.
enum class TQuestionKind {
  qkOther,             // the program's own boxes and questions
  qkSendConfirmation,  // whether to hand the generated files to KSeF now
  qkDataWarning,       // whether to go on despite a fault in Stelmar's data
};

// Polish captions of the standard dialogs ("&" marks the access key).
std::string DialogTitle(TMsgDlgType type);     // "Ostrzeżenie", "Błąd", ...
std::string ButtonCaption(TMsgDlgBtn button);  // "&Tak", "&Nie", ...
TModalResult ResultOf(TMsgDlgBtn button);
// The application's title for plain boxes.
inline const char* const AppDisplayName = "Kompletor KSEF";
// The title a box shows on screen: its own title followed by the program's
// name ("Błąd — Kompletor KSEF"), so that a box over another program's
// window says whose it is.
std::string ShownBoxTitle(const std::string& title);

struct TDialogRequest {
  std::string Title;
  std::string Text;  // may hold "\r\n" or "\r" line breaks
  TMsgDlgType Type = TMsgDlgType::mtInformation;
  TMsgDlgButtons Buttons;
  TMsgDlgBtn Default = TMsgDlgBtn::mbOK;
  TQuestionKind Kind = TQuestionKind::qkOther;
};

// A file to open or a place to save one, chosen by the operator.
struct TFileRequest {
  std::string Title;
  std::string Filter;     // "Faktury FA(3) (*.xml)"
  std::string Suggested;  // the folder or file offered first
  bool Save = false;
};

class IDialogs {
public:
  virtual ~IDialogs() = default;
  virtual TModalResult Show(const TDialogRequest& request) = 0;
  // The chosen path; empty when the operator cancels or nobody can choose.
  virtual std::string ChooseFile(const TFileRequest&) { return {}; }
};

// The process-wide dialog facility. Without one set, every question is
// answered with the default button and nothing is shown.
IDialogs* Dialogs();
void SetDialogs(IDialogs* dialogs);

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                        TMsgDlgBtn defaultButton, TQuestionKind kind = TQuestionKind::qkOther);
TModalResult MessageDlgTitled(const std::string& title, const std::string& text, TMsgDlgType type,
                              const TMsgDlgButtons& buttons, TMsgDlgBtn defaultButton,
                              TQuestionKind kind = TQuestionKind::qkOther);
// A plain box with the application's title and an "&OK" button.
void ShowMessage(const std::string& text);
// The operator's choice of a file; empty without a dialog facility.
std::string ChooseFile(const TFileRequest& request);

// Answers from a script, recording every request; when the script runs dry
// the default button is taken.
class TScriptedDialogs : public IDialogs {
public:
  TModalResult Show(const TDialogRequest& request) override;
  void Answer(TModalResult result) { FAnswers.push_back(result); }
  const std::vector<TDialogRequest>& Asked() const { return FAsked; }
  // File choices come from their own script; when it runs dry: cancelled.
  std::string ChooseFile(const TFileRequest& request) override;
  void AnswerFile(const std::string& path) { FFileAnswers.push_back(path); }
  const std::vector<TFileRequest>& FilesAsked() const { return FFilesAsked; }
  void Clear() {
    FAsked.clear();
    FAnswers.clear();
    FFilesAsked.clear();
    FFileAnswers.clear();
  }

private:
  std::deque<TModalResult> FAnswers;
  std::vector<TDialogRequest> FAsked;
  std::deque<std::string> FFileAnswers;
  std::vector<TFileRequest> FFilesAsked;
};

// Installs a dialog facility for the life of a scope.
class TDialogsScope {
public:
  explicit TDialogsScope(IDialogs* dialogs) : FPrevious(Dialogs()) { SetDialogs(dialogs); }
  ~TDialogsScope() { SetDialogs(FPrevious); }
  TDialogsScope(const TDialogsScope&) = delete;
  TDialogsScope& operator=(const TDialogsScope&) = delete;

private:
  IDialogs* FPrevious;
};

}  // namespace brenvik
