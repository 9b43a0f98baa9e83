// OrvixDB views and indexes.
#include "standin/server/OrvixSchemaParts.h"

namespace vrel::standin::detail {

namespace {

using enum SchemaKind;

// The views show their table's rows and columns; newer server versions read
// through them. vw_CallHandler adds each handler's extension from
// DTMFAccessID: a handler with several extensions appears once per
// extension (searches group them), one without any once with a null
// DTMFAccessID.
constexpr SchemaObject kViews[] = {
    {View, "vw_Subscriber", "CREATE VIEW vw_Subscriber AS SELECT * FROM Subscriber"},
    {View, "vw_Location", "CREATE VIEW vw_Location AS SELECT * FROM Location"},
    {View, "vw_MailboxStore", "CREATE VIEW vw_MailboxStore AS SELECT * FROM MailboxStore"},
    {View, "vw_CallHandler",
     "CREATE VIEW vw_CallHandler AS SELECT CallHandler.*, DTMFAccessID.DTMFAccessID AS DTMFAccessID "
     "FROM CallHandler LEFT JOIN DTMFAccessID ON DTMFAccessID.ParentObjectID = CallHandler.CallHandlerObjectID"},
};

// Name and statement spelled from the same two words, so they cannot drift.
#define VREL_INDEX(table, column) \
  { Index, "IX_" #table "_" #column, "CREATE INDEX IX_" #table "_" #column " ON " #table " (" #column ")" }
#define VREL_UNIQUE_INDEX(table, column) \
  { Index, "UX_" #table "_" #column, "CREATE UNIQUE INDEX UX_" #table "_" #column " ON " #table " (" #column ")" }

// Object IDs and the reference columns that reassignment and deletion
// search. Object IDs are deliberately not unique (see OrvixSchema.h).
constexpr SchemaObject kIndexes[] = {
    VREL_INDEX(Subscriber, SubscriberObjectID),
    VREL_INDEX(Subscriber, Alias),
    VREL_INDEX(Subscriber, UID),
    VREL_INDEX(Subscriber, CallHandlerObjectID),
    VREL_INDEX(GlobalSubscriber, SubscriberObjectID),
    VREL_INDEX(GlobalSubscriber, Alias),
    VREL_INDEX(GlobalSubscriber, LocationObjectID),
    VREL_INDEX(Location, LocationObjectID),
    VREL_INDEX(GlobalLocation, LocationObjectID),
    VREL_INDEX(DistributionList, SystemDListObjectID),
    VREL_INDEX(DistributionList, AdministratorObjectID),
    VREL_INDEX(DistributionListMember, SystemDListObjectID),
    VREL_INDEX(DistributionListMember, MemberObjectID),
    VREL_INDEX(COS, COSObjectID),
    VREL_INDEX(MailboxStore, MailboxStoreObjectID),
    VREL_INDEX(PersonalDlist, ParentAlias),
    VREL_INDEX(NotificationMWI, ParentAlias),
    VREL_INDEX(NotificationDevice, ParentAlias),
    VREL_INDEX(NotificationRule, ParentAlias),
    VREL_INDEX(CallHandler, CallHandlerObjectID),
    VREL_INDEX(CallHandler, AdministratorObjectID),
    VREL_INDEX(CallHandler, RecipientObjectID),
    VREL_INDEX(CallHandler, AfterMessageObjectID),
    VREL_INDEX(CallHandler, ExitObjectID),
    VREL_INDEX(InterviewHandler, InterviewHandlerObjectID),
    VREL_INDEX(InterviewHandler, AdministratorObjectID),
    VREL_INDEX(InterviewHandler, RecipientObjectID),
    VREL_INDEX(NameLookupHandler, NameLookupHandlerObjectID),
    VREL_INDEX(NameLookupHandler, AdministratorObjectID),
    VREL_INDEX(NameLookupHandler, ExitObjectID),
    VREL_INDEX(MessagingRule, MessagingRuleObjectID),
    VREL_INDEX(MessagingRule, ParentObjectID),
    VREL_INDEX(MessagingRule, DestinationObjectID),
    VREL_INDEX(MenuEntry, MenuEntryObjectID),
    VREL_INDEX(MenuEntry, ParentObjectID),
    VREL_INDEX(MenuEntry, DestinationObjectID),
    VREL_UNIQUE_INDEX(DTMFAccessID, DTMFAccessID),
    VREL_INDEX(DTMFAccessID, ParentObjectID),
    VREL_INDEX(Servers, Alias),
    VREL_UNIQUE_INDEX(Configuration, NodeID),
};

#undef VREL_INDEX
#undef VREL_UNIQUE_INDEX

}  // namespace

std::span<const SchemaObject> orvixViews() {
  return kViews;
}
std::span<const SchemaObject> orvixIndexes() {
  return kIndexes;
}

}  // namespace vrel::standin::detail
