#include "restore/domino/SearchDialogs.h"

#include "platform/Text.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"

namespace vrel::restore {

namespace {

constexpr int kNoCallHandlerSelected = 121;

const std::vector<GridColumn> kCallHandlerColumns = {
    {"", "", false}, {"Alias", "Alias"}, {"DisplayName", "Display Name"}, {"Extension", "Extension"},
    {"CallHandlerObjectID", "", false}};
const std::vector<GridColumn> kSubscriberColumns = {
    {"", "", false},           {"Alias", "Alias"},         {"DisplayName", "Display Name"},
    {"Extension", "Extension"}, {"FirstName", "First Name"}, {"LastName", "Last Name"},
    {"CallHandlerObjectID", "", false}};

// "*" is the wildcard of the dialogs, "%" the database's.
std::string pattern(std::string text) {
  for (char& c : text)
    if (c == '*') c = '%';
  return text;
}

}  // namespace

SearchForm::SearchForm(std::string name, Program& program, Shape shape)
    : WizardForm(std::move(name), program), m_shape(std::move(shape)) {
  add("txtSearchString", ControlKind::TextBox);
  add("Frame1", ControlKind::Frame);
  for (const Field& f : m_shape.fields) add(f.option, ControlKind::Option, "Frame1");
  control(m_shape.fields.front().option).value = 1;
  add("cmdSearch", ControlKind::Button);
  add("myGrid", ControlKind::Grid);
  add("cmdOK", ControlKind::Button);
  add("cmdCancel", ControlKind::Button);
  onClick("cmdSearch", [this] { cmdSearch_Click(); });
  onClick("cmdOK", [this] { cmdOK_Click(); });
  onClick("cmdCancel", [this] { cmdCancel_Click(); });
  onDblClick("myGrid", [this] { myGrid_DblClick(); });
}

void SearchForm::setCaptions() {
  caption = m_shape.caption;
  control("cmdOK").caption = "OK";
  control("cmdCancel").caption = "Cancel";
  control("cmdSearch").caption = "Search";
  control("Frame1").caption = m_shape.frameCaption;
  for (const Field& f : m_shape.fields) control(f.option).caption = f.caption;
  touch();
}

void SearchForm::Form_Load() {
  trap("Form_Load", [&] {
    setCaptions();
    myGrid.columns = m_shape.columns;
    myGrid.reset();
  });
}

void SearchForm::cmdSearch_Click() {
  Program& p = m_program;
  p.ui.setHourglass(true);
  myGrid.reset();
  if (auto e = trapStatement([&] {
        const std::string text = control("txtSearchString").caption;
        std::string sql = m_shape.select;
        std::vector<data::Variant> values;
        if (text.empty() || text.front() != '*') {
          const Field* field = &m_shape.fields.front();
          for (const Field& f : m_shape.fields)
            if (control(f.option).value == 1) field = &f;
          sql += field->filter;
          sql += "?) ";
          values.emplace_back(pattern(field->trimmed ? trim(text) : text));
        }
        sql += m_shape.groupBy;
        data::Connection cn(p.machine);
        cn.open(p.connectionString);
        data::Command command;
        command.setActiveConnection(cn);
        command.setCommandText(sql);
        for (const data::Variant& v : values)
          command.parameters().append(data::Command::createParameter({}, data::adVarWChar, data::adParamInput, 0, v));
        data::Recordset rs;
        rs.open(command, data::adOpenForwardOnly, data::adLockReadOnly);
        for (; !rs.eof(); rs.moveNext()) {
          const int r = myGrid.addRow();
          for (long c = 0; c < rs.fieldCount() && c + 1 < static_cast<long>(myGrid.columns.size()); ++c)
            myGrid.cell(r, static_cast<int>(c) + 1).text = rs.fields(c).value().toString();
        }
        rs.close();
        cn.close();
        p.ui.DoEvents();
      })) {
    p.MsgBox("Error in cmdSearch:" + e->description);
  }
  myGrid.row = 0;
  touch();
  p.ui.setHourglass(false);
}

void SearchForm::cmdOK_Click() {
  if (myGrid.row < 1 || myGrid.row >= myGrid.rows()) {
    m_program.MsgBox(m_shape.nothingSelected ? m_shape.nothingSelected : m_program.str(kNoCallHandlerSelected));
    return;
  }
  chosenObjectId = myGrid.cell(myGrid.row, "CallHandlerObjectID").text;
  chosenDisplayName = myGrid.cell(myGrid.row, "DisplayName").text;
  m_program.ui.closeForm(*this);
}

void SearchForm::cmdCancel_Click() {
  chosenObjectId.reset();
  m_program.ui.closeForm(*this);
}

frmCallHandlerSearch::frmCallHandlerSearch(Program& program)
    : SearchForm("frmCallHandlerSearch", program,
                 Shape{"Call Handler Search",
                       "Search by",
                       "SELECT Alias, TextName,DtmfAccessId, CallHandlerObjectId FROM vw_CallHandler WHERE (IsPrimary<>1)",
                       "GROUP BY Alias, TextName, DtmfAccessId, CallHandlerObjectId ORDER BY Alias",
                       {{"optSearchByDisplayName", "Display Name", " AND (TextName LIKE ", true},
                        {"optSearchByExtension", "Extension", " AND (DTMFAccessID LIKE ", false}},
                       kCallHandlerColumns,
                       nullptr}) {}

frmSubscriberSearch::frmSubscriberSearch(Program& program)
    : SearchForm(
          "frmSubscriberSearch", program,
          Shape{"Subscriber Search",
                "Search By",
                "SELECT vw_Subscriber.Alias, vw_Subscriber.DisplayName,vw_CallHandler.DtmfAccessId, "
                "vw_Subscriber.FirstName,vw_Subscriber.LastName , vw_Subscriber.SubscriberObjectID FROM vw_CallHandler "
                "INNER JOIN vw_Subscriber ON vw_CallHandler.CallHandlerObjectId = vw_Subscriber.CallHandlerObjectId "
                "WHERE vw_Subscriber.SubscriberType IN (1,3)",
                "GROUP BY vw_Subscriber.Alias, vw_Subscriber.DisplayName, vw_CallHandler.DtmfAccessId, "
                "vw_Subscriber.FirstName,vw_Subscriber.LastName , vw_Subscriber.SubscriberObjectId",
                {{"optSearchByFirstName", "First Name", "AND (vw_Subscriber.FirstName LIKE ", false},
                 {"optSearchByLastName", "Last Name", "AND (vw_Subscriber.LastName LIKE ", false},
                 {"optSearchByAlias", "Alias", "AND (vw_Subscriber.Alias LIKE ", false},
                 {"optSearchByExtension", "Extension", "AND (vw_CallHandler.DTMFAccessID LIKE ", false}},
                kSubscriberColumns,
                "No subscriber selected"}) {}

}  // namespace vrel::restore
