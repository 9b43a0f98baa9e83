// The stand-in Notes runtime: the Notes C API calls VrelDomSvr makes, over the
// address books of the machine named by VREL_MACHINE (NotesStore). Handles are
// small numbers of a process-wide table. A call with a fault set in the store
// returns the fault's status, or crashes with an access violation, as a
// misbehaving Notes client does.
#include "domsvr/NotesApi.h"

#include "platform/Machine.h"
#include "platform/Text.h"
#include "standin/notes/NotesStore.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <variant>
#include <vector>

namespace vrel::standin {
namespace {

// Status numbers of the stand-in runtime (ERR() values).
enum : STATUS {
  kErrNotInitialised = 0x0101,
  kErrNoFile = 0x0103,       // the database does not exist
  kErrBadHandle = 0x0105,
  kErrPathTooLong = 0x0106,
  kErrNoNote = 0x0225,       // no document with that UNID
  kErrNotFound = NOTES_ERR_NOT_FOUND,
};

struct Database {
  std::int64_t book;
};
struct Collection {
  std::int64_t book;
  std::vector<Unid> found;  // the entries of the last name search
};
struct Note {
  std::int64_t book;
  Unid unid;
};
struct Memory {
  std::vector<std::uint8_t> bytes;
};
using Object = std::variant<Database, Collection, Note, Memory>;

struct Runtime {
  std::mutex lock;
  int inits = 0;
  Machine* machine = nullptr;
  NotesStore store;
  std::map<DHANDLE, Object> handles;
  DHANDLE next = 1;
};

Runtime& runtime() {
  static Runtime r;
  return r;
}

// A real access violation: the address is neither null nor mapped.
__attribute__((noinline, no_sanitize("address", "undefined"))) void crash() {
  volatile std::uintptr_t address = 16;
  *reinterpret_cast<volatile int*>(address) = 1;
}

// The fault set for a call, if any: crashes, or gives the status to return.
STATUS faultFor(const char* call) {
  Runtime& r = runtime();
  std::optional<NotesFault> f;
  {
    std::lock_guard<std::mutex> g(r.lock);
    if (!r.machine) return 0;
    f = r.store.fault(call);
  }
  if (!f) return 0;
  if (f->kind == NotesFault::Crash) crash();
  return f->status;
}

template <class T>
T* object(DHANDLE h) {
  Runtime& r = runtime();
  auto it = r.handles.find(h);
  return it == r.handles.end() ? nullptr : std::get_if<T>(&it->second);
}

DHANDLE add(Object o) {
  Runtime& r = runtime();
  const DHANDLE h = r.next++;
  r.handles.emplace(h, std::move(o));
  return h;
}

const char* statusText(STATUS s) {
  switch (s) {
    case kErrNotInitialised: return "The Notes runtime has not been initialized";
    case kErrNoFile: return "File does not exist";
    case kErrBadHandle: return "Invalid handle";
    case kErrPathTooLong: return "Path name is too long";
    case kErrNoNote: return "Invalid or nonexistent document";
    case kErrNotFound: return "Entry not found in index";
    default: return "Unknown Notes error";
  }
}

}  // namespace
}  // namespace vrel::standin

using namespace vrel;
using namespace vrel::standin;

#define NOTES_FAULT(call)                         \
  if (const STATUS fault = faultFor(call); fault) \
  return fault

extern "C" {

STATUS NotesInitExtended(int, char**) {
  NOTES_FAULT("NotesInitExtended");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  if (r.inits++ > 0) return NOTES_NOERROR;
  std::string error;
  r.machine = Machine::processMachine();
  if (!r.machine || !r.store.open(*r.machine, error)) {
    r.machine = nullptr;
    r.inits = 0;
    return kErrNotInitialised;
  }
  return NOTES_NOERROR;
}

void NotesTerm(void) {
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  if (r.inits == 0 || --r.inits > 0) return;
  r.handles.clear();
  r.machine = nullptr;
}

STATUS OSPathNetConstruct(const char* port, const char* server, const char* file, char* path) {
  NOTES_FAULT("OSPathNetConstruct");
  std::string out;
  if (port && *port) out += std::string(port) + "!!!";
  if (server && *server) out += std::string(server) + "!!";
  out += file ? file : "";
  if (out.size() > 255) return kErrPathTooLong;
  std::memcpy(path, out.c_str(), out.size() + 1);
  return NOTES_NOERROR;
}

STATUS NSFDbOpenExtended(const char* path, WORD, DHANDLE, TIMEDATE*, DBHANDLE* db, TIMEDATE*, TIMEDATE*) {
  NOTES_FAULT("NSFDbOpenExtended");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  if (!r.machine) return kErrNotInitialised;
  const std::string text = ansiToUtf8(path ? path : "");
  const std::size_t bang = text.rfind("!!");
  const std::string server = bang == std::string::npos ? "" : text.substr(0, bang);
  const std::string file = bang == std::string::npos ? text : text.substr(bang + 2);
  const auto book = r.store.book(server, file, false);
  if (!book) return kErrNoFile;
  *db = add(Database{*book});
  return NOTES_NOERROR;
}

STATUS NSFDbClose(DBHANDLE db) {
  NOTES_FAULT("NSFDbClose");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  return r.handles.erase(db) ? NOTES_NOERROR : kErrBadHandle;
}

STATUS NIFFindDesignNoteExt(DBHANDLE db, const char* name, WORD noteClass, const char*, NOTEID* noteId, DWORD) {
  NOTES_FAULT("NIFFindDesignNoteExt");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  if (!object<Database>(db)) return kErrBadHandle;
  if (noteClass != NOTES_CLASS_VIEW || !name || !iequals(name, NOTES_NAMES_LOOKUP_VIEW)) return kErrNotFound;
  *noteId = 0x2E2;
  return NOTES_NOERROR;
}

STATUS NIFOpenCollection(DBHANDLE viewDb, DBHANDLE, NOTEID, WORD, DHANDLE, HCOLLECTION* collection, NOTEHANDLE*, UNID*,
                         DHANDLE*, DHANDLE*) {
  NOTES_FAULT("NIFOpenCollection");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  const Database* d = object<Database>(viewDb);
  if (!d) return kErrBadHandle;
  *collection = add(Collection{d->book, {}});
  return NOTES_NOERROR;
}

STATUS NIFFindByName(HCOLLECTION collection, const char* name, WORD flags, COLLECTIONPOSITION* position,
                     DWORD* matches) {
  NOTES_FAULT("NIFFindByName");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  Collection* c = object<Collection>(collection);
  if (!c) return kErrBadHandle;
  c->found = r.store.lookupName(c->book, ansiToUtf8(name ? name : ""), flags & NOTES_FIND_CASE_INSENSITIVE);
  if (c->found.empty()) return kErrNotFound;
  *position = COLLECTIONPOSITION{};
  position->Level = 0;
  position->Tumbler[0] = 1;
  *matches = static_cast<DWORD>(c->found.size());
  return NOTES_NOERROR;
}

STATUS NIFReadEntries(HCOLLECTION collection, COLLECTIONPOSITION* position, WORD, DWORD, WORD, DWORD returnCount,
                      DWORD, DHANDLE* buffer, WORD* bufferLength, DWORD* skipped, DWORD* returned, WORD* signal) {
  NOTES_FAULT("NIFReadEntries");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  Collection* c = object<Collection>(collection);
  if (!c || !position) return kErrBadHandle;
  const std::size_t start = position->Tumbler[0] ? position->Tumbler[0] - 1 : 0;
  Memory m;
  DWORD n = 0;
  for (std::size_t i = start; i < c->found.size() && n < returnCount; ++i, ++n) {
    const std::size_t at = m.bytes.size();
    m.bytes.resize(at + sizeof(UNID));
    std::memcpy(m.bytes.data() + at, c->found[i].data(), sizeof(UNID));
  }
  if (bufferLength) *bufferLength = static_cast<WORD>(m.bytes.size());
  if (skipped) *skipped = 0;
  if (returned) *returned = n;
  if (signal) *signal = 0;
  *buffer = n ? add(std::move(m)) : NOTES_NULLHANDLE;
  return NOTES_NOERROR;
}

void* OSLockObject(DHANDLE handle) {
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  Memory* m = object<Memory>(handle);
  return m ? m->bytes.data() : nullptr;
}

int OSUnlockObject(DHANDLE) { return 1; }

STATUS NIFCloseCollection(HCOLLECTION collection) {
  NOTES_FAULT("NIFCloseCollection");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  return object<Collection>(collection) && r.handles.erase(collection) ? NOTES_NOERROR : kErrBadHandle;
}

STATUS OSMemFree(DHANDLE handle) {
  NOTES_FAULT("OSMemFree");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  return object<Memory>(handle) && r.handles.erase(handle) ? NOTES_NOERROR : kErrBadHandle;
}

STATUS NSFNoteOpenByUNID(DBHANDLE db, UNID* unid, WORD, NOTEHANDLE* note) {
  NOTES_FAULT("NSFNoteOpenByUNID");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  const Database* d = object<Database>(db);
  if (!d || !unid) return kErrBadHandle;
  Unid u;
  std::memcpy(u.data(), unid, sizeof(UNID));
  if (!r.store.noteExists(d->book, u)) return kErrNoNote;
  *note = add(Note{d->book, u});
  return NOTES_NOERROR;
}

STATUS NSFNoteClose(NOTEHANDLE note) {
  NOTES_FAULT("NSFNoteClose");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  return object<Note>(note) && r.handles.erase(note) ? NOTES_NOERROR : kErrBadHandle;
}

WORD NSFItemGetTextListEntries(NOTEHANDLE note, const char* item) {
  faultFor("NSFItemGetTextListEntries");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  const Note* n = object<Note>(note);
  if (!n || !item) return 0;
  return static_cast<WORD>(r.store.textList(n->book, n->unid, item).size());
}

WORD NSFItemGetTextListEntry(NOTEHANDLE note, const char* item, WORD index, char* buffer, WORD bufferLength) {
  faultFor("NSFItemGetTextListEntry");
  Runtime& r = runtime();
  std::lock_guard<std::mutex> g(r.lock);
  const Note* n = object<Note>(note);
  if (!n || !item || !buffer || bufferLength == 0) return 0;
  const std::vector<std::string> list = r.store.textList(n->book, n->unid, item);
  if (index >= list.size()) return 0;
  // The stand-in's LMBCS is UTF-8.
  const std::string& text = list[index];
  const std::size_t length = std::min<std::size_t>(text.size(), bufferLength);
  std::memcpy(buffer, text.data(), length);
  return static_cast<WORD>(length);
}

WORD OSTranslate(WORD mode, const char* in, WORD inLength, char* out, WORD outLength) {
  if (!out || outLength == 0) return 0;
  const std::string text(in ? in : "", in ? inLength : 0);
  const std::string native = mode == NOTES_OS_TRANSLATE_LMBCS_TO_NATIVE ? utf8ToAnsi(text) : text;
  const std::size_t length = std::min<std::size_t>(native.size(), outLength - 1u);
  std::memcpy(out, native.data(), length);
  out[length] = 0;
  return static_cast<WORD>(length);
}

WORD OSLoadString(DHANDLE, STATUS status, char* buffer, WORD bufferLength) {
  if (!buffer || bufferLength == 0) return 0;
  const char* text = statusText(NOTES_ERR(status));
  const std::size_t length = std::min<std::size_t>(std::strlen(text), bufferLength - 1u);
  std::memcpy(buffer, text, length);
  buffer[length] = 0;
  return static_cast<WORD>(length);
}

}  // extern "C"
