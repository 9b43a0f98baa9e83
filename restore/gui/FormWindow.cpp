#include "restore/gui/FormWindow.h"

#include "platform/Text.h"
#include "restore/gui/QtUi.h"
#include "restore/domino/WizardForm.h"
#include "restore/shell/frmAbout.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QRadioButton>
#include <QTableWidget>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace vrel::restore {

namespace {

constexpr const char* kHelpBrowser = "browserHelp";

QString q(const std::string& text) {
  return QString::fromStdString(text);
}

bool isWebAddress(const std::string& address) {
  const std::size_t scheme = address.find("://");
  return scheme != std::string::npos && scheme > 1 && ifind(address, "file://") != 0;
}

// A page of the machine: a Windows path, or a file address naming one
// ("file://C:\\Vrel\\Help.htm#topic3").
QUrl localPage(const WinPaths& paths, std::string address) {
  std::string fragment;
  if (const std::size_t hash = address.find('#'); hash != std::string::npos) {
    fragment = address.substr(hash + 1);
    address.resize(hash);
  }
  if (ifind(address, "file://") == 0) address.erase(0, 7);
  if (address.size() > 2 && address[0] == '/' && address[2] == ':') address.erase(0, 1);
  QUrl url = QUrl::fromLocalFile(q(paths.toHost(address)));
  if (!fragment.empty()) url.setFragment(q(fragment));
  return url;
}

}  // namespace

FormWindow::FormWindow(FormModel& model, QtUi& ui, FormLayout layout, QWidget* parent, bool dialog)
    : QWidget(parent, dialog ? Qt::Dialog : Qt::Window), m_model(model), m_ui(ui), m_layout(std::move(layout)) {
  setObjectName(q(model.name()));
  if (m_layout.minimumWidth > 0) setMinimumWidth(m_layout.minimumWidth);
  build();
  sync(true);
}

FormWindow::~FormWindow() = default;

void FormWindow::build() {
  m_builtControls = m_model.controls().size();
  auto* root = new QVBoxLayout(this);
  buildMenus(root);
  auto* body = new QGridLayout();
  root->addLayout(body);
  buildRows(body, "");
  // Room the window has beyond what its contents ask for stays below them.
  root->addStretch(1);
  buildButtonRow(root);
}

void FormWindow::rebuild() {
  m_bound.clear();
  // The old widgets go later: one of them may be sending the click that
  // got here. Taken out of the window now, so no name finds them.
  const QObjectList old = children();
  for (QObject* child : old) {
    if (!child->isWidgetType()) continue;
    auto* widget = static_cast<QWidget*>(child);
    widget->hide();
    widget->setParent(nullptr);
    widget->deleteLater();
  }
  delete layout();
  build();
}

void FormWindow::buildRows(QGridLayout* grid, std::string_view container) {
  const std::vector<LayoutRow> rows = arrangeRows(m_model, container, m_layout);
  int columns = 1;
  for (const LayoutRow& row : rows) columns = std::max(columns, static_cast<int>(row.cells.size()));
  std::vector<bool> stretch(static_cast<std::size_t>(columns), false);
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
    const auto& cells = rows[static_cast<std::size_t>(r)].cells;
    for (int i = 0; i < static_cast<int>(cells.size()); ++i) {
      Control& control = m_model.control(cells[static_cast<std::size_t>(i)]->name);
      QWidget* widget = createWidget(control);
      const bool last = i + 1 == static_cast<int>(cells.size());
      grid->addWidget(widget, r, i, 1, last ? columns - i : 1);
      // In a row of several cells the text takes the room left over.
      if (cells.size() > 1 && (control.kind == ControlKind::Label || control.kind == ControlKind::TextBox))
        stretch[static_cast<std::size_t>(i)] = true;
    }
  }
  if (std::find(stretch.begin(), stretch.end(), true) == stretch.end()) stretch.back() = true;
  for (int c = 0; c < columns; ++c) grid->setColumnStretch(c, stretch[static_cast<std::size_t>(c)] ? 1 : 0);
}

Grid* FormWindow::gridOf() {
  auto* form = dynamic_cast<WizardForm*>(&m_model);
  return form ? form->grid() : nullptr;
}

// A grid: a table whose first row is the header; a click selects the row
// (and toggles a check box cell), a double click is the grid's DblClick.
QWidget* FormWindow::createGrid(Control& control) {
  auto* table = new QTableWidget(this);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->setMinimumSize(480, 200);
  const std::string name = control.name;
  connect(table, &QTableWidget::cellClicked, this, [this, name](int row, int column) {
    Grid* grid = gridOf();
    if (!grid) return;
    m_ui.runEvent([grid, row, column] {
      grid->row = row + 1;
      if (column >= 0 && column < static_cast<int>(grid->columns.size()) &&
          grid->columns[static_cast<std::size_t>(column)].checkBox) {
        GridCell& cell = grid->cell(row + 1, column);
        cell.value = cell.value ? 0 : 1;
      }
    });
  });
  connect(table, &QTableWidget::cellDoubleClicked, this, [this, name](int row, int) {
    Grid* grid = gridOf();
    if (!grid) return;
    FormModel& model = m_model;
    m_ui.runEvent([grid, row, &model, name] {
      grid->row = row + 1;
      model.dblClick(name);
    });
  });
  return table;
}

void FormWindow::syncGrid(QTableWidget* table) {
  Grid* grid = gridOf();
  if (!grid) return;
  if (table->property("revision").toUInt() == grid->revision && table->columnCount() > 0) return;
  table->setProperty("revision", grid->revision);
  const int columns = static_cast<int>(grid->columns.size());
  table->setColumnCount(columns);
  table->setRowCount(grid->rows() - 1);
  QStringList headers;
  for (const GridColumn& c : grid->columns) headers << q(c.header);
  table->setHorizontalHeaderLabels(headers);
  for (int c = 0; c < columns; ++c) {
    const GridColumn& column = grid->columns[static_cast<std::size_t>(c)];
    table->setColumnHidden(c, !column.visible);
    if (column.width > 0) table->setColumnWidth(c, column.width / 15);
  }
  for (int r = 1; r < grid->rows(); ++r) {
    for (int c = 0; c < columns; ++c) {
      const GridCell& cell = grid->cell(r, c);
      auto* item = new QTableWidgetItem();
      if (grid->columns[static_cast<std::size_t>(c)].checkBox) {
        item->setCheckState(cell.value ? Qt::Checked : Qt::Unchecked);
      } else if (!cell.picture.empty()) {
        // Black check mark, red exclamation point, red question mark.
        const bool match = cell.picture == "Match";
        item->setText(match ? QString::fromUtf8("\u2714") : cell.picture == "NoMatch" ? "!" : "?");
        item->setForeground(match ? Qt::black : Qt::red);
        item->setToolTip(q(cell.picture));
      } else {
        item->setText(q(cell.text));
      }
      table->setItem(r - 1, c, item);
    }
  }
  if (grid->row >= 1) table->selectRow(grid->row - 1);
}

QWidget* FormWindow::createFrame(Control& frame) {
  auto* box = new QGroupBox(this);
  auto* grid = new QGridLayout(box);
  buildRows(grid, frame.name);
  return box;
}

QWidget* FormWindow::createWidget(Control& control) {
  QWidget* widget = nullptr;
  const std::string name = control.name;
  FormModel& model = m_model;
  if (name == kHelpBrowser) {
    auto* browser = new QTextBrowser(this);
    browser->setOpenExternalLinks(true);
    browser->setMinimumSize(480, 360);
    widget = browser;
  } else {
    switch (control.kind) {
      case ControlKind::Frame:
        widget = createFrame(control);
        break;
      case ControlKind::TextBox: {
        auto* edit = new QLineEdit(this);
        edit->setReadOnly(m_layout.readOnly.count(name) > 0);
        // What the administrator types is the text box's text in the model.
        connect(edit, &QLineEdit::textEdited, this, [&model, name](const QString& text) {
          model.control(name).caption = text.toStdString();
          model.touch();
        });
        widget = edit;
        break;
      }
      case ControlKind::Button: {
        auto* button = new QPushButton(this);
        connect(button, &QPushButton::clicked, this, [this, name] { click(name); });
        widget = button;
        break;
      }
      case ControlKind::CheckBox: {
        auto* box = new QCheckBox(this);
        // The model decides the tick: the click toggles it there and its
        // procedure may take it back; sync() then shows the outcome.
        connect(box, &QCheckBox::clicked, this, [this, name] { click(name); });
        widget = box;
        break;
      }
      case ControlKind::Option: {
        auto* option = new QRadioButton(this);
        option->setAutoExclusive(false);  // the model decides
        connect(option, &QRadioButton::clicked, this, [this, name] { click(name); });
        widget = option;
        break;
      }
      case ControlKind::Grid:
        widget = createGrid(control);
        break;
      case ControlKind::Label:
      case ControlKind::Menu: {
        auto* label = new QLabel(this);
        label->setWordWrap(true);
        label->installEventFilter(this);
        widget = label;
        break;
      }
    }
  }
  widget->setObjectName(q(name));
  m_bound.emplace_back(&control, widget);
  return widget;
}

void FormWindow::buildMenus(QBoxLayout* root) {
  std::vector<Control*> menus;
  for (const auto& c : m_model.controls())
    if (c->kind == ControlKind::Menu) menus.push_back(c.get());
  if (menus.empty()) return;
  auto* bar = new QMenuBar(this);
  bar->setObjectName("menuBar");
  root->setMenuBar(bar);
  // A menu that others name as their container opens a drop-down; the
  // others are items that run their click procedure.
  std::map<std::string, QMenu*> dropDowns;
  for (Control* menu : menus) {
    const bool hasItems =
        std::any_of(menus.begin(), menus.end(), [menu](const Control* m) { return m->container == menu->name; });
    if (hasItems) dropDowns[menu->name] = nullptr;
  }
  for (Control* menu : menus) {
    auto parent = dropDowns.find(menu->container);
    QMenu* owner = parent != dropDowns.end() ? parent->second : nullptr;
    QAction* action = nullptr;
    if (dropDowns.count(menu->name)) {
      QMenu* dropDown = owner ? owner->addMenu(q(menu->caption)) : bar->addMenu(q(menu->caption));
      dropDown->setObjectName(q(menu->name));
      dropDowns[menu->name] = dropDown;
      action = dropDown->menuAction();
    } else {
      action = owner ? owner->addAction(q(menu->caption)) : bar->addAction(q(menu->caption));
      const std::string name = menu->name;
      connect(action, &QAction::triggered, this, [this, name] { click(name); });
    }
    action->setObjectName(q(menu->name));
    m_bound.emplace_back(menu, action);
  }
}

void FormWindow::buildButtonRow(QBoxLayout* root) {
  const std::vector<const Control*> buttons = formButtons(m_model);
  if (buttons.empty()) return;
  auto* row = new QHBoxLayout();
  row->addStretch(1);
  for (const Control* c : buttons) row->addWidget(createWidget(m_model.control(c->name)));
  root->addLayout(row);
}

void FormWindow::sync(bool force) {
  if (!force && m_everSynced && m_model.revision() == m_shownRevision) return;
  if (m_model.controls().size() != m_builtControls) rebuild();
  setWindowTitle(q(m_model.caption));
  for (auto& [control, target] : m_bound) syncControl(*control, target);
  m_shownRevision = m_model.revision();
  m_everSynced = true;
  popUpRequestedMenu();
}

void FormWindow::popUpRequestedMenu() {
  auto* about = dynamic_cast<frmAbout*>(&m_model);
  if (!about || about->popupMenu.empty()) return;
  QMenu* menu = findChild<QMenu*>(q(about->popupMenu));
  about->popupMenu.clear();
  // Not from inside sync(), which may run within an event procedure.
  if (menu)
    QMetaObject::invokeMethod(
        menu, [menu] { menu->popup(QCursor::pos()); }, Qt::QueuedConnection);
}

bool FormWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease && watched->isWidgetType()) {
    auto* label = static_cast<QWidget*>(watched);
    if (label->isEnabled() && label->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
      click(label->objectName().toStdString());
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}

void FormWindow::syncControl(const Control& c, QObject* target) {
  if (auto* action = qobject_cast<QAction*>(target)) {
    action->setText(q(c.caption));
    action->setEnabled(c.enabled);
    action->setVisible(c.visible);
    return;
  }
  auto* widget = static_cast<QWidget*>(target);
  widget->setEnabled(c.enabled);
  widget->setHidden(!c.visible);
  if (!c.fontName.empty() && widget->font().family() != q(c.fontName)) {
    QFont font = widget->font();
    font.setFamily(q(c.fontName));
    widget->setFont(font);
  }
  if (auto* browser = qobject_cast<QTextBrowser*>(widget)) {
    if (browser->property("address").toString() == q(c.caption)) return;
    browser->setProperty("address", q(c.caption));
    if (c.caption.empty()) {
      browser->clear();
    } else if (isWebAddress(c.caption)) {
      // The browser shows local pages only; a web page opens in the system's
      // browser from the link.
      browser->setHtml("<p><a href=\"" + q(c.caption).toHtmlEscaped() + "\">" + q(c.caption).toHtmlEscaped() +
                       "</a></p>");
    } else {
      browser->setSource(localPage(m_ui.paths(), c.caption));
    }
  } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
    box->setTitle(q(c.caption));
  } else if (auto* table = qobject_cast<QTableWidget*>(widget)) {
    syncGrid(table);
  } else if (auto* option = qobject_cast<QRadioButton*>(widget)) {
    option->setText(q(c.caption));
    option->setChecked(c.value == 1);
  } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
    check->setText(q(c.caption));
    check->setChecked(c.value == 1);
  } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
    button->setText(q(c.caption));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(q(c.caption));
  } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
    if (edit->text() != q(c.caption)) edit->setText(q(c.caption));
  }
}

void FormWindow::click(const std::string& name) {
  // The procedure may close this window; it only needs the model.
  FormModel& model = m_model;
  m_ui.runEvent([&model, name] { model.click(name); });
}

void FormWindow::closeEvent(QCloseEvent* event) {
  if (!m_onClose) {
    event->accept();
    emit closed();
    return;
  }
  // The main form's unload ends the program; not while a run goes on, which
  // would leave the server half restored.
  if (m_ui.busy()) {
    event->ignore();
    return;
  }
  m_ui.runEvent(m_onClose);
  if (m_ui.ended()) {
    event->accept();
    emit closed();
  } else {
    event->ignore();
  }
}

}  // namespace vrel::restore
