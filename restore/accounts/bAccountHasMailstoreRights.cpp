#include "restore/accounts/bAccountHasMailstoreRights.h"

#include "platform/data/Recordset.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr const char* kStoreConnection = "Driver={SQL Server};server=;database=OrvixDb";
constexpr const char* kStoreQuery =
    "SELECT MailboxStore.MailboxStoreObjectID, MailboxStore.DirectoryID, MailboxStore.MailDatabase FROM MailboxStore "
    "INNER JOIN Subscriber ON Subscriber.MailboxStoreObjectID=MailboxStore.MailboxStoreObjectID GROUP BY "
    "MailboxStore.mailboxstoreobjectid, MailboxStore.MailDatabase, MailboxStore.DirectoryID";
constexpr std::int32_t kJapanese = 1041;
constexpr int kRightsMissing = 101;  // "The account you are logged in as does not have 'Send as' and 'Recieve as'..."
constexpr int kRightsAdvice = 102;   // "Backup of the message store will fail running Vrel with this account..."

}  // namespace

bool bAccountHasMailstoreRights(Program& p) {
  auto step = [&](auto&& statement) {
    if (auto e = trapStatement(statement))
      p.MsgBox(procedureTrapLine("(error):", *e, "bAccountHasMailstoreRights", "frmMain"));
  };
  const std::string folder = p.programFolder();
  data::Recordset rs;
  std::string list;
  step([&] { rs.open(kStoreQuery, p.machine, kStoreConnection, data::adOpenKeyset, data::adLockReadOnly); });
  step([&] {
    rs.moveFirst();
    const char* column = p.localize.currentLanguage == kJapanese ? "DirectoryID" : "MailDatabase";
    while (!rs.eof()) {
      list += rs.fields(column).value().toString() + "\r\n";
      rs.moveNext();
    }
  });
  step([&] {
    if (FileStatus st = p.files.writeAll(folder + "\\" + kRiloInputFile, utf8ToAnsi(list + "\r\n")); !st)
      throw VbError(st.number, st.description);
  });
  // Rilo reads and writes its files in its working folder: the program's.
  step([&] {
    p.setCurrentFolder(folder);
    const long task = p.external.Shell(folder + "\\RILO.EXE /i:MailstoreInput.txt", kMinimizedNoFocus);
    p.external.WaitForProcess(task, modCallExternalApp::kInfinite);
  });
  std::string failed;
  step([&] {
    std::string text;
    if (FileStatus st = p.files.readAll(folder + "\\" + kRiloOutputFile, text); !st)
      throw VbError(st.number, st.description);
    failed = failedStoreList(ansiToUtf8(text));
  });
  if (failed.empty()) return true;
  p.MsgBox(p.str(kRightsMissing) + "\r\n\r\n" + failed);
  p.MsgBox(p.str(kRightsAdvice));
  return false;
}

}  // namespace vrel::restore
