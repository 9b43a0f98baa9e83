#include "standin/server/ObjectReferences.h"

namespace vrel::standin {

namespace {

constexpr ObjectTypeTable kTypes[] = {
    {1, "Subscriber", "SubscriberObjectID"},
    {2, "DistributionList", "SystemDListObjectID"},
    {3, "CallHandler", "CallHandlerObjectID"},
    {5, "InterviewHandler", "InterviewHandlerObjectID"},
    {6, "NameLookupHandler", "NameLookupHandlerObjectID"},
    {8, "COS", "COSObjectID"},
};

using enum ReferenceRole;

constexpr ObjectReference kReferences[] = {
    {"CallHandler", "AdministratorObjectID", "AdministratorObjectIDType", nullptr, nullptr, Owner},
    {"InterviewHandler", "AdministratorObjectID", "AdministratorObjectIDType", nullptr, nullptr, Owner},
    {"NameLookupHandler", "AdministratorObjectID", "AdministratorObjectIDType", nullptr, nullptr, Owner},
    {"DistributionList", "AdministratorObjectID", "AdministratorObjectIDType", nullptr, nullptr, Owner},
    {"CallHandler", "RecipientObjectID", "RecipientObjectIDType", nullptr, nullptr, Recipient},
    {"InterviewHandler", "RecipientObjectID", "RecipientObjectIDType", nullptr, nullptr, Recipient},
    {"MenuEntry", "DestinationObjectID", "DestinationObjectIDType", "Action", "ConversationName", CallerInput},
    {"CallHandler", "AfterMessageObjectID", "AfterMessageObjectIDType", "AfterMessageAction",
     "AfterMessageConversationName", AfterMessage},
    {"MessagingRule", "DestinationObjectID", "DestinationObjectIDType", "Action", "ConversationName", AfterGreeting},
    {"CallHandler", "ExitObjectID", "ExitObjectIDType", "ExitAction", "ExitConversationName", SubscriberExit},
    {"NameLookupHandler", "ExitObjectID", "ExitObjectIDType", "ExitAction", "ExitConversationName", NameLookupExit},
    {"DistributionListMember", "MemberObjectID", "MemberObjectIDType", nullptr, nullptr, ListMember},
    {"Subscriber", "CallHandlerObjectID", nullptr, nullptr, nullptr, PrimaryHandler},
    {"MessagingRule", "ParentObjectID", nullptr, nullptr, nullptr, HandlerParent},
    {"MenuEntry", "ParentObjectID", nullptr, nullptr, nullptr, HandlerParent},
    {"DTMFAccessID", "ParentObjectID", nullptr, nullptr, nullptr, HandlerParent},
    {"GlobalSubscriber", "Alias", nullptr, nullptr, nullptr, AliasOwner},
    {"PersonalDlist", "ParentAlias", nullptr, nullptr, nullptr, AliasOwner},
    {"NotificationMWI", "ParentAlias", nullptr, nullptr, nullptr, AliasOwner},
    {"NotificationDevice", "ParentAlias", nullptr, nullptr, nullptr, AliasOwner},
    {"NotificationRule", "ParentAlias", nullptr, nullptr, nullptr, AliasOwner},
};

}  // namespace

std::span<const ObjectTypeTable> objectTypeTables() {
  return kTypes;
}

const ObjectTypeTable* findObjectTypeTable(int code) {
  for (const ObjectTypeTable& t : kTypes)
    if (t.code == code) return &t;
  return nullptr;
}

std::span<const ObjectReference> objectReferences() {
  return kReferences;
}

}  // namespace vrel::standin
