#include "restore/gui/QtUi.h"

#include "restore/gui/FormWindow.h"
#include "restore/gui/tests/QtTestSupport.h"
#include "restore/gui/tests/TestForm.h"
#include "restore/shell/frmAbout.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using restore::ControlKind;
using restore::MsgBoxStyle;
using restore::MsgIcon;
using restore::MsgResult;

class QtUiTest : public ::testing::Test {
 protected:
  void SetUp() override { qtApp(); }
  std::string host(const std::string& win) { return p.ui.paths().toHost(win); }
  QtProgram p;
};

struct BoxCase {
  const char* name;
  MsgBoxStyle style;
  MsgIcon icon;
  QMessageBox::StandardButtons buttons;
  QMessageBox::StandardButton press;
  QMessageBox::Icon qtIcon;
  MsgResult answer;
};

class MessageBoxes : public QtUiTest, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxes, ShowTheButtonSetAndReturnThePressedOne) {
  const BoxCase& c = GetParam();
  QMessageBox::StandardButtons shown;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString caption, text;
  QAbstractButton* defaultButton = nullptr;
  whenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shown = box->standardButtons();
    icon = box->icon();
    caption = box->windowTitle();
    text = box->text();
    defaultButton = box->defaultButton();
    box->button(c.press)->click();
  });
  const MsgResult answer = p.ui.MsgBox("Are you sure?\nReally?", c.style, c.icon, "WARNING");
  EXPECT_EQ(answer, c.answer);
  EXPECT_EQ(shown, c.buttons);
  EXPECT_EQ(icon, c.qtIcon);
  EXPECT_EQ(caption, "WARNING");
  EXPECT_EQ(text, "Are you sure?\nReally?");
  EXPECT_NE(defaultButton, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageBoxes,
    ::testing::Values(BoxCase{"OKOnly", MsgBoxStyle::OKOnly, MsgIcon::None, QMessageBox::Ok, QMessageBox::Ok,
                              QMessageBox::NoIcon, MsgResult::OK},
                      BoxCase{"OKCancelCancelled", MsgBoxStyle::OKCancel, MsgIcon::Exclamation,
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Cancel, QMessageBox::Warning,
                              MsgResult::Cancel},
                      BoxCase{"AbortRetryIgnoreIgnored", MsgBoxStyle::AbortRetryIgnore, MsgIcon::Critical,
                              QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore, QMessageBox::Ignore,
                              QMessageBox::Critical, MsgResult::Ignore},
                      BoxCase{"YesNoCancelNo", MsgBoxStyle::YesNoCancel, MsgIcon::Question,
                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::No,
                              QMessageBox::Question, MsgResult::No},
                      BoxCase{"YesNoYes", MsgBoxStyle::YesNo, MsgIcon::Information, QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::Yes, QMessageBox::Information, MsgResult::Yes},
                      BoxCase{"RetryCancelRetry", MsgBoxStyle::RetryCancel, MsgIcon::Critical,
                              QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Retry, QMessageBox::Critical,
                              MsgResult::Retry}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtUiTest, MessageBoxDefaultIsTheFirstWindowsButton) {
  struct Case {
    MsgBoxStyle style;
    QMessageBox::StandardButton first;
  };
  for (const Case c : {Case{MsgBoxStyle::YesNo, QMessageBox::Yes}, Case{MsgBoxStyle::RetryCancel, QMessageBox::Retry},
                       Case{MsgBoxStyle::AbortRetryIgnore, QMessageBox::Abort}}) {
    QMessageBox::StandardButton defaulted = QMessageBox::NoButton;
    whenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      defaulted = box->standardButton(box->defaultButton());
      box->defaultButton()->click();
    });
    p.ui.MsgBox("text", c.style, MsgIcon::None, "VrelRestore");
    EXPECT_EQ(defaulted, c.first);
  }
}

TEST_F(QtUiTest, FolderPickerAnswersTheMachinePathOrNothing) {
  p.scratch.files().createFolder("C:\\Backups\\Orvix");
  bool dirsOnly = false;
  whenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dirsOnly = dialog->fileMode() == QFileDialog::Directory && dialog->testOption(QFileDialog::ShowDirsOnly);
    dialog->setDirectory(QString::fromStdString(host("C:\\Backups\\Orvix")));
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
  });
  EXPECT_EQ(p.ui.BrowseForFolder(""), "C:\\Backups\\Orvix");
  EXPECT_TRUE(dirsOnly);

  whenModal([](QWidget* modal) { qobject_cast<QFileDialog*>(modal)->reject(); });
  EXPECT_EQ(p.ui.BrowseForFolder(""), "");
}

TEST_F(QtUiTest, OpenDialogStartsInTheFolderAndFiltersAnyCase) {
  p.scratch.files().createFolder("C:\\Maps");
  p.scratch.files().writeAll("C:\\Maps\\aliases.csv", "OLD_ALIAS,NEW_ALIAS\r\n");
  QString folder;
  QStringList filters;
  whenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    folder = dialog->directory().absolutePath();
    filters = dialog->nameFilters();
    dialog->selectFile("aliases.csv");
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
  });
  restore::FileDialogOptions options;
  options.title = "Alias mapping file";
  options.filter = "*.CSV";
  options.initialFolder = "C:\\Maps";
  EXPECT_EQ(p.ui.GetOpenFileName(options), "C:\\Maps\\aliases.csv");
  EXPECT_EQ(folder.toStdString(), host("C:\\Maps"));
  ASSERT_EQ(filters.size(), 1);
  EXPECT_TRUE(filters.front().contains("*.csv"));
}

TEST_F(QtUiTest, SaveDialogAddsTheDefaultExtension) {
  p.scratch.files().createFolder("C:\\Out");
  whenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    dialog->selectFile("unmatched");
    static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides it
  });
  restore::FileDialogOptions options;
  options.defaultExt = ".CSV";
  options.initialFolder = "C:\\Out";
  EXPECT_EQ(p.ui.GetSaveFileName(options), "C:\\Out\\unmatched.CSV");
}

TEST_F(QtUiTest, InputBoxReturnsTheTextOrNothing) {
  QString label, preset;
  whenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<QInputDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    label = dialog->labelText();
    preset = dialog->textValue();
    dialog->setTextValue("jsmith");
    dialog->accept();
  });
  EXPECT_EQ(p.ui.InputBox("Alias to search for:", "Search", "j"), "jsmith");
  EXPECT_EQ(label, "Alias to search for:");
  EXPECT_EQ(preset, "j");

  whenModal([](QWidget* modal) { qobject_cast<QInputDialog*>(modal)->reject(); });
  EXPECT_EQ(p.ui.InputBox("Alias:", "Search", ""), std::nullopt);
}

TEST_F(QtUiTest, HourglassIsOneOverrideCursorHoweverOftenSet) {
  p.ui.setHourglass(true);
  p.ui.setHourglass(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  p.ui.setHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  p.ui.setHourglass(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtUiTest, HelpFormShowsItsPageAndClosesOnRequest) {
  p.scratch.files().writeAll("C:\\Vrel\\VrelRestore.htm", "<html><body><h1>Restore help</h1></body></html>");
  TestForm help("frmHelp");
  help.caption = "Help";
  help.add("browserHelp", ControlKind::Label).caption = "C:\\Vrel\\VrelRestore.htm";
  p.ui.showForm(help, false);
  restore::FormWindow* window = p.ui.windowOf(help);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(window->windowTitle(), "Help");
  auto* browser = window->findChild<QTextBrowser*>("browserHelp");
  ASSERT_NE(browser, nullptr);
  EXPECT_EQ(browser->source(), QUrl::fromLocalFile(QString::fromStdString(host("C:\\Vrel\\VrelRestore.htm"))));
  EXPECT_TRUE(browser->toPlainText().contains("Restore help"));

  // A file address with a topic opens the page at the topic's anchor.
  help.control("browserHelp").caption = "file://C:\\Vrel\\VrelRestore.htm#topic3";
  help.touch();
  p.ui.DoEvents();
  EXPECT_EQ(browser->source().fragment(), "topic3");
  EXPECT_EQ(browser->source().toLocalFile().toStdString(), host("C:\\Vrel\\VrelRestore.htm"));

  // Showing it again reuses the window; a web address becomes a link.
  help.control("browserHelp").caption = "https://example.com/help";
  help.touch();
  p.ui.showForm(help, false);
  EXPECT_EQ(p.ui.windowOf(help), window);
  EXPECT_TRUE(browser->toHtml().contains("https://example.com/help"));

  p.ui.closeForm(help);
  EXPECT_EQ(p.ui.windowOf(help), nullptr);
  p.ui.closeForm(help);  // not shown: nothing happens
}

TEST_F(QtUiTest, ModalFormReturnsWhenClosed) {
  TestForm about("frmAbout");
  about.add("cmdOK", ControlKind::Button);
  about.onClick("cmdOK", [&] { p.ui.closeForm(about); });
  bool wasModal = false;
  QTimer::singleShot(0, [&] {
    restore::FormWindow* window = p.ui.windowOf(about);
    ASSERT_NE(window, nullptr);
    wasModal = window->isModal();
    window->findChild<QPushButton*>("cmdOK")->click();
  });
  p.ui.showForm(about, true);
  EXPECT_TRUE(wasModal);
  EXPECT_EQ(p.ui.windowOf(about), nullptr);
}

TEST_F(QtUiTest, RefusedStartUpOnABareMachineEndsWithTheRefusal) {
  QString shown;
  whenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  p.ui.openMainForm(*p.form, [&] { p.form->Form_Unload(); });
  p.ui.runEvent([&] { p.form->Form_Load(); });
  EXPECT_EQ(p.endedWith, restore::ProgramEnd::Refused);
  EXPECT_TRUE(shown.startsWith("This utility only works with Orvix 3.1(1) and later")) << shown.toStdString();
}

TEST_F(QtUiTest, ModalFormClosedByItsWindowIsForgottenWithItsForm) {
  {
    TestForm dialog("frmSearch");
    dialog.add("lblHint", ControlKind::Label).caption = "Search";
    QTimer::singleShot(0, [&] { p.ui.windowOf(dialog)->close(); });
    p.ui.showForm(dialog, true);
    EXPECT_EQ(p.ui.windowOf(dialog), nullptr);
  }
  // The form is gone; pumping events must not reach its window.
  p.ui.DoEvents();
  p.ui.syncAll(true);
}

TEST_F(QtUiTest, WindowGrowsWithControlsAddedLater) {
  TestForm form("frmGrowing");
  form.add("lblFirst", ControlKind::Label).caption = "first";
  int clicks = 0;
  form.add("cmdAdd", ControlKind::Button);
  form.onClick("cmdAdd", [&] {
    form.add("lblSecond", ControlKind::Label).caption = "second";
    form.add("cmdLater", ControlKind::Button);
    form.onClick("cmdLater", [&] { ++clicks; });
  });
  p.ui.showForm(form, false);
  restore::FormWindow* window = p.ui.windowOf(form);
  ASSERT_NE(window, nullptr);
  window->findChild<QPushButton*>("cmdAdd")->click();
  auto* label = window->findChild<QLabel*>("lblSecond");
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->text(), "second");
  ASSERT_EQ(window->findChildren<QPushButton*>("cmdAdd").size(), 1) << "the old widgets are gone";
  window->findChild<QPushButton*>("cmdLater")->click();
  EXPECT_EQ(clicks, 1);
  p.ui.closeForm(form);
}

TEST_F(QtUiTest, AboutBoxPopsUpItsLanguageMenuAndClosesWithOK) {
  restore::frmAbout about(*p.program, {p.form.get()});
  about.Form_Load();
  bool menuShown = false;
  QTimer::singleShot(0, [&] {
    restore::FormWindow* window = p.ui.windowOf(about);
    ASSERT_NE(window, nullptr);
    auto* change = window->findChild<QLabel*>("lblChangeLanguage");
    ASSERT_NE(change, nullptr);
    QTest::mouseClick(change, Qt::LeftButton);
    QTimer::singleShot(0, [&, window] {
      auto* menu = window->findChild<QMenu*>("mnuSelectLanguage");
      menuShown = menu && menu->isVisible();
      if (menu) menu->close();
      window->findChild<QPushButton*>("cmdOK")->click();
    });
  });
  p.ui.showForm(about, true);
  EXPECT_TRUE(menuShown);
  EXPECT_EQ(p.ui.windowOf(about), nullptr);
}

}  // namespace
}  // namespace vrel::test
