#include "standin/server/StoredProcedures.h"

#include "platform/Text.h"

namespace vrel::standin {

namespace {

using enum ParameterType;

constexpr ProcedureParameter kPreDeleteObject[] = {
    {"@ObjectID", Guid},
    {"@ObjectType", Integer},
    {"@CallerInputAction", Integer},
    {"@CallerInputConversationName", String},
    {"@CallerInputDestObjectID", Guid},
    {"@CallerInputDestObjectIDType", Integer},
    {"@AfterMessageDestObjectID", Guid},
    {"@AfterMessageDestObjectIDType", Integer},
    {"@AfterMessageConversationName", String},
    {"@AfterMessageAction", Integer},
    {"@AfterGreetingAction", Integer},
    {"@AfterGreetingConversationName", String},
    {"@AfterGreetingDestObjectID", Guid},
    {"@AfterGreetingDestObjectIDType", Integer},
    {"@SubExitObjectID", Guid},
    {"@NameLookupHandlerExitObjectID", Guid},
    {"@SubExitObjectIDType", Integer},
    {"@NameLookupHandlerExitObjectIDType", Integer},
    {"@SubExitConversationName", String},
    {"@NameLookupHandlerExitConversationName", String},
    {"@SubExitAction", Integer},
    {"@NameLookupHandlerExitAction", Integer},
};

constexpr ProcedureParameter kChangeOwner[] = {
    {"@PrevOwnerObjectID", Guid},
    {"@NewOwnerObjectID", Guid},
    {"@NewOwnerObjectIDType", Integer},
};

constexpr ProcedureParameter kChangeRecipient[] = {
    {"@PrevRecipientObjectID", Guid},
    {"@NewRecipientObjectID", Guid},
    {"@NewRecipientObjectIDType", Integer},
};

constexpr ProcedureParameter kDeleteSubscriber[] = {
    {"@SubscriberObjectID", Guid},
    {"@DirectorySync", Integer},
};

constexpr ProcedureParameter kExecuteSql[] = {
    {"@stmt", String},
};

constexpr StoredProcedure kProcedures[] = {
    {"sp_InsertReplicationSet",
     {},
     false,
     "rebuilds the installation's replication set; changes no table the restore reads"},
    {"sp_PreDeleteObject", kPreDeleteObject, true,
     "redirects every user input key, after-message, after-greeting, exit and name lookup exit that "
     "sends callers to the object (or its primary call handler) to the given actions and destinations"},
    {"sp_ChangeOwner", kChangeOwner, true,
     "makes the new object the owner of every handler and list the previous owner administered"},
    {"sp_ChangeRecipient", kChangeRecipient, false,
     "makes the new object the message recipient of every handler the previous recipient had"},
    {"sp_DeleteSubscriber", kDeleteSubscriber, false,
     "deletes the subscriber, its primary call handler with the handler's rules, keys and extensions, "
     "its list memberships, global copy and alias-owned rows, and clears references still left to it"},
    {"sp_ExecuteSql", kExecuteSql, true, "runs the statement text and answers with its rows"},
};

}  // namespace

std::span<const StoredProcedure> orvixDbProcedures() {
  return kProcedures;
}

const StoredProcedure* findOrvixDbProcedure(std::string_view name) {
  for (const StoredProcedure& p : kProcedures)
    if (iequals(p.name, name)) return &p;
  return nullptr;
}

const ProcedureParameter* findParameter(const StoredProcedure& procedure, std::string_view name) {
  for (const ProcedureParameter& p : procedure.parameters)
    if (iequals(p.name, name)) return &p;
  return nullptr;
}

}  // namespace vrel::standin
