#include "restore/aliases/Exchange2007.h"

#include "platform/data/Recordset.h"
#include "restore/run/Program.h"
#include "restore/run/VbError.h"

namespace vrel::restore {

bool bExchange2007MailstorePresent(Program& program) {
  if (!program.module1.bLocalVersionAtLeast(5, 0, 0, 0)) return false;
  bool present = false;
  try {
    data::Recordset rs;
    rs.setCursorLocation(data::adUseClient);
    rs.open("SELECT Alias, MailstoreType FROM vw_MailboxStore WHERE MailstoreType=2", program.machine,
            program.connectionString, data::adOpenKeyset, data::adLockReadOnly);
    present = rs.recordCount() > 0;
    rs.close();
  } catch (const data::AdoError& e) {
    program.MsgBox("Error in bExchange2007MailstorePresent:" + e.description);
  } catch (const VbError& e) {
    program.MsgBox("Error in bExchange2007MailstorePresent:" + e.description);
  }
  return present;
}

}  // namespace vrel::restore
