#include "restore/domino/frmDomino1.h"

#include "platform/Machine.h"
#include "platform/com/Activation.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/domino/frmDomino2.h"
#include "restore/run/VbError.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

using namespace domsvr;
using com::ComPtr;

namespace {

constexpr int kLoading = 130, kAliasFull = 131, kAliasShort = 132, kStatus = 133, kDelete = 134, kFirstName = 135,
              kLastName = 136, kLabel1 = 138, kLabel2 = 139, kLabel3 = 140, kCaption = 141, kFile = 142,
              kExportMenu = 143;
constexpr int kNotFound = 90, kSeveral = 91;
// GetUnmatchedSubscribers, bManualMatch and AddSubscriberToTable name the form so.
constexpr const char* kShortFormName = "frmDomino";
// Failed Next calls in a row after which the listing gives up.
constexpr int kFailureLimit = 10000;

}  // namespace

struct frmDomino1::Dom {
  ComPtr<IVrelDom> object;
};

frmDomino1::frmDomino1(Program& program, frmMain& main)
    : WizardForm("frmDomino1", program), m_main(main), m_dom(std::make_unique<Dom>()) {
  add("mnuFile", ControlKind::Menu);
  add("mnuExport", ControlKind::Menu, "mnuFile");
  addHelpMenus();
  for (const char* label : {"Label1", "Label2", "Label3"}) add(label, ControlKind::Label);
  add("myGrid", ControlKind::Grid);
  add("lblProgress", ControlKind::Label).visible = false;
  add("cmdRecalculate", ControlKind::Button).caption = "Recalculate";
  add("cmdNext", ControlKind::Button).caption = "Next >>";
  onClick("mnuExport", [this] { cmdExport_Click(); });
  onClick("cmdRecalculate", [this] { cmdRecalculate_Click(); });
  onClick("cmdNext", [this] { cmdNext_Click(); });
  onDblClick("myGrid", [this] { myGrid_DblClick(); });
  buildGrid();
}

frmDomino1::~frmDomino1() = default;

void frmDomino1::buildGrid() {
  myGrid.columns = {{"", "", false}, {"Status", ""},        {"Delete", "", true, true}, {"FirstName", ""},
                    {"LastName", ""}, {"Alias", ""},        {"AddressID", "", false},   {"ObjectID", "", false},
                    {"DirectoryID", "", false}};
}

void frmDomino1::Auto_Init() {
  caption = m_program.str(kCaption);
  control("mnuFile").caption = m_program.str(kFile);
  control("mnuExport").caption = m_program.str(kExportMenu);
  captionHelpMenus();
  control("Label1").caption = m_program.str(kLabel1);
  control("Label2").caption = m_program.str(kLabel2);
  control("Label3").caption = m_program.str(kLabel3);
  const bool fullName = m_program.module1.bLocalVersionAtLeast(4, 0, 3, 70);
  myGrid.columns[static_cast<std::size_t>(myGrid.column("Status"))].header = m_program.str(kStatus);
  myGrid.columns[static_cast<std::size_t>(myGrid.column("Delete"))].header = m_program.str(kDelete);
  myGrid.columns[static_cast<std::size_t>(myGrid.column("FirstName"))].header = m_program.str(kFirstName);
  myGrid.columns[static_cast<std::size_t>(myGrid.column("LastName"))].header = m_program.str(kLastName);
  myGrid.columns[static_cast<std::size_t>(myGrid.column("Alias"))].header =
      m_program.str(fullName ? kAliasFull : kAliasShort);
  ++myGrid.revision;
  touch();
}

void frmDomino1::Form_Load() {
  trap("Form_Load", [&] { Auto_Init(); });
  trap("Form_Load", [&] {
    const com::HRESULT h = com::Activation(m_program.machine)
                               .CoCreateInstance(com::guid(kClsidVrelDom), nullptr, com::CLSCTX_INPROC_SERVER, com::guid(kIidIVrelDom),
                                                 m_dom->object.outVoid());
    if (h == com::REGDB_E_CLASSNOTREG || h == com::kModuleNotFound || h == com::CO_E_ERRORINDLL)
      throw VbError(429, "ActiveX component can't create object");
    checkCom(h);
  });
  GetUnmatchedSubscribers();
  if (myGrid.rows() <= 1) {
    m_program.log.WriteToLog(
        "    No unmatched subscribers found in the Domino user table - no need to run resolution dialog");
    Form_Unload();
    unloaded = true;
  }
}

void frmDomino1::Form_Unload() {
  trap("Form_Unload", [&] { m_dom->object.reset(); });
}

void frmDomino1::GetUnmatchedSubscribers() {
  UiPort& ui = m_program.ui;
  ui.setHourglass(true);
  myGrid.reset();
  Control& progress = control("lblProgress");
  progress.caption = m_program.str(kLoading);
  progress.visible = true;
  touch();
  ui.DoEvents();
  trap("GetUnmatchedSubscribers", [&] {
    if (!m_dom->object) throw VbError(91, "Object variable or With block variable not set");
    ComPtr<IVrelDSubsIterator> iterator;
    checkCom(m_dom->object->GetNotAssosiatedSubsIterator(iterator.out()));
    // A row the server could not check is passed over (the iterator has moved
    // past it); the list ends only where the server says it does.
    for (int failures = 0; failures < kFailureLimit;) {
      std::int32_t end = 0;
      ComPtr<IVrelSub> sub;
      const com::HRESULT h = iterator->Next(&end, sub.out());
      if (end || h == hr(VRELDOM_E_VRELD_NO_MORE)) break;
      if (com::FAILED(h) || !sub) {
        ++failures;
        continue;
      }
      failures = 0;
      com::Bstr alias, first, last;
      com::Variant objectId;
      trap("GetUnmatchedSubscribers", [&] {
        checkCom(sub->get_Alias(alias.out()));
        std::string directoryId, addressId;
        const std::int16_t matches = bManualMatch(alias.text(), directoryId, addressId);
        checkCom(sub->get_FirstName(first.out()));
        checkCom(sub->get_LastName(last.out()));
        checkCom(sub->get_SubscriberObjectId(objectId.out()));
        AddSubscriberToTable(alias.text(), addressId, first.text(), last.text(), com::variantToText(objectId.get()),
                             directoryId, matches >= 2);
      }, kShortFormName);
    }
  }, kShortFormName);
  if (myGrid.rows() > 1) myGrid.autoSize(1, 350);
  progress.visible = false;
  touch();
  ui.setHourglass(false);
}

std::int16_t frmDomino1::bManualMatch(const std::string& alias, std::string& directoryId, std::string& addressId) {
  directoryId.clear();
  addressId.clear();
  std::int16_t count = 0;
  trap("bManualMatch", [&] {
    if (!m_dom->object) throw VbError(91, "Object variable or With block variable not set");
    ComPtr<IVrelDSubsIterator> matches;
    com::Bstr name(alias);
    checkCom(m_dom->object->FindMatches(name.get(), matches.out()));
    for (;;) {
      std::int32_t end = 0;
      ComPtr<IVrelSub> sub;
      matches->Next(&end, sub.out());  // its errors are ignored
      if (!sub) break;
      ++count;
      com::Bstr address, directory;
      checkCom(sub->get_AddressId(address.out()));
      checkCom(sub->get_DirectoryId(directory.out()));
      addressId = address.text();
      directoryId = directory.text();
    }
  }, kShortFormName);
  return count;
}

void frmDomino1::AddSubscriberToTable(const std::string& alias, const std::string& addressId,
                                      const std::string& firstName, const std::string& lastName,
                                      const std::string& objectId, const std::string& directoryId, bool multiple) {
  trap("AddSubscriberToTable", [&] {
    const int r = myGrid.addRow();
    myGrid.cell(r, "Alias").text = alias;
    myGrid.cell(r, "FirstName").text = firstName;
    myGrid.cell(r, "LastName").text = lastName;
    myGrid.cell(r, "AddressID").text = addressId;
    myGrid.cell(r, "ObjectID").text = objectId;
    myGrid.cell(r, "DirectoryID").text = directoryId;
    const bool keep = !directoryId.empty() && !multiple;
    myGrid.cell(r, "Delete").value = keep ? 0 : 1;
    myGrid.cell(r, "Status").picture = directoryId.empty() ? kNoMatch : multiple ? kMultipleMatches : kMatch;
  }, kShortFormName);
  touch();
}

void frmDomino1::myGrid_DblClick() {
  trap("myGrid_DblClick", [&] {
    const int r = myGrid.row;
    if (r < 1 || r >= myGrid.rows()) return;
    if (myGrid.cell(r, "Delete").value == 0) {
      myGrid.cell(r, "Delete").value = 1;
      touch();
      return;
    }
    std::string directoryId, addressId;
    const std::int16_t n = bManualMatch(myGrid.cell(r, "Alias").text, directoryId, addressId);
    myGrid.cell(r, "AddressID").text = addressId;
    myGrid.cell(r, "DirectoryID").text = directoryId;
    myGrid.cell(r, "Delete").value = n == 1 ? 0 : 1;
    myGrid.cell(r, "Status").picture = n == 0 ? kNoMatch : n == 1 ? kMatch : kMultipleMatches;
    touch();
    if (n == 0) m_program.MsgBox(m_program.str(kNotFound) + myGrid.cell(r, "Alias").text);
    if (n >= 2) m_program.MsgBox(m_program.str(kSeveral));
  });
}

void frmDomino1::cmdRecalculate_Click() { GetUnmatchedSubscribers(); }

void frmDomino1::cmdNext_Click() {
  RunLog& log = m_program.log;
  int toDelete = 0;
  trap("cmdNext_Click", [&] {
    log.WriteToLog("**** Setting DirectoryID values for resolved users in the Domino Directory ****");
    for (int r = 1; r < myGrid.rows(); ++r) {
      if (myGrid.cell(r, "Delete").value == 1) {
        ++toDelete;
        continue;
      }
      trap("cmdNext_Click", [&] { writeDirectoryId(r); });
    }
    log.WriteToLog("**** DirectoryID update process compelte ****");
  });
  trap("cmdNext_Click", [&] {
    if (toDelete > 0) {
      frmDomino2 page(m_program, *this);
      page.otherForms = otherForms;
      page.otherForms.push_back(this);
      page.Form_Load();
      m_program.ui.showForm(page, true);
    } else {
      m_main.tick("chkNormalizingDB");
    }
    m_program.ui.closeForm(*this);
  });
}

// The row's subscriber, found by its object ID (bound, never pasted into the
// statement), gets the row's directory ID.
void frmDomino1::writeDirectoryId(int r) {
  RunLog& log = m_program.log;
  const std::string alias = myGrid.cell(r, "Alias").text;
  const std::string objectId = myGrid.cell(r, "ObjectID").text;
  log.WriteToLog("    Updating subscriber with alias=" + alias);
  data::Connection cn(m_program.machine);
  cn.open(m_program.connectionString);
  data::Command command;
  command.setActiveConnection(cn);
  command.setCommandText("SELECT DirectoryID FROM Subscriber WHERE SubscriberObjectId=?");
  command.parameters().append(data::Command::createParameter({}, data::adVarWChar, data::adParamInput, 0,
                                                             data::Variant(objectId)));
  data::Recordset rs;
  rs.setCursorLocation(data::adUseClient);
  rs.open(command, data::adOpenKeyset, data::adLockPessimistic);
  if (rs.recordCount() != 1) {
    log.WriteToLog("(error) could not find subscriber in SQL by ObjectID=" + objectId);
  } else {
    rs.fields("DirectoryID") = data::Variant(myGrid.cell(r, "DirectoryID").text);
    rs.update();
    log.WriteToLog("    DirectoryID set to: " + rs.fields("DirectoryID").value().toString());
  }
  rs.close();
  cn.close();
}

}  // namespace vrel::restore
