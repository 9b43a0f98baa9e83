// --verify-only's core: a sound backup passes, each kind of damage fails
// with its own finding, and the check changes nothing.
#include "platform/CertStore.h"
#include "platform/MachineSnapshot.h"
#include "restore/tests/support/RegistryDrill.h"
#include "restore/verify/BackupVerify.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <algorithm>
#include <memory>

namespace vrel::test {
namespace {

namespace fs = std::filesystem;
using restore::VerifyFinding;

constexpr standin::ServerVersion kVersion{5, 0, 1, 0};

std::vector<std::string> problems(const std::vector<VerifyFinding>& findings) {
  std::vector<std::string> out;
  for (const VerifyFinding& f : findings)
    if (f.problem) out.push_back(f.text);
  return out;
}

// Each file below a host folder with its size and change time.
std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> listing(const std::string& folder) {
  std::map<std::string, std::pair<std::uintmax_t, fs::file_time_type>> out;
  for (const auto& e : fs::recursive_directory_iterator(folder))
    if (e.is_regular_file()) out[e.path().string()] = {e.file_size(), e.last_write_time()};
  return out;
}

class VerifyBackup : public ::testing::Test {
 protected:
  void SetUp() override {
    standin::ProvisionOptions o;
    o.computerName = "ORVIXOLD";
    o.version = kVersion;
    m_old = std::make_unique<OldServerBackup>(o);
    standin::ProvisionOptions n;
    n.computerName = "ORVIXNEW";
    n.version = kVersion;
    standin::ProvisionResult result;
    std::string error;
    m_new.activate();
    ASSERT_TRUE(standin::provisionServer(m_new.machine(), n, result, error)) << error;
  }

  // A copy of the good backup in a folder of its own, as the machine names it.
  std::string copyOfBackup() {
    const std::string host = m_copies.path() + "/" + std::to_string(++m_count);
    fs::copy(m_new.files().paths().toHost(m_old->folder()), host, fs::copy_options::recursive);
    return m_new.files().paths().toWindows(host) + "\\";
  }

  std::unique_ptr<OldServerBackup> m_old;
  ScratchMachine m_new;
  TempDir m_copies;
  int m_count = 0;
};

TEST_F(VerifyBackup, ASoundBackupPassesAndNothingChanges) {
  const std::string folder = m_old->folder();
  MachineSnapshot before, after;
  std::string error;
  ASSERT_TRUE(takeMachineSnapshot(m_new.machine(), before, error)) << error;
  const auto files = listing(m_new.files().paths().toHost(folder));

  const auto findings = restore::verifyBackup(m_new.machine(), folder, std::nullopt);
  EXPECT_EQ(problems(findings), std::vector<std::string>{});
  EXPECT_TRUE(restore::backupUsable(findings));
  std::vector<std::string> oks;
  for (const VerifyFinding& f : findings) oks.push_back(f.line());
  for (const char* want : {"ok: OrvixDBBackUp.sql opens and passes the integrity check",
                           "ok: ReportDBBackup.sql opens and passes the integrity check",
                           "ok: the backed-up version 5.0(1.0) matches the installed one"})
    EXPECT_TRUE(hasLine(oks, want)) << want << "\n" << testing::PrintToString(oks);
  for (const char* start : {"ok: OrvixReg.reg parses completely (", "ok: CertBackup opens with its password ("})
    EXPECT_TRUE(std::any_of(oks.begin(), oks.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; }))
        << start;

  ASSERT_TRUE(takeMachineSnapshot(m_new.machine(), after, error)) << error;
  const MachineChanges changes = diffMachineSnapshots(before, after);
  EXPECT_TRUE(changes.values.empty() && changes.tables.empty() && changes.files.empty());
  EXPECT_EQ(listing(m_new.files().paths().toHost(folder)), files);
}

TEST_F(VerifyBackup, EachDamageFailsWithItsFinding) {
  Bytes otherPassword;
  ASSERT_TRUE(CertStore(m_old->machine().machine(), CertStoreLocation::LocalMachine, "My").exportPfx("other", otherPassword));
  struct Row {
    const char* name;
    std::function<void(Files&, const std::string&)> damage;
    std::optional<std::string> aliasMap;
    std::string problem;  // the first problem, or its start
  };
  const Row rows[] = {
      {"truncated image",
       [](Files& f, const std::string& dir) {
         std::string image;
         ASSERT_TRUE(f.readAll(dir + "OrvixDBBackUp.sql", image));
         ASSERT_TRUE(f.writeAll(dir + "OrvixDBBackUp.sql", image.substr(0, image.size() / 2)));
       },
       std::nullopt, "OrvixDBBackUp.sql: the backup is truncated"},
      {"bad registry file",
       [](Files& f, const std::string& dir) { ASSERT_TRUE(f.writeAll(dir + "OrvixReg.reg", "not a registry file\r\n")); },
       std::nullopt, "OrvixReg.reg does not parse: "},
      {"wrong certificate password",
       [&](Files& f, const std::string& dir) {
         ASSERT_TRUE(f.writeAll(dir + "CertBackup", std::string(otherPassword.begin(), otherPassword.end())));
       },
       std::nullopt, "CertBackup: the password of the PKCS #12 file is wrong"},
      {"missing registry file",
       [](Files& f, const std::string& dir) { ASSERT_TRUE(f.deleteFile(dir + "OrvixReg.reg", true)); }, std::nullopt,
       "OrvixReg.reg is missing"},
      {"other version",
       [](Files& f, const std::string& dir) {
         ASSERT_TRUE(f.writeAll(dir + "BackedUpVersionInfo.txt", "[VersionInfo]\r\nMajor=4\r\nMinor=0\r\nBuild=175\r\nRev=4\r\n"));
       },
       std::nullopt, "the backed-up version 4.0(4.175) does not match the installed version 5.0(1.0)"},
      {"alias file without its columns", [](Files& f, const std::string&) {
         ASSERT_TRUE(f.writeAll("C:\\aliases.csv", "Display Name,Alias One,Alias Two\r\nA,b,c\r\n"));
       },
       std::string("C:\\aliases.csv"), "the alias mapping file C:\\aliases.csv has no header naming OLD_ALIAS and NEW_ALIAS"},
      {"alias file with a bad alias", [](Files& f, const std::string&) {
         ASSERT_TRUE(f.writeAll("C:\\aliases.csv", "Display Name,NEW_ALIAS,OLD_ALIAS\r\nA,good,fine\r\nB,bad\\name,old\r\n"));
       },
       std::string("C:\\aliases.csv"), "the alias mapping file line 3 new alias: "},
  };
  for (const Row& r : rows) {
    const std::string folder = copyOfBackup();
    r.damage(m_new.files(), folder);
    const auto found = problems(restore::verifyBackup(m_new.machine(), folder, r.aliasMap));
    ASSERT_FALSE(found.empty()) << r.name;
    EXPECT_EQ(found.front().rfind(r.problem, 0), 0u) << r.name << ": " << found.front();
    EXPECT_EQ(found.size(), 1u) << r.name << ": " << testing::PrintToString(found);
  }
}

}  // namespace
}  // namespace vrel::test
