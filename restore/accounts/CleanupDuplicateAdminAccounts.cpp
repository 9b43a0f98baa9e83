#include "restore/accounts/CleanupDuplicateAdminAccounts.h"

#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <array>
#include <string_view>

namespace vrel::restore {

namespace {

using data::Recordset;
using data::Variant;

constexpr const char* kSubscriberQuery =
    "Select Alias, Undeletable, SubscriberObjectID, CallHandlerObjectID from subscriber";
constexpr const char* kPrimaryHandlerQuery =
    "Select Alias, IsPrimary, CallHandlerObjectID, AdministratorObjectID, RecipientObjectID from CallHandler";
constexpr const char* kHandlerQuery =
    "Select Alias, AdministratorObjectID, RecipientObjectID, IsPrimary from CallHandler";
constexpr const char* kInterviewQuery = "select Alias, RecipientObjectID, AdministratorObjectID from InterviewHandler";

// One reference column moved from the old administrator's ID to the new
// one: the recordset it is walked in (consecutive steps on the same query
// share it), the filter's column as the criteria name it, whether only
// non-primary handlers count, the column written, and the log line per row
// with the column whose value follows it (none: the step logs nothing).
struct ReferenceStep {
  std::string_view query;
  const char* filterColumn;
  bool onlyNonPrimary;
  const char* column;
  const char* logText;
  const char* logColumn;
};

constexpr std::array<ReferenceStep, 8> kReferenceSteps = {{
    {kHandlerQuery, "AdministratorObjectId", true, "AdministratorObjectID",
     "        Updating administrator link for handler with alias=", "Alias"},
    {kHandlerQuery, "RecipientObjectId", false, "RecipientObjectID",
     "        Updating recipient link for handler with alias=", "Alias"},
    {kInterviewQuery, "RecipientObjectID", false, "RecipientObjectID",
     "        Updating recipient link for interview handler with alias=", "Alias"},
    {kInterviewQuery, "AdministratorObjectID", false, "AdministratorObjectID",
     "        Updating administrator link for interview handler with alias=", "Alias"},
    {"Select Alias, UID, AdministratorObjectID from DistributionList", "AdministratorObjectID", false,
     "AdministratorObjectID", "        Updating administrator link for distribution list with alias=", "Alias"},
    {"Select Alias, AdministratorObjectID from NameLookupHandler", "AdministratorObjectId", false,
     "AdministratorObjectID", nullptr, nullptr},
    {"Select MessagingRuleObjectID, DestinationObjectID from MessagingRule", "DestinationObjectID", false,
     "DestinationObjectID",
     "        Updating destination object id for messaging rule with objectid=", "MessagingRuleObjectID"},
    {"select MenuEntryObjectID, DestinationObjectID from MenuEntry", "DestinationObjectID", false,
     "DestinationObjectID", nullptr, nullptr},
}};

class AdminCleanup {
 public:
  AdminCleanup(Program& program, const std::string& systemId)
      : m_p(program), m_systemId(systemId), m_db(program.machine) {}

  void run();

 private:
  bool findAccounts(Recordset& subscribers);
  void removeEAdmin(Recordset& subscribers);
  void repairPrimaryHandler(Recordset& subscribers, Recordset& handlers);
  void moveReferences();
  void moveReference(Recordset& rs, const ReferenceStep& step);
  void removeOrphanExtensions();
  static void dropEdit(Recordset& rs) {
    trapStatement([&] {
      if (rs.isOpen() && rs.editMode() != data::adEditNone) rs.cancelUpdate();
    });
  }
  // Walks the visible rows from the first, each row under its own trap.
  template <class F>
  void eachRow(Recordset& rs, F&& perRow);

  // Runs one step under the procedure's trap; false when it failed. A
  // failed step leaves no half-made edit behind on rs.
  template <class F>
  bool trapped(F&& step, Recordset* rs = nullptr) {
    const auto e = trapStatement(std::forward<F>(step));
    if (!e) return true;
    if (rs) dropEdit(*rs);
    m_p.log.WriteToLog(procedureTrapLine("(error):", *e, "CleanupDuplicateAdminAccounts", "frmMain"));
    return false;
  }

  Program& m_p;
  const std::string& m_systemId;
  data::Connection m_db;
  std::string m_eadminCriteria;  // how step 1 found the EAdmin row
  std::string m_oldId;
  std::string m_newId;
};

void AdminCleanup::run() {
  if (!trapped([&] { m_db.open(m_p.connectionString); })) return;
  {
    Recordset subscribers;
    if (!findAccounts(subscribers)) return;
    RunLog& log = m_p.log;
    log.WriteToLog(
        "    Both EAdmin and EAdministrator objects found, cleaning up and removing EAdmin account references");
    log.WriteToLog("    ObjectID for EADmin=" + m_oldId);
    log.WriteToLog("    ObjectID for EADministrator=" + m_newId);
    Recordset handlers;
    trapped([&] { handlers.open(kPrimaryHandlerQuery, m_db, data::adOpenKeyset, data::adLockOptimistic); });
    removeEAdmin(subscribers);
    repairPrimaryHandler(subscribers, handlers);
    trapped([&] { subscribers.close(); });
    trapped([&] { handlers.close(); });
  }
  moveReferences();
  removeOrphanExtensions();
}

bool AdminCleanup::findAccounts(Recordset& subscribers) {
  bool both = false;
  trapped([&] {
    subscribers.open(kSubscriberQuery, m_db, data::adOpenKeyset, data::adLockOptimistic);
    const std::string withSystemId = "Alias=" + criteriaQuote("EAdmin" + m_systemId);
    if (findFromFirst(subscribers, "Alias='EAdmin'"))
      m_eadminCriteria = "Alias='EAdmin'";
    else if (findFromFirst(subscribers, withSystemId))
      m_eadminCriteria = withSystemId;
    else
      return;
    m_oldId = fieldText(subscribers, "SubscriberObjectID");
    if (!findFromFirst(subscribers, "Alias='EAdministrator'")) return;
    m_newId = fieldText(subscribers, "SubscriberObjectID");
    both = true;
  });
  if (both && (m_oldId.empty() || m_newId.empty())) {
    // Moving references onto an empty ID would cut them all.
    m_p.log.WriteToLog(
        "(error) EAdmin and EAdministrator found, but one of them has no ObjectID - duplicate administrator "
        "accounts left as they are");
    return false;
  }
  return both;
}

// The row found first is the one deleted, under whichever alias it was
// found ("EAdmin" or "EAdmin" + SystemID).
void AdminCleanup::removeEAdmin(Recordset& subscribers) {
  trapped(
      [&] {
        if (!findFromFirst(subscribers, m_eadminCriteria)) return;
        subscribers.fields("CallHandlerObjectID") = Variant::null();
        subscribers.fields("Undeletable") = Variant(0);
        subscribers.update();
        subscribers.deleteRecord();
      },
      &subscribers);
}

void AdminCleanup::repairPrimaryHandler(Recordset& subscribers, Recordset& handlers) {
  const bool repaired = trapped(
      [&] {
        const bool admin = findFromFirst(subscribers, "Alias='EAdministrator'");
        if (!findFromFirst(handlers, "Alias='ch_EAdministrator'")) {
          m_p.log.WriteToLog(
              "(error) could not find primary call handler for example administrator account - be sure to run "
              "dbRover 3.0.17 or later after restore and clean up broken links");
          return;
        }
        handlers.fields("AdministratorObjectID") = Variant(m_newId);
        handlers.fields("RecipientObjectID") = Variant(m_newId);
        handlers.fields("IsPrimary") = Variant(1);
        handlers.update();
        if (!admin) return;
        subscribers.fields("CallHandlerObjectID") = handlers.fields("CallHandlerObjectID").value();
        subscribers.update();
      },
      &handlers);
  if (!repaired) dropEdit(subscribers);
}

void AdminCleanup::moveReferences() {
  Recordset rs;
  bool opened = false;
  for (std::size_t i = 0; i < kReferenceSteps.size(); ++i) {
    const ReferenceStep& step = kReferenceSteps[i];
    // A table that cannot be opened is reported once, not once per step.
    if (i == 0 || step.query != kReferenceSteps[i - 1].query)
      opened = trapped([&] { rs.open(step.query, m_db, data::adOpenKeyset, data::adLockOptimistic); });
    if (opened) moveReference(rs, step);
    const bool tableDone = i + 1 == kReferenceSteps.size() || kReferenceSteps[i + 1].query != step.query;
    if (tableDone)
      trapped([&] {
        if (rs.isOpen()) rs.close();
      });
  }
}

// Every step acts from one matching row up, the handler-owner step too: a
// non-primary handler left owned by the deleted account would point at
// nothing.
void AdminCleanup::moveReference(Recordset& rs, const ReferenceStep& step) {
  std::string filter = std::string(step.filterColumn) + "=" + criteriaQuote(m_oldId);
  if (step.onlyNonPrimary) filter += " AND IsPrimary='0'";
  long matching = 0;
  if (!trapped([&] {
        rs.setFilter("");
        rs.setFilter(filter);
        matching = rs.recordCount();
      }))
    return;
  if (matching >= 1)
    eachRow(rs, [&] {
      if (step.logText) m_p.log.WriteToLog(step.logText + fieldText(rs, step.logColumn));
      rs.fields(step.column) = Variant(m_newId);
      rs.update();
    });
  trapped([&] { rs.setFilter(""); }, &rs);
}

void AdminCleanup::removeOrphanExtensions() {
  Recordset rs;
  if (!trapped([&] { rs.open("Select * from DTMFAccessID", m_db, data::adOpenKeyset, data::adLockOptimistic); }))
    return;
  eachRow(rs, [&] {
    if (rs.fields("DTMFAccessID").isNull() || rs.fields("ParentObjectID").isNull()) rs.deleteRecord();
  });
  trapped([&] { rs.close(); });
}

template <class F>
void AdminCleanup::eachRow(Recordset& rs, F&& perRow) {
  bool atEnd = true;
  if (!trapped([&] {
        atEnd = rs.bof() && rs.eof();
        if (!atEnd) rs.moveFirst();
      }))
    return;
  while (!atEnd) {
    trapped(perRow, &rs);
    // A row that cannot be left ends the walk rather than repeating it.
    if (!trapped(
            [&] {
              rs.moveNext();
              atEnd = rs.eof();
            },
            &rs))
      return;
  }
}

}  // namespace

void CleanupDuplicateAdminAccounts(Program& program, const std::string& systemId) {
  AdminCleanup(program, systemId).run();
}

}  // namespace vrel::restore
