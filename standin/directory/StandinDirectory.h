// The directory and the running account's token of the stand-in machine,
// behind the platform's Directory and TokenSource interfaces. The machine
// value "DirectoryFailures" names calls that fail, comma-separated (tests
// use it): DsGetDcName, DsBind, DsCrackNames, ADsGetObject, SetInfo,
// GetNamedSecurityInfo, ImpersonateSelf, OpenProcessToken.
#pragma once

#include "platform/directory/Directory.h"
#include "standin/directory/DirectoryStore.h"

namespace vrel::standin {

class StandinDirectory : public ds::Directory, public ds::TokenSource {
 public:
  explicit StandinDirectory(Machine& machine);

  ds::HResult getObject(std::string_view adsPath, std::unique_ptr<ds::DirectoryObject>& out) override;
  std::uint32_t getDcName(std::string& dcName) override;
  std::uint32_t bind(std::string_view dcName) override;
  std::uint32_t crackSidToNt4Name(std::string_view sid, int& status, std::string& name) override;
  std::string trusteeName(const sec::Sid& sid) override;
  std::uint32_t getNamedSecurityInfo(std::string_view distinguishedName, Bytes& descriptor) override;

  std::uint32_t impersonateSelf(int level) override;
  std::uint32_t openThreadToken(sec::Token& out) override;
  std::uint32_t openProcessToken(sec::Token& out) override;
  void revertToSelf() override { m_impersonating = false; }

  bool fails(std::string_view call);
  DirectoryStore& store() { return m_store; }
  Machine& machine() { return m_machine; }

 private:
  Machine& m_machine;
  DirectoryStore m_store;
  bool m_impersonating = false;
  int m_level = 0;
};

}  // namespace vrel::standin
