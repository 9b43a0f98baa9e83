// The pairing of old and new mailboxes that the message import needs:
// "SubscriberInfo.mdb" (written by the backup, copied into the program
// folder) gets each subscriber's new mailbox DN, and "Mailboxes.txt" in the
// program folder lists "old DN<tab>new DN" for every subscriber that has
// both, the list ExMerge's settings name.
#pragma once

#include <string>
#include <string_view>

namespace vrel::restore {

class Program;
class RunLog;

// True when the table and "Mailboxes.txt" were built; false when
// "SubscriberInfo.mdb" is missing or a database cannot be opened.
bool BuildSubscriberTable(Program& p, const std::string& newSystemId, const std::string& oldSystemId);

// "cn=box,cn=Recipients,ou=Site,o=Org" becomes "/o=Org/ou=Site/cn=Recipients/cn=box"
// (markers found ignoring case, parts keep their letters); empty text, after
// its error lines, when the address is too short or lacks a marker.
std::string strFormatMailboxDNString(RunLog& log, std::string_view raw);

}  // namespace vrel::restore
