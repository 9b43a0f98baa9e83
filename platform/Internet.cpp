#include "platform/Internet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace vrel {

struct InternetHandle {
  enum class Kind { Session, Request };
  explicit InternetHandle(Kind k) : kind(k) {}
  virtual ~InternetHandle() = default;
  const Kind kind;
};

namespace {

constexpr long kConnectTimeoutSeconds = 30;
constexpr long kStallSeconds = 60;
constexpr long kMaxRedirects = 10;
constexpr int kPollMs = 1000;
// Received body bytes kept before the transfer is paused until the caller
// reads: a large body never piles up in memory.
constexpr std::size_t kPendingLimit = 64 * 1024;

struct Request;

struct Session : InternetHandle {
  Session() : InternetHandle(Kind::Session) {}
  std::string agent;
  std::uint32_t accessType = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string proxy;
  std::string bypass;
  std::vector<Request*> requests;
};

struct Request : InternetHandle {
  Request() : InternetHandle(Kind::Request) {}
  ~Request() override {
    if (multi && easy) curl_multi_remove_handle(multi, easy);
    if (easy) curl_easy_cleanup(easy);
    if (multi) curl_multi_cleanup(multi);
  }
  Session* session = nullptr;
  std::string url;
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  std::string pending;
  std::size_t offset = 0;  // bytes of pending already handed out
  bool paused = false;
  bool responseBegun = false;
  bool done = false;
  CURLcode result = CURLE_OK;
  char errorText[CURL_ERROR_SIZE] = {};

  std::size_t available() const { return pending.size() - offset; }
};

thread_local InternetError t_lastError;

std::mutex g_handlesMutex;
std::unordered_set<InternetHandle*> g_handles;

void setError(std::uint32_t code, std::string message) {
  t_lastError.code = code;
  t_lastError.message = std::move(message);
}

void clearError() { setError(0, {}); }

void ensureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

void remember(InternetHandle* h) {
  std::lock_guard lock(g_handlesMutex);
  g_handles.insert(h);
}

// The live handle of that kind, or null (with ERROR_INVALID_HANDLE).
template <typename T>
T* live(HINTERNET h, InternetHandle::Kind kind) {
  std::lock_guard lock(g_handlesMutex);
  if (h && g_handles.count(h) && h->kind == kind) return static_cast<T*>(h);
  setError(ERROR_INVALID_HANDLE, "The handle is invalid.");
  return nullptr;
}

void forget(InternetHandle* h) {
  std::lock_guard lock(g_handlesMutex);
  g_handles.erase(h);
}

std::uint32_t errorCodeOf(CURLcode c) {
  switch (c) {
    case CURLE_COULDNT_CONNECT: return ERROR_INTERNET_CANNOT_CONNECT;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ERROR_INTERNET_NAME_NOT_RESOLVED;
    case CURLE_OPERATION_TIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case CURLE_URL_MALFORMAT: return ERROR_INTERNET_INVALID_URL;
    case CURLE_UNSUPPORTED_PROTOCOL: return ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CACERT_BADFILE: return ERROR_INTERNET_SECURITY_FAILURE;
    case CURLE_GOT_NOTHING:
    case CURLE_WEIRD_SERVER_REPLY: return ERROR_HTTP_INVALID_SERVER_RESPONSE;
    case CURLE_RECV_ERROR:
    case CURLE_PARTIAL_FILE: return ERROR_INTERNET_CONNECTION_ABORTED;
    case CURLE_SEND_ERROR: return ERROR_INTERNET_CONNECTION_RESET;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

void setTransferError(const Request& r) {
  const std::string text = r.errorText[0] ? std::string(r.errorText) : std::string(curl_easy_strerror(r.result));
  setError(errorCodeOf(r.result), text + " (" + r.url + ")");
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  if (r->available() >= kPendingLimit) {
    r->paused = true;
    return CURL_WRITEFUNC_PAUSE;  // delivered again once the caller has read
  }
  if (r->offset > 0 && r->offset >= r->pending.size() / 2) {
    r->pending.erase(0, r->offset);
    r->offset = 0;
  }
  r->pending.append(data, size * count);
  r->responseBegun = true;
  return size * count;
}

// The end of a header block of a final response (not an interim 1xx
// response, not a redirect that is about to be followed) means the
// response has begun, even when its body is empty or slow to come.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const std::size_t n = size * count;
  const bool blankLine = (n == 2 && data[0] == '\r' && data[1] == '\n') || (n == 1 && data[0] == '\n');
  if (blankLine) {
    long status = 0;
    curl_easy_getinfo(r->easy, CURLINFO_RESPONSE_CODE, &status);
    if (status >= 200 && (status < 300 || status >= 400)) r->responseBegun = true;
  }
  return n;
}

// One round of the transfer: let libcurl work, note the end, and wait for
// the network unless the caller's condition already holds.
template <typename Done>
void pumpUntil(Request& r, Done condition) {
  while (!r.done && !condition()) {
    int running = 0;
    const CURLMcode mc = curl_multi_perform(r.multi, &running);
    if (mc != CURLM_OK) {
      r.done = true;
      r.result = CURLE_FAILED_INIT;
      std::snprintf(r.errorText, sizeof r.errorText, "%s", curl_multi_strerror(mc));
      break;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(r.multi, &left)) {
      if (msg->msg == CURLMSG_DONE) {
        r.done = true;
        r.result = msg->data.result;
      }
    }
    if (r.done || condition()) break;
    curl_multi_poll(r.multi, nullptr, 0, kPollMs, nullptr);
  }
}

// WinINet's bypass list ("a;b c", "<local>") as libcurl's ("a,b,c").
std::string curlBypassList(const std::string& bypass) {
  std::string out, token;
  auto flush = [&] {
    if (token.empty()) return;
    if (token == "<local>") token = "localhost,127.0.0.1,::1";
    if (!out.empty()) out += ',';
    out += token;
    token.clear();
  };
  for (char c : bypass) {
    if (c == ';' || c == ',' || c == ' ' || c == '\t')
      flush();
    else
      token += c;
  }
  flush();
  return out;
}

void applyProxy(const Session& s, CURL* easy) {
  switch (s.accessType) {
    case INTERNET_OPEN_TYPE_DIRECT:
      // An empty proxy turns off the environment's proxies as well.
      curl_easy_setopt(easy, CURLOPT_PROXY, "");
      break;
    case INTERNET_OPEN_TYPE_PROXY:
      curl_easy_setopt(easy, CURLOPT_PROXY, s.proxy.c_str());
      curl_easy_setopt(easy, CURLOPT_NOPROXY, curlBypassList(s.bypass).c_str());
      break;
    default:
      break;  // libcurl reads the proxy environment variables itself
  }
}

bool configure(Request& r) {
  CURL* e = r.easy;
  const Session& s = *r.session;
  bool ok = curl_easy_setopt(e, CURLOPT_URL, r.url.c_str()) == CURLE_OK;
  ok = ok && curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
  ok = ok && curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
  if (!ok) return false;
  curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutSeconds);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, kStallSeconds);
  curl_easy_setopt(e, CURLOPT_ERRORBUFFER, r.errorText);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, onBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &r);
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, onHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &r);
  applyProxy(s, e);
  return true;
}

void closeRequest(Request* r) {
  forget(r);
  if (r->session) {
    auto& list = r->session->requests;
    list.erase(std::remove(list.begin(), list.end(), r), list.end());
  }
  delete r;
}

}  // namespace

const InternetError& InternetGetLastError() { return t_lastError; }

HINTERNET InternetOpen(const std::string& agent, std::uint32_t accessType, const std::string& proxy,
                       const std::string& proxyBypass) {
  if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
      accessType != INTERNET_OPEN_TYPE_PROXY) {
    setError(ERROR_INVALID_PARAMETER, "Unknown access type " + std::to_string(accessType) + ".");
    return nullptr;
  }
  if (accessType == INTERNET_OPEN_TYPE_PROXY && proxy.empty()) {
    setError(ERROR_INVALID_PARAMETER, "No proxy named for a session that uses one.");
    return nullptr;
  }
  ensureCurl();
  auto* s = new Session;
  s->agent = agent;
  s->accessType = accessType;
  s->proxy = proxy;
  s->bypass = proxyBypass;
  remember(s);
  clearError();
  return s;
}

HINTERNET InternetOpenUrl(HINTERNET session, const std::string& url) {
  auto* s = live<Session>(session, InternetHandle::Kind::Session);
  if (!s) return nullptr;
  auto* r = new Request;
  r->session = s;
  r->url = url;
  r->easy = curl_easy_init();
  r->multi = curl_multi_init();
  if (!r->easy || !r->multi || !configure(*r) || curl_multi_add_handle(r->multi, r->easy) != CURLM_OK) {
    setError(ERROR_INTERNET_INTERNAL_ERROR, "The download could not be set up (" + url + ")");
    delete r;
    return nullptr;
  }
  pumpUntil(*r, [r] { return r->responseBegun; });
  if (!r->responseBegun && r->result != CURLE_OK) {
    setTransferError(*r);
    delete r;
    return nullptr;
  }
  s->requests.push_back(r);
  remember(r);
  clearError();
  return r;
}

bool InternetReadFile(HINTERNET file, void* buffer, std::uint32_t toRead, std::uint32_t& bytesRead) {
  bytesRead = 0;
  auto* r = live<Request>(file, InternetHandle::Kind::Request);
  if (!r) return false;
  if (!buffer && toRead > 0) {
    setError(ERROR_INVALID_PARAMETER, "No buffer to read into.");
    return false;
  }
  if (toRead == 0) {
    clearError();
    return true;
  }
  if (r->paused && r->available() < kPendingLimit) {
    r->paused = false;
    curl_easy_pause(r->easy, CURLPAUSE_CONT);
  }
  pumpUntil(*r, [r] { return r->available() > 0; });
  if (r->available() == 0 && r->result != CURLE_OK) {
    setTransferError(*r);
    return false;
  }
  const std::size_t n = std::min<std::size_t>(toRead, r->available());
  std::memcpy(buffer, r->pending.data() + r->offset, n);
  r->offset += n;
  bytesRead = static_cast<std::uint32_t>(n);
  clearError();
  return true;
}

bool InternetCloseHandle(HINTERNET handle) {
  if (auto* r = live<Request>(handle, InternetHandle::Kind::Request)) {
    closeRequest(r);
    clearError();
    return true;
  }
  auto* s = live<Session>(handle, InternetHandle::Kind::Session);
  if (!s) return false;
  while (!s->requests.empty()) closeRequest(s->requests.back());
  forget(s);
  delete s;
  clearError();
  return true;
}

}  // namespace vrel
