// The main window as an administrator sees it in the middle of a run: the
// frames stand from top to bottom, the progress boxes in the order a run
// ticks them, the buttons below. With VREL_SCREENSHOT_PNG set the picture is
// saved there (docs/restore-main-window.png is made this way).
#include "restore/gui/FormWindow.h"
#include "restore/gui/tests/QtTestSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QImage>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace vrel::test {
namespace {

int topIn(const QWidget& window, const char* name) {
  auto* w = window.findChild<QWidget*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w ? w->mapTo(&window, QPoint(0, 0)).y() : -1;
}

void showMidRun(restore::frmMain& form) {
  form.Auto_Init();
  form.control("txtTargetPath").caption = "C:\\Backups\\Orvix\\";
  for (const char* option : {"chkRestoreMessages", "chkRestoreReportData"}) form.control(option).value = 1;
  form.control("chkRestoreCertificates").enabled = false;
  for (std::size_t i = 0; i < 5; ++i) form.control(restore::frmMain::kProgress[i].checkBox).value = 1;
  form.control("cmdRestore").enabled = false;
  form.control("cmdExit").enabled = false;
  form.touch();
}

TEST(MainWindow, LaysOutSourceOptionsProgressAndButtonsTopDown) {
  qtApp();
  QtProgram p;
  restore::FormWindow& window = p.ui.openMainForm(*p.form, {});
  showMidRun(*p.form);
  p.ui.DoEvents();
  window.adjustSize();
  window.show();
  p.ui.DoEvents();

  const int source = topIn(window, "frameBackupLocation");
  const int options = topIn(window, "frmOptions");
  const int progress = topIn(window, "frameProgress");
  const int buttons = topIn(window, "cmdRestore");
  EXPECT_LT(topIn(window, "menuBar"), source);
  EXPECT_LT(source, options);
  EXPECT_LT(options, progress);
  EXPECT_LT(progress, buttons);
  EXPECT_EQ(topIn(window, "cmdExit"), buttons);
  int last = progress;
  for (const auto& box : restore::frmMain::kProgress) {
    const int y = topIn(window, box.checkBox);
    EXPECT_GT(y, last) << box.checkBox;
    last = y;
  }
  // Every label is readable in full beside its box.
  for (const auto& box : restore::frmMain::kProgress) {
    auto* label = window.findChild<QWidget*>(QString("lblCheckBoxLables(%1)").arg(box.label));
    ASSERT_NE(label, nullptr);
    EXPECT_GE(label->width(), label->sizeHint().width() / 2) << box.checkBox;
  }

  const QImage shot = window.grab().toImage();
  ASSERT_FALSE(shot.isNull());
  EXPECT_EQ(shot.size() / shot.devicePixelRatio(), window.size());
  if (const QByteArray path = qgetenv("VREL_SCREENSHOT_PNG"); !path.isEmpty()) {
    EXPECT_TRUE(shot.save(QString::fromLocal8Bit(path), "PNG"));
  }
}

}  // namespace
}  // namespace vrel::test
