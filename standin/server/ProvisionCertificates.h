// The server's machine certificate (secure messaging) and its export in the
// backup folder ("CertBackup").
#pragma once

#include "standin/server/ProvisionOptions.h"

#include <string>
#include <string_view>

namespace vrel {
class Machine;
}

namespace vrel::standin {

struct BackupReport;

// The password of the backup's certificate export.
inline constexpr const char* kCertBackupPassword = "QWm518204pXLt";

// True for installed versions 4.0(4.54) and later: they have a machine
// certificate, and their backup exports the personal store.
bool exportsCertificates(const ServerVersion& version);

// Makes a self-signed RSA-2048 certificate "CN=<computerName>" with its
// private key in the machine's LocalMachine\My store, valid for ten years
// from an hour ago. A certificate of that subject with a private key that is
// there already is kept, so provisioning again adds none. False with error
// on failure.
bool createMachineCertificate(Machine& machine, std::string_view computerName, std::string& error);

// Writes "CertBackup" into folder: LocalMachine\My exported with its keys
// under kCertBackupPassword, when the installed version exports certificates
// and the store holds any (otherwise listed as skipped, or not at all for
// versions that never wrote it).
bool backupCertificates(Machine& machine, const std::string& folder, BackupReport& report, std::string& error);

}  // namespace vrel::standin
