#include "restore/run/FolderOptions.h"

#include "restore/run/frmMain.h"

namespace vrel::restore {

void untickAndDisable(frmMain& form, const char* checkBox) {
  form.setValue(checkBox, 0);
  form.control(checkBox).enabled = false;
  form.touch();
}

void offerCertificates(frmMain& form, const std::string& folder) {
  Program& program = form.program();
  const bool offered = program.module1.bLocalVersionAtLeast(4, 0, 4, 54) && !folder.empty() &&
                       program.files.fileExists(winJoin(folder, "CertBackup"));
  if (!offered) {
    untickAndDisable(form, "chkRestoreCertificates");
    return;
  }
  form.control("chkRestoreCertificates").enabled = true;
  form.touch();
}

}  // namespace vrel::restore
