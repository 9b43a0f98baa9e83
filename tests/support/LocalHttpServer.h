// A tiny HTTP server for tests: listens on 127.0.0.1 on an ephemeral port
// and answers one connection per canned response, in order, on a thread of
// its own; then it stops accepting. It records each request head it read.
// Destroying it stops it, whether or not every response was asked for.
#pragma once

#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vrel::test {

class LocalHttpServer {
 public:
  struct Response {
    Response(int status, std::string body, std::string headers = {})
        : status(status), body(std::move(body)), headers(std::move(headers)) {}
    int status = 200;
    std::string body;
    std::string headers;  // extra header lines, each ending in "\r\n"
    // The Content-Length announced; a value above the body's size makes the
    // connection close early, as a transfer that breaks off.
    std::size_t announcedLength = kBodySize;
    static constexpr std::size_t kBodySize = static_cast<std::size_t>(-1);
  };

  explicit LocalHttpServer(std::vector<Response> responses);
  // Responses that name the server's own address ("http://127.0.0.1:PORT").
  explicit LocalHttpServer(const std::function<std::vector<Response>(const std::string& address)>& make);
  ~LocalHttpServer();
  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  int port() const { return m_port; }
  // "http://127.0.0.1:PORT"
  std::string address() const { return "http://127.0.0.1:" + std::to_string(m_port); }
  // The request heads read so far (request line and headers), in order.
  std::vector<std::string> requests() const;

  // A port of 127.0.0.1 that nothing listens on (bound, then released).
  static int closedPort();

 private:
  void listenAndServe(std::vector<Response> responses);
  void serve();
  bool waitReadable(int fd);
  void answer(int fd, const Response& r);

  std::vector<Response> m_responses;
  int m_listen = -1;
  int m_stop[2] = {-1, -1};
  int m_port = 0;
  mutable std::mutex m_mutex;
  std::vector<std::string> m_requests;
  std::thread m_thread;
};

// Clears the proxy environment variables while it lives, so that requests
// to 127.0.0.1 go straight to the test's server whatever the host's
// settings; restores them afterwards.
class ProxyEnvironmentCleared {
 public:
  ProxyEnvironmentCleared();
  ~ProxyEnvironmentCleared();
  ProxyEnvironmentCleared(const ProxyEnvironmentCleared&) = delete;
  ProxyEnvironmentCleared& operator=(const ProxyEnvironmentCleared&) = delete;

 private:
  std::vector<std::pair<std::string, std::string>> m_saved;
};

}  // namespace vrel::test
