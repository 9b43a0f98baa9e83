#include "dirsync/QtDirSyncWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextEdit>
#include <QVBoxLayout>

#include <cstdlib>

namespace vrel::dirsync {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QtDirSyncWindow::QtDirSyncWindow() {
  setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);
  auto* layout = new QVBoxLayout(this);
  m_frameErrors = new QGroupBox(this);
  m_txtErrors = new QTextEdit(m_frameErrors);
  m_txtErrors->setReadOnly(true);
  (new QVBoxLayout(m_frameErrors))->addWidget(m_txtErrors);
  m_frameProgress = new QGroupBox(this);
  m_progressBar = new QProgressBar(m_frameProgress);
  m_progressBar->setTextVisible(false);
  m_lblCurrentItem = new QLabel("0", m_frameProgress);
  m_label1 = new QLabel(m_frameProgress);
  m_lblCount = new QLabel("0", m_frameProgress);
  auto* progress = new QVBoxLayout(m_frameProgress);
  progress->addWidget(m_progressBar);
  auto* counts = new QHBoxLayout;
  counts->addWidget(m_lblCurrentItem);
  counts->addWidget(m_label1);
  counts->addWidget(m_lblCount);
  counts->addStretch();
  progress->addLayout(counts);
  layout->addWidget(m_frameErrors, 1);
  layout->addWidget(m_frameProgress);
  resize(480, 320);
}

void QtDirSyncWindow::showTopmost(frmMain& form) {
  refresh(form);
  show();
}

void QtDirSyncWindow::setHourglass(bool on) {
  if (on == m_hourglass) return;
  m_hourglass = on;
  if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
  else QApplication::restoreOverrideCursor();
}

void QtDirSyncWindow::refresh(frmMain& form) {
  setWindowTitle(q(form.caption));
  m_frameErrors->setTitle(q(form.frameErrors));
  m_frameProgress->setTitle(q(form.frameProgress));
  if (m_txtErrors->toPlainText() != q(form.txtErrors)) {
    m_txtErrors->setPlainText(q(form.txtErrors));
    // The caret at the end: the newest line is the one in view.
    m_txtErrors->moveCursor(QTextCursor::End);
    m_txtErrors->verticalScrollBar()->setValue(m_txtErrors->verticalScrollBar()->maximum());
  }
  m_progressBar->setMaximum(form.progressMax);
  m_progressBar->setValue(form.progressValue);
  m_lblCurrentItem->setText(q(form.lblCurrentItem));
  m_label1->setText(q(form.Label1));
  m_lblCount->setText(q(form.lblCount));
  QCoreApplication::processEvents();
}

void QtDirSyncWindow::messageBox(const std::string& text) {
  QMessageBox::information(this, windowTitle(), q(text));
}

void QtDirSyncWindow::closeEvent(QCloseEvent* event) {
  event->accept();
  if (m_form && !m_form->finished()) {
    m_form->Finish();
    std::exit(0);
  }
}

}  // namespace vrel::dirsync
