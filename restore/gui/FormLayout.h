// Where a form's controls stand in its window. Frames and loose controls are
// stacked from top to bottom in the form's order; inside each container the
// controls form rows (a caption-less check box with the label after it, a
// label with the text box after it, a text box with the button after it);
// buttons that stand on the form itself make the row at the bottom; menus go
// to the menu bar.
#pragma once

#include "restore/run/FormModel.h"

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace vrel::restore {

struct FormLayout {
  // Containers whose rows follow this order, each row named by its first
  // control; rows not named keep their order after the named ones.
  std::map<std::string, std::vector<std::string>> rowOrder;
  // Text boxes the administrator cannot type into.
  std::set<std::string> readOnly;
  // The window's least width in pixels (0: what its contents ask for).
  int minimumWidth = 0;
};

// The layout hints of a form: frmMain shows its progress boxes in the order
// a run ticks them and lets only the folder picker fill in the backup folder;
// other forms need none.
FormLayout layoutFor(const FormModel& form);

struct LayoutRow {
  std::vector<const Control*> cells;
};

// The rows of one container ("" is the form itself: its frames, each a row of
// its own, and its loose controls, without its buttons and menus).
std::vector<LayoutRow> arrangeRows(const FormModel& form, std::string_view container, const FormLayout& layout);

// The buttons standing on the form itself, in the form's order.
std::vector<const Control*> formButtons(const FormModel& form);

}  // namespace vrel::restore
