// The machine certificate of a provisioned server and the backup's
// "CertBackup": written from 4.0(4.54) on, importable with its password into
// another machine's store.
#include "platform/CertStore.h"
#include "standin/server/Backup.h"
#include "standin/server/ProvisionCertificates.h"
#include "standin/tests/ProvisionTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vrel::test {
namespace {

constexpr const char* kFolder = "C:\\DR\\Backup";

standin::ProvisionOptions optionsFor(const char* version) {
  standin::ProvisionOptions o;
  o.computerName = "orvixold";
  o.installationGuid = "C3A7B000-0000-4000-8000-000000000054";
  std::string error;
  EXPECT_TRUE(standin::parseServerVersion(version, o.version, error)) << error;
  return o;
}

std::vector<CertificateInfo> machineCertificates(Machine& m) {
  std::vector<CertificateInfo> out;
  EXPECT_TRUE(CertStore(m, CertStoreLocation::LocalMachine, "My").list(out));
  return out;
}

bool listed(const std::vector<std::string>& items, const std::string& prefix) {
  return std::any_of(items.begin(), items.end(), [&](const std::string& s) { return s.rfind(prefix, 0) == 0; });
}

class CertBackupTest : public ::testing::TestWithParam<const char*> {};

TEST_P(CertBackupTest, BackupExportsTheMachineCertificateForAnotherMachine) {
  ScratchMachine old;
  provisionOrFail(old.machine(), optionsFor(GetParam()));
  const std::vector<CertificateInfo> certs = machineCertificates(old.machine());
  ASSERT_EQ(certs.size(), 1u);
  EXPECT_EQ(certs[0].subject, "CN=ORVIXOLD");
  EXPECT_TRUE(certs[0].hasPrivateKey);

  standin::BackupReport report;
  std::string error;
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  EXPECT_TRUE(listed(report.written, "CertBackup"));
  EXPECT_FALSE(listed(report.skipped, "CertBackup"));

  std::string blob;
  ASSERT_TRUE(old.files().readAll("C:\\DR\\Backup\\certBackup", blob)) << "names are case-insensitive";
  ScratchMachine fresh;
  CertStore target(fresh.machine(), CertStoreLocation::LocalMachine, "My");
  const Bytes bytes(blob.begin(), blob.end());
  EXPECT_EQ(target.importPfx(bytes, "wrong", nullptr).code, CertStatus::WrongPassword);
  std::vector<std::string> added;
  const CertStatus st = target.importPfx(bytes, standin::kCertBackupPassword, &added);
  ASSERT_TRUE(st) << st.description;
  EXPECT_EQ(added, std::vector<std::string>{certs[0].thumbprint});
  CertificateInfo info;
  ASSERT_TRUE(target.find(certs[0].thumbprint, info));
  EXPECT_TRUE(info.hasPrivateKey);
  EXPECT_EQ(info.subject, "CN=ORVIXOLD");
}

INSTANTIATE_TEST_SUITE_P(VersionsThatExport, CertBackupTest, ::testing::Values("4.0(4.54)", "5.0(1.1)"),
                         [](const auto& info) { return "v" + std::to_string(info.index); });

TEST(CertBackupOlderTest, VersionsBefore4_0_4_54HaveNoCertificateAndNoCertBackup) {
  ScratchMachine old;
  provisionOrFail(old.machine(), optionsFor("4.0(4.53)"));
  EXPECT_TRUE(machineCertificates(old.machine()).empty());
  standin::BackupReport report;
  std::string error;
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  EXPECT_FALSE(old.files().exists("C:\\DR\\Backup\\CertBackup"));
  EXPECT_FALSE(listed(report.written, "CertBackup"));
  EXPECT_FALSE(listed(report.skipped, "CertBackup")) << "the backup tool of these versions has no such item";
}

TEST(CertBackupStoreTest, ReprovisioningKeepsOneCertificateAndAnEmptyStoreIsSkipped) {
  ScratchMachine old;
  standin::ProvisionOptions options = optionsFor("4.0(4.54)");
  provisionOrFail(old.machine(), options);
  options.force = true;
  provisionOrFail(old.machine(), options);
  const std::vector<CertificateInfo> certs = machineCertificates(old.machine());
  ASSERT_EQ(certs.size(), 1u);

  ASSERT_TRUE(CertStore(old.machine(), CertStoreLocation::LocalMachine, "My").remove(certs[0].thumbprint));
  standin::BackupReport report;
  std::string error;
  ASSERT_TRUE(standin::backupServer(old.machine(), kFolder, report, error)) << error;
  EXPECT_FALSE(old.files().exists("C:\\DR\\Backup\\CertBackup"));
  EXPECT_NE(std::find(report.skipped.begin(), report.skipped.end(),
                      "CertBackup: no certificates in LocalMachine\\My"),
            report.skipped.end());
}

TEST(CertBackupStoreTest, MachineCertificateNeedsAComputerName) {
  ScratchMachine m;
  std::string error;
  EXPECT_FALSE(standin::createMachineCertificate(m.machine(), "", error));
  EXPECT_FALSE(error.empty());
  EXPECT_TRUE(machineCertificates(m.machine()).empty());
}

}  // namespace
}  // namespace vrel::test
