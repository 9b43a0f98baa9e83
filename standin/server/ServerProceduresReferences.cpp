// sp_PreDeleteObject, sp_ChangeOwner and sp_ChangeRecipient: they move the
// references to an object about to be deleted onto what the caller names.
#include "standin/server/ObjectReferences.h"
#include "standin/server/ServerProceduresParts.h"

#include <string>

namespace vrel::standin::procedures {

using data::ProcedureCall;
using data::Variant;

namespace {

// The argument names that redirect one conversation reference role.
struct Redirect {
  ReferenceRole role;
  const char* action;
  const char* conversation;
  const char* destination;
  const char* destinationType;
};

constexpr Redirect kRedirects[] = {
    {ReferenceRole::CallerInput, "@CallerInputAction", "@CallerInputConversationName", "@CallerInputDestObjectID",
     "@CallerInputDestObjectIDType"},
    {ReferenceRole::AfterMessage, "@AfterMessageAction", "@AfterMessageConversationName", "@AfterMessageDestObjectID",
     "@AfterMessageDestObjectIDType"},
    {ReferenceRole::AfterGreeting, "@AfterGreetingAction", "@AfterGreetingConversationName",
     "@AfterGreetingDestObjectID", "@AfterGreetingDestObjectIDType"},
    {ReferenceRole::SubscriberExit, "@SubExitAction", "@SubExitConversationName", "@SubExitObjectID",
     "@SubExitObjectIDType"},
    {ReferenceRole::NameLookupExit, "@NameLookupHandlerExitAction", "@NameLookupHandlerExitConversationName",
     "@NameLookupHandlerExitObjectID", "@NameLookupHandlerExitObjectIDType"},
};

// The column of a reference's table that names the call handler a row
// belongs to: the handler's own ID, or the parent of a rule, entry or
// extension; nullptr when the rows belong to no handler.
const char* handlerColumnOf(const char* table) {
  const ObjectTypeTable* handlers = findObjectTypeTable(3);
  if (handlers && std::string(table) == handlers->table) return handlers->idColumn;
  for (const ObjectReference& r : objectReferences())
    if (r.role == ReferenceRole::HandlerParent && std::string(r.table) == table) return r.column;
  return nullptr;
}

// The subscriber's primary call handler (Null when it has none).
Variant primaryHandlerOf(const ProcedureCall& call, const Variant& subscriber) {
  const ObjectTypeTable* subscribers = findObjectTypeTable(1);
  for (const ObjectReference& r : objectReferences()) {
    if (r.role != ReferenceRole::PrimaryHandler) continue;
    const data::Rowset rs =
        call.query(std::string("SELECT ") + r.column + " FROM " + r.table + " WHERE " + subscribers->idColumn + " = ?",
                   {subscriber});
    if (!rs.rows.empty() && !rs.rows[0].empty() && !rs.rows[0][0].isNull() && !rs.rows[0][0].toString().empty())
      return rs.rows[0][0];
  }
  return Variant::null();
}

void preDeleteObject(ProcedureCall& call) {
  const Variant object = requiredGuid(call, "@ObjectID");
  const int type = intArgument(call, "@ObjectType");
  if (countObjects(call, type, object) == 0)
    call.raise("Object " + object.toString() + " of type " + std::to_string(type) + " does not exist.");
  // A subscriber is reached through its primary call handler too; the rows
  // of the handler being deleted go with it and are left alone.
  Variant ownHandler = Variant::null();
  if (type == 1) ownHandler = primaryHandlerOf(call, object);
  if (type == 3) ownHandler = object;

  long changed = 0;
  inTransaction(call, [&] {
    for (const Redirect& redirect : kRedirects) {
      const int action = intArgument(call, redirect.action);
      const bool goTo = action == kActionGoTo;
      const Variant destination = goTo ? call.param(redirect.destination) : Variant::null();
      const Variant destinationType = goTo ? call.param(redirect.destinationType) : Variant::null();
      for (const ObjectReference& r : objectReferences()) {
        if (r.role != redirect.role) continue;
        std::string sql = std::string("UPDATE ") + r.table + " SET " + r.actionColumn + " = ?, " +
                          r.conversationColumn + " = ?, " + r.column + " = ?, " + r.typeColumn + " = ? WHERE (" +
                          r.column + " = ?";
        std::vector<Variant> args = {Variant(action), call.param(redirect.conversation), destination, destinationType,
                                     object};
        if (!ownHandler.isNull()) {
          sql += std::string(" OR ") + r.column + " = ?";
          args.push_back(ownHandler);
        }
        sql += ")";
        const char* handlerColumn = handlerColumnOf(r.table);
        if (handlerColumn && !ownHandler.isNull()) {
          sql += std::string(" AND (") + handlerColumn + " IS NULL OR " + handlerColumn + " <> ?)";
          args.push_back(ownHandler);
        }
        changed += call.execute(sql, args);
      }
    }
  });
  answerReferencesChanged(call, changed);
}

// Moves every reference of a role from one object to another.
long moveReferences(const ProcedureCall& call, ReferenceRole role, const Variant& from, const Variant& to, int type) {
  long changed = 0;
  for (const ObjectReference& r : objectReferences()) {
    if (r.role != role) continue;
    changed += call.execute(std::string("UPDATE ") + r.table + " SET " + r.column + " = ?, " + r.typeColumn +
                                " = ? WHERE " + r.column + " = ?",
                            {to, Variant(type), from});
  }
  return changed;
}

void changeOwner(ProcedureCall& call) {
  const Variant previous = requiredGuid(call, "@PrevOwnerObjectID");
  const Variant next = requiredGuid(call, "@NewOwnerObjectID");
  const int type = intArgument(call, "@NewOwnerObjectIDType");
  requireOwnerObject(call, "owner", type, next);
  long changed = 0;
  inTransaction(call, [&] { changed = moveReferences(call, ReferenceRole::Owner, previous, next, type); });
  answerReferencesChanged(call, changed);
}

void changeRecipient(ProcedureCall& call) {
  const Variant previous = requiredGuid(call, "@PrevRecipientObjectID");
  const Variant next = requiredGuid(call, "@NewRecipientObjectID");
  const int type = intArgument(call, "@NewRecipientObjectIDType");
  requireOwnerObject(call, "recipient", type, next);
  inTransaction(call, [&] { moveReferences(call, ReferenceRole::Recipient, previous, next, type); });
}

}  // namespace

void registerReferenceProcedures() {
  registerOrvixProcedure("sp_PreDeleteObject", preDeleteObject);
  registerOrvixProcedure("sp_ChangeOwner", changeOwner);
  registerOrvixProcedure("sp_ChangeRecipient", changeRecipient);
}

}  // namespace vrel::standin::procedures
