// CVrelNotesHelper: the module's only way into Domino. It starts the Notes
// runtime, opens every address book the server's Domino directory connector
// lists in the registry, and answers questions about person documents.
#pragma once

#include "domsvr/NotesApi.h"
#include "platform/com/Com.h"

#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vrel::domsvr {

struct AddressBookEntry {
  std::string server;
  std::string database;
  DBHANDLE handle = NOTES_NULLHANDLE;
};

struct MatchEntry {
  int addressBook = 0;
  UNID unid{};
};

// One subscriber as IVrelSub shows it.
struct SubscriberRecord {
  SubscriberRecord() = default;
  ~SubscriberRecord() { com::VariantClear(&SubscriberObjectId); }
  SubscriberRecord(const SubscriberRecord&) = delete;
  SubscriberRecord& operator=(const SubscriberRecord&) = delete;

  std::string Alias;
  std::string AddressId;
  std::string FirstName;
  std::string LastName;
  com::VARIANT SubscriberObjectId;
  std::string DirectoryId;
  std::string AddressBook;
};

// "%02d%08X%08X%08X%08X"
std::string formatDirectoryId(int addressBook, const UNID& unid);

class CVrelNotesHelper {
 public:
  CVrelNotesHelper() = default;
  ~CVrelNotesHelper();
  CVrelNotesHelper(const CVrelNotesHelper&) = delete;
  CVrelNotesHelper& operator=(const CVrelNotesHelper&) = delete;

  com::HRESULT Initialize();
  // S_OK when the runtime was started here and is now ended, else S_FALSE.
  com::HRESULT UnInitialize();
  com::HRESULT OpenAllSubscriberAddressBooks();
  com::HRESULT OpenAddressBook(int number, const std::string& server, const std::string& database);
  com::HRESULT DirectoryIdExists(const std::string& directoryId, int& exists);
  com::HRESULT AddressBookNameFromDirId(const std::string& directoryId, std::string& name);
  com::HRESULT GetMatches(const std::string& name, std::list<MatchEntry>& matches);
  com::HRESULT GetPropsByUNID(const MatchEntry& entry, SubscriberRecord& record);
  com::HRESULT ReadTextList(NOTEHANDLE note, const char* item, std::vector<std::string>& list);

  // The open address books, by number.
  const std::map<int, std::unique_ptr<AddressBookEntry>>& addressBooks() const { return m_AddressBooks; }

 private:
  com::HRESULT openOneAddressBook(int index, bool& more);
  com::HRESULT searchBook(int number, const AddressBookEntry& book, const std::string& name,
                          std::list<MatchEntry>& matches, bool& found);

  std::map<int, std::unique_ptr<AddressBookEntry>> m_AddressBooks;
  bool m_started = false;
};

}  // namespace vrel::domsvr
