#include "gui/QtDialogs.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "support/Platform.h"

namespace brenvik {
namespace {

bool Unattended() {
  const char* unattended = std::getenv("BRENVIK_NONINTERACTIVE");
  return (unattended && std::strcmp(unattended, "1") == 0) || !qApp;
}

}  // namespace

std::string TQtDialogs::ChooseFile(const TFileRequest& request) {
  if (Unattended()) {
    std::fprintf(stderr, "[%s] (bez wyboru pliku)\n", request.Title.c_str());
    return {};
  }
  const QString title = QString::fromStdString(ShownBoxTitle(request.Title));
  const QString start = QString::fromStdString(request.Suggested);
  const QString filter = QString::fromStdString(request.Filter);
  const QString path = request.Save ? QFileDialog::getSaveFileName(nullptr, title, start, filter)
                                    : QFileDialog::getOpenFileName(nullptr, title, start, filter);
  return path.toStdString();
}

TModalResult TQtDialogs::Show(const TDialogRequest& request) {
  if (Unattended()) {
    std::fprintf(stderr, "[%s] %s\n", request.Title.c_str(),
                 NormalizeLineBreaks(request.Text).c_str());
    return ResultOf(request.Default);
  }
  QMessageBox box;
  box.setWindowTitle(QString::fromStdString(ShownBoxTitle(request.Title)));
  box.setText(QString::fromStdString(NormalizeLineBreaks(request.Text)));
  switch (request.Type) {
    case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
    case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
    case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
    case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case TMsgDlgType::mtCustom: box.setIcon(QMessageBox::NoIcon); break;
  }
  std::map<QAbstractButton*, TMsgDlgBtn> buttons;
  const TMsgDlgButtons list =
      request.Buttons.empty() ? TMsgDlgButtons{TMsgDlgBtn::mbOK} : request.Buttons;
  for (TMsgDlgBtn b : list) {
    const bool reject = b == TMsgDlgBtn::mbCancel || (b == TMsgDlgBtn::mbNo && list.size() == 2) ||
                        (b == TMsgDlgBtn::mbOK && list.size() == 1);
    QPushButton* button = box.addButton(QString::fromStdString(ButtonCaption(b)),
                                        reject ? QMessageBox::RejectRole : QMessageBox::AcceptRole);
    buttons[button] = b;
    if (b == request.Default) box.setDefaultButton(button);
    if (reject) box.setEscapeButton(button);
  }
  box.exec();
  auto it = buttons.find(box.clickedButton());
  if (it == buttons.end()) return TModalResult::mrCancel;
  return ResultOf(it->second);
}

}  // namespace brenvik
