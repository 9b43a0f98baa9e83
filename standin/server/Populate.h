// standin populate: turns a fresh installation into a lived-in server with
// N subscribers and everything that refers to them (call handlers,
// extensions, messaging rules, menu entries, lists and memberships,
// notifications, stream files, mailboxes, report activity). The same seed
// on the same installation gives the same server, row for row and file for
// file.
#pragma once

#include <cstdint>
#include <string>

namespace vrel {
class Machine;
}

namespace vrel::standin {

inline constexpr int kMaxPopulateSubscribers = 100000;
// A server holds at most this many recordings ("Stream Files") and mailboxes
// with messages, however many subscribers it has: past that, recordings are
// spread evenly over the objects that would have one and only the first
// subscribers get messages, so a large site stays the size real ones have.
inline constexpr int kMaxPopulateStreamFiles = 20000;
inline constexpr int kMaxPopulateMailboxes = 10000;

struct PopulateOptions {
  int subscribers = 10;  // 1 to kMaxPopulateSubscribers
  std::uint64_t seed = 1;
  int maxMessagesPerMailbox = 4;
  // Adds "EAdministrator" beside "EAdmin", as an upgraded server holds
  // them, with references to "EAdmin" left in handlers, lists, rules and
  // menu entries, and extensions without an owner.
  bool bothAdmins = false;
};

struct PopulateResult {
  int subscribers = 0;
  int callHandlers = 0;  // primary and other
  int extensions = 0;
  int lists = 0;
  int streamFiles = 0;
  int messages = 0;
  int registryKeys = 0;
};

// Populates the machine's installed server once: refused when no server is
// installed or it has subscribers beyond a fresh installation's. The
// database rows go in one transaction; false with error on failure.
bool populateServer(Machine& machine, const PopulateOptions& options, PopulateResult& result, std::string& error);

}  // namespace vrel::standin
