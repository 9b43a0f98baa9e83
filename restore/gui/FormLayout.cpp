#include "restore/gui/FormLayout.h"

#include "restore/run/frmMain.h"

#include <algorithm>

namespace vrel::restore {

namespace {

bool placedInRows(const Control& c, std::string_view container) {
  if (c.container != container || c.kind == ControlKind::Menu) return false;
  // The form's own buttons make the bottom row instead.
  return !(container.empty() && c.kind == ControlKind::Button);
}

// Whether next stays in the row that last ends.
bool continuesRow(const Control& last, const Control& next) {
  switch (last.kind) {
    case ControlKind::CheckBox:
      return last.caption.empty() && next.kind == ControlKind::Label;
    case ControlKind::Label:
      return next.kind == ControlKind::TextBox;
    case ControlKind::TextBox:
      return next.kind == ControlKind::Button;
    default:
      return false;
  }
}

// Rows named in order come first, in that order; the others follow as found.
void applyOrder(std::vector<LayoutRow>& rows, const std::vector<std::string>& order) {
  auto rank = [&order](const LayoutRow& row) {
    auto it = std::find(order.begin(), order.end(), row.cells.front()->name);
    return static_cast<std::size_t>(it - order.begin());
  };
  std::stable_sort(rows.begin(), rows.end(),
                   [&rank](const LayoutRow& a, const LayoutRow& b) { return rank(a) < rank(b); });
}

}  // namespace

FormLayout layoutFor(const FormModel& form) {
  FormLayout layout;
  if (dynamic_cast<const frmMain*>(&form)) {
    std::vector<std::string>& progress = layout.rowOrder["frameProgress"];
    for (const frmMain::ProgressBox& box : frmMain::kProgress) progress.emplace_back(box.checkBox);
    // The backup folder is checked when it is chosen; a typed path would
    // reach the run without those checks.
    layout.readOnly.insert("txtTargetPath");
    // Wide enough for the menu bar and for every progress label on one line.
    layout.minimumWidth = 600;
  }
  return layout;
}

std::vector<LayoutRow> arrangeRows(const FormModel& form, std::string_view container, const FormLayout& layout) {
  std::vector<LayoutRow> rows;
  for (const auto& owned : form.controls()) {
    const Control& c = *owned;
    if (!placedInRows(c, container)) continue;
    const bool ownRow = c.kind == ControlKind::Frame;
    if (!ownRow && !rows.empty()) {
      const Control& last = *rows.back().cells.back();
      if (last.kind != ControlKind::Frame && continuesRow(last, c)) {
        rows.back().cells.push_back(&c);
        continue;
      }
    }
    rows.push_back({{&c}});
  }
  if (auto it = layout.rowOrder.find(std::string(container)); it != layout.rowOrder.end()) applyOrder(rows, it->second);
  return rows;
}

std::vector<const Control*> formButtons(const FormModel& form) {
  std::vector<const Control*> out;
  for (const auto& c : form.controls())
    if (c->container.empty() && c->kind == ControlKind::Button) out.push_back(c.get());
  return out;
}

}  // namespace vrel::restore
