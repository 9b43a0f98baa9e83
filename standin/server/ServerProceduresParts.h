// What the OrvixDB procedure bodies share: the transaction every call runs
// in, the "ReferencesChanged" answer, argument checks and object look-ups.
#pragma once

#include "platform/data/Procedures.h"

#include <functional>
#include <string>

namespace vrel::standin::procedures {

// Runs body inside a savepoint: kept when it returns, rolled back (and the
// error passed on) when it raises, so a failed call changes nothing.
void inTransaction(const data::ProcedureCall& call, const std::function<void()>& body);

// Answers the call with one row, one column "ReferencesChanged".
void answerReferencesChanged(data::ProcedureCall& call, long changed);

// The GUID argument; raises a clear error when it is null.
data::Variant requiredGuid(const data::ProcedureCall& call, const char* name);
// The integer argument (0 for null).
int intArgument(const data::ProcedureCall& call, const char* name);

// How many rows of the type's table carry the object ID; raises for a type
// code without a table.
long countObjects(const data::ProcedureCall& call, int typeCode, const data::Variant& id);

// Raises unless exactly one object of a type (1 subscriber or 2 list) has
// the ID; what names the role ("owner", "recipient") in the message.
void requireOwnerObject(const data::ProcedureCall& call, const char* what, int typeCode, const data::Variant& id);

// Registers a procedure of the OrvixDB list under its listed parameters.
void registerOrvixProcedure(const char* name, data::ProcedureBody body);

void registerReferenceProcedures();
void registerDeleteSubscriber();

}  // namespace vrel::standin::procedures
