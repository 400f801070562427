// The test fixtures themselves: if these lie, every network test above them lies too.
#include <arpa/inet.h>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/md5.h"
#include "tests/support/nginx_server.h"
#include "tests/support/process.h"
#include "tests/support/script_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_certificate_authority.h"

namespace dorvane::testing {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

// A bare client socket, so the bytes on the wire are exactly the test's.
class RawClient {
 public:
  explicit RawClient(int port) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  }
  ~RawClient() { ::close(fd_); }

  bool connected() const { return connected_; }
  void send(std::string_view bytes) {
    ASSERT_EQ(::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(bytes.size()));
  }
  // Reads until `count` bytes arrived, the peer closed, or 5 s passed. last_error() tells
  // how the stream ended (0 for an orderly end).
  std::string receive(std::size_t count = SIZE_MAX) {
    std::string data;
    char chunk[65536];
    pollfd p{fd_, POLLIN, 0};
    while (data.size() < count && ::poll(&p, 1, 5000) > 0) {
      ssize_t n = ::recv(fd_, chunk, std::min(sizeof chunk, count - data.size()), 0);
      if (n <= 0) {
        error_ = n < 0 ? errno : 0;
        break;
      }
      data.append(chunk, static_cast<std::size_t>(n));
    }
    return data;
  }
  int last_error() const { return error_; }

 private:
  int fd_;
  bool connected_ = false;
  int error_ = -1;
};

TEST(TempDirTest, HoldsBinaryFilesAndVanishes) {
  std::string path;
  const std::string bytes = "a\0b\r\n\xff"s;
  {
    TempDir dir;
    path = dir.path();
    std::string file = dir.write_file("deep/er/data.bin", bytes);
    EXPECT_EQ(file, path + "/deep/er/data.bin");
    EXPECT_EQ(read_file(file), bytes);
    EXPECT_EQ(file_size(file), 6);
    EXPECT_EQ(file_size(dir.file("missing")), -1);
    EXPECT_EQ(read_file(dir.file("missing")), "");
    dir.write_file("deep/er/data.bin", "x");  // rewrites, not appends
    EXPECT_EQ(read_file(file), "x");
  }
  EXPECT_FALSE(file_exists(path));
}

TEST(Md5Test, MatchesKnownDigestsAndMd5sum) {
  struct Case {
    std::string input;
    std::string digest;
  };
  const std::vector<Case> known = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"a", "0cc175b9c0f1b6a831c399e269772661"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const Case& c : known) EXPECT_EQ(md5_hex(c.input), c.digest) << c.input;

  // Lengths around the padding boundaries, checked against the system's md5sum.
  TempDir dir;
  for (std::size_t length : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000003u}) {
    std::string data(length, '\0');
    for (std::size_t i = 0; i < length; ++i) data[i] = static_cast<char>(i * 7 + i / 251);
    std::string file = dir.write_file("data", data);
    CommandResult sum = run_command({"md5sum", file});
    ASSERT_EQ(sum.exit_code, 0) << sum.output;
    EXPECT_EQ(md5_file(file), sum.output.substr(0, 32)) << length;
  }
  EXPECT_EQ(md5_file(dir.file("missing")), "");
}

TEST(HttpRequestTest, ParsesHeads) {
  struct Case {
    std::string head;
    bool valid;
    std::string target;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {"GET /a?b=1 HTTP/1.1\r\nHost: x\r\nRange: bytes=0-9\r\n\r\n",
       true,
       "/a?b=1",
       {"Host", "Range"}},
      {"GET http://h:1/p HTTP/1.1\nHost: h:1\n\n", true, "http://h:1/p", {"Host"}},
      {"CONNECT 127.0.0.1:443 HTTP/1.1\r\n\r\n", true, "127.0.0.1:443", {}},
      {"GET /a\r\n\r\n", false, "", {}},                       // no version
      {"GET /a FTP/1.0\r\n\r\n", false, "", {}},               // not HTTP
      {"GET /a HTTP/1.1\r\nno colon\r\n\r\n", false, "", {}},  // broken header line
      {"GET /a HTTP/1.1\r\nHost: x\r\n", false, "", {}},       // head never ends
  };
  for (const Case& c : cases) {
    auto request = parse_request_head(c.head);
    ASSERT_EQ(request.has_value(), c.valid) << c.head;
    if (!request) continue;
    EXPECT_EQ(request->target, c.target);
    EXPECT_EQ(request->header_names(), c.names);
  }
  auto request =
      parse_request_head("GET / HTTP/1.0\r\nX-Odd:   spaced value \t\r\nx-odd: 2\r\n\r\n");
  ASSERT_TRUE(request);
  EXPECT_EQ(request->header("X-ODD"), "spaced value");  // first one wins, case-insensitive
  EXPECT_EQ(request->header("Range"), std::nullopt);
}

TEST(ScriptServerTest, RecordsRawRequestsOnAKeepAliveConnection) {
  ScriptServer server(ScriptServer::each_request([](Connection& c, const HttpRequest& request) {
    c.send_response(200, "OK", {"X-Echo: " + request.target}, request.body);
  }));
  const std::string first_bytes =  // the body holds a zero byte
      "POST /upload HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 5\r\nZ-Last: 1\r\n\r\nhe\0lo"s;
  const std::string second = "GET http://example.test/x HTTP/1.1\r\nHost: example.test\r\n\r\n";
  RawClient client(server.port());
  ASSERT_TRUE(client.connected());
  client.send(first_bytes + second);  // pipelined: both in one write

  const std::string reply_one =
      "HTTP/1.1 200 OK\r\nX-Echo: /upload\r\nContent-Length: 5\r\n\r\nhe\0lo"s;
  const std::string reply_two =
      "HTTP/1.1 200 OK\r\nX-Echo: http://example.test/x\r\nContent-Length: 0\r\n\r\n";
  EXPECT_EQ(client.receive(reply_one.size() + reply_two.size()), reply_one + reply_two);

  ASSERT_TRUE(server.wait_for_requests(2));
  auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].raw, first_bytes);
  EXPECT_EQ(requests[0].method, "POST");
  EXPECT_EQ(requests[0].body, "he\0lo"s);
  EXPECT_EQ(requests[0].header_lines,
            (std::vector<std::string>{"Host: 127.0.0.1", "Content-Length: 5", "Z-Last: 1"}));
  EXPECT_EQ(requests[1].raw, second);
  EXPECT_EQ(requests[1].target, "http://example.test/x");
  EXPECT_EQ(server.connection_count(), 1);
  EXPECT_EQ(server.url("/f"), "http://127.0.0.1:" + std::to_string(server.port()) + "/f");
}

TEST(ScriptServerTest, CloseEndsTheStreamAndDropResetsIt) {
  struct Case {
    bool abortive;
    int expected_error;
  };
  for (Case c : {Case{false, 0}, Case{true, ECONNRESET}}) {
    ScriptServer server([&](Connection& connection) {
      connection.read_request();
      connection.send("partial");
      c.abortive ? connection.drop() : connection.close();
    });
    RawClient client(server.port());
    client.send("GET / HTTP/1.1\r\n\r\n");
    std::string received = client.receive();
    EXPECT_EQ(client.last_error(), c.expected_error) << c.abortive;
    if (!c.abortive) {
      EXPECT_EQ(received, "partial");
    }
  }
}

TEST(ScriptServerTest, StopEndsStalledWaitingAndBlockedHandlersPromptly) {
  std::atomic<int> finished{0};
  auto server = std::make_unique<ScriptServer>([&](Connection& connection) {
    auto request = connection.read_request(30s);  // the silent client: would wait 30 s
    if (request && request->target == "/slow") connection.stall();  // would last 60 s
    // Nobody reads this, so send blocks once the socket buffers are full.
    if (request && request->target == "/flood") connection.send(std::string(16 << 20, 'x'));
    ++finished;
  });
  // The clients outlive the server: only the server can end these handlers.
  RawClient staller(server->port());
  RawClient flooded(server->port());
  RawClient silent(server->port());
  staller.send("GET /slow HTTP/1.1\r\n\r\n");
  flooded.send("GET /flood HTTP/1.1\r\n\r\n");
  ASSERT_TRUE(server->wait_for_requests(2));
  ASSERT_TRUE(server->wait_for_connections(3));
  auto started = std::chrono::steady_clock::now();
  server.reset();
  EXPECT_EQ(finished, 3);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
}

TEST(ScriptServerTest, SeesTheClientCloseAndWaitsForHandlers) {
  std::atomic<bool> saw_close{false};
  ScriptServer server(
      [&](Connection& connection) { saw_close = connection.wait_for_client_close(5s); });
  { RawClient client(server.port()); }
  ASSERT_TRUE(server.wait_for_connections(1));
  ASSERT_TRUE(server.wait_for_handlers());
  EXPECT_TRUE(saw_close);
  EXPECT_EQ(server.connection_count(), 1);
}

TEST(RunCommandTest, ReportsStatusOutputAndTimeouts) {
  CommandResult ok = run_command({"sh", "-c", "echo out; echo err >&2; exit 3"});
  EXPECT_EQ(ok.exit_code, 3);
  EXPECT_EQ(ok.output, "out\nerr\n");
  CommandResult missing = run_command({"no-such-program-here"});
  EXPECT_EQ(missing.exit_code, -1);
  EXPECT_EQ(missing.output, "cannot start no-such-program-here");
  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(run_command({"sleep", "30"}, 200ms).exit_code, -1);
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
}

class NginxServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 300000; ++i) payload_ += static_cast<char>(i % 253);
    root_.write_file("file.bin", payload_);
  }
  TempDir root_;
  std::string payload_;
};

TEST_F(NginxServerTest, ServesRangesFixedRepliesAndLimitsKeepAlive) {
  NginxServer nginx(NginxOptions(root_.path())
                        .with_keepalive_requests(2)
                        .with_extra_config("location = /fixed { return 200 'fixed reply'; }"));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  EXPECT_EQ(nginx.url("/x"), "http://127.0.0.1:" + std::to_string(nginx.port()) + "/x");

  RawClient client(nginx.port());
  const std::string range =
      "GET /file.bin HTTP/1.1\r\nHost: 127.0.0.1\r\nRange: bytes=1000-1999\r\n\r\n";
  client.send(range + "GET /fixed HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n" + range);
  std::string replies = client.receive();  // nginx closes after the second request
  EXPECT_EQ(client.last_error(), 0);

  auto first_body = replies.find("\r\n\r\n") + 4;
  EXPECT_EQ(replies.rfind("HTTP/1.1 206 Partial Content\r\n", 0), 0u) << replies.substr(0, 300);
  EXPECT_NE(replies.find("Content-Range: bytes 1000-1999/300000\r\n"), std::string::npos);
  EXPECT_EQ(replies.substr(first_body, 1000), payload_.substr(1000, 1000));
  std::string rest = replies.substr(first_body + 1000);
  EXPECT_EQ(rest.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
  EXPECT_NE(rest.find("Connection: close\r\n"), std::string::npos);
  EXPECT_EQ(rest.substr(rest.size() - 11), "fixed reply");  // and no third reply
}

TEST_F(NginxServerTest, ServesHttpsWithTheTestAuthority) {
  if (!have_program("curl")) GTEST_SKIP() << "the curl command is not installed";
  TestCertificateAuthority ca;
  ASSERT_TRUE(ca.ok()) << ca.error();
  NginxServer nginx(NginxOptions(root_.path()).with_tls(ca.server_cert(), ca.server_key()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  ASSERT_EQ(nginx.url("/file.bin").rfind("https://", 0), 0u);

  struct Case {
    std::string url;
    bool trusted;
    int exit_code;
  };
  const std::string localhost = "https://localhost:" + std::to_string(nginx.port()) + "/file.bin";
  for (const Case& c : {Case{nginx.url("/file.bin"), true, 0}, Case{localhost, true, 0},
                        Case{nginx.url("/file.bin"), false, 60}}) {
    std::vector<std::string> argv = {"curl", "-sS", "-r", "5-14", c.url};
    if (c.trusted) argv.insert(argv.begin() + 1, {"--cacert", ca.ca_cert()});
    CommandResult result = run_command(argv);
    EXPECT_EQ(result.exit_code, c.exit_code) << c.url << "\n" << result.output;
    if (c.exit_code == 0) {
      EXPECT_EQ(result.output, payload_.substr(5, 10));
    }
  }
}

TEST(NginxServerStartTest, ReportsAConfigurationItCannotLoad) {
  TempDir root;
  bool ok = true;
  std::string error;
  EXPECT_NONFATAL_FAILURE(
      {
        NginxServer nginx(NginxOptions(root.path()).with_extra_config("no_such_directive on;"));
        ok = nginx.ok();
        error = nginx.error();
      },
      "nginx did not start");
  EXPECT_FALSE(ok);
  EXPECT_NE(error.find("no_such_directive"), std::string::npos) << error;
}

}  // namespace
}  // namespace dorvane::testing
