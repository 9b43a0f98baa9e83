// Object references of the server: the reference strings some registry
// values hold ("\x01\x07" + two-digit type code + ":" + object ID), whether
// the object they name exists in the server database, the repair of the
// two call-handler references of the SystemParameters branch, and the
// replication-set procedure of 8.0 and later servers. Module1 procedures;
// every outcome goes to the run log.
#pragma once

#include <string>

namespace vrel::restore {

class Program;

class ObjectReferences {
 public:
  explicit ObjectReferences(Program& program);

  // Parses a reference string. Sets objectType to 0 and objectId to empty
  // first; true, with the type code and the trimmed object ID, only for a
  // reference of at least 10 characters that starts with U+0001 U+0007,
  // has a type code of two decimal digits naming 1, 2 or 3, and ":" after
  // it. Anything else (binary, truncated, another type) does not parse.
  bool bGetOBjectIDFromDOHObjectString(const std::string& reference, int& objectType, std::string& objectId);

  // True when exactly one row of the type's table has the object ID. An ID
  // shorter than 10 characters, a type without a table and an ID found
  // twice are logged and give false; type 0 gives false silently.
  bool bDoesObjectExist(int objectType, const std::string& objectId);

  // Points CallHandOwnerID and CallHandRecipID of the SystemParameters
  // branch at the example administrator when they hold a reference (longer
  // than 10 characters) that does not parse or names no single object;
  // their name and type values follow. Shorter values stay as they are.
  void UpdateReplacementObjectMappingsInRegistry(const std::string& adminObjectId);

  // Runs the stored procedure sp_InsertReplicationSet; a failure is logged.
  void CallInsertReplicationSetProc();

 private:
  void repairReference(const char* idValue, const char* nameValue, const char* typeValue,
                       const std::string& replacement);
  void logTrap(const char* procedure, long number, const std::string& description);

  Program& m_program;
};

}  // namespace vrel::restore
