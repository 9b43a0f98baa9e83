#include "domsvr/CVrelNotesHelper.h"

#include "domsvr/Method.h"
#include "platform/Machine.h"
#include "platform/Registry.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstring>

namespace vrel::domsvr {

using namespace com;

namespace {

constexpr const char* kMailServers = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers";
constexpr long kErrorMoreData = 234;
constexpr long kErrorInvalidData = 13;
constexpr long kErrorNoMoreItems = 259;

// "%s returned Notes Error %X :%s"
void logNotesError(const char* operation, STATUS status) {
  char text[256] = {};
  OSLoadString(NOTES_NULLHANDLE, NOTES_ERR(status), text, 255);
  logClient().write(kLogError, "%s returned Notes Error %X :%s", operation, static_cast<unsigned>(NOTES_ERR(status)),
                    text);
}

// The Notes handles of one operation, released in this order on scope exit.
struct SNotesHandles {
  HCOLLECTION collection = NOTES_NULLHANDLE;
  DHANDLE memory = NOTES_NULLHANDLE;
  NOTEHANDLE note = NOTES_NULLHANDLE;

  SNotesHandles() = default;
  SNotesHandles(const SNotesHandles&) = delete;
  SNotesHandles& operator=(const SNotesHandles&) = delete;
  ~SNotesHandles() {
    try {
      FaultScope scope;
      if (collection)
        if (const STATUS s = NIFCloseCollection(collection)) logNotesError("NIFCloseCollection()", s);
      if (memory)
        if (const STATUS s = OSMemFree(memory)) logNotesError("OSMemFree()", s);
      if (note)
        if (const STATUS s = NSFNoteClose(note)) logNotesError("NSFNoteClose()", s);
    } catch (...) {
      logClient().write(kLogError, "Exception in ~SNotesHandles()");
    }
  }
};

// A registry value of the subkey: a DWORD, or a string of at most 256 bytes.
long queryDword(Registry& reg, const std::string& key, const char* name, std::int32_t& out) {
  RegValue v;
  if (const RegStatus s = reg.getValue(Hive::LocalMachine, key, name, v); s != kRegOk) return s;
  if (v.type != kRegDword || v.data.size() != 4) return kErrorInvalidData;
  std::uint32_t n = 0;
  std::memcpy(&n, v.data.data(), 4);
  out = static_cast<std::int32_t>(n);
  return kRegOk;
}

long queryString(Registry& reg, const std::string& key, const char* name, std::string& out) {
  RegValue v;
  if (const RegStatus s = reg.getValue(Hive::LocalMachine, key, name, v); s != kRegOk) return s;
  if (v.type != kRegSz && v.type != kRegExpandSz) return kErrorInvalidData;
  out = regDataAsText(v.data);
  if (utf8ToAnsi(out).size() + 1 > 256) return kErrorMoreData;
  return kRegOk;
}

}  // namespace

std::string formatDirectoryId(int addressBook, const UNID& u) {
  char text[64];
  std::snprintf(text, sizeof text, "%02d%08X%08X%08X%08X", addressBook, u.File.Innards[0], u.File.Innards[1],
                u.Note.Innards[0], u.Note.Innards[1]);
  return text;
}

CVrelNotesHelper::~CVrelNotesHelper() {
  if (!m_started) return;
  if (const HRESULT h = UnInitialize(); FAILED(h)) logFailure("UnInitialize", h);
}

HRESULT CVrelNotesHelper::Initialize() {
  return runMethod("CVrelNotesHelper::Initialize()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    if (const STATUS s = NotesInitExtended(0, nullptr)) {
      logNotesError("NotesInitExtended()", s);
      return hr(VRELDOM_E_NOTES_ERROR);
    }
    m_started = true;
    const HRESULT h = OpenAllSubscriberAddressBooks();
    if (FAILED(h)) logFailure("OpenAllSubscriberAddressBooks", h);
    return h;
  });
}

HRESULT CVrelNotesHelper::UnInitialize() {
  return runMethod("CVrelNotesHelper::UnInitialize()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    for (auto& [number, entry] : m_AddressBooks) {
      if (!entry->handle) continue;
      try {
        FaultScope scope;
        if (const STATUS s = NSFDbClose(entry->handle)) logNotesError("NSFDbClose()", s);
      } catch (...) {
        logClient().write(kLogError, "Crashed while NSFDbClose");
      }
    }
    m_AddressBooks.clear();
    if (!m_started) return S_FALSE;
    NotesTerm();
    m_started = false;
    return S_OK;
  });
}

HRESULT CVrelNotesHelper::OpenAllSubscriberAddressBooks() {
  return runMethod("CVrelNotesHelper::OpenAllSubscriberAddressBooks()", kLogMethods, __FILE__, __LINE__,
                   [&]() -> HRESULT {
                     Machine* machine = moduleMachine();
                     if (!machine || !machine->registry().keyExists(Hive::LocalMachine, kMailServers)) {
                       logClient().write(kLogError, " SrvInfoRegKey.Open(%s) returned %x", kMailServers,
                                         static_cast<unsigned>(kRegNotFound));
                       return hr(VRELDOM_E_REGISTRY_ERROR);
                     }
                     bool more = true;
                     for (int index = 0; more; ++index) {
                       if (const HRESULT h = openOneAddressBook(index, more); FAILED(h)) return h;
                     }
                     return S_OK;
                   });
}

// One step of the enumeration: the subkey at index, or the end of the list.
HRESULT CVrelNotesHelper::openOneAddressBook(int index, bool& more) {
  Registry& reg = moduleMachine()->registry();
  std::vector<std::string> keys;
  const RegStatus listed = reg.subKeys(Hive::LocalMachine, kMailServers, keys);
  if (listed != kRegOk || index >= static_cast<int>(keys.size())) {
    const long result = listed != kRegOk ? listed : kErrorNoMoreItems;
    logClient().write(kLogInfo, "RegEnumKeyEx for Index %d Returned %x :GetLastError =%X.No more address Books.",
                      index, static_cast<unsigned>(result), 0u);
    more = false;
    return S_OK;
  }
  logClient().write(kLogInfo, "Loading addressbook Index %d", index);
  const std::string key = std::string(kMailServers) + "\\" + keys[static_cast<std::size_t>(index)];
  if (!reg.keyExists(Hive::LocalMachine, key)) {
    logClient().write(kLogError, "Failed Loading addressbook Index %d :%X", index, static_cast<unsigned>(kRegNotFound));
    return hr(VRELDOM_E_REGISTRY_ERROR);
  }
  std::int32_t number = -1;
  if (const long s = queryDword(reg, key, "AddressBookId", number); s != kRegOk) {
    logClient().write(kLogError, "oSvrKey.QueryValue(dwAddrBookID) for Index %d returned %X", index,
                      static_cast<unsigned>(s));
    return hr(VRELDOM_E_REGISTRY_ERROR);
  }
  std::string server, database;
  for (auto [name, target] : {std::pair{"ServerName", &server}, std::pair{"Database", &database}}) {
    if (const long s = queryString(reg, key, name, *target); s != kRegOk) {
      logClient().write(kLogError, "oSvrKey.QueryValue(%s) for index %d returned %x", name, index,
                        static_cast<unsigned>(s));
      return hr(VRELDOM_E_REGISTRY_ERROR);
    }
  }
  if (const HRESULT h = OpenAddressBook(number, server, database); FAILED(h)) {
    logFailure("OpenAddressBook()", h);
    return h;
  }
  return S_OK;
}

HRESULT CVrelNotesHelper::OpenAddressBook(int number, const std::string& server, const std::string& database) {
  return runMethod("CVrelNotesHelper::OpenAddressBook()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    try {
      FaultScope scope;
      char path[256] = {};
      const std::string ansiServer = utf8ToAnsi(server), ansiDatabase = utf8ToAnsi(database);
      if (const STATUS s = OSPathNetConstruct(nullptr, ansiServer.c_str(), ansiDatabase.c_str(), path)) {
        logClient().write(kLogError, "OSPathNetConstruct(%s,%s)", server.c_str(), database.c_str());
        logNotesError("OSPathNetConstruct()", s);
        return hr(VRELDOM_E_NOTES_ERROR);
      }
      DBHANDLE handle = NOTES_NULLHANDLE;
      if (const STATUS s = NSFDbOpenExtended(path, NOTES_OPEN_OPTIONS, NOTES_NULLHANDLE, nullptr, &handle, nullptr,
                                             nullptr)) {
        logClient().write(kLogError, "NSFDbOpenExtended(%s)", ansiToUtf8(path).c_str());
        logNotesError("NSFDbOpenExtended()", s);
        return hr(VRELDOM_E_NOTES_ERROR);
      }
      auto entry = std::make_unique<AddressBookEntry>(AddressBookEntry{server, database, handle});
      // The book opened first under a number stays; a later one is closed.
      if (!m_AddressBooks.try_emplace(number, std::move(entry)).second) NSFDbClose(handle);
      return S_OK;
    } catch (...) {
      logClient().write(kLogError, "OpenDatabase crashed, Notes is HUNG");
      return hr(VRELDOM_E_NOTES_ERROR);
    }
  });
}

HRESULT CVrelNotesHelper::DirectoryIdExists(const std::string& directoryId, int& exists) {
  return runMethod("CVrelNotesHelper::DirectoryIdExists()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    exists = 0;
    int number = 0;
    unsigned words[4] = {0, 0, 0, 0};
    std::sscanf(directoryId.c_str(), "%02d%08X%08X%08X%08X", &number, &words[0], &words[1], &words[2], &words[3]);
    if (words[0] == 0) {
      logClient().write(kLogError, "Invalid DirectoryID %s", directoryId.c_str());
      return hr(VRELDOM_E_REGISTRY_ERROR);
    }
    const auto book = m_AddressBooks.find(number);
    if (book == m_AddressBooks.end()) {
      logClient().write(kLogError, "Invalid Addressbook %d", number);
      return hr(VRELDOM_E_REGISTRY_ERROR);
    }
    UNID unid{{{words[0], words[1]}}, {{words[2], words[3]}}};
    SNotesHandles handles;
    if (const STATUS s = NSFNoteOpenByUNID(book->second->handle, &unid, 0, &handles.note)) {
      logNotesError("NSFNoteOpenByUNID()", s);
      return S_OK;
    }
    exists = 1;
    const NOTEHANDLE note = handles.note;
    handles.note = NOTES_NULLHANDLE;
    if (const STATUS s = NSFNoteClose(note)) logNotesError("NSFNoteClose()", s);
    return S_OK;
  });
}

HRESULT CVrelNotesHelper::AddressBookNameFromDirId(const std::string& directoryId, std::string& name) {
  return runMethod("CVrelNotesHelper::AddressBookNameFromDirId()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    name.clear();
    const bool digits = directoryId.size() >= 2 && std::isdigit(static_cast<unsigned char>(directoryId[0])) &&
                        std::isdigit(static_cast<unsigned char>(directoryId[1]));
    const int number = digits ? (directoryId[0] - '0') * 10 + (directoryId[1] - '0') : -1;
    const auto book = m_AddressBooks.find(number);
    if (book == m_AddressBooks.end()) {
      logClient().write(kLogError, "Invalid Addressbook %d", number);
      return hr(VRELDOM_E_REGISTRY_ERROR);
    }
    char text[1024];
    std::snprintf(text, sizeof text, "%s\\%s", book->second->database.c_str(), book->second->server.c_str());
    name = text;
    return S_OK;
  });
}

HRESULT CVrelNotesHelper::GetMatches(const std::string& name, std::list<MatchEntry>& matches) {
  return runMethod("CVrelNotesHelper::GetMatches()", kLogMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    matches.clear();
    // Every book is searched: a name missing from one book may live in the next.
    for (const auto& [number, book] : m_AddressBooks) {
      bool found = false;
      if (const HRESULT h = searchBook(number, *book, name, matches, found); FAILED(h)) return h;
    }
    return S_OK;
  });
}

HRESULT CVrelNotesHelper::searchBook(int number, const AddressBookEntry& book, const std::string& name,
                                     std::list<MatchEntry>& matches, bool& found) {
  NOTEID view = 0;
  if (const STATUS s =
          NIFFindDesignNoteExt(book.handle, NOTES_NAMES_LOOKUP_VIEW, NOTES_CLASS_VIEW, NOTES_VIEW_FLAG_PATTERN, &view, 0)) {
    logNotesError("NIFFindView(NAMES_LOOKUP_VIEW)", s);
    return hr(VRELDOM_E_NOTES_ERROR);
  }
  SNotesHandles handles;
  if (const STATUS s = NIFOpenCollection(book.handle, book.handle, view, 0, NOTES_NULLHANDLE, &handles.collection,
                                         nullptr, nullptr, nullptr, nullptr)) {
    logNotesError("NIFOpenCollection()", s);
    return hr(VRELDOM_E_NOTES_ERROR);
  }
  COLLECTIONPOSITION position{};
  DWORD count = 0;
  const std::string ansiName = utf8ToAnsi(name);
  if (const STATUS s =
          NIFFindByName(handles.collection, ansiName.c_str(), NOTES_FIND_CASE_INSENSITIVE, &position, &count)) {
    logNotesError("NIFFindByName()", s);
    if (NOTES_ERR(s) != NOTES_ERR_NOT_FOUND) return hr(VRELDOM_E_NOTES_ERROR);
    logClient().write(kLogInfo, "No matches found for %s", name.c_str());
    return S_OK;
  }
  logClient().write(kLogInfo, "%d matches found for %s", static_cast<int>(count), name.c_str());
  DWORD returned = 0;
  if (const STATUS s = NIFReadEntries(handles.collection, &position, NOTES_NAVIGATE_NEXT, 0, NOTES_NAVIGATE_NEXT, count,
                                      NOTES_READ_MASK_NOTEUNID, &handles.memory, nullptr, nullptr, &returned, nullptr)) {
    logNotesError("NIFReadEntries()", s);
    return hr(VRELDOM_E_NOTES_ERROR);
  }
  if (handles.memory == NOTES_NULLHANDLE) {
    logClient().write(kLogError, "NULLHANDLE==hNotesUNID");
    return hr(VRELDOM_E_NOTES_ERROR);
  }
  const auto* unids = static_cast<const UNID*>(OSLockObject(handles.memory));
  for (DWORD i = 0; unids && i < returned; ++i) matches.push_back(MatchEntry{number, unids[i]});
  OSUnlockObject(handles.memory);
  found = returned > 0;
  return S_OK;
}

HRESULT CVrelNotesHelper::GetPropsByUNID(const MatchEntry& entry, SubscriberRecord& record) {
  return runMethod("CVrelNotesHelper::GetPropsByUNID()", kLogNotesMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    const auto book = m_AddressBooks.find(entry.addressBook);
    if (book == m_AddressBooks.end()) {
      logClient().write(kLogError, "Invalid Addressbook %d", entry.addressBook);
      return hr(VRELDOM_E_REGISTRY_ERROR);
    }
    SNotesHandles handles;
    UNID unid = entry.unid;
    if (const STATUS s = NSFNoteOpenByUNID(book->second->handle, &unid, 0, &handles.note)) {
      logNotesError("NSFNoteOpenByUNID()", s);
      return hr(VRELDOM_E_NOTES_ERROR);
    }
    record.DirectoryId = formatDirectoryId(entry.addressBook, entry.unid);
    struct Read {
      const char* item;
      const char* label;
      std::string* target;
    };
    std::string fullNameUnused;
    const Read reads[] = {{"ShortName", "ReadTextList(MAIL_SHORTNAME_ITEM)", &record.Alias},
                          {"FirstName", "ReadTextList(MAIL_FIRSTNAME_ITEM)", &record.FirstName},
                          {"LastName", "ReadTextList(MAIL_LASTNAME_ITEM)", &record.LastName},
                          {"FullName", "ReadTextList(MAIL_FULLNAME_ITEM)", nullptr}};
    for (const Read& r : reads) {
      std::vector<std::string> list;
      if (const HRESULT h = ReadTextList(handles.note, r.item, list); FAILED(h)) {
        logFailure(r.label, h);
        return hr(VRELDOM_E_NOTES_ERROR);
      }
      if (r.target) {
        *r.target = list.front();
        continue;
      }
      // The hierarchical (canonical) name is the first with a slash.
      record.AddressId = list.front();
      for (const std::string& n : list)
        if (n.find('/') != std::string::npos) {
          record.AddressId = n;
          break;
        }
    }
    return S_OK;
  });
}

HRESULT CVrelNotesHelper::ReadTextList(NOTEHANDLE note, const char* item, std::vector<std::string>& list) {
  return runMethod("CVrelNotesHelper::ReadTextList()", kLogNotesMethods, __FILE__, __LINE__, [&]() -> HRESULT {
    list.clear();
    if (note == NOTES_NULLHANDLE) return E_UNEXPECTED;
    const WORD count = NSFItemGetTextListEntries(note, item);
    if (count == 0) {
      logClient().write(kLogError, "lNumElements <= 0,for Field %s ", item);
      return hr(VRELDOM_E_NOTES_ERROR);
    }
    for (WORD i = 0; i < count; ++i) {
      char entry[260] = {};
      const WORD length = NSFItemGetTextListEntry(note, item, i, entry, 259);
      std::vector<char> native(static_cast<std::size_t>(length) * 2 + 2, 0);
      OSTranslate(NOTES_OS_TRANSLATE_LMBCS_TO_NATIVE, entry, length, native.data(),
                  static_cast<WORD>(native.size()));
      list.push_back(ansiToUtf8(native.data()));
    }
    return S_OK;
  });
}

}  // namespace vrel::domsvr
