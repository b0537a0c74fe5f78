#include "support/Dialogs.h"

#include <atomic>

namespace brenvik {
namespace {
std::atomic<IDialogs*> gDialogs{nullptr};
}

std::string DialogTitle(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning: return "Ostrzeżenie";
    case TMsgDlgType::mtError: return "Błąd";
    case TMsgDlgType::mtInformation: return "Informacja";
    case TMsgDlgType::mtConfirmation: return "Pytanie";
    case TMsgDlgType::mtCustom: return AppDisplayName;
  }
  return AppDisplayName;
}

std::string ButtonCaption(TMsgDlgBtn button) {
  switch (button) {
    case TMsgDlgBtn::mbYes: return "&Tak";
    case TMsgDlgBtn::mbNo: return "&Nie";
    case TMsgDlgBtn::mbOK: return "&OK";
    case TMsgDlgBtn::mbCancel: return "&Anuluj";
    case TMsgDlgBtn::mbAbort: return "Pr&zerwij";
    case TMsgDlgBtn::mbRetry: return "Powtó&rz";
    case TMsgDlgBtn::mbIgnore: return "&Ignoruj";
    case TMsgDlgBtn::mbAll: return "&Wszystko";
    case TMsgDlgBtn::mbNoToAll: return "N&ie wszyst.";
    case TMsgDlgBtn::mbYesToAll: return "&Tak wszyst.";
    case TMsgDlgBtn::mbHelp: return "&Pomoc";
  }
  return "&OK";
}

TModalResult ResultOf(TMsgDlgBtn button) {
  switch (button) {
    case TMsgDlgBtn::mbYes: return TModalResult::mrYes;
    case TMsgDlgBtn::mbNo: return TModalResult::mrNo;
    case TMsgDlgBtn::mbOK: return TModalResult::mrOk;
    case TMsgDlgBtn::mbCancel: return TModalResult::mrCancel;
    case TMsgDlgBtn::mbAbort: return TModalResult::mrAbort;
    case TMsgDlgBtn::mbRetry: return TModalResult::mrRetry;
    case TMsgDlgBtn::mbIgnore: return TModalResult::mrIgnore;
    case TMsgDlgBtn::mbAll: return TModalResult::mrAll;
    case TMsgDlgBtn::mbNoToAll: return TModalResult::mrNoToAll;
    case TMsgDlgBtn::mbYesToAll: return TModalResult::mrYesToAll;
    case TMsgDlgBtn::mbHelp: return TModalResult::mrHelp;
  }
  return TModalResult::mrNone;
}

IDialogs* Dialogs() { return gDialogs.load(); }
void SetDialogs(IDialogs* dialogs) { gDialogs.store(dialogs); }

std::string ShownBoxTitle(const std::string& title) {
  if (title.empty()) return AppDisplayName;
  if (title.find(AppDisplayName) != std::string::npos) return title;
  return title + " — " + AppDisplayName;
}

TModalResult MessageDlgTitled(const std::string& title, const std::string& text, TMsgDlgType type,
                              const TMsgDlgButtons& buttons, TMsgDlgBtn defaultButton,
                              TQuestionKind kind) {
  TDialogRequest request{title, text, type, buttons, defaultButton, kind};
  if (IDialogs* d = Dialogs()) return d->Show(request);
  return ResultOf(defaultButton);
}

TModalResult MessageDlg(const std::string& text, TMsgDlgType type, const TMsgDlgButtons& buttons,
                        TMsgDlgBtn defaultButton, TQuestionKind kind) {
  return MessageDlgTitled(DialogTitle(type), text, type, buttons, defaultButton, kind);
}

void ShowMessage(const std::string& text) {
  MessageDlgTitled(AppDisplayName, text, TMsgDlgType::mtCustom, {TMsgDlgBtn::mbOK},
                   TMsgDlgBtn::mbOK);
}

std::string ChooseFile(const TFileRequest& request) {
  if (IDialogs* d = Dialogs()) return d->ChooseFile(request);
  return {};
}

std::string TScriptedDialogs::ChooseFile(const TFileRequest& request) {
  FFilesAsked.push_back(request);
  if (FFileAnswers.empty()) return {};
  std::string path = FFileAnswers.front();
  FFileAnswers.pop_front();
  return path;
}

TModalResult TScriptedDialogs::Show(const TDialogRequest& request) {
  FAsked.push_back(request);
  if (FAnswers.empty()) return ResultOf(request.Default);
  const TModalResult r = FAnswers.front();
  FAnswers.pop_front();
  return r;
}

}  // namespace brenvik
