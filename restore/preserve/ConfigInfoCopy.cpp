#include "restore/preserve/ConfigInfoCopy.h"

#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/run/VbError.h"
#include "restore/run/frmMain.h"

#include <algorithm>
#include <string_view>

namespace vrel::restore {

namespace {

constexpr const char* kProcedure = "BackupLocalConfigurationData";

// Columns whose null value is worth a warning: the node's identity and place
// in the tree.
bool warnWhenNull(std::string_view column) {
  static constexpr std::string_view kKey[] = {"NodeID", "NodeName", "NodeType", "ParentNodeID", "FullNodeName"};
  return std::find(std::begin(kKey), std::end(kKey), column) != std::end(kKey);
}

void raise(const FileStatus& st) {
  if (!st) throw VbError(st.number, st.description);
}

[[noreturn]] void abortWith(frmMain& form, const char* logLine, const char* box) {
  Program& p = form.program();
  p.log.WriteToLog(logLine);
  p.MsgBox(box);
  form.ExitProgram(ProgramEnd::Aborted);
}

// One server row into a new row of the copy.
void copyRow(frmMain& form, data::Recordset& source, data::Recordset& target) {
  Program& p = form.program();
  form.trapLogged(kProcedure, [&] { target.addNew(); });
  for (const char* column : kConfigurationColumns) {
    form.trapLogged(kProcedure, [&] {
      const data::Variant value = source.fields(column).value();
      if (!value.isNull()) {
        target.fields(column).setValue(value);
      } else if (warnWhenNull(column)) {
        p.log.WriteToLog(std::string("(warning) ") + column + " column is null in the ConfigData table.");
      }
    });
  }
  form.trapLogged(kProcedure, [&] { target.update(); });
  // A row that could not be saved is dropped, so the next one starts clean.
  if (target.isOpen() && target.editMode() != data::adEditNone) {
    try {
      target.cancelUpdate();
    } catch (const data::AdoError&) {
    }
  }
}

}  // namespace

void copyConfigurationTable(frmMain& form) {
  Program& p = form.program();
  const std::string clean = p.programFolder() + "\\CleanConfigInfo.mdb";
  const std::string copy = p.programFolder() + "\\ConfigInfo.mdb";
  if (!p.files.fileExists(clean))
    abortWith(form, "(error) could not find \\CleanconfigInfo.MDB file in installation directory.  Aborting install.",
              "CleanConfigInfo.MDB File not found - aborting restore.");
  form.trapLogged(kProcedure, [&] {
    if (p.files.fileExists(copy)) raise(p.files.deleteFile(copy, true));
  });
  form.trapLogged(kProcedure, [&] { raise(p.files.copyFile(clean, copy, true)); });
  if (!p.files.fileExists(copy))
    abortWith(form, "(error) could not find \\ConfigInfo.MDB file in installation directory.  Aborting install.",
              "ConfigInfo.MDB File not found - aborting restore.");

  p.log.WriteToLog("    Opening ConfigInfo MDB file to hold local configuration data");
  data::Connection mdb(p.machine);
  data::Recordset target;
  form.trapLogged(kProcedure, [&] {
    mdb.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + copy);
    mdb.execute("DELETE from Configuration");
    target.open("Select * from Configuration", mdb, data::adOpenKeyset, data::adLockOptimistic);
  });
  data::Recordset source;
  form.trapLogged(kProcedure, [&] {
    source.open("SELECT * FROM Configuration", p.machine, p.connectionString, data::adOpenKeyset, data::adLockReadOnly);
  });
  // Without both tables there is nothing to copy; the trap has said why.
  if (!source.isOpen() || !target.isOpen()) return;

  const long rows = source.recordCount();
  if (rows <= 0)
    abortWith(form, "(error) configuration table is empty - exiting",
              "The Configuration table on the local server is empty - this indicates an invalid local install - "
              "restore is aborting.");
  p.log.WriteToLog("  BackupConfigData  " + std::to_string(rows) + " records found in the configuration data table");
  for (bool moved = true; moved && !source.eof();) {
    copyRow(form, source, target);
    moved = false;
    form.trapLogged(kProcedure, [&] {
      source.moveNext();
      moved = true;
    });
  }
  form.trapLogged(kProcedure, [&] { target.close(); });
  form.trapLogged(kProcedure, [&] { source.close(); });
}

}  // namespace vrel::restore
