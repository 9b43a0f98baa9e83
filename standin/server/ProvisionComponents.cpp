#include "standin/server/ProvisionComponents.h"

#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/Processes.h"
#include "platform/Registry.h"
#include "platform/WinPath.h"
#include "standin/notes/NotesStore.h"
#include "standin/server/ProvisionIdentity.h"

#include <filesystem>
#include <vector>

namespace vrel::standin {

namespace {

namespace fs = std::filesystem;

struct ComponentClass {
  const char* clsid;
  const char* name;
  const char* progId;
};
constexpr ComponentClass kClasses[] = {
    {"{D6E9D893-478F-11D4-BA5B-00C04F65274C}", "TmRdbConnection Class", "TmRdb.TmRdbConnection.1"},
    {"{9EB37628-02BB-11D1-9194-00C04FB6309A}", "TmLogMgr Class", "TmLogMgr.TmLogMgr.1"},
};
constexpr const char* kEventSourceKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\CorvaneOrvix_TmCs";

void key(std::vector<RegOp>& ops, Hive hive, const std::string& path, const std::string& name = {},
         const std::string& value = {}) {
  ops.push_back({RegOp::CreateKey, hive, path, {}});
  if (!value.empty() || !name.empty()) ops.push_back({RegOp::SetValue, hive, path, RegValue::text(name, value)});
}

bool atLeast(const ServerVersion& v, int major, int minor, int rev, int build) {
  if (v.major != major) return v.major > major;
  if (v.minor != minor) return v.minor > minor;
  if (v.rev != rev) return v.rev > rev;
  return v.build >= build;
}

bool registerDirectoryServer(Machine& machine, const ServerIdentity& id, std::string& error) {
  const std::string module = id.root() + "VrelDOMSvr.DLL";
  if (!linkToolFile(machine, "VrelDomSvr.dll", module, error)) return false;
  Processes processes(machine);
  long pid = 0;
  if (const ProcStatus st = processes.start("regsvr32 /s \"" + module + "\"", 0, pid); !st) {
    error = "cannot start regsvr32: " + st.description;
    return false;
  }
  Processes::wait(pid, kWaitInfinite);
  if (!machine.registry().keyExists(Hive::ClassesRoot, "CLSID\\{0B4F3461-8DB9-4821-A7C3-DA130A240C16}")) {
    error = "regsvr32 did not register " + module;
    return false;
  }
  return true;
}

}  // namespace

bool linkToolFile(Machine& machine, const std::string& toolFile, const std::string& windowsPath, std::string& error) {
  const std::string target = Machine::toolsFolder() + "/" + toolFile;
  const std::string link = WinPaths(machine).toHost(windowsPath);
  std::error_code ec;
  if (link.empty() || !fs::exists(target, ec)) {
    error = "cannot place " + toolFile + " at " + windowsPath;
    return false;
  }
  Files(machine).createFolder(winParent(windowsPath));
  if (fs::is_symlink(link, ec) || fs::exists(link, ec)) fs::remove(link, ec);
  fs::create_symlink(target, link, ec);
  if (ec) {
    error = "cannot link " + windowsPath + ": " + ec.message();
    return false;
  }
  return true;
}

bool installServerComponents(Machine& machine, const ServerIdentity& id, std::string& error) {
  // A build without the module still provisions; the components then are
  // simply not registered.
  std::string ignored;
  if (linkToolFile(machine, "TmServerComponents.dll", kComponentsModule, ignored)) {
    std::vector<RegOp> ops;
    for (const ComponentClass& c : kClasses) {
      const std::string clsid = std::string("CLSID\\") + c.clsid;
      key(ops, Hive::ClassesRoot, clsid, "", c.name);
      key(ops, Hive::ClassesRoot, clsid + "\\ProgID", "", c.progId);
      key(ops, Hive::ClassesRoot, clsid + "\\InprocServer32", "", kComponentsModule);
      ops.push_back({RegOp::SetValue, Hive::ClassesRoot, clsid + "\\InprocServer32",
                     RegValue::text("ThreadingModel", "Apartment")});
      key(ops, Hive::ClassesRoot, c.progId, "", c.name);
      key(ops, Hive::ClassesRoot, std::string(c.progId) + "\\CLSID", "", c.clsid);
    }
    key(ops, Hive::LocalMachine, kEventSourceKey, "EventMessageFile", id.root() + "TmCsMsg.dll");
    if (const RegStatus st = machine.registry().apply(ops); st != kRegOk) {
      error = "cannot register the server's components";
      return false;
    }
  }
  if (!id.isDomino()) return true;
  if (!syncDominoBooks(machine, error)) return false;
  if (atLeast(id.version(), 4, 0, 3, 80)) return registerDirectoryServer(machine, id, error);
  return true;
}

}  // namespace vrel::standin
