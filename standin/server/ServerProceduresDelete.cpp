// sp_DeleteSubscriber: removes a subscriber with everything that is its own
// and clears the references to it that its deletion would leave dangling,
// all in one transaction.
#include "standin/server/ObjectReferences.h"
#include "standin/server/ServerProceduresParts.h"

#include <string>

namespace vrel::standin::procedures {

using data::ProcedureCall;
using data::Variant;

namespace {

constexpr const char* kGlobalSubscriberTable = "GlobalSubscriber";

bool isReferenceToClear(ReferenceRole role) {
  switch (role) {
    case ReferenceRole::Owner:
    case ReferenceRole::Recipient:
    case ReferenceRole::CallerInput:
    case ReferenceRole::AfterMessage:
    case ReferenceRole::AfterGreeting:
    case ReferenceRole::SubscriberExit:
    case ReferenceRole::NameLookupExit:
      return true;
    default:
      return false;
  }
}

bool present(const Variant& v) {
  return !v.isNull() && !v.isEmpty() && !v.toString().empty();
}

struct SubscriberRow {
  Variant alias;
  Variant handler;
};

SubscriberRow findDeletable(const ProcedureCall& call, const Variant& id) {
  const ObjectTypeTable* subscribers = findObjectTypeTable(1);
  const data::Rowset rs = call.query(std::string("SELECT Alias, CallHandlerObjectID, Undeletable FROM ") +
                                         subscribers->table + " WHERE " + subscribers->idColumn + " = ?",
                                     {id});
  if (rs.rows.empty()) call.raise("Subscriber " + id.toString() + " does not exist.");
  if (rs.rows.size() > 1) call.raise("Subscriber " + id.toString() + " exists more than once; nothing was deleted.");
  const auto& row = rs.rows[0];
  const auto undeletable = row[2].toBool();
  if (!row[2].isNull() && undeletable && undeletable.value)
    call.raise("Subscriber " + row[0].toString() + " cannot be deleted.");
  return {row[0], row[1]};
}

// Deletes the handler's rules, menu entries and extensions, then the
// handler itself.
long deleteHandler(const ProcedureCall& call, const Variant& handler) {
  long n = 0;
  for (const ObjectReference& r : objectReferences())
    if (r.role == ReferenceRole::HandlerParent)
      n += call.execute(std::string("DELETE FROM ") + r.table + " WHERE " + r.column + " = ?", {handler});
  const ObjectTypeTable* handlers = findObjectTypeTable(3);
  return n + call.execute(std::string("DELETE FROM ") + handlers->table + " WHERE " + handlers->idColumn + " = ?",
                          {handler});
}

// Sets every remaining reference to the object to null. A conversation
// reference that went to it now hangs up, as a go-to without a destination
// would send callers nowhere.
long clearReferences(const ProcedureCall& call, const Variant& object) {
  long n = 0;
  for (const ObjectReference& r : objectReferences()) {
    if (!isReferenceToClear(r.role)) continue;
    std::string sql = std::string("UPDATE ") + r.table + " SET " + r.column + " = NULL";
    std::vector<Variant> args;
    if (r.typeColumn) sql += std::string(", ") + r.typeColumn + " = NULL";
    if (r.actionColumn) {
      sql += std::string(", ") + r.actionColumn + " = CASE WHEN " + r.actionColumn + " = ? THEN ? ELSE " +
             r.actionColumn + " END";
      args = {Variant(kActionGoTo), Variant(kActionHangUp)};
    }
    sql += std::string(" WHERE ") + r.column + " = ?";
    args.push_back(object);
    n += call.execute(sql, args);
  }
  return n;
}

void deleteSubscriber(ProcedureCall& call) {
  const Variant id = requiredGuid(call, "@SubscriberObjectID");
  // @DirectorySync asks for the directory object to go too; the stand-in
  // keeps no directory objects for subscribers yet, so it changes nothing.
  inTransaction(call, [&] {
    const SubscriberRow sub = findDeletable(call, id);
    if (present(sub.handler)) {
      deleteHandler(call, sub.handler);
      clearReferences(call, sub.handler);
    }
    clearReferences(call, id);
    for (const ObjectReference& r : objectReferences())
      if (r.role == ReferenceRole::ListMember)
        call.execute(std::string("DELETE FROM ") + r.table + " WHERE " + r.column + " = ?", {id});
    call.execute(std::string("DELETE FROM ") + kGlobalSubscriberTable + " WHERE SubscriberObjectID = ?", {id});
    // The global copy goes by object ID: its aliases are every location's,
    // and another location's subscriber may share this one's alias. An
    // empty alias owns nothing.
    if (present(sub.alias)) {
      for (const ObjectReference& r : objectReferences())
        if (r.role == ReferenceRole::AliasOwner && std::string(r.table) != kGlobalSubscriberTable)
          call.execute(std::string("DELETE FROM ") + r.table + " WHERE " + r.column + " = ?", {sub.alias});
    }
    const ObjectTypeTable* subscribers = findObjectTypeTable(1);
    call.execute(std::string("DELETE FROM ") + subscribers->table + " WHERE " + subscribers->idColumn + " = ?", {id});
  });
  call.setReturnValue(0);
}

}  // namespace

void registerDeleteSubscriber() {
  registerOrvixProcedure("sp_DeleteSubscriber", deleteSubscriber);
}

}  // namespace vrel::standin::procedures
