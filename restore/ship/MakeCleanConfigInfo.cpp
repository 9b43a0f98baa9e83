// Build step: writes "CleanConfigInfo.mdb", the empty Access file shipped
// next to the restore program, with the Configuration table the restore
// copies the server's configuration into.
//   MakeCleanConfigInfo OUTPUT WORK
// OUTPUT is the host path of the file to write; WORK a host folder for the
// scratch machine the data layer works through.
#include "platform/Files.h"
#include "platform/Machine.h"
#include "platform/data/Connection.h"
#include "platform/data/DatabaseBackup.h"
#include "platform/data/Recordset.h"
#include "restore/preserve/ConfigInfoCopy.h"
#include "standin/server/AccessSchemas.h"

#include <cstdio>
#include <string>

using namespace vrel;

namespace {

int fail(const std::string& what) {
  std::fprintf(stderr, "MakeCleanConfigInfo: %s\n", what.c_str());
  return 1;
}

// A host path as the machine names it: drive Z: is the host's root.
std::string onHost(const std::string& hostPath) {
  std::string win = "Z:";
  for (const char c : hostPath) win += c == '/' ? '\\' : c;
  return win;
}

// The written file must open through the Jet provider and hold every column
// the restore copies.
void check(Machine& machine, const std::string& file) {
  data::Recordset rs;
  rs.open("Select * from Configuration", machine, "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
  for (const char* column : restore::kConfigurationColumns) rs.fields(column);
  if (!rs.eof()) throw data::AdoError(0, "the table is not empty", "MakeCleanConfigInfo");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 || argv[1][0] != '/' || argv[2][0] != '/')
    return fail("usage: MakeCleanConfigInfo /OUTPUT/CleanConfigInfo.mdb /WORK/FOLDER");
  std::string error;
  auto machine = Machine::open(argv[2], error);
  if (!machine) return fail(error);
  const Files files(*machine);
  const std::string file = onHost(argv[1]);
  if (files.exists(file)) {
    const FileStatus st = files.deleteFile(file, true);
    if (!st) return fail("cannot replace " + std::string(argv[1]) + ": " + st.description);
  }
  if (!data::createDatabaseFile(*machine, file, error)) return fail(error);
  try {
    data::Connection cn(*machine);
    cn.open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file);
    cn.execute(standin::configInfoMdbSchemaSql());
    cn.close();
    check(*machine, file);
  } catch (const data::AdoError& e) {
    files.deleteFile(file, true);
    return fail(std::string(argv[1]) + ": " + e.description);
  }
  return 0;
}
