// The security descriptor definition language: descriptors as text, the way
// people read and write them ("O:DAG:DAD:(OA;CI;CR;ab721a54-...;;DA)").
// Domain-relative aliases (DA, DU, EA, LA, ...) need the domain's SID.
#pragma once

#include "platform/security/SecurityDescriptor.h"

#include <string>
#include <string_view>

namespace vrel::sec {

// Owner, group, DACL and (when present) SACL. Entries of types this code
// does not read come out as "(?<type>)".
std::string toSddl(const SecurityDescriptor& sd, const Sid* domain = nullptr);
// One SID as SDDL writes it: an alias where one exists, else "S-1-...".
std::string sddlSid(const Sid& sid, const Sid* domain = nullptr);

// Reads the text; false with error naming the position. Access entries of
// types A, D, OA and OD; flags CI OI NP IO ID; rights as two-letter codes or
// a 0x number; SIDs as aliases or "S-1-...".
bool parseSddl(std::string_view text, SecurityDescriptor& out, std::string& error, const Sid* domain = nullptr);

}  // namespace vrel::sec
