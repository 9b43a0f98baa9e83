// The databases as they were before the run. Before the database restore
// replaces them, an image of each is saved into the program's folder; the
// abort path puts back every database the run replaced (or drops one it
// created), so an aborted run leaves neither the old server's databases under
// the new machine's registry nor the other way round. The images are deleted
// when the run ends; an image that could not be put back stays, and the log
// names it.
#include "platform/data/DatabaseRestore.h"
#include "platform/data/SqlInstance.h"
#include "restore/run/frmMain.h"

#include <algorithm>

namespace vrel::restore {

namespace {

constexpr const char* kDatabases[] = {"OrvixDB", "ReportDB"};

bool listed(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

std::string frmMain::preRestoreImagePath(const std::string& database) const {
  return m_program.programFolder() + "\\PreRestore" + database + ".img";
}

void frmMain::savePreRestoreDatabases() {
  Program& p = m_program;
  data::SqlInstance sql(p.machine);
  for (const char* database : kDatabases) {
    if (!sql.exists(database)) continue;  // nothing to put back; a database the run creates is dropped
    const data::DatabaseImageStatus st = data::backupDatabase(p.machine, database, preRestoreImagePath(database));
    if (st) {
      run.savedDatabases.emplace_back(database);
    } else {
      p.log.WriteToLog(std::string("(error) the ") + database + " database could not be saved before the restore (" +
                       st.description + "); an abort cannot put it back");
    }
  }
}

void frmMain::putBackDatabases() {
  Program& p = m_program;
  for (const std::string& database : run.replacedDatabases) {
    const std::string image = preRestoreImagePath(database);
    std::string failure;
    if (listed(run.savedDatabases, database)) {
      const data::DatabaseImageStatus st = data::restoreDatabase(p.machine, database, image);
      if (!st) failure = st.description + "; its image is kept as " + image;
    } else {
      data::SqlInstance sql(p.machine);
      if (sql.exists(database) && !sql.dropDatabase(database, failure) && failure.empty()) failure = "not dropped";
    }
    if (failure.empty()) {
      p.log.WriteToLog("    " + database + " database put back as it was before the restore");
      run.savedDatabases.erase(std::remove(run.savedDatabases.begin(), run.savedDatabases.end(), database),
                               run.savedDatabases.end());
    } else {
      p.log.WriteToLog("(error) the " + database + " database could not be put back as it was before the restore: " +
                       failure);
      run.keptImages.push_back(database);
    }
  }
  deletePreRestoreImages();
}

void frmMain::deletePreRestoreImages() {
  for (const std::string& database : run.savedDatabases)
    if (!listed(run.keptImages, database)) m_program.files.deleteFile(preRestoreImagePath(database), true);
  run.savedDatabases.clear();
}

}  // namespace vrel::restore
