// The message-aging service's certificate database: the backup's
// "MDBCertificate.MDB" merged with the live one (rows of serial numbers only
// the live database holds are added to the backup's), then put in its place.
#pragma once

#include <string>

namespace vrel::restore {

class Program;

// backupFolder ends in a backslash. Best effort: a failure is logged as
// "(error) N (desc) in procedure RestoreMDBCertificates of Form frmMain"; a
// merge that failed leaves the live database as it was.
void RestoreMDBCertificates(Program& program, const std::string& backupFolder);

}  // namespace vrel::restore
