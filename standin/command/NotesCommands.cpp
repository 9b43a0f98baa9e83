// standin notes ... and standin eventlog ...: the Domino address books of
// the machine and its event logs.
#include "platform/EventLog.h"
#include "platform/Text.h"
#include "standin/command/Commands.h"
#include "standin/notes/NotesStore.h"

#include <cstdio>
#include <cstdlib>

namespace vrel::standin {

namespace {

constexpr const char* kMailServers = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers";

// "ITEM=V1;V2" -> the item and its text list.
bool parseItem(const std::string& arg, NotesItem& item) {
  const std::size_t eq = arg.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  item.name = arg.substr(0, eq);
  std::string rest = arg.substr(eq + 1);
  for (std::size_t start = 0;;) {
    const std::size_t semi = rest.find(';', start);
    item.values.push_back(rest.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return true;
}

int configureBook(Machine& m, int number, const std::string& server, const std::string& database) {
  const std::string key = std::string(kMailServers) + "\\" + std::to_string(number);
  Registry& reg = m.registry();
  const bool ok = reg.createKey(Hive::LocalMachine, key) == kRegOk &&
                  reg.setValue(Hive::LocalMachine, key, RegValue::dword("AddressBookId", static_cast<std::uint32_t>(number))) == kRegOk &&
                  reg.setValue(Hive::LocalMachine, key, RegValue::text("ServerName", server)) == kRegOk &&
                  reg.setValue(Hive::LocalMachine, key, RegValue::text("Database", database)) == kRegOk;
  if (!ok) std::fprintf(stderr, "standin: cannot configure address book %d\n", number);
  return ok ? 0 : 1;
}

int notesBook(Machine& m, NotesStore& store, const Args& a) {
  if (a.size() != 4 && !(a.size() == 6 && a[4] == "--id")) return usage("notes book SERVER DATABASE [--id N]");
  if (!store.book(a[2], a[3], true)) return 1;
  if (a.size() == 6) {
    const int number = std::atoi(a[5].c_str());
    if (number < 0 || number > 99) return usage("an address book number is 0 to 99");
    return configureBook(m, number, a[2], a[3]);
  }
  return 0;
}

int notesPerson(NotesStore& store, const Args& a) {
  if (a.size() < 5) return usage("notes person SERVER DATABASE [--unid HEX] ITEM=VALUE[;VALUE...]...");
  const auto book = store.book(a[2], a[3], false);
  if (!book) return usage("no address book " + a[2] + "!!" + a[3]);
  std::size_t at = 4;
  Unid unid = derivedUnid("Person:" + a[2] + "|" + a[3] + "|" + a[4]);
  if (a[at] == "--unid") {
    const auto given = at + 1 < a.size() ? unidFromHex(a[at + 1]) : std::nullopt;
    if (!given) return usage("--unid takes 32 hex digits");
    unid = *given;
    at += 2;
  }
  std::vector<NotesItem> items;
  for (; at < a.size(); ++at) {
    NotesItem item;
    if (!parseItem(a[at], item)) return usage("an item is ITEM=VALUE[;VALUE...]: " + a[at]);
    items.push_back(std::move(item));
  }
  std::string error;
  if (!store.putNote(*book, unid, items, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s\n", unidHex(unid).c_str());
  return 0;
}

int notesFault(NotesStore& store, const Args& a) {
  if (a.size() != 4) return usage("notes fault CALL crash|STATUS|off");
  std::optional<NotesFault> fault;
  if (a[3] == "crash") {
    fault = NotesFault{NotesFault::Crash, 0};
  } else if (a[3] != "off") {
    const long status = std::strtol(a[3].c_str(), nullptr, 0);
    if (status <= 0 || status > 0xFFFF) return usage("a fault status is 1 to 65535");
    fault = NotesFault{NotesFault::Status, static_cast<std::uint16_t>(status)};
  }
  std::string error;
  return store.setFault(a[2], fault, error) ? 0 : 1;
}

}  // namespace

int cmdNotes(const Args& a) {
  if (a.size() < 2) return usage("notes needs show, book, person, delete or fault");
  auto m = openMachine();
  if (!m) return 1;
  NotesStore store;
  std::string error;
  if (!store.open(*m, error)) {
    std::fprintf(stderr, "standin: %s\n", error.c_str());
    return 1;
  }
  if (a[1] == "show") {
    for (const std::string& line : store.listing()) std::printf("%s\n", line.c_str());
    return 0;
  }
  if (a[1] == "book") return notesBook(*m, store, a);
  if (a[1] == "person") return notesPerson(store, a);
  if (a[1] == "fault") return notesFault(store, a);
  if (a[1] == "delete" && a.size() == 5) {
    const auto book = store.book(a[2], a[3], false);
    const auto unid = unidFromHex(a[4]);
    return book && unid && store.deleteNote(*book, *unid) ? 0 : 1;
  }
  return usage("notes needs show, book, person, delete or fault");
}

int cmdEventLog(const Args& a) {
  const std::string log = a.size() > 2 ? a[2] : "Application";
  if (a.size() < 2 || a.size() > 3 || (a[1] != "show" && a[1] != "clear"))
    return usage("eventlog show|clear [LOG]");
  auto m = openMachine();
  if (!m) return 1;
  EventLog events(*m);
  if (a[1] == "clear") {
    std::string error;
    return events.clear(log, error) ? 0 : 1;
  }
  for (const EventRecord& r : events.read(log)) {
    std::printf("%lld\t%s\ttype %u\tcategory %u\tevent %u\n", static_cast<long long>(r.number), r.source.c_str(),
                r.type, r.category, r.eventId);
    for (const std::string& s : r.strings) {
      std::string shown = s;
      for (char& c : shown)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
      std::printf("\t%s\n", shown.c_str());
    }
  }
  return 0;
}

}  // namespace vrel::standin
