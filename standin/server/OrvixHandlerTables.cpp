// OrvixDB tables of the conversation objects: call handlers (every
// subscriber has a primary one), interview and name lookup handlers, the
// messaging rules (greetings) and menu entries (user input keys) of a call
// handler, and the DTMF access IDs (extensions) of handlers.
//
// A conversation reference is four columns: an action (0 ignore, 1 hang up,
// 2 go to the destination object, 4 take a message), the conversation that
// runs it, the destination object's ID and the destination's type (1 a
// subscriber, 2 a call handler). Owner and recipient references are an
// object ID and its object type code (1 a subscriber, 2 a public list).
#include "standin/server/OrvixSchemaParts.h"

namespace vrel::standin::detail {

namespace {

using enum SchemaKind;

// IsPrimary marks a subscriber's own call handler. AfterMessage* is where a
// caller goes after leaving a message; Exit* where the caller goes on leaving
// the handler's (or its subscriber's) conversation.
constexpr const char* kCallHandler = R"(CREATE TABLE CallHandler (
  CallHandlerObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  IsPrimary BIT NOT NULL DEFAULT 0,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  AdministratorObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  AdministratorObjectIDType INT,
  RecipientObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  RecipientObjectIDType INT,
  AfterMessageAction INT,
  AfterMessageConversationName NVARCHAR(64) COLLATE SQLSRV,
  AfterMessageObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  AfterMessageObjectIDType INT,
  ExitAction INT,
  ExitConversationName NVARCHAR(64) COLLATE SQLSRV,
  ExitObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  ExitObjectIDType INT
))";

constexpr const char* kInterviewHandler = R"(CREATE TABLE InterviewHandler (
  InterviewHandlerObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  AdministratorObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  AdministratorObjectIDType INT,
  RecipientObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  RecipientObjectIDType INT
))";

constexpr const char* kNameLookupHandler = R"(CREATE TABLE NameLookupHandler (
  NameLookupHandlerObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  Alias NVARCHAR(64) COLLATE SQLSRV,
  TextName NVARCHAR(64) COLLATE SQLSRV,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  AdministratorObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  AdministratorObjectIDType INT,
  ExitAction INT,
  ExitConversationName NVARCHAR(64) COLLATE SQLSRV,
  ExitObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  ExitObjectIDType INT
))";

// A greeting of a call handler (ParentObjectID) and what follows it: the
// after-greeting action and destination.
constexpr const char* kMessagingRule = R"(CREATE TABLE MessagingRule (
  MessagingRuleObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  ParentObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  Alias NVARCHAR(64) COLLATE SQLSRV,
  StreamPath NVARCHAR(260) COLLATE SQLSRV,
  Action INT,
  ConversationName NVARCHAR(64) COLLATE SQLSRV,
  DestinationObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  DestinationObjectIDType INT
))";

// A user input key of a call handler (ParentObjectID).
constexpr const char* kMenuEntry = R"(CREATE TABLE MenuEntry (
  MenuEntryObjectID UNIQUEIDENTIFIER COLLATE SQLGUID NOT NULL DEFAULT (newid()),
  ParentObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  TouchtoneKey NVARCHAR(1) COLLATE SQLSRV,
  Action INT,
  ConversationName NVARCHAR(64) COLLATE SQLSRV,
  DestinationObjectID UNIQUEIDENTIFIER COLLATE SQLGUID,
  DestinationObjectIDType INT
))";

// An extension and the handler it dials (ParentObjectID). A handler may have
// several; a row whose parent is gone keeps a null ParentObjectID until a
// clean-up removes it.
constexpr const char* kDtmfAccessId = R"(CREATE TABLE DTMFAccessID (
  DTMFAccessID NVARCHAR(40) COLLATE SQLSRV,
  ParentObjectID UNIQUEIDENTIFIER COLLATE SQLGUID
))";

constexpr SchemaObject kTables[] = {
    {Table, "CallHandler", kCallHandler},
    {Table, "InterviewHandler", kInterviewHandler},
    {Table, "NameLookupHandler", kNameLookupHandler},
    {Table, "MessagingRule", kMessagingRule},
    {Table, "MenuEntry", kMenuEntry},
    {Table, "DTMFAccessID", kDtmfAccessId},
};

}  // namespace

std::span<const SchemaObject> orvixHandlerTables() {
  return kTables;
}

}  // namespace vrel::standin::detail
