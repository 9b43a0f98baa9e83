// Helpers for the provisioning and population tests: queries on a scratch
// machine's databases and registry reads.
#pragma once

#include "platform/Machine.h"
#include "platform/data/Recordset.h"
#include "standin/server/Populate.h"
#include "standin/server/Provision.h"
#include "standin/server/ProvisionDatabases.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vrel::test {

// Fills a provisioned machine with that many subscribers, or fails the test.
inline void populateOrFail(Machine& m, long subscribers) {
  standin::PopulateOptions po;
  po.subscribers = subscribers;
  standin::PopulateResult pr;
  std::string error;
  ASSERT_TRUE(standin::populateServer(m, po, pr, error)) << error;
}

// Every row of the query, fields joined by '|'.
inline std::vector<std::string> queryRows(Machine& m, const std::string& sql, const char* database = "OrvixDB") {
  std::vector<std::string> out;
  try {
    data::Recordset rs;
    rs.open(sql, m, standin::localDatabaseConnection(database));
    for (; !rs.eof(); rs.moveNext()) {
      std::string line;
      for (long i = 0; i < rs.fieldCount(); ++i) line += (i ? "|" : "") + rs.fields(i).value().toString();
      out.push_back(line);
    }
    rs.close();
  } catch (const data::AdoError& e) {
    ADD_FAILURE() << sql << ": " << e.description;
  }
  return out;
}

inline long queryCount(Machine& m, const std::string& sql, const char* database = "OrvixDB") {
  const auto rows = queryRows(m, sql, database);
  return rows.size() == 1 ? std::stol(rows[0]) : -1;
}

inline std::string regText(Machine& m, const std::string& key, const std::string& name) {
  RegValue v;
  return m.registry().getValue(Hive::LocalMachine, key, name, v) == kRegOk ? regDataAsText(v.data) : "<missing>";
}

inline long long regDword(Machine& m, const std::string& key, const std::string& name) {
  RegValue v;
  if (m.registry().getValue(Hive::LocalMachine, key, name, v) != kRegOk || v.type != kRegDword || v.data.size() != 4)
    return -1;
  return v.data[0] | v.data[1] << 8 | v.data[2] << 16 | static_cast<long long>(v.data[3]) << 24;
}

// Provisions with a fixed installation GUID; fails the test on error.
inline standin::ProvisionResult provisionOrFail(Machine& m, standin::ProvisionOptions o) {
  standin::ProvisionResult r;
  std::string error;
  EXPECT_TRUE(standin::provisionServer(m, o, r, error)) << error;
  return r;
}

}  // namespace vrel::test
