#include "platform/Internet.h"

#include "tests/support/LocalHttpServer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

namespace vrel {
namespace {

using test::LocalHttpServer;

class InternetTest : public ::testing::Test {
 protected:
  test::ProxyEnvironmentCleared m_noProxy;
};

struct Download {
  bool opened = false;
  std::uint32_t openError = 0;
  std::string openMessage;
  std::string body;
  std::vector<std::uint32_t> blocks;  // sizes of the reads, the final 0 included
  bool readFailed = false;
  std::uint32_t readError = 0;
};

// Opens the address and reads it in blocks of up to blockSize bytes until a
// read delivers nothing or fails, then closes both handles.
Download download(const std::string& url, std::uint32_t accessType = INTERNET_OPEN_TYPE_PRECONFIG,
                  const std::string& proxy = {}, std::uint32_t blockSize = 1000) {
  Download d;
  HINTERNET session = InternetOpen("HTTP Generic", accessType, proxy);
  EXPECT_NE(session, nullptr) << InternetGetLastError().message;
  HINTERNET file = InternetOpenUrl(session, url);
  d.opened = file != nullptr;
  if (!file) {
    d.openError = InternetGetLastError().code;
    d.openMessage = InternetGetLastError().message;
  }
  std::vector<char> buffer(blockSize);
  while (file) {
    std::uint32_t read = 0;
    if (!InternetReadFile(file, buffer.data(), blockSize, read)) {
      d.readFailed = true;
      d.readError = InternetGetLastError().code;
      break;
    }
    d.blocks.push_back(read);
    if (read == 0) break;
    d.body.append(buffer.data(), read);
  }
  if (file) {
    EXPECT_TRUE(InternetCloseHandle(file));
  }
  EXPECT_TRUE(InternetCloseHandle(session));
  return d;
}

std::string patterned(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
  return s;
}

TEST_F(InternetTest, BodyComesInBlocksOfAtMostTheAskedSizeUntilAnEmptyRead) {
  const std::string body = patterned(2500);
  LocalHttpServer server({{200, body}});
  const Download d = download(server.address() + "/SiteList/AllDownloads/AllDownloads.XML");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_FALSE(d.readFailed);
  EXPECT_EQ(d.body, body);
  ASSERT_FALSE(d.blocks.empty());
  EXPECT_EQ(d.blocks.back(), 0u);
  for (std::uint32_t n : d.blocks) EXPECT_LE(n, 1000u);

  ASSERT_EQ(server.requests().size(), 1u);
  const std::string request = server.requests()[0];
  EXPECT_EQ(request.substr(0, request.find("\r\n")), "GET /SiteList/AllDownloads/AllDownloads.XML HTTP/1.1");
  EXPECT_NE(request.find("\r\nUser-Agent: HTTP Generic"), std::string::npos) << request;
}

// A body larger than what is held back before the transfer pauses must
// arrive whole and in order once the reader catches up.
TEST_F(InternetTest, LargeBodyArrivesWholeThroughPausedTransfer) {
  const std::string body = patterned(600 * 1024 + 7);
  LocalHttpServer server({{200, body}});
  const Download d = download(server.address() + "/big", INTERNET_OPEN_TYPE_PRECONFIG, {}, 1000);
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_FALSE(d.readFailed);
  EXPECT_EQ(d.body.size(), body.size());
  EXPECT_TRUE(d.body == body);
}

TEST_F(InternetTest, EmptyBodyGivesAnEmptyFirstRead) {
  LocalHttpServer server({{200, ""}});
  const Download d = download(server.address() + "/empty");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.blocks, std::vector<std::uint32_t>{0});
}

// As on Windows, an error page is a response: the address opens and the
// caller reads the page.
TEST_F(InternetTest, ErrorPageOpensAndIsRead) {
  LocalHttpServer server({{404, "<html>not here</html>"}});
  const Download d = download(server.address() + "/missing");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.body, "<html>not here</html>");
}

TEST_F(InternetTest, RedirectIsFollowed) {
  LocalHttpServer server({{302, "", "Location: /moved\r\n"}, {200, "moved body"}});
  const Download d = download(server.address() + "/old");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.body, "moved body");
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.requests()[1].substr(0, 20), "GET /moved HTTP/1.1\r");
}

TEST_F(InternetTest, TransferThatBreaksOffDeliversWhatCameThenFails) {
  LocalHttpServer::Response r{200, "0123456789"};
  r.announcedLength = 5000;
  LocalHttpServer server({r});
  const Download d = download(server.address() + "/cut");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_TRUE(d.readFailed);
  EXPECT_EQ(d.readError, ERROR_INTERNET_CONNECTION_ABORTED);
  EXPECT_EQ(d.body, "0123456789");
}

struct RefusedCase {
  const char* name;
  std::string url;
  std::uint32_t code;
};
// Test names, not bytes, in the test listing.
void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class InternetRefusedTest : public InternetTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(InternetRefusedTest, OpenFailsWithItsCodeAndTheAddress) {
  const Download d = download(GetParam().url);
  EXPECT_FALSE(d.opened);
  EXPECT_EQ(d.openError, GetParam().code) << d.openMessage;
  EXPECT_NE(d.openMessage.find(GetParam().url), std::string::npos) << d.openMessage;
}

INSTANTIATE_TEST_SUITE_P(
    InternetAddresses, InternetRefusedTest,
    ::testing::Values(
        RefusedCase{"ClosedPort", "http://127.0.0.1:" + std::to_string(LocalHttpServer::closedPort()) + "/list",
                    ERROR_INTERNET_CANNOT_CONNECT},
        RefusedCase{"LocalFile", "file:///etc/hostname", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        RefusedCase{"Ftp", "ftp://127.0.0.1/list", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
        RefusedCase{"NoHost", "http://", ERROR_INTERNET_INVALID_URL}),
    [](const auto& info) { return std::string(info.param.name); });

// A site may redirect anywhere; a redirect to a local file must not turn a
// download into a read of this machine's files.
TEST_F(InternetTest, RedirectToLocalFileIsRefused) {
  LocalHttpServer server({{302, "", "Location: file:///etc/hostname\r\n"}});
  const Download d = download(server.address() + "/old");
  EXPECT_FALSE(d.opened);
  EXPECT_EQ(d.openError, ERROR_INTERNET_UNRECOGNIZED_SCHEME) << d.openMessage;
}

// Sets an environment variable for the life of the object.
class EnvVar {
 public:
  EnvVar(const char* name, const std::string& value) : m_name(name) { ::setenv(name, value.c_str(), 1); }
  ~EnvVar() { ::unsetenv(m_name); }

 private:
  const char* m_name;
};

TEST_F(InternetTest, PreconfiguredSessionUsesTheProxyOfTheEnvironment) {
  LocalHttpServer proxy({{200, "via proxy"}});
  EnvVar env("http_proxy", proxy.address());
  const Download d = download("http://tools.example.invalid/SiteList/AllDownloads/AllDownloads.XML");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.body, "via proxy");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0].substr(0, proxy.requests()[0].find("\r\n")),
            "GET http://tools.example.invalid/SiteList/AllDownloads/AllDownloads.XML HTTP/1.1");
}

TEST_F(InternetTest, NoProxyOfTheEnvironmentNamesHostsReachedDirectly) {
  LocalHttpServer proxy({{200, "via proxy"}});
  LocalHttpServer site({{200, "direct"}});
  EnvVar env("http_proxy", proxy.address());
  EnvVar bypass("no_proxy", "127.0.0.1");
  const Download d = download(site.address() + "/list");
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.body, "direct");
  EXPECT_TRUE(proxy.requests().empty());
}

TEST_F(InternetTest, DirectSessionIgnoresTheEnvironmentsProxy) {
  LocalHttpServer proxy({{200, "via proxy"}});
  LocalHttpServer site({{200, "direct"}});
  EnvVar env("http_proxy", proxy.address());
  const Download d = download(site.address() + "/list", INTERNET_OPEN_TYPE_DIRECT);
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.body, "direct");
  EXPECT_TRUE(proxy.requests().empty());
}

TEST_F(InternetTest, NamedProxySessionGoesThroughThatProxy) {
  LocalHttpServer proxy({{200, "via named proxy"}});
  const Download d =
      download("http://tools.example.invalid/list", INTERNET_OPEN_TYPE_PROXY, "127.0.0.1:" + std::to_string(proxy.port()));
  ASSERT_TRUE(d.opened) << d.openMessage;
  EXPECT_EQ(d.body, "via named proxy");
  EXPECT_EQ(proxy.requests().size(), 1u);
}

TEST_F(InternetTest, HandlesAreCheckedAndClosingASessionClosesItsAddresses) {
  LocalHttpServer server({{200, "body"}});
  HINTERNET session = InternetOpen("HTTP Generic", INTERNET_OPEN_TYPE_PRECONFIG);
  ASSERT_NE(session, nullptr);
  HINTERNET file = InternetOpenUrl(session, server.address() + "/x");
  ASSERT_NE(file, nullptr) << InternetGetLastError().message;

  char buf[16];
  std::uint32_t read = 7;
  // A session is not something to read from.
  EXPECT_FALSE(InternetReadFile(session, buf, sizeof buf, read));
  EXPECT_EQ(InternetGetLastError().code, ERROR_INVALID_HANDLE);
  EXPECT_EQ(read, 0u);
  // An address is not a session to open addresses in.
  EXPECT_EQ(InternetOpenUrl(file, server.address() + "/y"), nullptr);
  EXPECT_EQ(InternetGetLastError().code, ERROR_INVALID_HANDLE);

  ASSERT_TRUE(InternetCloseHandle(session));
  EXPECT_FALSE(InternetReadFile(file, buf, sizeof buf, read));
  EXPECT_EQ(InternetGetLastError().code, ERROR_INVALID_HANDLE);
  EXPECT_FALSE(InternetCloseHandle(file));
  EXPECT_FALSE(InternetCloseHandle(session));
  EXPECT_FALSE(InternetCloseHandle(nullptr));
}

TEST_F(InternetTest, OpenRefusesUnknownAccessTypeAndMissingProxy) {
  EXPECT_EQ(InternetOpen("HTTP Generic", 2), nullptr);
  EXPECT_EQ(InternetGetLastError().code, ERROR_INVALID_PARAMETER);
  EXPECT_EQ(InternetOpen("HTTP Generic", INTERNET_OPEN_TYPE_PROXY), nullptr);
  EXPECT_EQ(InternetGetLastError().code, ERROR_INVALID_PARAMETER);
}

}  // namespace
}  // namespace vrel
