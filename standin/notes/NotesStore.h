// The Domino side of a stand-in machine: the address books its Notes client
// reaches, their person documents (notes with text-list items) and the
// faults tests make the Notes calls show. One SQLite file, "notes.db" in the
// machine's folder; books are named by server and database file, never by
// a host path, so no name from data can reach outside it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vrel {
class Machine;
}

namespace vrel::standin {

// A note's universal ID as four 32-bit words in memory order.
using Unid = std::array<std::uint32_t, 4>;

// "%08X%08X%08X%08X"
std::string unidHex(const Unid& unid);
std::optional<Unid> unidFromHex(std::string_view hex);
// A UNID derived from a seed (first word never 0).
Unid derivedUnid(std::string_view seed);
// The directory ID of a person: "%02d%08X%08X%08X%08X".
std::string dominoDirectoryId(int addressBook, const Unid& unid);

struct NotesItem {
  std::string name;                 // "FullName"
  std::vector<std::string> values;  // the text list, UTF-8
};

struct NotesFault {
  enum Kind { Crash, Status } kind = Crash;
  std::uint16_t status = 0;
};

class NotesStore {
 public:
  NotesStore() = default;
  ~NotesStore();
  NotesStore(const NotesStore&) = delete;
  NotesStore& operator=(const NotesStore&) = delete;

  // Opens (creating) the machine's Notes data.
  bool open(Machine& machine, std::string& error);

  // The book of that server and database (any case); created when asked.
  std::optional<std::int64_t> book(std::string_view server, std::string_view database, bool create);
  // Adds or replaces a note with its items.
  bool putNote(std::int64_t book, const Unid& unid, const std::vector<NotesItem>& items, std::string& error);
  bool deleteNote(std::int64_t book, const Unid& unid);
  bool noteExists(std::int64_t book, const Unid& unid);
  // The entries of an item (empty when the item is missing).
  std::vector<std::string> textList(std::int64_t book, const Unid& unid, std::string_view item);
  // The names view: notes with a FullName or ShortName entry equal to name,
  // in view order (by the entry, then by UNID).
  std::vector<Unid> lookupName(std::int64_t book, std::string_view name, bool caseInsensitive);

  // A fault for a call ("NSFDbOpenExtended"); nullopt clears it.
  bool setFault(std::string_view call, std::optional<NotesFault> fault, std::string& error);
  std::optional<NotesFault> fault(std::string_view call);

  // What `standin notes show` prints: one line per book and note.
  std::vector<std::string> listing();

 private:
  struct Impl;
  Impl* m = nullptr;
};

// The Domino books a provisioned Domino server lives with: book 0 of its
// directory connector's list, and a person document for every Domino
// subscriber of OrvixDB whose DirectoryID names none yet (the subscriber's
// DirectoryID becomes the person's directory ID), as the directory monitor
// would leave them. False with error on a store failure.
bool syncDominoBooks(Machine& machine, std::string& error);

}  // namespace vrel::standin
