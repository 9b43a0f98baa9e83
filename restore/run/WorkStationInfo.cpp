#include "restore/run/WorkStationInfo.h"

#include "platform/Machine.h"
#include "platform/Text.h"

namespace vrel::restore {

// The machine values behind the two Net calls. A machine that names no
// platform is an NT-family server (all the server runs on); the version and
// user count default to what a Windows Server 2003 console session reports.
WorkStationInfo::WorkStationInfo(Machine& machine) {
  const std::string platform = trim(machine.value("Platform", kPlatformNT));
  if (platform != kPlatformNT) return;
  m_platform = platform;
  m_computerName = machine.computerName();
  m_lanGroup = machine.value("LanGroup");
  m_osVersion = machine.value("OsVersion", "5.2");
  m_lanRoot = machine.value("LanRoot");
  m_loggedOnUsers = machine.value("LoggedOnUsers", "1");
  m_userName = machine.value("UserName");
  m_logonDomain = machine.value("LogonDomain");
  m_otherDomains = machine.value("OtherDomains");
  m_logonServer = machine.value("LogonServer");
}

}  // namespace vrel::restore
