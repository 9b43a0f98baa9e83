// standin backup: writes a disaster-recovery backup folder of the machine's
// server, item for item as the separate backup tool lays it out:
//   "OrvixDBBackUp.sql", "ReportDBBackup.sql"   database images
//   "OrvixReg.reg"              HKEY_LOCAL_MACHINE\SOFTWARE\Tremarc as regedit 5.00 exports it
//   "BackedUpVersionInfo.txt"   [VersionInfo] Major, Minor, Build, Rev
//   "SubscriberInfo.mdb"        table Subscribers: object ID, alias, old mailbox DN
//   "messages"                  one "<alias>.PST" per subscriber with a mailbox
//   "MDBCertificate.MDB"        copy of the message-aging service's certificate database
//   "routing.rul", "Stream Files", "DefaultConfig", "EMSDatabase"   from the install root
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::standin {

struct BackupReport {
  std::vector<std::string> written;  // items written, by their names in the folder
  std::vector<std::string> skipped;  // optional items the server has not, with the reason
};

// Backs up the server of machine into folder (a Windows path, created when
// missing; items already there are replaced). False with error when a
// required item (the main database, the registry branch) or any write fails.
bool backupServer(Machine& machine, const std::string& folder, BackupReport& report, std::string& error);

// The version numbers as the restore reads them from "Version Number" and
// "Build Number" under HKEY_LOCAL_MACHINE "Software\Tremarc\": the text of
// BackedUpVersionInfo.txt with CRLF line ends.
std::string versionInfoText(std::uint32_t versionNumber, std::uint32_t buildNumber);

// "cn=a,cn=Recipients,ou=S,o=O" -> "/o=O/ou=S/cn=Recipients/cn=a"; any other
// form of address is kept as it is.
std::string mailboxDn(const std::string& addressId);

// True when name can be one file name in a folder (no separators, no
// wildcard or reserved characters, not "." or "..").
bool isPlainFileName(const std::string& name);

// The "messages" folder and "SubscriberInfo.mdb" (BackupSubscribers.cpp).
bool backupSubscribers(Machine& machine, const std::string& folder, BackupReport& report, std::string& error);

}  // namespace vrel::standin
