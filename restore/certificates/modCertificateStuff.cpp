#include "restore/certificates/modCertificateStuff.h"

#include "platform/Files.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <algorithm>
#include <cstdio>

namespace vrel::restore {

namespace {

constexpr const char* kModule = " of Module modCertificateStuff";

// The certificate component's numbers for what the store reports.
long errorNumber(const CertStatus& st) {
  switch (st.code) {
    case CertStatus::WrongPassword:
      return -2147024810;  // 0x80070056, the password is not correct
    case CertStatus::NotFound:
      return 53;
    case CertStatus::BadData:
      return -2146885630;  // 0x80092002, an error during decoding
    default:
      return -2147467259;  // 0x80004005
  }
}

std::string moduleTrapLine(const TrappedError& e, const char* procedure) {
  return "(error):" + std::to_string(e.number) + " (" + e.description + ") in procedure " + procedure + kModule;
}

}  // namespace

std::string certificateDateText(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  const int hour12 = tm.tm_hour % 12 == 0 ? 12 : tm.tm_hour % 12;
  char buf[48];
  std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d %s", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900, hour12,
                tm.tm_min, tm.tm_sec, tm.tm_hour < 12 ? "AM" : "PM");
  return buf;
}

void modCertificateStuff::InfoSetup(Program& p) {
  if (auto e = trapStatement([&] {
        if (!m_store) m_store = std::make_unique<CertStore>(p.machine, CertStoreLocation::LocalMachine, "My");
      }))
    p.MsgBox(moduleTrapLine(*e, "InfoSetup"));
}

void modCertificateStuff::DoImportCommand(Program& p, const std::string& exportFile) {
  auto e = trapStatement([&] {
    if (!m_store) throw VbError(91, "Object variable or With block variable not set");
    std::vector<CertificateInfo> before, after;
    if (CertStatus st = m_store->list(before); !st) throw VbError(errorNumber(st), st.description);
    std::string blob;
    if (FileStatus st = p.files.readAll(exportFile, blob); !st) throw VbError(st.number, st.description);
    // Keys go into the store exportable, as the component's load flag 1 asks.
    if (CertStatus st = m_store->importPfx(Bytes(blob.begin(), blob.end()), kCertificateExportPassword); !st)
      throw VbError(errorNumber(st), st.description);
    if (CertStatus st = m_store->list(after); !st) throw VbError(errorNumber(st), st.description);
    for (const CertificateInfo& info : after) {
      const bool known = std::any_of(before.begin(), before.end(),
                                     [&](const CertificateInfo& b) { return b.thumbprint == info.thumbprint; });
      if (known) continue;
      ++m_count;
      DisplayCertificate(p, info, "=== Import Certificate Data " + std::to_string(m_count) + " ===");
    }
  });
  if (e) p.log.WriteToLog(moduleTrapLine(*e, "DoImportCommand"));
}

void modCertificateStuff::DisplayCertificate(Program& p, const CertificateInfo& c, const std::string& heading) {
  const std::time_t now = std::time(nullptr);
  const bool valid = c.notBefore <= now && now <= c.notAfter;
  const std::string lines[] = {heading,
                               "",
                               "      Simple name = " + c.subject,
                               "      Issuer Name: " + c.issuer,
                               "      Serial Number: " + c.serialNumber,
                               "      Not Before: " + certificateDateText(c.notBefore),
                               "      Not After: " + certificateDateText(c.notAfter),
                               std::string("      IsValid: ") + (valid ? "True" : "False"),
                               "      Archived: False",
                               ""};
  for (const std::string& line : lines)
    if (auto e = trapStatement([&] { p.log.WriteToLog(line); })) p.log.WriteToLog(moduleTrapLine(*e, "DisplayCertificate"));
}

}  // namespace vrel::restore
