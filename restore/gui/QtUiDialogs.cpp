// The QtUi's modal dialogs: the message box with the Windows button sets and
// icons, the folder picker, the file open and save dialogs and the input box.
// Paths cross them as the machine's Windows paths.
#include "restore/gui/DialogFilters.h"
#include "restore/gui/FormWindow.h"
#include "restore/gui/QtUi.h"

#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vrel::restore {

namespace {

using Button = QMessageBox::StandardButton;

// The buttons of each set, in the order Windows shows them; the first is the
// default button.
std::vector<Button> buttonsOf(MsgBoxStyle style) {
  switch (style) {
    case MsgBoxStyle::OKOnly:
      return {QMessageBox::Ok};
    case MsgBoxStyle::OKCancel:
      return {QMessageBox::Ok, QMessageBox::Cancel};
    case MsgBoxStyle::AbortRetryIgnore:
      return {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore};
    case MsgBoxStyle::YesNoCancel:
      return {QMessageBox::Yes, QMessageBox::No, QMessageBox::Cancel};
    case MsgBoxStyle::YesNo:
      return {QMessageBox::Yes, QMessageBox::No};
    case MsgBoxStyle::RetryCancel:
      return {QMessageBox::Retry, QMessageBox::Cancel};
  }
  return {QMessageBox::Ok};
}

QMessageBox::Icon iconOf(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Critical:
      return QMessageBox::Critical;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Exclamation:
      return QMessageBox::Warning;
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

MsgResult resultOf(Button button, MsgBoxStyle style) {
  switch (button) {
    case QMessageBox::Ok:
      return MsgResult::OK;
    case QMessageBox::Cancel:
      return MsgResult::Cancel;
    case QMessageBox::Abort:
      return MsgResult::Abort;
    case QMessageBox::Retry:
      return MsgResult::Retry;
    case QMessageBox::Ignore:
      return MsgResult::Ignore;
    case QMessageBox::Yes:
      return MsgResult::Yes;
    case QMessageBox::No:
      return MsgResult::No;
    default:
      break;
  }
  // Closed without a button (the program is ending): the answer that
  // commits to nothing.
  switch (style) {
    case MsgBoxStyle::OKOnly:
      return MsgResult::OK;
    case MsgBoxStyle::AbortRetryIgnore:
      return MsgResult::Abort;
    case MsgBoxStyle::YesNo:
      return MsgResult::No;
    default:
      return MsgResult::Cancel;
  }
}

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

}  // namespace

MsgResult QtUi::MsgBox(const std::string& text, MsgBoxStyle buttons, MsgIcon icon, const std::string& caption) {
  unwindIfEnded();
  QMessageBox box(iconOf(icon), q(caption), q(text), QMessageBox::NoButton, dialogParent());
  box.setObjectName("msgBox");
  const std::vector<Button> set = buttonsOf(buttons);
  for (Button b : set) box.addButton(b);
  box.setDefaultButton(set.front());
  box.exec();
  const MsgResult answer = resultOf(box.standardButton(box.clickedButton()), buttons);
  unwindIfEnded();
  return answer;
}

std::string QtUi::BrowseForFolder(const std::string& title) {
  unwindIfEnded();
  QFileDialog dialog(dialogParent(), q(title), q(m_paths.toHost(WinPaths::currentFolder())));
  dialog.setObjectName("folderPicker");
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly);
  const int accepted = dialog.exec();
  unwindIfEnded();
  if (accepted != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return m_paths.toWindows(QDir::cleanPath(dialog.selectedFiles().front()).toStdString());
}

std::string QtUi::GetOpenFileName(const FileDialogOptions& options) {
  return fileDialog(options, false);
}

std::string QtUi::GetSaveFileName(const FileDialogOptions& options) {
  return fileDialog(options, true);
}

std::string QtUi::fileDialog(const FileDialogOptions& options, bool save) {
  unwindIfEnded();
  const std::string folder = options.initialFolder.empty() ? WinPaths::currentFolder() : options.initialFolder;
  QFileDialog dialog(dialogParent(), q(options.title), q(m_paths.toHost(folder)), q(qtFilter(options.filter)));
  dialog.setObjectName(save ? "saveFileDialog" : "openFileDialog");
  dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  std::string suffix = options.defaultExt;
  if (!suffix.empty() && suffix.front() == '.') suffix.erase(0, 1);
  if (!suffix.empty()) dialog.setDefaultSuffix(q(suffix));
  if (!options.fileName.empty()) {
    // A proposed name may come with its folder, as a Windows path.
    const bool withFolder = options.fileName.find_first_of("\\:") != std::string::npos;
    dialog.selectFile(q(withFolder ? m_paths.toHost(options.fileName) : options.fileName));
  }
  const int accepted = dialog.exec();
  unwindIfEnded();
  if (accepted != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return m_paths.toWindows(QDir::cleanPath(dialog.selectedFiles().front()).toStdString());
}

std::optional<std::string> QtUi::InputBox(const std::string& prompt, const std::string& title,
                                          const std::string& defaultText) {
  unwindIfEnded();
  QInputDialog dialog(dialogParent());
  dialog.setObjectName("inputBox");
  dialog.setWindowTitle(q(title.empty() ? std::string("VrelRestore") : title));
  dialog.setLabelText(q(prompt));
  dialog.setTextValue(q(defaultText));
  const int accepted = dialog.exec();
  unwindIfEnded();
  if (accepted != QDialog::Accepted) return std::nullopt;
  return dialog.textValue().toStdString();
}

}  // namespace vrel::restore
