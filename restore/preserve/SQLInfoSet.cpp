// SetSQLInfo: the fresh installation's identities written into the restored
// database.
#include "platform/Text.h"
#include "platform/data/Recordset.h"
#include "restore/preserve/SQLInfo.h"
#include "restore/preserve/SQLInfoSupport.h"

#include <cstdint>
#include <exception>

namespace vrel::restore {

namespace {

constexpr const char* kNoRepresentation = "This usually means there was not representation of this object in the directory.";

}  // namespace

template <typename F>
void SQLInfo::trapped(F&& statement) {
  try {
    statement();
  } catch (const std::exception& e) {
    m_log.WriteToLog(std::string("(error) in SetSQLInfo routine: ") + e.what());
  }
}

void SQLInfo::SetSQLInfo(const SetSqlInfoArgs& in) {
  using namespace data;
  m_log.WriteToLog("Restoring saved SQL info from new install's database");
  trapped([&] {
    Recordset rs;
    rs.open("Select Alias, DirectoryID, ObjectChangedID from Subscriber", m_machine, m_connectionString,
            adOpenStatic, adLockOptimistic);
    const bool eadmin = findFromFirst(rs, "Alias='EAdmin'") || findFromFirst(rs, "Alias='EAdministrator'") ||
                        findFromFirst(rs, "Alias=" + criteriaQuote("EAdmin" + in.oldSystemId));
    if (!eadmin) {
      m_log.WriteToLog(
          "(error) unable to find alias 'EADmin' in the subscriber table in SQL.  The default setup may not have "
          "completed proplery.");
    } else if (in.eadminDirectoryId.size() >= 2) {
      trapped([&] {
        rs.fields("DirectoryID") = Variant(in.eadminDirectoryId);
        rs.fields("ObjectChangedID") = Variant(1);
        rs.update();
        m_log.WriteToLog("    EAdmin subscriber directory ID set to:" + in.eadminDirectoryId);
      });
    } else {
      m_log.WriteToLog(
          "(error) the backed up database has a NULL value for the DirectoryID of the Example Administrator object "
          "in the Subscriber table.");
      m_log.WriteToLog(kNoRepresentation);
    }

    if (!findFromFirst(rs, "Alias='ESubscriber'")) {
      if (!viewsAvailable())
        m_log.WriteToLog(
            "(error) unable to find alias 'ESubscriber' in the subscriber table in SQL.  The default setup may not "
            "have completed proplery.");
    } else if (in.esubscriberDirectoryId.size() >= 2) {
      trapped([&] {
        rs.fields("DirectoryID") = Variant(in.esubscriberDirectoryId);
        rs.fields("ObjectChangedID") = Variant(1);
        rs.update();
        m_log.WriteToLog("    ESubscriber direcotry ID set to:" + in.esubscriberDirectoryId);
      });
    } else {
      m_log.WriteToLog(
          "(error) the backed up database has a NULL value for the DirectoryID of the Example subscriber object in "
          "the Subscriber table.");
      m_log.WriteToLog(kNoRepresentation);
    }
  });
  setLocations(in);
  setDistributionLists(in);
  removeDuplicateSystemLists(in);
}

void SQLInfo::setLocations(const SetSqlInfoArgs& in) {
  using namespace data;
  m_log.WriteToLog("    Locations");
  trapped([&] {
    Recordset rs;
    rs.open("Select Alias, DirectoryID, ObjectChangedID, HomeServer, UID, SystemID from Location", m_machine,
            m_connectionString, adOpenStatic, adLockOptimistic);
    if (rs.bof() && rs.eof()) {
      m_log.WriteToLog("(error) no location objects found!  The default setup may not have completed properly.");
      return;
    }
    const bool goodId = in.locationDirectoryId.size() >= 2;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
      const std::string alias = fieldText(rs, "Alias");
      const bool isDefault = iequals(alias, "default");
      m_log.WriteToLog("    Modifying location object with alias=" + alias);
      if (!goodId) {
        m_log.WriteToLog(
            "(error) the backed up database has a NULL value for the DirectoryID of the default location object.");
        m_log.WriteToLog(
            "This usually means there was not representation of this location in the directory which can cause "
            "problems with networking features.");
      }
      if (isDefault) {
        m_log.WriteToLog("        DirectoryID=" + in.locationDirectoryId);
        m_log.WriteToLog("        UID=" + in.locationUid);
      }
      m_log.WriteToLog("        HomeServer=" + in.locationHomeServer);
      m_log.WriteToLog("        SystemID=" + in.newSystemId);
      trapped([&] {
        if (isDefault) {
          rs.fields("DirectoryID") = goodId ? Variant(in.locationDirectoryId) : Variant(1);
          rs.fields("UID") = Variant(in.locationUid);
          m_log.WriteToLog("    Default Location object directory ID set to:" + in.locationDirectoryId);
        }
        rs.fields("HomeServer") = Variant(in.locationHomeServer);
        trapped([&] { rs.fields("SystemID") = Variant(systemIdNumber(in.newSystemId, "SetSQLInfo")); });
        rs.fields("ObjectChangedID") = Variant(1);
        rs.update();
      });
      if (rs.editMode() != adEditNone) rs.cancelUpdate();
    }
  });
}

void SQLInfo::setDistributionLists(const SetSqlInfoArgs& in) {
  using namespace data;
  struct List {
    const char* uid;
    const char* alias;
    const std::string* newId;
    bool needsLongId;
    const char* missing;
    const char* setLine;
    const char* shortLine;
  } lists[] = {
      {"AllSubscribers", "allsubscribers", &in.allSubscribersDirectoryId, true,
       "(error) unable to find alias 'AllSubscribers' in the DistributionList table in SQL.  The default setup may "
       "not have completed proplery.",
       "    AllSubscribers DL directory ID set to:",
       "(error) the backed up database has a NULL value for the DirectoryID of the AllSubscirbers object in the "
       "DistributionList table."},
      {"unaddressedmessages", "unaddressedmessages", &in.unaddressedMessagesDirectoryId, true,
       "(error) unable to find alias 'UnaddressedMessages' in the DistributionList table in SQL.  The default setup "
       "may not have completed proplery.",
       "    UnaddressedMessages DL directory ID set to:",
       "(error) the backed up database has a NULL value for the DirectoryID of the UnaddressedMessages object in "
       "the DistributionList table."},
      {"systemeventmessages", "systemeventmessages", &in.systemEventMessagesDirectoryId, false,
       "(error) unable to find alias 'SystemEventMessages' in the DistributionList table in SQL.  The default setup "
       "may not have completed proplery.",
       "    SystemEventMessages DL directory ID set to:", nullptr},
  };
  trapped([&] {
    Recordset rs;
    rs.open("Select UID, Alias, DirectoryID, ObjectChangedID from DistributionList", m_machine, m_connectionString,
            adOpenStatic, adLockOptimistic);
    for (const List& l : lists) {
      trapped([&] {
        const bool found = findFromFirst(rs, "UID=" + criteriaQuote(l.uid + in.oldSystemId)) ||
                           findFromFirst(rs, "Alias=" + criteriaQuote(l.alias));
        if (!found) {
          m_log.WriteToLog(l.missing);
        } else if (!l.needsLongId || l.newId->size() >= 2) {
          rs.fields("DirectoryID") = Variant(*l.newId);
          rs.fields("ObjectChangedID") = Variant(1);
          rs.update();
          m_log.WriteToLog(l.setLine + *l.newId);
        } else {
          m_log.WriteToLog(l.shortLine);
          m_log.WriteToLog(kNoRepresentation);
        }
      });
    }
    rs.close();
  });
}

void SQLInfo::removeDuplicateSystemLists(const SetSqlInfoArgs& in) {
  using namespace data;
  trapped([&] {
    Recordset rs;
    rs.open("Select UID, Alias, DirectoryID, ObjectChangedID from DistributionList", m_machine, m_connectionString,
            adOpenStatic, adLockOptimistic);
    for (const char* name : {"AllSubscribers", "UnaddressedMessages", "SystemEventMessages"}) {
      const std::string keepUid = name + in.oldSystemId;
      if (findFromFirst(rs, "UID=" + criteriaQuote(keepUid))) {
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
          if (iequals(fieldText(rs, "Alias"), name) && !iequals(fieldText(rs, "UID"), keepUid)) {
            m_log.WriteToLog("    Removing DL reference in SQL.  UID=" + fieldText(rs, "UID"));
            rs.deleteRecord();
          }
        }
      }
      rs.requery();
      if (!(rs.bof() && rs.eof())) rs.moveFirst();
    }
  });
}

}  // namespace vrel::restore
