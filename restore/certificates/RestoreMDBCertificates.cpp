#include "restore/certificates/RestoreMDBCertificates.h"

#include "platform/data/Recordset.h"
#include "restore/preserve/SQLInfoSupport.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

namespace vrel::restore {

namespace {

constexpr const char* kAgingServiceKey = "Software\\Tremarc\\QxMessageAgingSvc\\1.0";
constexpr const char* kCertTableQuery = "Select * from CertTable ORDER BY Index ASC";
constexpr const char* kJet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";

// Rows of live whose serial number the working copy lacks are added to it.
void mergeTables(Program& p, const std::string& working, const std::string& live) {
  data::Recordset wk, lv;
  wk.open(kCertTableQuery, p.machine, kJet + working, data::adOpenKeyset, data::adLockOptimistic);
  lv.open(kCertTableQuery, p.machine, kJet + live, data::adOpenKeyset, data::adLockOptimistic);
  if (moveToFirstRow(lv)) {
    while (!lv.eof()) {
      const data::Variant serial = lv.fields("SerialNumber").value();
      if (!findFromFirst(wk, "SerialNumber=" + criteriaQuote(serial.toString()))) {
        wk.addNew({"SerialNumber", "Data"}, {serial, lv.fields("Data").value()});
        wk.update();
        wk.requery();
      }
      lv.moveNext();
    }
  }
  wk.close();
  lv.close();
}

}  // namespace

void RestoreMDBCertificates(Program& p, const std::string& backupFolder) {
  Module1& m = p.module1;
  if (!m.localVersionInfo.bIVCInstall && !m.bLocalVersionAtLeast(5, 0, 0, 1)) return;
  auto report = [&](const TrappedError& e) {
    p.log.WriteToLog("(error) " + std::to_string(e.number) + " (" + e.description +
                     ") in procedure RestoreMDBCertificates of Form frmMain");
  };
  p.log.WriteToLog("Restoring MDB certificate file for Orvix 5.0(1) or later systems");
  const std::string backup = backupFolder + "MDBCertificate.MDB";
  if (!p.files.fileExists(backup)) {
    p.log.WriteToLog("    No MDB certificate file included in backup - skipping restore...");
    return;
  }
  std::string live;
  bool keyExists = false;
  if (auto e = trapStatement([&] {
        keyExists = m.bRegistryKeyExists(Hive::LocalMachine, kAgingServiceKey);
        if (keyExists) live = m.GetRegistryValue(Hive::LocalMachine, kAgingServiceKey, "AccessDbFileName", kRegSz, "").asText();
      }))
    report(*e);
  if (!keyExists) {
    p.log.WriteToLog("    No MDB certificate file referenced in registry.");
    return;
  }
  if (live.empty()) {
    p.log.WriteToLog("    No MDB certificate listed in registry.");
    return;
  }
  if (!p.files.fileExists(live)) {
    p.log.WriteToLog("    MDB certificate listed in registry, however file is not found: " + live);
    return;
  }
  const std::string working = p.programFolder() + "\\MDBCertificate.MDB";
  auto fileStep = [](const FileStatus& st) {
    if (!st) throw VbError(st.number, st.description);
  };
  if (auto e = trapStatement([&] { fileStep(p.files.copyFile(backup, working, true)); })) return report(*e);
  // Copying a working copy the merge did not finish over the live file would
  // lose the certificates only the new installation has.
  if (auto e = trapStatement([&] { mergeTables(p, working, live); })) return report(*e);
  if (auto e = trapStatement([&] { fileStep(p.files.copyFile(working, live, true)); })) return report(*e);
  if (auto e = trapStatement([&] { fileStep(p.files.deleteFile(working, true)); })) report(*e);
  p.log.WriteToLog("    Certificate file copied to: " + live);
}

}  // namespace vrel::restore
