// How OrvixDB objects refer to one another: the object type codes and their
// tables, and every column that holds a reference to another object. The
// server's stand-in procedures walk these lists to reassign or remove
// references when an object is deleted, so a new reference column is added
// here once and every procedure honours it.
#pragma once

#include <span>

namespace vrel::standin {

// Object type codes (as in object reference strings "\x01\x07" "01:<ID>")
// and the table and ID column that hold objects of the type. Codes 0, 4 and
// 7 have no table.
struct ObjectTypeTable {
  int code;
  const char* table;
  const char* idColumn;
};
std::span<const ObjectTypeTable> objectTypeTables();
// nullptr for a code without a table.
const ObjectTypeTable* findObjectTypeTable(int code);

// Conversation actions and destination types of the four-column
// conversation references (action, conversation, destination, type).
inline constexpr int kActionIgnore = 0;
inline constexpr int kActionHangUp = 1;
inline constexpr int kActionGoTo = 2;
inline constexpr int kActionTakeMessage = 4;
inline constexpr int kDestinationSubscriber = 1;
inline constexpr int kDestinationCallHandler = 2;

enum class ReferenceRole {
  Owner,           // the object's administrator
  Recipient,       // who receives the handler's messages
  CallerInput,     // a user input key sends the caller there
  AfterMessage,    // where a caller goes after leaving a message
  AfterGreeting,   // where a caller goes after a greeting
  SubscriberExit,  // where a caller goes on leaving a (subscriber's) handler
  NameLookupExit,  // where a caller goes on leaving a name lookup handler
  ListMember,      // membership of a public list
  PrimaryHandler,  // a subscriber's own call handler
  HandlerParent,   // the handler a rule, menu entry or extension belongs to
  AliasOwner,      // a subscriber named by alias, not by object ID
};

struct ObjectReference {
  const char* table;
  const char* column;              // the referenced object's ID (or alias)
  const char* typeColumn;          // its type, or nullptr
  const char* actionColumn;        // conversation references: the action
  const char* conversationColumn;  // conversation references: the conversation
  ReferenceRole role;
};
std::span<const ObjectReference> objectReferences();

}  // namespace vrel::standin
