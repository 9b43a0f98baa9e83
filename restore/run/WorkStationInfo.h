// The workstation information of the machine the program runs on: what
// NetWkstaGetInfo (platform, computer name, LAN group, OS version, LAN root,
// logged-on users) and NetWkstaUserGetInfo (user name, logon domain, other
// domains, logon server) report. Read once, when the object is created, and
// only on an NT-family system (platform 500); elsewhere every property stays
// empty.
#pragma once

#include <string>

namespace vrel {
class Machine;
}

namespace vrel::restore {

class WorkStationInfo {
 public:
  // The platform ID of the NT family, as NetWkstaGetInfo reports it.
  static constexpr const char* kPlatformNT = "500";

  explicit WorkStationInfo(Machine& machine);

  const std::string& Platform() const { return m_platform; }
  const std::string& ComputerName() const { return m_computerName; }
  const std::string& LanGroup() const { return m_lanGroup; }
  const std::string& OsVersion() const { return m_osVersion; }  // "5.2"
  const std::string& LanRoot() const { return m_lanRoot; }
  const std::string& LoggedOnUsers() const { return m_loggedOnUsers; }
  const std::string& UserName() const { return m_userName; }
  const std::string& LogonDomain() const { return m_logonDomain; }
  const std::string& OtherDomains() const { return m_otherDomains; }
  const std::string& LogonServer() const { return m_logonServer; }

 private:
  std::string m_platform;
  std::string m_computerName;
  std::string m_lanGroup;
  std::string m_osVersion;
  std::string m_lanRoot;
  std::string m_loggedOnUsers;
  std::string m_userName;
  std::string m_logonDomain;
  std::string m_otherDomains;
  std::string m_logonServer;
};

}  // namespace vrel::restore
