// A window that renders one form model: frames as group boxes, text boxes,
// buttons, check boxes and labels, menus in a menu bar, and a control named
// "browserHelp" as a browser showing the page its caption names. Every
// widget carries its control's name as object name. Clicks go to the model
// (FormModel::click) through the QtUi's event dispatch; sync() brings the
// widgets in line with the model whenever its revision has moved.
#pragma once

#include "restore/gui/FormLayout.h"
#include "restore/run/FormModel.h"

#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

class QBoxLayout;
class QGridLayout;
class QMenuBar;
class QObject;
class QTableWidget;

namespace vrel::restore {

class QtUi;
class Grid;

class FormWindow : public QWidget {
  Q_OBJECT

 public:
  // dialog: a window of its own above parent (forms other than the main one).
  FormWindow(FormModel& model, QtUi& ui, FormLayout layout, QWidget* parent = nullptr, bool dialog = false);
  ~FormWindow() override;

  FormModel& model() { return m_model; }
  // Shows the model's state; only when its revision moved unless force.
  void sync(bool force = false);
  // Run (as an event) when the administrator closes the window; without it
  // the window just closes. The window stays open unless the program ended.
  void setCloseProcedure(std::function<void()> procedure) { m_onClose = std::move(procedure); }

 signals:
  // The window has been closed.
  void closed();

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A click on a label is the label's click.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build();
  // Builds the widgets afresh (the form gained or lost controls).
  void rebuild();
  // Pops up the menu the form asks for, if any.
  void popUpRequestedMenu();
  void buildRows(QGridLayout* grid, std::string_view container);
  QWidget* createWidget(Control& control);
  QWidget* createFrame(Control& frame);
  QWidget* createGrid(Control& control);
  void syncGrid(QTableWidget* table);
  Grid* gridOf();
  void buildMenus(QBoxLayout* root);
  void buildButtonRow(QBoxLayout* root);
  void syncControl(const Control& control, QObject* target);
  void click(const std::string& name);

  FormModel& m_model;
  QtUi& m_ui;
  FormLayout m_layout;
  std::vector<std::pair<Control*, QObject*>> m_bound;
  std::size_t m_builtControls = 0;
  unsigned m_shownRevision = 0;
  bool m_everSynced = false;
  std::function<void()> m_onClose;
};

}  // namespace vrel::restore
