// The option boxes of frmMain that depend on the chosen backup folder, set
// the same way by start-up and by the choice of a folder.
#pragma once

#include <string>

namespace vrel::restore {

class frmMain;

// Unticks the check box (its click procedure runs when it was ticked) and
// disables it.
void untickAndDisable(frmMain& form, const char* checkBox);

// chkRestoreCertificates is offered when the installed version is at least
// 4.0(4.54) and the folder holds "CertBackup"; otherwise it is unticked and
// disabled. An empty folder (none chosen yet) holds nothing.
void offerCertificates(frmMain& form, const std::string& folder);

}  // namespace vrel::restore
