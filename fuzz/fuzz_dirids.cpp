// Directory IDs: GUIDs (braced, bare, as objectGUID octets) and SIDs (string
// and binary form). What parses must print and parse back to the same ID.
#include "platform/security/Guid.h"
#include "platform/security/Sid.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vrel::sec;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  Guid guid, back;
  for (bool braces : {true, false})
    if (parseGuid(text, guid, braces) && (!parseGuid(guidBraced(guid), back, true) || !(back == guid))) std::abort();
  (void)parseGuidOctets(text, guid);

  Sid sid, again;
  if (parseSidString(text, sid) && (!parseSidString(sidString(sid), again) || !(again == sid))) std::abort();
  std::size_t used = 0;
  if (parseSidBytes(data, size, sid, &used)) {
    if (used > size) std::abort();
    const vrel::Bytes bytes = sidBytes(sid);
    if (!parseSidBytes(bytes.data(), bytes.size(), again) || !(again == sid)) std::abort();
    (void)ldapEscapedSid(sid);
  }
  return 0;
}
