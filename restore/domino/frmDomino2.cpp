#include "restore/domino/frmDomino2.h"

#include "platform/Text.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/domino/SearchDialogs.h"
#include "restore/domino/frmDomino1.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

namespace {

constexpr int kCaption = 141, kLabel1 = 144, kBrowse = 150, kTakeMessage = 151, kHangUp = 152, kIgnore = 153;
constexpr const char* kSetToBeDeleted =
    "The subscriber you selected is set to be deleted on the previous page.  Either choose a different subscriber or "
    "go back to the last page and uncheck the 'delete' box for that user.";

struct Frame {
  const char* name;
  int caption;
};
constexpr Frame kFrames[] = {{"Frame1(0)", 145}, {"Frame1(1)", 146}, {"Frame1(2)", 147}, {"Frame1(3)", 148},
                             {"Frame1(4)", 149}};

struct Check {
  const char* box;
  const char* message;
};
constexpr Check kRequired[] = {
    {"txtOwnerRecipientSubscriberObjectID",
     "You must select a subscriber to be a recipient or owner replacement for deleted subscribers before "
     "proceeding."},
    {"txtCallHandlerAfterMessageObjectID",
     "You must select a call handler to act as an after message destination before proceeding."},
    {"txtCallHandlerExitDestinationObjectID",
     "You must select a call handler to act as subscriber or name lookup handler exit destination before "
     "proceeding."},
};

// A stored procedure's parameter by name: input, size 0.
void param(data::Command& c, const char* name, data::DataTypeEnum type, const data::Variant& value) {
  c.parameters().append(data::Command::createParameter(name, type, data::adParamInput, 0, value));
}

}  // namespace

frmDomino2::frmDomino2(Program& program, frmDomino1& page1) : WizardForm("frmDomino2", program), m_page1(page1) {
  addHelpMenus();
  add("Label1", ControlKind::Label);
  for (const Frame& f : kFrames) add(f.name, ControlKind::Frame);
  const char* pairs[][3] = {
      {"Frame1(0)", "txtOwnerRecipientSubscriberDisplayName", "txtOwnerRecipientSubscriberObjectID"},
      {"Frame1(1)", "txtCallHandlerAfterMessageDisplayName", "txtCallHandlerAfterMessageObjectID"},
      {"Frame1(2)", "txtCallHandlerExitDestinationDisplayName", "txtCallHandlerExitDestinationObjectID"}};
  const char* browse[] = {"cmdBrowseForOwnerRecipientSubscriber", "cmdBrowseForAfterMessageCallHandler",
                          "cmdBrowseForExitDestinationCallHandler"};
  for (int i = 0; i < 3; ++i) {
    add(pairs[i][1], ControlKind::TextBox, pairs[i][0]);
    add(pairs[i][2], ControlKind::TextBox, pairs[i][0]);
    add(browse[i], ControlKind::Button, pairs[i][0]);
  }
  add("optAfterGreetingTakeMessage", ControlKind::Option, "Frame1(3)").value = 1;
  add("optAfterGreetingHangUp", ControlKind::Option, "Frame1(3)");
  add("optUserInputIgnore", ControlKind::Option, "Frame1(4)").value = 1;
  add("optUserInputHangUp", ControlKind::Option, "Frame1(4)");
  add("lblProgress", ControlKind::Label).visible = false;
  add("cmdPrevious", ControlKind::Button).caption = "<< Previous";
  add("cmdNext", ControlKind::Button).caption = "Next >>";
  onClick("cmdBrowseForOwnerRecipientSubscriber", [this] { cmdBrowseForOwnerRecipientSubscriber_Click(); });
  onClick("cmdBrowseForAfterMessageCallHandler", [this] { cmdBrowseForAfterMessageCallHandler_Click(); });
  onClick("cmdBrowseForExitDestinationCallHandler", [this] { cmdBrowseForExitDestinationCallHandler_Click(); });
  onClick("cmdNext", [this] { cmdNext_Click(); });
  onClick("cmdPrevious", [this] { cmdPrevious_Click(); });
}

void frmDomino2::Form_Load() {
  trap("Form_Load", [&] { Auto_Init_frmDomino2(); });
}

void frmDomino2::Auto_Init_frmDomino2() {
  Program& p = m_program;
  caption = p.str(kCaption);
  captionHelpMenus();
  control("Label1").caption = p.str(kLabel1);
  for (const Frame& f : kFrames) control(f.name).caption = p.str(f.caption);
  for (const char* b : {"cmdBrowseForOwnerRecipientSubscriber", "cmdBrowseForAfterMessageCallHandler",
                        "cmdBrowseForExitDestinationCallHandler"})
    control(b).caption = p.str(kBrowse);
  control("optAfterGreetingTakeMessage").caption = p.str(kTakeMessage);
  control("optAfterGreetingHangUp").caption = p.str(kHangUp);
  control("optUserInputIgnore").caption = p.str(kIgnore);
  control("optUserInputHangUp").caption = p.str(kHangUp);
  touch();
}

void frmDomino2::setPair(const char* displayBox, const char* objectBox, const std::string& display,
                         const std::string& id) {
  control(displayBox).caption = display;
  control(objectBox).caption = id;
  touch();
}

void frmDomino2::browseCallHandler(const char* displayBox, const char* objectBox) {
  frmCallHandlerSearch dialog(m_program);
  dialog.Form_Load();
  m_program.ui.showForm(dialog, true);
  if (!dialog.chosenObjectId)
    setPair(displayBox, objectBox, "", "");
  else
    setPair(displayBox, objectBox, dialog.chosenDisplayName, *dialog.chosenObjectId);
}

void frmDomino2::cmdBrowseForAfterMessageCallHandler_Click() {
  trap("cmdBrowseForAfterMessageCallHandler_Click", [&] {
    browseCallHandler("txtCallHandlerAfterMessageDisplayName", "txtCallHandlerAfterMessageObjectID");
  });
}

void frmDomino2::cmdBrowseForExitDestinationCallHandler_Click() {
  trap("cmdBrowseForExitDestinationCallHandler_Click", [&] {
    browseCallHandler("txtCallHandlerExitDestinationDisplayName", "txtCallHandlerExitDestinationObjectID");
  });
}

void frmDomino2::cmdBrowseForOwnerRecipientSubscriber_Click() {
  trap("cmdBrowseForOwnerRecipientSubscriber_Click", [&] {
    const char* display = "txtOwnerRecipientSubscriberDisplayName";
    const char* object = "txtOwnerRecipientSubscriberObjectID";
    frmSubscriberSearch dialog(m_program);
    dialog.Form_Load();
    m_program.ui.showForm(dialog, true);
    if (!dialog.chosenObjectId) {
      setPair(display, object, "", "");
      return;
    }
    const Grid& rows = m_page1.myGrid;
    for (int r = 1; r < rows.rows(); ++r) {
      if (rows.cell(r, "Delete").value == 1 && iequals(rows.cell(r, "ObjectID").text, *dialog.chosenObjectId)) {
        m_program.MsgBox(kSetToBeDeleted);
        setPair(display, object, "", "");
        return;
      }
    }
    setPair(display, object, dialog.chosenDisplayName, *dialog.chosenObjectId);
  });
}

void frmDomino2::cmdNext_Click() {
  Program& p = m_program;
  trap("cmdNext_Click", [&] {
    for (const Check& c : kRequired) {
      if (text(c.box).empty()) {
        p.MsgBox(c.message);
        return;
      }
    }
    p.ui.setHourglass(true);
    Control& progress = control("lblProgress");
    progress.caption = "Removing subscribers from Orvix database...";
    progress.visible = true;
    touch();
    p.ui.DoEvents();
    p.log.WriteToLog("**** Deleting subscriber that could not be resolved in the Domino Directory ****");
    const Grid& rows = m_page1.myGrid;
    for (int r = 1; r < rows.rows(); ++r) {
      if (rows.cell(r, "Delete").value != 1) continue;
      p.log.WriteToLog("    Deleting subscriber with alias=" + rows.cell(r, "Alias").text);
      DeleteSubscriber(rows.cell(r, "ObjectID").text);
      p.log.WriteToLog("        Delete complete");
    }
    m_page1.mainForm().tick("chkNormalizingDB");
    p.log.WriteToLog("**** subscriber deletion process complete ****");
    p.ui.setHourglass(false);
    p.ui.closeForm(*this);
  });
}

// Page 1 is still shown and waiting for this page: closing this page returns
// there, and page 1 then ends the wizard as its Next does.
void frmDomino2::cmdPrevious_Click() {
  trap("cmdPrevious_Click", [&] { m_program.ui.closeForm(*this); });
}

void frmDomino2::DeleteSubscriber(const std::string& objectId) {
  Program& p = m_program;
  const data::Variant id(objectId);
  const auto logTrap = [&](auto&& statement) {
    if (auto e = trapStatement(statement))
      p.log.WriteToLog("(error):" + std::to_string(e->number) + " (" + e->description +
                       ") in procedure DeleteSubscriber in Form frmDomino2");
  };
  std::unique_ptr<data::Connection> cn;
  logTrap([&] {
    cn = std::make_unique<data::Connection>(p.machine);
    cn->open(p.connectionString);
  });
  if (!cn || !cn->isOpen()) return;
  const auto command = [&](const char* procedure) {
    auto c = std::make_unique<data::Command>();
    c->setActiveConnection(*cn);
    c->setCommandType(data::adCmdStoredProc);
    c->setCommandText(procedure);
    return c;
  };
  const auto throughRecordset = [](data::Command& c) {
    data::Recordset rs;
    rs.setCursorLocation(data::adUseClient);
    rs.open(c, data::adOpenKeyset, data::adLockReadOnly);
    if (rs.state() == data::adStateOpen) rs.close();
  };
  logTrap([&] {
    auto c = command("sp_PreDeleteObject");
    using data::adGUID, data::adInteger, data::adVarWChar;
    const data::Variant handler = data::Variant(text("txtCallHandlerAfterMessageObjectID"));
    const data::Variant exit = data::Variant(text("txtCallHandlerExitDestinationObjectID"));
    param(*c, "@ObjectID", adGUID, id);
    param(*c, "@ObjectType", adInteger, 1);
    param(*c, "@CallerInputAction", adInteger, control("optUserInputHangUp").value == 1 ? 1 : 0);
    param(*c, "@CallerInputConversationName", adVarWChar, "PHTransfer");
    param(*c, "@CallerInputDestObjectID", adGUID, id);
    param(*c, "@CallerInputDestObjectIDType", adInteger, 2);
    param(*c, "@AfterMessageDestObjectID", adGUID, handler);
    param(*c, "@AfterMessageDestObjectIDType", adInteger, 2);
    param(*c, "@AfterMessageConversationName", adVarWChar, "PHTransfer");
    param(*c, "@AfterMessageAction", adInteger, 2);
    param(*c, "@AfterGreetingAction", adInteger, 4);
    param(*c, "@AfterGreetingConversationName", adVarWChar, "PHTransfer");
    param(*c, "@AfterGreetingDestObjectID", adGUID, id);
    param(*c, "@AfterGreetingDestObjectIDType", adInteger, 2);
    param(*c, "@SubExitObjectID", adGUID, exit);
    param(*c, "@NameLookupHandlerExitObjectID", adGUID, exit);
    param(*c, "@SubExitObjectIDType", adInteger, 2);
    param(*c, "@NameLookupHandlerExitObjectIDType", adInteger, 2);
    param(*c, "@SubExitConversationName", adVarWChar, "PHTransfer");
    param(*c, "@NameLookupHandlerExitConversationName", adVarWChar, "PHTransfer");
    param(*c, "@SubExitAction", adInteger, 2);
    param(*c, "@NameLookupHandlerExitAction", adInteger, 2);
    throughRecordset(*c);
  });
  const data::Variant replacement(text("txtOwnerRecipientSubscriberObjectID"));
  logTrap([&] {
    auto c = command("sp_ChangeOwner");
    param(*c, "@PrevOwnerObjectID", data::adGUID, id);
    param(*c, "@NewOwnerObjectID", data::adGUID, replacement);
    param(*c, "@NewOwnerObjectIDType", data::adInteger, 1);
    throughRecordset(*c);
  });
  logTrap([&] {
    auto c = command("sp_ChangeRecipient");
    param(*c, "@PrevRecipientObjectID", data::adGUID, id);
    param(*c, "@NewRecipientObjectID", data::adGUID, replacement);
    param(*c, "@NewRecipientObjectIDType", data::adInteger, 1);
    c->execute();
  });
  logTrap([&] {
    auto c = command("sp_DeleteSubscriber");
    param(*c, "@SubscriberObjectID", data::adGUID, id);
    param(*c, "@DirectorySync", data::adInteger, 0);
    c->execute();
  });
  try {
    cn->close();
  } catch (...) {
  }
}

}  // namespace vrel::restore
