// GetSQLInfo: the fresh installation's identities, read before the restore.
#include "platform/data/Recordset.h"
#include "restore/preserve/SQLInfo.h"
#include "restore/preserve/SQLInfoSupport.h"

#include <exception>

namespace vrel::restore {

namespace {

// Every run-time error of GetSQLInfo is ignored: the step that failed leaves
// its values empty and the next step goes on.
template <typename F>
void quietly(F&& step) {
  try {
    step();
  } catch (const std::exception&) {
  }
}

}  // namespace

void SQLInfo::GetSQLInfo(NewInstallSqlValues& out) {
  out = NewInstallSqlValues{};
  using namespace data;
  quietly([&] {
    Recordset rs;
    rs.open("Select * from OrvixSetupParameters", m_machine, m_connectionString, adOpenKeyset, adLockOptimistic);
    if (!findFromFirst(rs, "Name='@SystemId'")) {
      m_log.WriteToLog("(error) could not find SystemID key in the OrvixSetupParameters table in SQL");
    } else {
      out.newSystemId = fieldText(rs, "Value");
      m_log.WriteToLog("    New SystemID value=" + out.newSystemId);
    }
    rs.close();
  });

  m_log.WriteToLog("    Connecting to SQL with string: " + m_connectionString);
  m_log.WriteToLog("    Getting data from MailboxStore table");
  quietly([&] {
    Recordset rs;
    rs.open("Select * from MailboxStore", m_machine, m_connectionString, adOpenStatic, adLockReadOnly);
    if (!(rs.bof() && rs.eof())) {
      rs.moveFirst();
      out.mailStoreAlias = fieldText(rs, "Alias");
      out.mailStoreDirectoryId = fieldText(rs, "DirectoryID");
      out.mailDatabaseIndex = fieldText(rs, "mailDatabaseIndex");
      out.mailDatabase = fieldText(rs, "MailDatabase");
    } else {
      m_log.WriteToLog(
          "(error) the MailboxStore table is empty - the current installation is not valid and the restore will "
          "not work properly");
    }
  });
  m_log.WriteToLog("       MailboxStoreAlias=" + out.mailStoreAlias);
  m_log.WriteToLog("       MailboxStoreDirectoryID=" + out.mailStoreDirectoryId);
  m_log.WriteToLog("       MailboxStoreMailDatabaseIndex=" + out.mailDatabaseIndex);
  m_log.WriteToLog("       MailboxStoreMAilDatabase=" + out.mailDatabase);

  m_log.WriteToLog("    Getting data from Subscriber table");
  quietly([&] {
    Recordset rs;
    rs.open("Select MailTransferAgent, alias from Subscriber", m_machine, m_connectionString, adOpenStatic,
            adLockReadOnly);
    if (!(rs.bof() && rs.eof())) rs.moveFirst();
    while (!rs.eof() && rs.fields("MailTransferAgent").isNull()) rs.moveNext();
    if (rs.eof()) {
      m_log.WriteToLog("      MailTransferAgent is empty");
    } else {
      out.mailTransferAgent = fieldText(rs, "MailTransferAgent");
      m_log.WriteToLog("       MailTransferAgent=" + out.mailTransferAgent);
    }
  });

  quietly([&] {
    Recordset rs;
    rs.open(viewsAvailable() ? "Select Alias, UID, DirectoryID from vw_Subscriber"
                             : "Select Alias, UID, DirectoryID from Subscriber",
            m_machine, m_connectionString, adOpenKeyset, adLockReadOnly);
    const bool eadmin = findFromFirst(rs, "Alias='EAdmin'") ||
                        findFromFirst(rs, "Alias=" + criteriaQuote("EAdmin" + out.newSystemId)) ||
                        findFromFirst(rs, "Alias='EAdministrator'") || findFromFirst(rs, "Alias LIKE 'EAdmin%'");
    if (!eadmin) {
      m_log.WriteToLog(
          "(error) could not find new example administrator account in the current SQL database - this usually "
          "means the clean install did not complete properly and the restore may not be valid.");
    } else {
      out.eadminDirectoryId = fieldText(rs, "DirectoryID");
    }
    if (findFromFirst(rs, "Alias='ESubscriber'")) out.esubscriberDirectoryId = fieldText(rs, "DirectoryID");
    if (!findFromFirst(rs, "Alias='Installer'")) {
      m_log.WriteToLog("(error) could not find Installer account in subscriber table.");
    } else {
      out.installerUid = fieldText(rs, "UID");
      m_log.WriteToLog("    Installer UID=" + out.installerUid);
    }
  });

  quietly([&] {
    Recordset rs;
    rs.open(viewsAvailable() ? "Select Alias, DirectoryID, HomeServer, UID from vw_Location"
                             : "Select Alias, DirectoryID, HomeServer, UID from Location",
            m_machine, m_connectionString, adOpenStatic, adLockReadOnly);
    if (rs.bof() && rs.eof()) return;
    rs.moveFirst();
    out.locationDirectoryId = fieldText(rs, "DirectoryID");
    out.locationUid = fieldText(rs, "UID");
    out.locationHomeServer = fieldText(rs, "HomeServer");
  });

  quietly([&] {
    Recordset rs;
    rs.open("Select Alias, DirectoryID from DistributionList", m_machine, m_connectionString, adOpenStatic,
            adLockReadOnly);
    struct List {
      const char* alias;
      std::string* target;
      const char* missing;
    } lists[] = {
        {"allsubscribers", &out.allSubscribersDirectoryId,
         "(error) could not find new All Subscribers distribution list using alias=AllSubscribers"},
        {"unaddressedmessages", &out.unaddressedMessagesDirectoryId,
         "(error) could not find new Unaddressed Messages distribution list using alias=UnaddressedMessages"},
        {"systemeventmessages", &out.systemEventMessagesDirectoryId,
         "(error) could not find new system event messages distribution list using alias=systemeventmessages"},
    };
    for (const List& l : lists) {
      quietly([&] {
        if (findFromFirst(rs, "Alias=" + criteriaQuote(l.alias)) ||
            findFromFirst(rs, "Alias=" + criteriaQuote(l.alias + out.newSystemId)))
          *l.target = fieldText(rs, "DirectoryID");
        else
          m_log.WriteToLog(l.missing + out.newSystemId);
      });
    }
  });
}

}  // namespace vrel::restore
