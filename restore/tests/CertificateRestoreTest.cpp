// The certificate step of the run: the old server's export imported into
// the new machine's store once, the aging service's certificate database
// merged; damaged exports and old versions.
#include "platform/CertStore.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/tests/ProvisionedRun.h"
#include "standin/server/ProvisionDatabases.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vrel::test {
namespace {

using standin::MailStoreKind;

constexpr standin::ServerVersion kVersion{5, 0, 1, 0};

void addCertRows(Machine& m, const std::string& mdb, std::initializer_list<const char*> serials) {
  data::Connection cn(m);
  cn.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb);
  for (const char* serial : serials)
    standin::insertRow(cn, "CertTable", {{"SerialNumber", serial}, {"Data", std::string("data of ") + serial}});
  cn.close();
}

std::vector<std::string> serials(Machine& m, const std::string& mdb) {
  data::Recordset rs;
  rs.open("Select * from CertTable ORDER BY Index ASC", m, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + mdb);
  std::vector<std::string> out;
  while (!rs.eof()) {
    out.push_back(rs.fields("SerialNumber").value().toString());
    rs.moveNext();
  }
  return out;
}

std::vector<std::string> thumbprints(Machine& m) {
  std::vector<CertificateInfo> infos;
  EXPECT_TRUE(CertStore(m, CertStoreLocation::LocalMachine, "My").list(infos));
  std::vector<std::string> out;
  for (const auto& i : infos) out.push_back(i.thumbprint);
  return out;
}

constexpr const char* kLiveMdb = "C:\\Orvix\\Data\\MDBCertificate.MDB";

class CertificateRestore : public ProvisionedRun {
 protected:
  // The old server (its own machine certificate, certificate rows OLD1 and
  // SHARED) backed up; the new one (rows SHARED and NEW1) with the run set
  // up on the old backup folder.
  restore::frmMain& prepare(standin::ServerVersion newVersion = kVersion) {
    standin::ProvisionOptions o = server(MailStoreKind::Exchange2000, kVersion);
    o.computerName = "ORVIXOLD";
    m_old = std::make_unique<OldServerBackup>(o, [](Machine& old) { addCertRows(old, kLiveMdb, {"OLD1", "SHARED"}); });
    restore::frmMain& form = begin(server(MailStoreKind::Exchange2000, newVersion));
    if (rm.files().fileExists(kLiveMdb)) addCertRows(rm.machine(), kLiveMdb, {"SHARED", "NEW1"});
    form.control("txtTargetPath").caption = m_old->folder();
    form.setValue("chkRestoreCertificates", 1);
    m_before = thumbprints(rm.machine());
    return form;
  }
  std::string oldThumbprint() {
    const auto all = thumbprints(m_old->machine().machine());
    return all.empty() ? "" : all[0];
  }
  std::size_t count(const std::string& line) {
    const auto all = entries();
    return static_cast<std::size_t>(std::count(all.begin(), all.end(), line));
  }

  std::unique_ptr<OldServerBackup> m_old;
  std::vector<std::string> m_before;
};

TEST_F(CertificateRestore, ImportsTheBackedUpCertificatesOnceAndMergesTheAgingDatabase) {
  restore::frmMain& form = prepare();
  ASSERT_EQ(m_before.size(), 1u) << "the new server's own certificate";
  form.RestoreCertificates();
  std::vector<std::string> expected = m_before;
  expected.push_back(oldThumbprint());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(thumbprints(rm.machine()), expected);
  const auto log = entries();
  const auto at = std::find(log.begin(), log.end(), "=== Import Certificate Data 1 ===");
  ASSERT_NE(at, log.end());
  ASSERT_GE(log.end() - at, 10);
  EXPECT_EQ(at[1], "");
  EXPECT_EQ(at[2], "      Simple name = CN=ORVIXOLD");
  EXPECT_EQ(at[3], "      Issuer Name: CN=ORVIXOLD");
  EXPECT_EQ(at[4].rfind("      Serial Number: ", 0), 0u);
  EXPECT_EQ(at[5].rfind("      Not Before: ", 0), 0u);
  EXPECT_EQ(at[7], "      IsValid: True");
  EXPECT_EQ(at[8], "      Archived: False");
  EXPECT_EQ(at[9], "");
  EXPECT_EQ(*(at - 1), "Restoring certificate information");
  EXPECT_EQ(at[10], "Certificate restoration complete");
  EXPECT_TRUE(logged("Restoring MDB certificate file for Orvix 5.0(1) or later systems"));
  EXPECT_TRUE(logged(std::string("    Certificate file copied to: ") + kLiveMdb));
  EXPECT_EQ(serials(rm.machine(), kLiveMdb), (std::vector<std::string>{"OLD1", "SHARED", "NEW1"}))
      << "the backup's rows, then those only the new server had";
  EXPECT_FALSE(rm.files().exists("C:\\Vrel\\MDBCertificate.MDB")) << "the working copy is gone";
  EXPECT_TRUE(errorLines().empty()) << testing::PrintToString(errorLines());

  form.RestoreCertificates();
  EXPECT_EQ(thumbprints(rm.machine()), expected) << "a second import adds nothing";
  EXPECT_EQ(count("=== Import Certificate Data 1 ==="), 1u);
  EXPECT_EQ(count("=== Import Certificate Data 2 ==="), 0u);
  EXPECT_EQ(serials(rm.machine(), kLiveMdb), (std::vector<std::string>{"OLD1", "SHARED", "NEW1"}));
}

TEST_F(CertificateRestore, ADamagedExportIsAnErrorLineAndImportsNothing) {
  restore::frmMain& form = prepare();
  const std::string exportFile = m_old->folder() + "CertBackup";
  std::string good;
  ASSERT_TRUE(rm.files().readAll(exportFile, good));
  Bytes otherPassword;
  ASSERT_TRUE(CertStore(m_old->machine().machine(), CertStoreLocation::LocalMachine, "My").exportPfx("other", otherPassword));
  struct Row {
    const char* name;
    std::string bytes;
    const char* start;
  } rows[] = {
      {"wrong password", std::string(otherPassword.begin(), otherPassword.end()), "(error):-2147024810 (the password"},
      {"truncated", good.substr(0, good.size() / 2), "(error):-2146885630 (not a PKCS #12 file"},
      {"missing", "", "(error):53 ("},
  };
  for (const Row& r : rows) {
    if (*r.name == 'm') ASSERT_TRUE(rm.files().deleteFile(exportFile, true));
    else ASSERT_TRUE(rm.files().writeAll(exportFile, r.bytes));
    const std::size_t before = errorLines().size();
    form.RestoreCertificates();
    const auto errors = errorLines();
    ASSERT_EQ(errors.size(), before + 1) << r.name;
    EXPECT_EQ(errors.back().rfind(r.start, 0), 0u) << r.name << ": " << errors.back();
    EXPECT_NE(errors.back().find(") in procedure DoImportCommand of Module modCertificateStuff"), std::string::npos);
    EXPECT_EQ(thumbprints(rm.machine()), m_before) << r.name;
  }
}

TEST_F(CertificateRestore, OlderServersWithoutTheVoiceConnectorKeepTheirAgingDatabaseAlone) {
  restore::frmMain& form = prepare({4, 0, 4, 175});
  form.RestoreMDBCertificates();
  EXPECT_FALSE(logged("Restoring MDB certificate file for Orvix 5.0(1) or later systems"));
}

TEST_F(CertificateRestore, AMissingPieceIsLoggedAndTheLiveDatabaseKept) {
  restore::frmMain& form = prepare();
  Registry& reg = rm.machine().registry();
  struct Row {
    const char* name;
    std::function<void()> change;
    std::string line;
  } rows[] = {
      {"an unreadable backup copy", [&] { ASSERT_TRUE(rm.files().writeAll(m_old->folder() + "MDBCertificate.MDB", "garbage")); },
       ""},
      {"the live file missing", [&] { ASSERT_TRUE(rm.files().deleteFile(kLiveMdb, true)); },
       std::string("    MDB certificate listed in registry, however file is not found: ") + kLiveMdb},
      {"no file named", [&] { reg.setValue(Hive::LocalMachine, "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0", RegValue::text("AccessDbFileName", "")); },
       "    No MDB certificate listed in registry."},
      {"no key", [&] { reg.deleteKey(Hive::LocalMachine, "SOFTWARE\\Tremarc\\QxMessageAgingSvc\\1.0"); },
       "    No MDB certificate file referenced in registry."},
      {"no backup copy", [&] { ASSERT_TRUE(rm.files().deleteFile(m_old->folder() + "MDBCertificate.MDB", true)); },
       "    No MDB certificate file included in backup - skipping restore..."},
  };
  for (const Row& r : rows) {
    r.change();
    const std::size_t errors = errorLines().size();
    form.RestoreMDBCertificates();
    if (r.line.empty()) {
      EXPECT_EQ(errorLines().size(), errors + 1) << r.name;
      EXPECT_NE(errorLines().back().find("in procedure RestoreMDBCertificates of Form frmMain"), std::string::npos);
      EXPECT_EQ(serials(rm.machine(), kLiveMdb), (std::vector<std::string>{"SHARED", "NEW1"})) << "live file untouched";
    } else {
      EXPECT_EQ(entries().back(), r.line) << r.name;
    }
  }
}

}  // namespace
}  // namespace vrel::test
