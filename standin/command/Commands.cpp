#include "standin/command/Commands.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "standin/server/MailStore.h"
#include "standin/server/ServerProcedures.h"

#include <memory>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>

namespace vrel::standin {

namespace {

constexpr const char* kHelp = R"(usage: standin COMMAND [ARGS]

Makes and inspects stand-in machines. The machine is the folder named by
VREL_MACHINE; init and provision create it when it does not exist yet, every
other command refuses a folder that does not exist.

commands:
  init                       create the machine (if missing) and its system folder
  machine get NAME           print a machine value (ComputerName, LanGroup, UserName, ...)
  machine set NAME VALUE     set a machine value
  service add NAME [--display TEXT] [--stopped] [--hang-stop SECONDS] [--hang-start SECONDS]
                             add (or replace) a service of the machine, running unless --stopped
  service set NAME [--display TEXT] [--hang-stop SECONDS] [--hang-start SECONDS] [--running|--stopped]
                             change a service's test behaviour or state
  service remove NAME        remove a service
  service list               list the services: name, state, display name
  start "COMMAND LINE"       start a Windows command line on the machine (found like a
                             typed command) without waiting; prints the process id
  ps                         list the machine's live processes: pid, image name, command line
  provision [OPTIONS]        install the stand-in server: a clean, running installation
                             (registry branch, OrvixDB and ReportDB with the fresh-install
                             objects, install root with its folders and tools, services running)
      --computer NAME        computer name, 1 to 15 letters, digits, '-', '_' (default: the
                             machine's ComputerName, else ORVIX01)
      --root PATH            install root, a Windows path on any drive but Z: (default C:\Orvix)
      --version TEXT         installed version a.b(c.d), e.g. 4.0(3.15) (the default)
      --mailstore KIND       exchange55, exchange2000 (default) or domino
      --language CODE        language code: ENU (default), DEU, FRA, JPN, ...
      --failover ROLE        primary, secondary or none (default): the failover node branch
      --installation-guid G  seed of the machine's directory IDs and system ID (default: random,
                             so no two machines share them); the same GUID and computer name
                             give the same installation
      --force                replace a server that is installed already (otherwise refused)
  populate [OPTIONS]         turn the installed fresh server into a lived-in one: subscribers
                             with call handlers, extensions, messaging rules, menu entries,
                             lists, notifications, stream files, mailboxes (docs/server-layout.md)
      --subscribers N        number of subscribers, 1 to 100000 (default 10); past about
                             4,400 the recordings are spread to 20,000 in all, and only the
                             first 10,000 subscribers get a mailbox with messages
      --seed S               seed; the same seed on the same installation gives the same
                             server (default 1)
      --messages M           at most M messages per mailbox, 0 to 1000 (default 4)
      --admins WHICH         eadmin (default): the example administrator "EAdmin" alone;
                             both: also "EAdministrator" with its primary call handler, as
                             a server upgraded across versions holds them, with handlers,
                             lists, rules and menu entries still pointing at "EAdmin" and
                             extensions left without an owner
  backup DIR                 write the server's disaster-recovery backup folder into DIR (a
                             Windows path of the machine, or a host path starting with '/'):
                             database images, "OrvixReg.reg", "BackedUpVersionInfo.txt",
                             "SubscriberInfo.mdb", "messages\<alias>.PST", certificates,
                             routing rules, stream files, greetings, event monitoring data
  sql [--db DB] "STATEMENT"  run one statement; rows print as tab-separated lines under a
                             header line (NULL as NULL, bytes as 0x..., dates as
                             YYYY-MM-DD HH:MM:SS; in text \\ \t \r \n for \ tab CR LF); other
                             statements print the line (N rows affected)
      --db DB                OrvixDB (the default), ReportDB or another database of the
                             machine's SQL instance, or an Access file: a Windows path (or a
                             host path starting with '/') holding '\', ':' or ending in .mdb
  missing-files              read Windows paths of the machine from stdin, one a line, and
                             print those that name no file (as a drill checks stream paths)
  mailstore                  list the mailboxes of the machine's mail store, one a line: the
                             alias, a tab and the number of messages it holds
  directory SUB ...          the domain's directory (provision makes it, with Send-As and
                             Receive-As on the mail store for Domain Admins); OBJECT is a DN,
                             a GUID, a SID or an account name:
      show OBJECT            the object: DN, GUID, classes, SID, account, members, and its
                             security descriptor in SDDL
      sddl OBJECT            the descriptor alone, in SDDL
      list [BASE]            the DNs below BASE (default: the domain)
      add-user NAME [--ou DN], add-group NAME [--ou DN]
                             a user or group (in CN=Users unless --ou) with the next RID
      add-member GROUP MEMBER
      add-mailstore DN [--guid GUID]
                             an Exchange mail store (msExchMDB) with the default rights
      add-object DN CLASS... any other object (for example one that is no mail store)
      grant OBJECT TRUSTEE RIGHT [--deny]
                             an access entry: RIGHT is send-as, receive-as, both, full or
                             a hex mask; --deny puts a deny entry first
      set-sddl OBJECT SDDL   replace the descriptor
      set-descriptor OBJECT HEX
                             store raw bytes as the descriptor (to test damaged ones)
  account set NAME [--local-admin]
                             the account programs of the machine run under (a user of the
                             directory), optionally a local administrator of the machine
  account show               the running account's token: user, groups, deny-only ones
  notes show                 list the machine's Domino address books, person documents and faults
  notes book SERVER DATABASE [--id N]
                             add an address book; with --id also list it (number N, 0 to 99)
                             among the Domino directory connector's books in the registry
  notes person SERVER DATABASE [--unid HEX] ITEM=VALUE[;VALUE...]...
                             add (or replace) a person document, e.g. ShortName=jsmith
                             FirstName=John LastName=Smith "FullName=CN=John Smith/O=Orvix;John Smith";
                             prints its UNID (32 hex digits)
  notes delete SERVER DATABASE UNID
                             remove a person document
  notes fault CALL crash|STATUS|off
                             make a Notes call (NSFDbOpenExtended, NIFFindByName, ...) crash with
                             an access violation or return STATUS, or behave again
  eventlog show|clear [LOG]  list or empty an event log (default Application)
  help, --help               this text

environment:
  VREL_MACHINE     the machine's folder (required; must exist but for init and provision)
  VREL_TOOLS       the folder of the built tools (default: the build's bin/)
  VREL_TIME_SCALE  multiplies every fixed wait of the tools (default 1)

machine values the directory reads: RunningAccount (default LanGroup\UserName),
LocalAdministrators, TokenDenyOnlySids, DirectoryFailures (calls that fail:
DsGetDcName, DsBind, DsCrackNames, ADsGetObject, SetInfo, GetNamedSecurityInfo,
ImpersonateSelf, OpenProcessToken)
)";

int cmdInit(const Args&) {
  auto m = openMachine(true);
  if (!m) return 1;
  std::printf("machine ready: %s\n", m->root().c_str());
  return 0;
}

int cmdMachine(const Args& a) {
  if (a.size() < 3) return usage("machine needs get NAME or set NAME VALUE");
  auto m = openMachine();
  if (!m) return 1;
  if (a[1] == "get" && a.size() == 3) {
    std::printf("%s\n", m->value(a[2]).c_str());
    return 0;
  }
  if (a[1] == "set" && a.size() == 4) return m->setValue(a[2], a[3]) ? 0 : 1;
  return usage("machine needs get NAME or set NAME VALUE");
}

// Lines are taken as they come; a CR before the LF and blank lines are
// ignored. The exit status is 0 whether or not files are missing.
int cmdMissingFiles(const Args& a) {
  if (a.size() != 1) return usage("missing-files takes no arguments; it reads paths from stdin");
  auto m = openMachine();
  if (!m) return 1;
  const Files files(*m);
  char buf[4096];
  while (std::fgets(buf, sizeof buf, stdin)) {
    std::string path(buf);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    if (!path.empty() && !files.fileExists(path)) std::printf("%s\n", path.c_str());
  }
  return 0;
}

int cmdMailStore(const Args& a) {
  if (a.size() != 1) return usage("mailstore takes no arguments");
  auto m = openMachine();
  if (!m) return 1;
  for (const MailboxCount& box : listMailboxes(*m)) std::printf("%s\t%ld\n", box.alias.c_str(), box.messages);
  return 0;
}

}  // namespace

int usage(const std::string& what) {
  std::fprintf(stderr, "standin: %s\n(see standin --help)\n", what.c_str());
  return 2;
}

std::unique_ptr<Machine> openMachine(bool createIfMissing) {
  std::string error;
  const char* root = std::getenv("VREL_MACHINE");
  auto m = createIfMissing && root && *root ? Machine::open(root, error) : Machine::fromEnvironment(error);
  if (!m) std::fprintf(stderr, "standin: %s\n", error.c_str());
  return m;
}

int runCommand(const std::vector<std::string>& args) {
  standin::registerServerProcedures();
  if (args.empty() || args[0] == "help" || args[0] == "--help" || args[0] == "-h") {
    std::fputs(kHelp, stdout);
    return args.empty() ? 2 : 0;
  }
  static const std::map<std::string, std::function<int(const std::vector<std::string>&)>> kCommands = {
      {"init", cmdInit},
      {"machine", cmdMachine},
      {"service", cmdService},
      {"start", cmdStart},
      {"ps", cmdPs},
      {"provision", cmdProvision},
      {"populate", cmdPopulate},
      {"backup", cmdBackup},
      {"sql", cmdSql},
      {"missing-files", cmdMissingFiles},
      {"mailstore", cmdMailStore},
      {"directory", cmdDirectory},
      {"account", cmdAccount},
      {"notes", cmdNotes},
      {"eventlog", cmdEventLog},
  };
  auto it = kCommands.find(args[0]);
  if (it == kCommands.end()) return usage(("unknown command " + args[0]).c_str());
  return it->second(args);
}

}  // namespace vrel::standin
