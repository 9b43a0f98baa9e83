// VrelDomSvr as a client meets it: registered by regsvr32 on a provisioned
// Domino server, activated through the machine's registry, answering from
// the machine's address books and server database, and writing its lines
// through the server's log manager.
#include "domsvr/VrelDomSvr.h"
#include "platform/EventLog.h"
#include "platform/Processes.h"
#include "platform/Text.h"
#include "platform/com/Activation.h"
#include "platform/data/Connection.h"
#include "standin/notes/NotesStore.h"
#include "standin/server/ProvisionDatabases.h"
#include "standin/tests/ProvisionTestSupport.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <optional>

namespace vrel::test {
namespace {

using namespace vrel::com;
using namespace vrel::domsvr;

constexpr const char* kServer = "CN=DOMSRV/O=Orvix";
constexpr const char* kMailServers = "SOFTWARE\\Tremarc\\Directory Connectors\\DirSynchDomino\\1.00\\Mail Servers";

struct Sub {
  std::string alias, addressId, firstName, lastName, objectId, directoryId, addressBook;
};

class VrelDomSvrTest : public ::testing::Test {
 public:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "DOMSRV";
    o.mailStore = standin::MailStoreKind::Domino;
    o.version = {4, 0, 4, 175};
    provisionOrFail(m.machine(), o);
    std::string error;
    ASSERT_TRUE(store.open(m.machine(), error)) << error;
    book0 = *store.book(kServer, "names.nsf", false);
  }

  // A person in a book; its UNID.
  standin::Unid person(std::int64_t book, const std::string& seed, std::vector<standin::NotesItem> items) {
    const standin::Unid unid = standin::derivedUnid(seed);
    std::string error;
    EXPECT_TRUE(store.putNote(book, unid, items, error)) << error;
    return unid;
  }
  static std::vector<standin::NotesItem> items(const std::string& shortName, const std::string& first,
                                               const std::string& last, std::vector<std::string> full) {
    return {{"ShortName", {shortName}}, {"FirstName", {first}}, {"LastName", {last}}, {"FullName", std::move(full)}};
  }
  void configure(const std::string& key, int number, const std::string& database, bool withDatabase = true) {
    const std::string path = std::string(kMailServers) + "\\" + key;
    Registry& reg = m.registry();
    ASSERT_EQ(reg.createKey(Hive::LocalMachine, path), kRegOk);
    reg.setValue(Hive::LocalMachine, path, RegValue::dword("AddressBookId", static_cast<std::uint32_t>(number)));
    reg.setValue(Hive::LocalMachine, path, RegValue::text("ServerName", kServer));
    if (withDatabase) reg.setValue(Hive::LocalMachine, path, RegValue::text("Database", database));
    store.book(kServer, database, true);
  }
  void setDirectoryId(const std::string& alias, const std::string& id) {
    data::Connection cn(m.machine());
    cn.open(standin::localDatabaseConnection("OrvixDB"));
    cn.execute("UPDATE Subscriber SET DirectoryID=? WHERE Alias=?", {id, alias});
    cn.close();
  }

  HRESULT create(ComPtr<IVrelDom>& dom) {
    return Activation(m.machine()).CoCreateInstance(guid(kClsidVrelDom), nullptr, CLSCTX_INPROC_SERVER,
                                                    guid(kIidIVrelDom), dom.outVoid());
  }
  static Sub read(IVrelSub& s) {
    Sub out;
    Bstr b;
    s.get_Alias(b.out()), out.alias = b.text();
    s.get_AddressId(b.out()), out.addressId = b.text();
    s.get_FirstName(b.out()), out.firstName = b.text();
    s.get_LastName(b.out()), out.lastName = b.text();
    s.get_DirectoryId(b.out()), out.directoryId = b.text();
    s.get_AddressBook(b.out()), out.addressBook = b.text();
    Variant v;
    s.get_SubscriberObjectId(v.out());
    out.objectId = variantToText(v.get());
    return out;
  }
  // Every Next until the end: the records and the codes of failed calls.
  struct Walk {
    std::vector<Sub> subs;
    std::vector<HRESULT> failures;
  };
  static Walk walk(IVrelDSubsIterator& it) {
    Walk w;
    for (int guard = 0; guard < 100; ++guard) {
      std::int32_t end = 0;
      ComPtr<IVrelSub> sub;
      const HRESULT h = it.Next(&end, sub.out());
      if (h == hr(VRELDOM_E_VRELD_NO_MORE)) {
        EXPECT_EQ(end, 1);
        break;
      }
      EXPECT_EQ(end, 0);
      if (FAILED(h)) w.failures.push_back(h);
      if (sub) w.subs.push_back(read(*sub));
    }
    return w;
  }
  std::vector<std::string> diagnostics() {
    std::string text;
    m.files().readAll("C:\\TmLogs\\Diagnostics.log", text);
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      const std::string line = text.substr(at, end - at);
      lines.push_back(line.substr(line.rfind('\t') + 1));
      at = end + 2;
    }
    return lines;
  }
  bool logged(const std::string& line) {
    for (const std::string& l : diagnostics())
      if (l == line) return true;
    return false;
  }

  ScratchMachine m;
  standin::NotesStore store;
  std::int64_t book0 = 0;
};

TEST_F(VrelDomSvrTest, SetupRegistersTheClassAndItsLibraryAndRegsvr32UnregistersThem) {
  Registry& reg = m.registry();
  const std::string clsid = std::string("CLSID\\") + kClsidVrelDom;
  const struct {
    std::string key, name, value;
  } expected[] = {{"VrelDomSvr.VrelDom.1", "", "VrelDom Class"},
                  {"VrelDomSvr.VrelDom.1\\CLSID", "", kClsidVrelDom},
                  {"VrelDomSvr.VrelDom", "", "VrelDom Class"},
                  {"VrelDomSvr.VrelDom\\CurVer", "", "VrelDomSvr.VrelDom.1"},
                  {clsid, "", "VrelDom Class"},
                  {clsid + "\\ProgID", "", "VrelDomSvr.VrelDom.1"},
                  {clsid + "\\VersionIndependentProgID", "", "VrelDomSvr.VrelDom"},
                  {clsid + "\\InprocServer32", "", "C:\\Orvix\\VrelDOMSvr.DLL"},
                  {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
                  {clsid + "\\TypeLib", "", kLibId},
                  {std::string("TypeLib\\") + kLibId + "\\1.0", "", "VrelDomSvr 1.0 Type Library"}};
  for (const auto& e : expected) {
    RegValue v;
    ASSERT_EQ(reg.getValue(Hive::ClassesRoot, e.key, e.name, v), kRegOk) << e.key;
    EXPECT_EQ(regDataAsText(v.data), e.value) << e.key << "\\" << e.name;
  }
  Processes p(m.machine());
  long pid = 0;
  ASSERT_TRUE(p.start("regsvr32 /s /u C:\\Orvix\\VrelDOMSvr.DLL", 0, pid));
  Processes::wait(pid, kWaitInfinite);
  for (const char* gone : {"VrelDomSvr.VrelDom.1", "VrelDomSvr.VrelDom"})
    EXPECT_FALSE(reg.keyExists(Hive::ClassesRoot, gone)) << gone;
  EXPECT_FALSE(reg.keyExists(Hive::ClassesRoot, clsid));
  EXPECT_TRUE(reg.keyExists(Hive::ClassesRoot, "CLSID")) << "the parent key is never removed";
  EXPECT_TRUE(reg.keyExists(Hive::ClassesRoot, std::string("CLSID\\") + "{D6E9D893-478F-11D4-BA5B-00C04F65274C}"));
}

TEST_F(VrelDomSvrTest, ListsOnlySubscribersWithoutPersonAndStepsOverBadDirectoryIds) {
  configure("1", 7, "north.nsf");
  // EAdmin's person is gone; ESubscriber names an unconfigured book; the
  // installer's ID does not parse; a zero UNID is no ID either.
  const auto ids = queryRows(m.machine(), "SELECT Alias, DirectoryID, SubscriberObjectID FROM Subscriber "
                                          "WHERE SubscriberType=3 ORDER BY Alias");
  ASSERT_EQ(ids.size(), 3u);
  const std::string eadminId = ids[0].substr(ids[0].find('|') + 1, 34);
  store.deleteNote(book0, *standin::unidFromHex(eadminId.substr(2)));
  setDirectoryId("ESubscriber", "55" + eadminId.substr(2));
  setDirectoryId("Installer", "01" + std::string(32, '0'));

  ComPtr<IVrelDom> dom;
  ASSERT_EQ(create(dom), S_OK);
  ComPtr<IVrelDSubsIterator> it;
  ASSERT_EQ(dom->GetNotAssosiatedSubsIterator(it.out()), S_OK);
  const Walk w = walk(*it);
  ASSERT_EQ(w.subs.size(), 1u);
  EXPECT_EQ(w.subs[0].alias, "EAdmin");
  EXPECT_EQ(w.subs[0].directoryId, eadminId);
  EXPECT_EQ(w.subs[0].addressBook, std::string("names.nsf\\") + kServer);
  EXPECT_EQ(w.subs[0].firstName, "Example");
  EXPECT_EQ(w.subs[0].addressId, "CN=Example Administrator/O=Orvix");
  EXPECT_EQ(w.subs[0].objectId.size(), 38u) << "a GUID as ADO hands it out";
  EXPECT_EQ(w.failures, (std::vector<HRESULT>{hr(VRELDOM_E_REGISTRY_ERROR), hr(VRELDOM_E_REGISTRY_ERROR)}));
  EXPECT_TRUE(logged("Invalid Addressbook 55"));
  EXPECT_TRUE(logged("Invalid DirectoryID 01" + std::string(32, '0')));
  EXPECT_TRUE(logged("Total Subscribers < 3 >"));
  // After the end, the end again.
  std::int32_t end = 0;
  ComPtr<IVrelSub> none;
  EXPECT_EQ(it->Next(&end, none.out()), hr(VRELDOM_E_VRELD_NO_MORE));
  EXPECT_EQ(end, 1);
  EXPECT_EQ(it->Next(nullptr, none.out()), E_POINTER);
}

struct MatchCase {
  const char* name;
  const char* search;
  std::vector<std::string> aliases;  // in the order found
  std::vector<std::string> addressIds;
  std::vector<std::string> books;    // directory ID prefixes
};

class VrelDomMatches : public VrelDomSvrTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(VrelDomMatches, SearchesEveryBookByShortOrFullName) {
  configure("a", 7, "north.nsf");
  configure("b", 12, "south.nsf");
  const std::int64_t north = *store.book(kServer, "north.nsf", false), south = *store.book(kServer, "south.nsf", false);
  person(north, "n1", items("jdoe", "Jane", "Doe", {"Jane Doe", "CN=Jane Doe/OU=North/O=Orvix"}));
  person(south, "s1", items("jdoe", "Jane", "Doe", {"Jane Doe", "CN=Jane Doe/OU=South/O=Orvix"}));
  person(south, "s2", items("plain", "Pat", "Lain", {"Pat Lain", "P Lain"}));
  ComPtr<IVrelDom> dom;
  ASSERT_EQ(create(dom), S_OK);
  ComPtr<IVrelDSubsIterator> it;
  Bstr name(GetParam().search);
  ASSERT_EQ(dom->FindMatches(name.get(), it.out()), S_OK);
  const Walk w = walk(*it);
  EXPECT_TRUE(w.failures.empty());
  std::vector<std::string> aliases, addressIds, books;
  for (const Sub& s : w.subs) {
    aliases.push_back(s.alias);
    addressIds.push_back(s.addressId);
    books.push_back(s.directoryId.substr(0, 2));
    EXPECT_EQ(s.directoryId.size(), 34u);
    EXPECT_EQ(s.addressBook, "");
    EXPECT_EQ(s.objectId, "");
  }
  EXPECT_EQ(aliases, GetParam().aliases);
  EXPECT_EQ(addressIds, GetParam().addressIds);
  EXPECT_EQ(books, GetParam().books);
}

INSTANTIATE_TEST_SUITE_P(
    Names, VrelDomMatches,
    ::testing::Values(
        MatchCase{"InBothLaterBooks", "JDOE", {"jdoe", "jdoe"},
                  {"CN=Jane Doe/OU=North/O=Orvix", "CN=Jane Doe/OU=South/O=Orvix"}, {"07", "12"}},
        MatchCase{"OnlyInTheLastBook", "Pat Lain", {"plain"}, {"Pat Lain"}, {"12"}},
        MatchCase{"InTheFirstBookOnly", "EAdmin", {"EAdmin"}, {"CN=Example Administrator/O=Orvix"}, {"00"}},
        MatchCase{"Nowhere", "nobody", {}, {}, {}},
        MatchCase{"EmptyName", "", {}, {}, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VrelDomSvrTest, APersonWithoutFullNameFailsItsRecordAndStaysUnderTheCursor) {
  person(book0, "nofull", {{"ShortName", {"half"}}, {"FirstName", {"Half"}}, {"LastName", {"Done"}}});
  ComPtr<IVrelDom> dom;
  ASSERT_EQ(create(dom), S_OK);
  ComPtr<IVrelDSubsIterator> it;
  Bstr name("half");
  ASSERT_EQ(dom->FindMatches(name.get(), it.out()), S_OK);
  for (int i = 0; i < 2; ++i) {
    std::int32_t end = 0;
    ComPtr<IVrelSub> sub;
    EXPECT_EQ(it->Next(&end, sub.out()), hr(VRELDOM_E_NOTES_ERROR));
    EXPECT_FALSE(sub);
    EXPECT_EQ(end, 0);
  }
  EXPECT_TRUE(logged("lNumElements <= 0,for Field FullName "));
  EXPECT_TRUE(logged("ReadTextList(MAIL_FULLNAME_ITEM) returned 0x80042005"));
}

struct CreationCase {
  const char* name;
  std::function<void(VrelDomSvrTest&)> arrange;
  HRESULT expected;
  std::vector<std::string> lines;
};

class VrelDomCreation : public VrelDomSvrTest, public ::testing::WithParamInterface<CreationCase> {};

TEST_P(VrelDomCreation, FailsWithTheCauseInTheLog) {
  GetParam().arrange(*this);
  ComPtr<IVrelDom> dom;
  EXPECT_EQ(create(dom), GetParam().expected);
  EXPECT_FALSE(dom);
  for (const std::string& line : GetParam().lines) EXPECT_TRUE(logged(line)) << line;
}

INSTANTIATE_TEST_SUITE_P(
    Causes, VrelDomCreation,
    ::testing::Values(
        CreationCase{"BookWithoutDatabase",
                     [](VrelDomSvrTest& t) { t.configure("1", 3, "x.nsf", false); },
                     hr(VRELDOM_E_REGISTRY_ERROR),
                     {"oSvrKey.QueryValue(Database) for index 1 returned 2",
                      "CVrelNotesHelper::Initialize() returned 0x80042006"}},
        CreationCase{"BookNotOnTheServer",
                     [](VrelDomSvrTest& t) {
                       t.configure("1", 3, "gone.nsf");
                       t.m.registry().setValue(Hive::LocalMachine, std::string(kMailServers) + "\\1",
                                               RegValue::text("Database", "missing.nsf"));
                     },
                     hr(VRELDOM_E_NOTES_ERROR),
                     {"NSFDbOpenExtended(CN=DOMSRV/O=Orvix!!missing.nsf)",
                      "NSFDbOpenExtended() returned Notes Error 103 :File does not exist"}},
        CreationCase{"NotesCrashesOpeningABook",
                     [](VrelDomSvrTest& t) {
                       std::string e;
                       t.store.setFault("NSFDbOpenExtended", standin::NotesFault{}, e);
                     },
                     hr(VRELDOM_E_NOTES_ERROR), {"OpenDatabase crashed, Notes is HUNG"}},
        CreationCase{"NoSqlComponent",
                     [](VrelDomSvrTest& t) { t.m.machine().setValue("RdbConnectionFails", "1"); },
                     hr(VRELDOM_E_FAILED_CONNECT_SQL), {"CoCreateInstance(TmRdbConnection) returned 0x80004005"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(VrelDomSvrTest, AFaultInsideANotesCallIsReportedAndReturned) {
  ComPtr<IVrelDom> dom;
  ASSERT_EQ(create(dom), S_OK);
  std::string error;
  ASSERT_TRUE(store.setFault("NIFFindByName", standin::NotesFault{}, error));
  ComPtr<IVrelDSubsIterator> it;
  Bstr name("EAdmin");
  EXPECT_EQ(dom->FindMatches(name.get(), it.out()), hr(VRELDOM_E_FAILED_CONNECT_SQL));
  EXPECT_FALSE(it);
  const std::vector<EventRecord> events = EventLog(m.machine()).read("Application");
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].source, "CorvaneOrvix_TmCs");
  EXPECT_EQ(events[0].eventId, 100u);
  ASSERT_EQ(events[0].strings.size(), 5u);
  EXPECT_EQ(events[0].strings[0], "CVrelNotesHelper.cpp");
  EXPECT_EQ(events[0].strings[2], "80004005H");
  EXPECT_EQ(events[0].strings[3].rfind("\r\n", 0), 0u);
  EXPECT_EQ(events[0].strings[4], "\nFor more information, click: DOMSRV") << "the server's help web server";
  bool reported = false;
  for (const std::string& line : diagnostics())
    reported |= line.rfind("Exception caught CVrelNotesHelper.cpp ", 0) == 0 && line.size() > 9 &&
                line.substr(line.size() - 9) == "80004005H";
  EXPECT_TRUE(reported);
  // The object still works once Notes behaves again.
  ASSERT_TRUE(store.setFault("NIFFindByName", std::nullopt, error));
  EXPECT_EQ(dom->FindMatches(name.get(), it.out()), S_OK);
}

// What the module settles once per process (the logging client's start and
// the "ExceptionDebug" switch) is seen through a fresh client process.
struct ClientRun {
  std::string output;
  bool exitedCleanly = false;
};

ClientRun runClient(const std::string& name) {
  char self[PATH_MAX] = {};
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  std::string client = std::string(self, n > 0 ? static_cast<std::size_t>(n) : 0);
  client = client.substr(0, client.rfind('/') + 1) + "DomSvrClient";
  ClientRun run;
  FILE* pipe = popen(("'" + client + "' '" + name + "' 2>/dev/null").c_str(), "r");
  if (!pipe) return run;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
  const int status = pclose(pipe);
  run.exitedCleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

TEST_F(VrelDomSvrTest, WithoutItsLogManagerNoObjectIsMade) {
  m.activate();
  m.machine().setValue("LogManagerFails", "1");
  const ClientRun run = runClient("EAdmin");
  EXPECT_TRUE(run.exitedCleanly);
  EXPECT_EQ(run.output, "create=80042001 find=00000000\n");
  m.machine().setValue("LogManagerFails", "");
  EXPECT_EQ(runClient("EAdmin").output, "create=00000000 find=00000000\n");
}

// A Notes call that faults: with "ExceptionDebug" = 1 the guard stands aside,
// the post-mortem debugger of the Aedebug key is started for the process, and
// the fault then ends it; any other value of the switch keeps the guard.
TEST_F(VrelDomSvrTest, TheDebugSwitchHandsAFaultToThePostMortemDebugger) {
  m.activate();
  std::string error;
  ASSERT_TRUE(store.setFault("NIFFindByName", standin::NotesFault{}, error)) << error;
  const std::string systemParameters = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
  const std::string aeDebug = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Aedebug";
  ASSERT_EQ(m.registry().createKey(Hive::LocalMachine, aeDebug), kRegOk);
  // The "debugger" leaves a file named after the two numbers it is given.
  m.registry().setValue(Hive::LocalMachine, aeDebug,
                        RegValue::text("Debugger", "regedit /e C:\\dump-%ld-%ld.reg \"HKEY_LOCAL_MACHINE\\" +
                                                       systemParameters + "\""));
  ASSERT_EQ(m.registry().createKey(Hive::LocalMachine, systemParameters), kRegOk);
  const auto dumps = [&] {
    std::vector<DirEntry> entries;
    m.files().list("C:\\", entries);
    std::vector<std::string> names;
    for (const DirEntry& e : entries)
      if (e.name.rfind("dump-", 0) == 0) names.push_back(e.name);
    return names;
  };
  for (const std::uint32_t value : {2u, 1u}) {
    SCOPED_TRACE(value);
    m.registry().setValue(Hive::LocalMachine, systemParameters, RegValue::dword("ExceptionDebug", value));
    const std::size_t events = EventLog(m.machine()).read("Application").size();
    const ClientRun run = runClient("EAdmin");
    if (value == 1) {
      EXPECT_FALSE(run.exitedCleanly);
      EXPECT_EQ(run.output, "") << "the fault ends the client";
      const std::vector<std::string> names = dumps();
      ASSERT_EQ(names.size(), 1u);
      EXPECT_TRUE(names[0].size() > 11 && names[0].substr(names[0].size() - 6) == "-0.reg") << names[0];
      EXPECT_EQ(EventLog(m.machine()).read("Application").size(), events) << "nothing is reported";
    } else {
      EXPECT_TRUE(run.exitedCleanly);
      EXPECT_EQ(run.output, "create=00000000 find=80042002\n");
      EXPECT_TRUE(dumps().empty());
      EXPECT_EQ(EventLog(m.machine()).read("Application").size(), events + 1);
    }
  }
}

TEST_F(VrelDomSvrTest, TheModuleCanUnloadOnlyWhenEveryObjectIsGone) {
  ComPtr<IVrelDom> dom;
  ASSERT_EQ(create(dom), S_OK);
  ComPtr<IVrelDSubsIterator> it;
  ASSERT_EQ(dom->GetNotAssosiatedSubsIterator(it.out()), S_OK);
  const std::size_t loaded = Activation::loadedModules();
  Activation::CoFreeUnusedLibraries();
  EXPECT_EQ(Activation::loadedModules(), loaded) << "objects are alive";
  it.reset();
  dom.reset();
  Activation::CoFreeUnusedLibraries();
  EXPECT_LT(Activation::loadedModules(), loaded);
}

}  // namespace
}  // namespace vrel::test
