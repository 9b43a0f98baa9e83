#include "restore/external/ServiceSteps.h"

#include "restore/external/modCallExternalApp.h"
#include "restore/run/Program.h"

#include <array>
#include <stdexcept>

namespace vrel::restore {

namespace {

constexpr std::uint32_t kSeconds = 1000;
constexpr std::uint32_t kNoLimit = modCallExternalApp::kInfinite;

// The two spellings of the stop lines; which one a step uses is part of its
// log text.
constexpr const char* kStopLate = "(error) net stop process took longer than 30 seconds, task terminated";
constexpr const char* kStopDone = "    net stop process completed";
constexpr const char* kStopLateCap = "(error) Net stop took longer than 30 seconds, task terminated";
constexpr const char* kStopDoneCap = "    Net stop process completed";

constexpr const char* kStartLateCap = "(error) Net start took longer than 60 seconds, task terminated";
constexpr const char* kStartDoneCap = "    Net start process completed";
constexpr const char* kStartLate30 = "(error) net start process took longer than 30 seconds, task terminated";
constexpr const char* kStartLate60 = "(error) net start process took longer than 60 seconds, task terminated";
constexpr const char* kStartDone = "    net start process completed";

using enum StepCondition;

constexpr std::array<ServiceStep, 21> kShutDown = {{
    {"    Stopping TmMsgStoreMonitorSvr service", "Net Stop TmMsgStoreMonitorSvr", 1, 30 * kSeconds, kStopLate,
     kStopDone},
    {"    Stopping TmCsGateway", "Net Stop TmCsGateway", 1, 30 * kSeconds, kStopLateCap, kStopDoneCap},
    {"    Stopping TmCsMgr", "Net Stop TmcsMgr", 1, 30 * kSeconds, kStopLateCap, kStopDoneCap},
    {"    Stopping TmDSAD", "Net Stop TmDSAD", 1, 30 * kSeconds, kStopLateCap, kStopDoneCap},
    {"    Stopping TmDSDomino", "Net Stop TmDSDomino", 1, 30 * kSeconds, kStopLateCap, kStopDoneCap},
    {"    Stopping TmDirChangeWriter", "Net Stop TmDirChangeWriter", 1, 30 * kSeconds, kStopLateCap, kStopDoneCap},
    {"    Stopping TmDsGlobalCatalog service", "Net STop TmDSGlobalCatalog", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping TmGAENsvr service", "Net STop TmGAENsvr", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping TmMMProxySvr service", "Net Stop TmMMProxySvr", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping TmRepDirSvrSvc service", "Net Stop TmRepDirSvrSvc", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping TmUMRSyncSvr service", "Net Stop TmUMRSyncSvr", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping TmTTSSvr service", "Net Stop TmTTSSvr", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping CsBridgeConnector service", "Net Stop CsBridgeConnector", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping CsEMSSvc service", "Net Stop CsEMSsvc", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping CorvaneOrvixTdsProxy service", "Net Stop CorvaneOrvixTdsProxy", 1, 30 * kSeconds, kStopLate,
     kStopDone},
    {"    Stopping qxMessageAgingSvr service", "Net Stop QxMessageAgingSvr", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping qxDirReader service", "Net Stop qxDirReader", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping csBMsgConnector service", "Net Stop csBMsgConnector", 1, 30 * kSeconds, kStopLate, kStopDone},
    // The kill's time-out line names 40 seconds, so it waits 40: the log
    // must not claim a limit longer than the one it applied.
    {"    running Kill TM*", "kill -F tm*.*", 6, 40 * kSeconds,
     "(error) Kill process took longer than 40 seconds, task terminated", "    Kill process completed"},
    {"    Stopping QxMDBStoreMonitor service", "Net Stop QxMDBStoreMonitor", 1, 30 * kSeconds, kStopLate, kStopDone},
    {"    Stopping the WWW service", "Net Stop W3svc", 0, 40 * kSeconds,
     "(error) net stop process took longer than 40 seconds, task terminated", kStopDone},
}};

constexpr std::array<ServiceStep, 11> kStartUp = {{
    {"    Starting TmCsGateway", "Net Start TmCsGateway", 0, 60 * kSeconds, kStartLateCap, kStartDoneCap},
    {"    Starting TmMMProxySvr", "Net Start TmMMProxySvr", 0, 60 * kSeconds, kStartLateCap, kStartDoneCap},
    {"    Starting TmCsMgr", "Net Start TmcsMgr", 0, 60 * kSeconds, kStartLateCap, kStartDoneCap},
    {"    Starting TmDSAD", "Net Start TmDSAD", 0, 60 * kSeconds, kStartLateCap, kStartDoneCap},
    {"    Starting TmDSEX55", "Net Start TmDSEX55", 0, 60 * kSeconds, kStartLateCap, kStartDoneCap, NotDomino},
    {"    Starting TmDirChangeWriter", "Net Start TmDirChangeWriter", 0, 60 * kSeconds, kStartLateCap, kStartDoneCap},
    {"    Starting TmDsGlobalCatalog service", "Net Start TmDSGlobalCatalog", 0, 60 * kSeconds, kStartLate60,
     kStartDone},
    {"    Starting QxMDBStoreMonitor service", "Net Start QxMDBStoreMonitor", 1, 30 * kSeconds, kStartLate30,
     kStartDone, AtLeastVersion5},
    {"    Starting QxMessageAgingSvr service", "Net Start QxMessageAgingSvr", 1, 30 * kSeconds, kStartLate30,
     kStartDone, AtLeastVersion5},
    {"    Starting WWW service service", "Net Start W3svc", 0, 30 * kSeconds, kStartLate30, kStartDone},
    // Waited for without limit and nothing logged after it.
    {"    Starting CsEMSSvc service service if present", "Net Start CsEMSSvc", 0, kNoLimit, nullptr, nullptr},
}};

}  // namespace

std::span<const ServiceStep> shutDownSteps() {
  return kShutDown;
}
std::span<const ServiceStep> startUpSteps() {
  return kStartUp;
}

const ServiceStep& shutDownStep(int number) {
  if (number < 1 || number > static_cast<int>(kShutDown.size()))
    throw std::out_of_range("no shut-down step " + std::to_string(number));
  return kShutDown[static_cast<std::size_t>(number - 1)];
}

const ServiceStep& startUpStep(int number) {
  if (number < 1 || number > static_cast<int>(kStartUp.size()))
    throw std::out_of_range("no start-up step " + std::to_string(number));
  return kStartUp[static_cast<std::size_t>(number - 1)];
}

bool stepApplies(Program& program, const ServiceStep& step) {
  switch (step.condition) {
    case StepCondition::Always:
      return true;
    case StepCondition::NotDomino:
      return program.mailStoreKind != kMailStoreDomino;
    case StepCondition::AtLeastVersion5:
      return program.module1.bLocalVersionAtLeast(5, 0, 0, 0);
  }
  return false;
}

void runServiceStep(Program& program, const ServiceStep& step) {
  program.log.WriteToLog(step.before);
  const long pid = program.external.Shell(step.command, step.windowStyle);
  const bool ended = program.external.WaitForProcess(pid, step.timeoutMs);
  const char* after = ended ? step.completionLine : step.timeoutLine;
  if (after) program.log.WriteToLog(after);
}

}  // namespace vrel::restore
