// ShutDownOrvix and StartUpOrvix: the server's services stopped before the
// restore and started again at its end, one logged step at a time. A step
// that fails or times out never stops the sequence.
#include "platform/Registry.h"
#include "restore/external/ServiceSteps.h"
#include "restore/run/frmMain.h"

namespace vrel::restore {

namespace {

constexpr const char* kRootPathKey = "Software\\Tremarc\\ZureVezuza\\1.0";

}  // namespace

void frmMain::ShutDownOrvix() {
  Program& p = m_program;
  trapLogged("ShutDownOrvix", [&] {
    p.paths.installRoot = p.module1.GetRegistryValue(Hive::LocalMachine, kRootPathKey, "Root Path", 1, "").asText();
    p.log.WriteToLog("    New Orvix Install path=" + p.paths.installRoot);
  });
  trapLogged("ShutDownOrvix", [&] { p.setCurrentFolder(p.paths.installRoot); });
  for (const ServiceStep& step : shutDownSteps()) trapLogged("ShutDownOrvix", [&] { runServiceStep(p, step); });
}

void frmMain::StartUpOrvix() {
  Program& p = m_program;
  for (const ServiceStep& step : startUpSteps()) {
    trapLogged("StartUpOrvix", [&] {
      if (stepApplies(p, step)) runServiceStep(p, step);
    });
  }
}

}  // namespace vrel::restore
