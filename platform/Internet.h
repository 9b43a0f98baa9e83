// Internet download as the programs know it from Windows: open a session
// with an agent name, open an address, read its body in blocks, close the
// handles. The Linux back-end is libcurl.
//
// Proxies: a session opened with INTERNET_OPEN_TYPE_PRECONFIG uses the
// system's configured proxy settings, which on this platform are the usual
// environment variables, read the way libcurl reads them: http_proxy (lower
// case only), https_proxy or HTTPS_PROXY, all_proxy or ALL_PROXY, and
// no_proxy or NO_PROXY for the hosts reached directly.
//
// Only http and https addresses are opened (redirects too, at most 10 of
// them). Any response the server sends opens the address, error pages
// included, as on Windows; the caller judges the body. A failure returns a
// null handle or false and leaves its code and message in
// InternetGetLastError() of the calling thread. Handles are checked: a
// handle that is unknown or already closed is refused with
// ERROR_INVALID_HANDLE, never dereferenced.
#pragma once

#include <cstdint>
#include <string>

namespace vrel {

struct InternetHandle;
using HINTERNET = InternetHandle*;

// Access types of InternetOpen.
enum : std::uint32_t {
  INTERNET_OPEN_TYPE_PRECONFIG = 0,  // the system's proxy settings
  INTERNET_OPEN_TYPE_DIRECT = 1,     // no proxy
  INTERNET_OPEN_TYPE_PROXY = 3,      // the proxy given to InternetOpen
};

// Error codes, with their Windows values.
enum : std::uint32_t {
  ERROR_INVALID_HANDLE = 6,
  ERROR_INVALID_PARAMETER = 87,
  ERROR_INTERNET_TIMEOUT = 12002,
  ERROR_INTERNET_INTERNAL_ERROR = 12004,
  ERROR_INTERNET_INVALID_URL = 12005,
  ERROR_INTERNET_UNRECOGNIZED_SCHEME = 12006,
  ERROR_INTERNET_NAME_NOT_RESOLVED = 12007,
  ERROR_INTERNET_CONNECTION_ABORTED = 12030,
  ERROR_INTERNET_CONNECTION_RESET = 12031,
  ERROR_INTERNET_CANNOT_CONNECT = 12029,
  ERROR_HTTP_INVALID_SERVER_RESPONSE = 12152,
  ERROR_INTERNET_SECURITY_FAILURE = 12157,
};

struct InternetError {
  std::uint32_t code = 0;
  std::string message;  // what went wrong, with the address where there is one
};

// The last failure of an Internet call on this thread (code 0 after a
// success).
const InternetError& InternetGetLastError();

// Opens a session. proxy and proxyBypass are used with
// INTERNET_OPEN_TYPE_PROXY only: "host:port" and a list of the hosts
// reached directly, separated by ";", "," or blanks ("<local>" stands for
// this machine).
HINTERNET InternetOpen(const std::string& agent, std::uint32_t accessType, const std::string& proxy = {},
                       const std::string& proxyBypass = {});

// Opens an address in a session: connects, sends the request and waits for
// the response to begin. Null on failure (no connection, bad address,
// time-out: 30 s to connect, 60 s without a byte).
HINTERNET InternetOpenUrl(HINTERNET session, const std::string& url);

// Reads up to toRead bytes of the body into buffer; bytesRead 0 with true
// means the body has been read to its end. False when the transfer broke
// off or the handle is not an open address.
bool InternetReadFile(HINTERNET file, void* buffer, std::uint32_t toRead, std::uint32_t& bytesRead);

// Closes a session (and every address still open in it) or an address.
// False for an unknown or already closed handle.
bool InternetCloseHandle(HINTERNET handle);

}  // namespace vrel
