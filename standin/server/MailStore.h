// The machine's mail store: "C:\MailStore\<store>\<alias>\" holds a
// mailbox's messages, one file each. A ".PST" export of a mailbox is its
// messages in name order: the line "VRELPST1", then per message a line
// "Message: <file name> <length in bytes>", the message's bytes and a line
// end (all line ends CR LF).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vrel {
class Files;
class Machine;
}  // namespace vrel

namespace vrel::standin {

inline constexpr const char* kMailStoreRoot = "C:\\MailStore";

struct PstMessage {
  std::string name;
  std::string body;
};

// The export of a mailbox folder.
std::string exportPst(const Files& files, const std::string& mailboxFolder);
// False, with error, for data that is not a whole export; the messages read
// before the fault are kept in out.
bool parsePst(std::string_view data, std::vector<PstMessage>& out, std::string& error);

struct MailboxCount {
  std::string store;
  std::string alias;
  long messages = 0;
};
// Every mailbox of every store, by store and alias.
std::vector<MailboxCount> listMailboxes(Machine& machine);

// Merges messages into the store's mailbox (created when missing): a
// message whose name the mailbox holds already is left as it is. added
// counts the messages written.
bool mergeIntoMailbox(Machine& machine, const std::string& store, const std::string& alias,
                      const std::vector<PstMessage>& messages, long& added, std::string& error);

}  // namespace vrel::standin
