#include "tests/support/LocalHttpServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace vrel::test {

namespace {

constexpr std::size_t kMaxRequestHead = 64 * 1024;

int boundSocket(int& port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket() failed");
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    throw std::runtime_error("bind() to 127.0.0.1 failed");
  }
  port = ntohs(addr.sin_port);
  return fd;
}

const char* reasonOf(int status) {
  switch (status) {
    case 200: return "OK";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
  }
}

void sendAll(int fd, const std::string& data) {
  std::size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;  // the client went away; nothing more to tell it
    sent += static_cast<std::size_t>(n);
  }
}

constexpr const char* kProxyVariables[] = {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                           "all_proxy",  "ALL_PROXY",  "no_proxy",    "NO_PROXY"};

}  // namespace

LocalHttpServer::LocalHttpServer(std::vector<Response> responses) {
  m_listen = boundSocket(m_port);
  listenAndServe(std::move(responses));
}

LocalHttpServer::LocalHttpServer(const std::function<std::vector<Response>(const std::string&)>& make) {
  m_listen = boundSocket(m_port);
  listenAndServe(make(address()));
}

void LocalHttpServer::listenAndServe(std::vector<Response> responses) {
  m_responses = std::move(responses);
  if (::listen(m_listen, 8) != 0 || ::pipe2(m_stop, O_CLOEXEC) != 0) {
    ::close(m_listen);
    throw std::runtime_error("listen() failed");
  }
  m_thread = std::thread([this] { serve(); });
}

LocalHttpServer::~LocalHttpServer() {
  const char stop = 1;
  [[maybe_unused]] const ssize_t n = ::write(m_stop[1], &stop, 1);
  m_thread.join();
  ::close(m_listen);
  ::close(m_stop[0]);
  ::close(m_stop[1]);
}

std::vector<std::string> LocalHttpServer::requests() const {
  std::lock_guard lock(m_mutex);
  return m_requests;
}

int LocalHttpServer::closedPort() {
  int port = 0;
  ::close(boundSocket(port));
  return port;
}

// Waits until fd can be read or the server is told to stop.
bool LocalHttpServer::waitReadable(int fd) {
  pollfd fds[2] = {{fd, POLLIN, 0}, {m_stop[0], POLLIN, 0}};
  for (;;) {
    if (::poll(fds, 2, -1) < 0) return false;
    if (fds[1].revents) return false;
    if (fds[0].revents) return true;
  }
}

void LocalHttpServer::serve() {
  for (const Response& r : m_responses) {
    if (!waitReadable(m_listen)) return;
    const int fd = ::accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    answer(fd, r);
    ::close(fd);
  }
}

void LocalHttpServer::answer(int fd, const Response& r) {
  std::string head;
  char buf[4096];
  while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxRequestHead) {
    if (!waitReadable(fd)) return;
    const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
    if (n <= 0) return;
    head.append(buf, static_cast<std::size_t>(n));
  }
  {
    std::lock_guard lock(m_mutex);
    m_requests.push_back(head.substr(0, head.find("\r\n\r\n")));
  }
  const std::size_t length = r.announcedLength == Response::kBodySize ? r.body.size() : r.announcedLength;
  sendAll(fd, "HTTP/1.1 " + std::to_string(r.status) + " " + reasonOf(r.status) +
                  "\r\nContent-Length: " + std::to_string(length) + "\r\nConnection: close\r\n" + r.headers +
                  "\r\n" + r.body);
}

ProxyEnvironmentCleared::ProxyEnvironmentCleared() {
  for (const char* name : kProxyVariables) {
    if (const char* v = std::getenv(name)) m_saved.emplace_back(name, v);
    ::unsetenv(name);
  }
}

ProxyEnvironmentCleared::~ProxyEnvironmentCleared() {
  for (const char* name : kProxyVariables) ::unsetenv(name);
  for (const auto& [name, value] : m_saved) ::setenv(name.c_str(), value.c_str(), 1);
}

}  // namespace vrel::test
