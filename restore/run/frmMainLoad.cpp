// Form_Load: the start-up checks. The program refuses to start on a server
// it cannot restore onto (version, mail store kind, not running, not set up)
// and otherwise waits for the administrator with the options it can offer.
#include "platform/CommandLine.h"
#include "platform/Machine.h"
#include "platform/Text.h"
#include "platform/data/Recordset.h"
#include "restore/aliases/Exchange2007.h"
#include "restore/run/ControlObject.h"
#include "restore/run/FolderOptions.h"
#include "restore/run/VbError.h"
#include "restore/run/WorkStationInfo.h"
#include "restore/run/frmMain.h"
#include "restore/shell/modUpdateCheck.h"

#include <vector>

namespace vrel::restore {

namespace {

constexpr const char* kSystemParametersKey = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
constexpr const char* kAgingServiceKey = "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0";
constexpr const char* kConnectionPrefix =
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;Data Source=";

constexpr int kIvcNoMdbPath = 63;  // "IVC install detected but no path for the aging service MDB f..."
constexpr int kIvcMdbMissing = 64;  // "IVC install detected but the aging service MDB file was not ..."
constexpr int kVersionTooOld = 49;  // "This utility only works with Orvix 3.1(1) and later or on se..."
constexpr int kDominoPartner = 61;  // "Be sure your partner Domino server is up and running before ..."
constexpr int kDominoTooOld = 48;  // "This tool only works with Exchange 5.5 or Exchange 2000/2003..."
constexpr int kRemoteSession = 62;  // "CAUTION!  You are running in a WTS session, please note that..."
constexpr int kUglyRestore = 13;  // "Doing an 'ugly restore' based on command line option - be su..."
constexpr int kNotRunning = 65;  // "Orvix is not up and running properly.  Please make sure the ..."
constexpr int kNoLocation = 25;  // "No location objets found in Location table in OrvixDB in SQL..."
constexpr int kNoDirectoryId = 66;  // "The DirectoryID value for the primary location in the Locati..."
constexpr int kNoMailboxStore = 67;  // "Error!  The MailboxStore table is empty - the current instal..."
constexpr int kZacOnlyOptions = 68;  // "You have selected to run Vrel restore with one or more ZAC-o..."
constexpr int kExchange2007 = 69;  // "There are Exchange 2007 mailstores active in the current ins..."
constexpr int kNoConnection = 11;  // "Could not connect to Location table in OrvixDB in SQL.  This..."

// Start-up's two traps. A database error while the installation is being
// checked ends the program with the connection message; any other error is
// handed to the log writer and start-up goes on with the next step.
class LoadTrap {
 public:
  explicit LoadTrap(frmMain& form) : m_form(form) {}

  template <typename F>
  void step(F&& statement) {
    try {
      statement();
    } catch (const data::AdoError& e) {
      logError(e.description);
    } catch (const VbError& e) {
      logError(e.description);
    } catch (const std::exception& e) {
      logError(e.what());
    }
  }

  template <typename F>
  void databaseStep(F&& statement) {
    try {
      statement();
    } catch (const data::AdoError&) {
      refuse(kNoConnection);
    } catch (const VbError& e) {
      logError(e.description);
    } catch (const std::exception& e) {
      logError(e.what());
    }
  }

  [[noreturn]] void refuse(int textId) {
    m_form.program().MsgBox(m_form.program().str(textId));
    m_form.ExitProgram(ProgramEnd::Refused);
  }

 private:
  void logError(const std::string& description) {
    m_form.program().log.WriteToLog("(error) in form load routine: " + description);
  }

  frmMain& m_form;
};

// Step 4. False when start-up ends here: only the voice connector is
// installed, and only the certificate restore is offered.
bool checkInstalledVersion(Program& program, LoadTrap& trap) {
  const LocalVersionInfo& v = program.module1.localVersionInfo;
  if (v.Major == 0 && v.bIVCInstall) {
    std::string mdb;
    trap.step([&] {
      mdb = program.module1.GetRegistryValue(Hive::LocalMachine, kAgingServiceKey, "AccessDbFileName", kRegSz, "")
                .asText();
    });
    if (mdb.empty()) trap.refuse(kIvcNoMdbPath);
    if (!program.files.fileExists(mdb)) trap.refuse(kIvcMdbMissing);
    return false;
  }
  if (v.Major < 3 || (v.Major == 3 && v.Minor < 1)) trap.refuse(kVersionTooOld);
  return true;
}

std::int16_t mailStoreKindOf(const std::string& idcProgId) {
  if (iequals(idcProgId, "TMDsDomino.TmIDCDomino.1")) return kMailStoreDomino;
  if (iequals(idcProgId, "TMDSAD.TMDSAD.1") || iequals(idcProgId, "TMIDCADSvr.TmIDCAD.1")) return kMailStoreExchange2000;
  return kMailStoreExchange55;
}

// Step 6: the Domino directory COM server is registered by the program for
// the versions whose setup does not register it.
void prepareDomino(Program& program, LoadTrap& trap) {
  program.MsgBox(program.str(kDominoPartner));
  Module1& m = program.module1;
  if (!m.bLocalVersionAtLeast(4, 0, 3, 0)) trap.refuse(kDominoTooOld);
  if (m.bLocalVersionAtLeast(4, 0, 3, 80)) return;
  // Quoted when the folder holds a blank, so regsvr32 gets one module name.
  const std::string server = quoteArgument(program.programFolder() + "\\VrelDOMSvr.DLL");
  trap.step([&] { program.external.Shell("regsvr32 " + server + " /s", kMinimizedFocus); });
}

// A remote desktop session names itself "RDP-Tcp#n" in SESSIONNAME; the
// console session is "Console".
bool remoteSession(Program& program) {
  return ifind(trim(program.machine.value("SessionName", "Console")), "RDP-") == 0;
}

// Step 10: the program writes its temporary files next to itself.
void clearReadOnlyFiles(Program& program, LoadTrap& trap) {
  std::vector<DirEntry> entries;
  if (const FileStatus st = program.files.list(program.programFolder(), entries); !st)
    throw VbError(st.number, st.description);
  for (const DirEntry& e : entries) {
    if (e.isFolder || !e.readOnly) continue;
    trap.step([&] {
      if (const FileStatus st = program.files.setReadOnly(winJoin(program.programFolder(), e.name), false); !st)
        throw VbError(st.number, st.description);
    });
  }
}

// Step 13: the server must run. A control object that cannot be created
// reports no state, which counts as not running.
void checkServerRunning(Program& program, LoadTrap& trap) {
  std::int32_t state = 0;
  trap.step([&] {
    std::unique_ptr<ControlObject> control = program.createControlObject ? program.createControlObject() : nullptr;
    if (!control) throw VbError(429, "ActiveX component can't create object");
    state = control->State();
  });
  if (state != ControlObject::kRunning) trap.refuse(kNotRunning);
}

// Steps 14 and 15: the installation's primary location is set up and
// synchronised with the directory, and (4.0(4.1) on) it has a mail store.
void checkInstallationComplete(Program& program, LoadTrap& trap) {
  trap.databaseStep([&] {
    data::Recordset rs;
    rs.open(program.module1.bLocalVersionAtLeast(4, 0, 2, 22) ? "select * from vw_location" : "select * from location",
            program.machine, program.connectionString, data::adOpenStatic, data::adLockReadOnly);
    if (rs.eof()) trap.refuse(kNoLocation);
    rs.moveFirst();
    // A Null DirectoryID is as unpopulated as an empty one.
    if (rs.fields("DirectoryID").value().toString().size() < 2) trap.refuse(kNoDirectoryId);
    rs.close();
  });
  if (!program.module1.bLocalVersionAtLeast(4, 0, 4, 1)) return;
  trap.databaseStep([&] {
    data::Recordset rs;
    rs.open("Select * from MailboxStore", program.machine, program.connectionString, data::adOpenStatic,
            data::adLockReadOnly);
    if (rs.eof()) trap.refuse(kNoMailboxStore);
    rs.close();
  });
}

}  // namespace

void frmMain::Form_Load() {
  Program& p = m_program;
  Module1& m = p.module1;
  LoadTrap trap(*this);

  trap.step([&] {
    if (!p.files.folderExists(p.programFolder())) throw VbError(76, "Path not found");
    WinPaths::setCurrentFolder(p.programFolder());
  });
  trap.step([&] { p.localize.InitalizeLanguages({this}); });
  trap.step([&] { Auto_Init(); });
  trap.step([&] {
    m.localVersionInfo = m.GetLocalVersionInfo();
    p.log.setInstalledVersionText(m.localVersionInfo.VersionText);
  });
  if (!checkInstalledVersion(p, trap)) return;

  trap.step([&] {
    p.mailStoreKind =
        mailStoreKindOf(m.GetRegistryValue(Hive::LocalMachine, kSystemParametersKey, "IDCProgID", kRegSz, "").asText());
  });
  if (p.mailStoreKind == kMailStoreDomino) prepareDomino(p, trap);
  if (remoteSession(p)) p.MsgBox(p.str(kRemoteSession));

  trap.step([&] { offerCertificates(*this, targetPath()); });
  trap.step([&] {
    control("mnuRestoreCertificates").enabled = m.bLocalVersionAtLeast(5, 0, 0, 10);
    touch();
  });
  trap.step([&] { checkForUpdatedVersion_Background(p, kUpdateCheckAppName, homePageAddress()); });
  trap.step([&] { clearReadOnlyFiles(p, trap); });
  trap.step([&] {
    p.computerName = WorkStationInfo(p.machine).ComputerName();
    p.connectionString = kConnectionPrefix + p.computerName;
  });

  if (p.commandLine().size() >= 2 && p.commandLineHas("UglyRestore")) {
    p.MsgBox(p.str(kUglyRestore));
    return;
  }
  checkServerRunning(p, trap);
  checkInstallationComplete(p, trap);
  if (p.commandLineHas("DirtyRestore") || p.commandLineHas("PauseAfterSQLRestore") ||
      p.commandLineHas("SkipVersionCheck"))
    p.MsgBox(p.str(kZacOnlyOptions));
  trap.step([&] {
    if (!bExchange2007MailstorePresent(p)) return;
    untickAndDisable(*this, "chkRestoreMessages");
    p.MsgBox(p.str(kExchange2007));
  });
  touch();
}

}  // namespace vrel::restore
