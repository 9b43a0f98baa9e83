// frmCallHandlerSearch and frmSubscriberSearch: modal dialogs that find a
// call handler or a subscriber of the server database by a LIKE pattern on
// the chosen field ("*" is the wildcard; a text starting with "*" lists
// all). The pattern is bound to the statement, never pasted into it. After
// the dialog closes, the caller reads the chosen object ID (none after
// Cancel) and display name.
#pragma once

#include "restore/domino/WizardForm.h"

#include <optional>

namespace vrel::restore {

class SearchForm : public WizardForm {
 public:
  void Form_Load();
  void cmdSearch_Click();
  void cmdOK_Click();
  void cmdCancel_Click();
  void myGrid_DblClick() { cmdOK_Click(); }

  Grid* grid() override { return &myGrid; }
  Grid myGrid;
  std::optional<std::string> chosenObjectId;
  std::string chosenDisplayName;

 protected:
  struct Field {
    const char* option;   // the option button
    const char* caption;  // its caption
    const char* filter;   // the statement's filter up to the pattern
    bool trimmed;         // the search text loses its outer blanks
  };
  struct Shape {
    const char* caption;
    const char* frameCaption;
    const char* select;
    const char* groupBy;
    std::vector<Field> fields;
    std::vector<GridColumn> columns;  // after a search, as the select list
    const char* nothingSelected;
  };
  SearchForm(std::string name, Program& program, Shape shape);
  // The caption routine.
  void setCaptions();

 private:
  Shape m_shape;
};

class frmCallHandlerSearch : public SearchForm {
 public:
  explicit frmCallHandlerSearch(Program& program);
  void Auto_Init() override { setCaptions(); }
};

class frmSubscriberSearch : public SearchForm {
 public:
  explicit frmSubscriberSearch(Program& program);
  void Auto_Init() override { setCaptions(); }
};

}  // namespace vrel::restore
