#include "restore/gui/FormWindow.h"

#include "restore/domino/SearchDialogs.h"
#include "restore/gui/QtUi.h"
#include "restore/gui/tests/QtTestSupport.h"
#include "restore/gui/tests/TestForm.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

using restore::ControlKind;
using restore::FormWindow;
using restore::ProgramEnd;

class FormWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { qtApp(); }
  template <class W>
  W* widget(QWidget& window, const char* name) {
    return window.findChild<W*>(name);
  }
};

TEST_F(FormWindowTest, MainFormGetsAWidgetOfItsKindForEveryControl) {
  QtProgram p;
  FormWindow& window = p.ui.openMainForm(*p.form, {});
  for (const auto& c : p.form->controls()) {
    const QString name = QString::fromStdString(c->name);
    QObject* found = nullptr;
    switch (c->kind) {
      case ControlKind::Frame:
        found = window.findChild<QGroupBox*>(name);
        break;
      case ControlKind::TextBox:
        found = window.findChild<QLineEdit*>(name);
        break;
      case ControlKind::Button:
        found = window.findChild<QPushButton*>(name);
        break;
      case ControlKind::CheckBox:
        found = window.findChild<QCheckBox*>(name);
        break;
      case ControlKind::Label:
        found = window.findChild<QLabel*>(name);
        break;
      case ControlKind::Option:
        found = window.findChild<QRadioButton*>(name);
        break;
      case ControlKind::Grid:
        found = window.findChild<QTableWidget*>(name);
        break;
      case ControlKind::Menu: {
        auto* bar = window.findChild<QMenuBar*>("menuBar");
        ASSERT_NE(bar, nullptr);
        for (QAction* a : bar->actions())
          if (a->objectName() == name) found = a;
        break;
      }
    }
    ASSERT_NE(found, nullptr) << c->name;
    if (c->container.empty() || c->kind == ControlKind::Menu) continue;
    // A control of a frame stands inside that frame's group box.
    auto* frame = window.findChild<QGroupBox*>(QString::fromStdString(c->container));
    ASSERT_NE(frame, nullptr) << c->container;
    EXPECT_TRUE(frame->isAncestorOf(static_cast<QWidget*>(found))) << c->name;
  }
}

TEST_F(FormWindowTest, WidgetsFollowTheModelOnDoEvents) {
  QtProgram p;
  FormWindow& window = p.ui.openMainForm(*p.form, {});
  p.form->Auto_Init();
  p.form->control("txtTargetPath").caption = "C:\\Backups\\Orvix\\";
  p.form->control("cmdRestore").enabled = true;
  p.form->control("chkRestoreReportData").value = 1;
  p.form->control("chkRestoreCertificates").visible = false;
  p.form->control("mnuRestoreCertificates").enabled = true;
  p.form->touch();
  p.ui.DoEvents();

  EXPECT_EQ(window.windowTitle().toStdString(), p.form->caption);
  EXPECT_EQ(widget<QGroupBox>(window, "frmOptions")->title().toStdString(), p.form->control("frmOptions").caption);
  EXPECT_EQ(widget<QPushButton>(window, "cmdRestore")->text().toStdString(), p.form->control("cmdRestore").caption);
  EXPECT_EQ(widget<QLineEdit>(window, "txtTargetPath")->text(), "C:\\Backups\\Orvix\\");
  EXPECT_TRUE(widget<QPushButton>(window, "cmdRestore")->isEnabled());
  EXPECT_TRUE(widget<QCheckBox>(window, "chkRestoreReportData")->isChecked());
  EXPECT_TRUE(widget<QCheckBox>(window, "chkRestoreCertificates")->isHidden());
  EXPECT_FALSE(widget<QCheckBox>(window, "chkShuttingDown")->isEnabled());
  EXPECT_EQ(widget<QLabel>(window, "lblCheckBoxLables(0)")->text().toStdString(),
            p.form->control("lblCheckBoxLables(0)").caption);
  EXPECT_TRUE(window.findChild<QAction*>("mnuRestoreCertificates")->isEnabled());
}

TEST_F(FormWindowTest, ButtonClickRunsTheProcedureAndShowsItsEffect) {
  QtProgram p;
  TestForm form;
  form.add("chkDone", ControlKind::CheckBox);
  form.add("cmdGo", ControlKind::Button);
  int runs = 0;
  form.onClick("cmdGo", [&] {
    ++runs;
    form.control("chkDone").value = 1;
    form.control("cmdGo").enabled = false;
  });
  FormWindow& window = p.ui.openMainForm(form, {});
  QTest::mouseClick(widget<QPushButton>(window, "cmdGo"), Qt::LeftButton);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(widget<QCheckBox>(window, "chkDone")->isChecked());
  EXPECT_FALSE(widget<QPushButton>(window, "cmdGo")->isEnabled());
}

TEST_F(FormWindowTest, CheckBoxShowsWhatItsProcedureLeft) {
  QtProgram p;
  TestForm form;
  form.add("chkKeeps", ControlKind::CheckBox);
  form.add("chkRefuses", ControlKind::CheckBox);
  // Like an option whose procedure finds a missing right and unticks it.
  form.onClick("chkRefuses", [&] { form.control("chkRefuses").value = 0; });
  FormWindow& window = p.ui.openMainForm(form, {});
  window.show();
  widget<QCheckBox>(window, "chkKeeps")->click();
  widget<QCheckBox>(window, "chkRefuses")->click();
  EXPECT_EQ(form.control("chkKeeps").value, 1);
  EXPECT_TRUE(widget<QCheckBox>(window, "chkKeeps")->isChecked());
  EXPECT_EQ(form.control("chkRefuses").value, 0);
  EXPECT_FALSE(widget<QCheckBox>(window, "chkRefuses")->isChecked());
}

TEST_F(FormWindowTest, TypingGoesToTheModelExceptIntoTheBackupFolder) {
  QtProgram p;
  FormWindow& window = p.ui.openMainForm(*p.form, {});
  p.form->control("txtAliasMappingFilePath").enabled = true;
  p.form->touch();
  p.ui.DoEvents();
  QTest::keyClicks(widget<QLineEdit>(window, "txtAliasMappingFilePath"), "C:\\map.csv");
  EXPECT_EQ(p.form->control("txtAliasMappingFilePath").caption, "C:\\map.csv");
  EXPECT_TRUE(widget<QLineEdit>(window, "txtTargetPath")->isReadOnly());
  QTest::keyClicks(widget<QLineEdit>(window, "txtTargetPath"), "C:\\elsewhere");
  EXPECT_EQ(p.form->control("txtTargetPath").caption, "");
}

TEST_F(FormWindowTest, MenusWithItemsBecomeDropDowns) {
  QtProgram p;
  TestForm form;
  form.add("mnuFile", ControlKind::Menu).caption = "File";
  form.add("mnuFileExit", ControlKind::Menu, "mnuFile").caption = "Exit";
  form.add("mnuHelp", ControlKind::Menu).caption = "Help";
  int exits = 0, helps = 0;
  form.onClick("mnuFileExit", [&] { ++exits; });
  form.onClick("mnuHelp", [&] { ++helps; });
  FormWindow& window = p.ui.openMainForm(form, {});
  auto* file = window.findChild<QMenu*>("mnuFile");
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(file->actions().size(), 1);
  EXPECT_EQ(file->actions().front()->objectName(), "mnuFileExit");
  file->actions().front()->trigger();
  window.findChild<QAction*>("mnuHelp")->trigger();
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(helps, 1);
}

TEST_F(FormWindowTest, ExitProcedureInAClickEndsTheProgramOnce) {
  QtProgram p;
  TestForm form;
  form.add("cmdExit", ControlKind::Button);
  form.onClick("cmdExit", [] { throw restore::EndProgram{ProgramEnd::Aborted}; });
  int ends = 0;
  p.ui.setEndHandler([&](ProgramEnd how) {
    ++ends;
    p.endedWith = how;
  });
  FormWindow& window = p.ui.openMainForm(form, {});
  widget<QPushButton>(window, "cmdExit")->click();
  widget<QPushButton>(window, "cmdExit")->click();
  EXPECT_EQ(p.ui.ended(), ProgramEnd::Aborted);
  EXPECT_EQ(p.endedWith, ProgramEnd::Aborted);
  EXPECT_EQ(ends, 1);
}

TEST_F(FormWindowTest, EndDuringPumpedEventsUnwindsTheRunningProcedure) {
  QtProgram p;
  TestForm form;
  form.add("cmdExit", ControlKind::Button);
  form.onClick("cmdExit", [] { throw restore::EndProgram{ProgramEnd::Normal}; });
  FormWindow& window = p.ui.openMainForm(form, {});
  // The click arrives while a long procedure lets events through.
  QTimer::singleShot(0, [&] { widget<QPushButton>(window, "cmdExit")->click(); });
  bool goneOn = false;
  p.ui.runEvent([&] {
    for (int i = 0; i < 100 && !p.ui.ended(); ++i) {
      p.ui.DoEvents();
      QTest::qWait(1);
    }
    goneOn = true;
  });
  EXPECT_EQ(p.ui.ended(), ProgramEnd::Normal);
  EXPECT_FALSE(goneOn);
  EXPECT_FALSE(p.ui.busy());
}

TEST_F(FormWindowTest, ClosingTheMainWindowRunsUnloadUnlessARunIsGoingOn) {
  QtProgram p;
  int unloads = 0;
  FormWindow& window = p.ui.openMainForm(*p.form, [&] {
    ++unloads;
    p.form->Form_Unload();
  });
  window.show();
  p.ui.runEvent([&] { EXPECT_FALSE(window.close()); });
  EXPECT_EQ(unloads, 0);
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(window.close());
  EXPECT_EQ(unloads, 1);
  EXPECT_EQ(p.ui.ended(), ProgramEnd::Normal);
}

TEST_F(FormWindowTest, UncaughtErrorIsShownAndTheProgramGoesOn) {
  QtProgram p;
  QString shown;
  whenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    shown = box->text();
    box->button(QMessageBox::Ok)->click();
  });
  p.ui.runEvent([] { throw std::runtime_error("no control lblNothing on frmMain"); });
  EXPECT_EQ(shown, "no control lblNothing on frmMain");
  EXPECT_FALSE(p.ui.ended());
}

// A search dialog's window: the grid shows the rows with the object ID
// column hidden, option buttons follow the model, and a double click on a
// row chooses it.
TEST_F(FormWindowTest, SearchDialogGridShowsRowsAndADoubleClickChoosesOne) {
  QtProgram p;
  restore::frmCallHandlerSearch dialog(*p.program);
  dialog.Form_Load();
  restore::Grid& grid = dialog.myGrid;
  for (const char* alias : {"ops", "sales"}) {
    const int r = grid.addRow();
    grid.cell(r, "Alias").text = alias;
    grid.cell(r, "DisplayName").text = std::string("Team ") + alias;
    grid.cell(r, "CallHandlerObjectID").text = std::string("{id-") + alias + "}";
  }
  FormWindow window(dialog, p.ui, restore::layoutFor(dialog));
  auto* table = window.findChild<QTableWidget*>("myGrid");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rowCount(), 2);
  EXPECT_EQ(table->item(1, 2)->text(), "Team sales");
  EXPECT_TRUE(table->isColumnHidden(4));
  EXPECT_FALSE(table->isColumnHidden(1));
  auto* byExtension = window.findChild<QRadioButton*>("optSearchByExtension");
  ASSERT_NE(byExtension, nullptr);
  byExtension->click();
  EXPECT_EQ(dialog.control("optSearchByExtension").value, 1);
  EXPECT_EQ(dialog.control("optSearchByDisplayName").value, 0);
  emit table->cellDoubleClicked(1, 1);
  ASSERT_TRUE(dialog.chosenObjectId);
  EXPECT_EQ(*dialog.chosenObjectId, "{id-sales}");
  EXPECT_EQ(dialog.chosenDisplayName, "Team sales");
}

}  // namespace
}  // namespace vrel::test
