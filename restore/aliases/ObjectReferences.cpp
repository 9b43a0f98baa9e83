#include "restore/aliases/ObjectReferences.h"

#include "platform/Text.h"
#include "platform/data/Command.h"
#include "platform/data/Connection.h"
#include "platform/data/Recordset.h"
#include "restore/aliases/AliasMapText.h"
#include "restore/run/Program.h"
#include "restore/run/frmMainTraps.h"

#include <array>

namespace vrel::restore {

namespace {

constexpr const char* kSystemParametersKey = "SOFTWARE\\Tremarc\\SystemParameters\\1.0";
constexpr const char* kReferencePrefix = "\x01\x07";
constexpr std::size_t kMinReferenceLength = 10;
constexpr std::size_t kMinObjectIdLength = 10;
constexpr std::int32_t kSubscriberType = 1;

struct ObjectTable {
  int code;
  const char* table;
  const char* idColumn;
};

constexpr std::array<ObjectTable, 6> kObjectTables = {{
    {1, "Subscriber", "SubscriberObjectID"},
    {2, "DistributionList", "SystemDListObjectID"},
    {3, "CallHandler", "CallHandlerObjectID"},
    {5, "InterviewHandler", "InterviewHandlerObjectID"},
    {6, "NameLookupHandler", "NameLookupHandlerObjectID"},
    {8, "COS", "COSObjectID"},
}};

const ObjectTable* tableOf(int code) {
  for (const ObjectTable& t : kObjectTables)
    if (t.code == code) return &t;
  return nullptr;
}

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

// Only these types are accepted in a reference string.
bool referenceTypeAccepted(int code) {
  return code >= 1 && code <= 3;
}

}  // namespace

ObjectReferences::ObjectReferences(Program& program) : m_program(program) {}

void ObjectReferences::logTrap(const char* procedure, long number, const std::string& description) {
  m_program.log.WriteToLog("(error) " + std::to_string(number) + " (" + description + ") in procedure " + procedure +
                           " of Module Module1");
}

bool ObjectReferences::bGetOBjectIDFromDOHObjectString(const std::string& reference, int& objectType,
                                                       std::string& objectId) {
  objectType = 0;
  objectId.clear();
  const auto e = trapStatement([&] {
    if (textLength(reference) < kMinReferenceLength) return;
    // The prefix and the colon make it a reference at all; a value that
    // merely has digits in the right place is something else.
    if (reference.compare(0, 2, kReferencePrefix) != 0 || reference[4] != ':') return;
    if (!isDigit(reference[2]) || !isDigit(reference[3])) return;
    const int code = (reference[2] - '0') * 10 + (reference[3] - '0');
    if (!referenceTypeAccepted(code)) return;
    objectType = code;
    objectId = trim(std::string_view(reference).substr(5));
  });
  if (e) {
    m_program.log.WriteToLog("(error) in bGetOBjectIDFromDOHObjectString on Module1:" + e->description);
    objectType = 0;
    objectId.clear();
    return false;
  }
  return objectType != 0;
}

bool ObjectReferences::bDoesObjectExist(int objectType, const std::string& objectId) {
  RunLog& log = m_program.log;
  if (textLength(objectId) < kMinObjectIdLength) {
    log.WriteToLog("(error) in procedure bDoesObjectExist of Module1 - invalid value for strObjectID passed in.");
    return false;
  }
  if (objectType == 0) return false;
  const ObjectTable* t = tableOf(objectType);
  if (!t) {
    log.WriteToLog("(error) in procedure bDoesObjectExists of module Module1 - invalid value ObjectIDType passed in.");
    return false;
  }
  bool exists = false;
  const auto e = trapStatement([&] {
    data::Connection db(m_program.machine);
    db.open(m_program.connectionString);
    data::Command cmd;
    cmd.setActiveConnection(db);
    cmd.setCommandText(std::string("SELECT ") + t->idColumn + " FROM " + t->table + " WHERE " + t->idColumn + "=?");
    cmd.parameters().append(data::Command::createParameter(
        "ObjectID", data::adVarWChar, data::adParamInput, static_cast<long>(objectId.size()), data::Variant(objectId)));
    data::Recordset rs;
    rs.setCursorLocation(data::adUseClient);
    rs.open(cmd, data::adOpenKeyset, data::adLockReadOnly);
    const long rows = rs.recordCount();
    rs.close();
    if (rows > 1)
      log.WriteToLog(
          std::string("(error) in function bDoesObjectExists of Module1 - more than one row found value found in "
                      "table=") +
          t->table + " for ObjectID=" + objectId);
    exists = rows == 1;
  });
  if (e) {
    log.WriteToLog("(error) in bDoesObjectExist on Module1:" + e->description);
    return false;
  }
  return exists;
}

void ObjectReferences::UpdateReplacementObjectMappingsInRegistry(const std::string& adminObjectId) {
  static constexpr const char* kProcedure = "UpdateReplacementObjectMappingsInRegistry";
  m_program.log.WriteToLog("    Checking object replacement key values in systemParameters registry branch");
  const std::string replacement = std::string(kReferencePrefix) + "01:" + adminObjectId;
  bool branch = false;
  if (const auto e = trapStatement(
          [&] { branch = m_program.module1.bRegistryKeyExists(Hive::LocalMachine, kSystemParametersKey); }))
    logTrap(kProcedure, e->number, e->description);
  if (!branch) {
    m_program.log.WriteToLog("    Check for SystemParameters branch failed - skipping key update routine");
    return;
  }
  for (const auto& [id, name, type] :
       {std::array<const char*, 3>{"CallHandOwnerID", "CallHandOwnerName", "CallHandOwnerType"},
        std::array<const char*, 3>{"CallHandRecipID", "CallHandRecipName", "CallHandRecipType"}}) {
    if (const auto e = trapStatement([&] { repairReference(id, name, type, replacement); }))
      logTrap(kProcedure, e->number, e->description);
  }
}

void ObjectReferences::repairReference(const char* idValue, const char* nameValue, const char* typeValue,
                                       const std::string& replacement) {
  Module1& m = m_program.module1;
  const std::string current =
      m.GetRegistryValue(Hive::LocalMachine, kSystemParametersKey, idValue, kRegSz, "").asText();
  if (textLength(current) <= kMinReferenceLength) return;
  int type = 0;
  std::string objectId;
  if (bGetOBjectIDFromDOHObjectString(current, type, objectId) && bDoesObjectExist(type, objectId)) return;
  m.SetRegistryValue(Hive::LocalMachine, kSystemParametersKey, idValue, kRegSz, replacement);
  m.SetRegistryValue(Hive::LocalMachine, kSystemParametersKey, nameValue, kRegSz, "EAdmin");
  m.SetRegistryValue(Hive::LocalMachine, kSystemParametersKey, typeValue, kRegDword, RegVariant(kSubscriberType));
}

void ObjectReferences::CallInsertReplicationSetProc() {
  m_program.log.WriteToLog("    Calling sp_InsertReplicationSet proc for 8.x and later systems");
  const auto e = trapStatement([&] {
    data::Connection db(m_program.machine);
    db.open(m_program.connectionString);
    data::Command cmd;
    cmd.setActiveConnection(db);
    cmd.setCommandType(data::adCmdStoredProc);
    cmd.setCommandText("sp_InsertReplicationSet");
    cmd.execute();
  });
  if (e) m_program.log.WriteToLog("(error) in CallInsertReplicationSetProc on Module1:" + e->description);
}

}  // namespace vrel::restore
