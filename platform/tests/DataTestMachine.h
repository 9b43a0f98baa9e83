// A scratch machine named ORVIX01 with an OrvixDB database holding a small
// Subscriber table, for the data layer's tests.
#pragma once

#include "platform/data/AdoError.h"
#include "platform/data/Connection.h"
#include "platform/data/SqlInstance.h"
#include "tests/support/ScratchMachine.h"

#include <gtest/gtest.h>

#include <string>

namespace vrel::data::test {

inline const std::string kOrvixConnection =
    "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Initial Catalog=OrvixDb;"
    "Data Source=ORVIX01";

// Runs the statement and returns the AdoError it raises (number 0 if none).
template <class F>
AdoError raised(F&& f) {
  try {
    f();
  } catch (const AdoError& e) {
    return e;
  }
  return AdoError(0, "", "");
}

class DataTestMachine {
 public:
  DataTestMachine() {
    machine().setValue("ComputerName", "ORVIX01");
    std::string error;
    if (!SqlInstance(machine()).createDatabase("OrvixDB", error)) ADD_FAILURE() << error;
  }
  Machine& machine() { return m_scratch.machine(); }
  vrel::test::ScratchMachine& scratch() { return m_scratch; }

  // Subscriber rows: (Alias, FirstName, Extension), ObjectIDs 0000000n-...
  void createSubscribers(Connection& cn) {
    cn.beginTrans();
    cn.execute(
        "CREATE TABLE Subscriber (SubscriberObjectID UNIQUEIDENTIFIER COLLATE SQLGUID PRIMARY KEY, "
        "Alias VARCHAR(64) COLLATE SQLSRV, FirstName NVARCHAR(64) COLLATE SQLSRV, Extension INT, "
        "Created DATETIME, IsPrimary BIT DEFAULT 0, Undeletable INT DEFAULT 1)");
    const char* rows[][3] = {{"EAdmin", "Example", "1000"},   {"ESubscriber", "Example", "1001"},
                             {"jsmith", "John", "2001"},      {"JSmithers", "Jane", "2002"},
                             {"Installer", "Setup ", "2003"}, {"o'malley", "Owen", "2004"}};
    int n = 1;
    for (const auto& r : rows) {
      char id[40];
      std::snprintf(id, sizeof id, "%08X-0000-0000-0000-0000000000AA", n++);
      cn.execute(
          "INSERT INTO Subscriber (SubscriberObjectID, Alias, FirstName, Extension, Created) "
          "VALUES (?, ?, ?, ?, '1997-07-22 13:05:00')",
          {Variant(id), Variant(r[0]), Variant(r[1]), Variant(std::stoi(r[2]))});
    }
    cn.commitTrans();
  }

 private:
  vrel::test::ScratchMachine m_scratch;
};

}  // namespace vrel::data::test
