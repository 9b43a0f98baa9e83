// Whether the server database lists an Exchange 2007 mail store: the
// restore cannot create users on such stores and ExMerge cannot import
// into them, so start-up and the backup-folder choice turn the message
// restore off when one is present.
#pragma once

namespace vrel::restore {

class Program;

// True when vw_MailboxStore holds a store of type 2. Servers below 5.0 have
// none and are not asked. A failure shows "Error in
// bExchange2007MailstorePresent:" and its description and gives false.
bool bExchange2007MailstorePresent(Program& program);

}  // namespace vrel::restore
