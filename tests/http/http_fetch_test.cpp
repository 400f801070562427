// The request exchange over the real transport, against a scripted loopback
// server that records every request byte for byte.
#include "http/http_fetch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "http/fetch_preparation.h"
#include "http/wininet_curl.h"
#include "tests/support/process.h"
#include "tests/support/script_server.h"

namespace dorvane {
namespace {

using testing::Connection;
using testing::HttpRequest;
using testing::ScriptServer;
using Lines = std::vector<std::string>;

std::string as_string(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// Every in/out variable of a call, filled with values that show whether they were written.
struct Call {
  std::int32_t method = 0;
  Text body_text;
  std::optional<Text> cookies;
  Text reply_cookies = "untouched";
  Text headers;
  Text reply_headers = "untouched";
  bool no_redirect = false;
  Bytes body_bytes;
  Text proxy;

  std::string run(const std::string& url) {
    return as_string(http_fetch(url, method, body_text, cookies ? &*cookies : nullptr,
                                &reply_cookies, &headers, &reply_headers, no_redirect, &body_bytes,
                                proxy));
  }
};

// Replies "body of <target>" to every request.
ScriptServer echo_server() {
  return ScriptServer(ScriptServer::each_request([](Connection& c, const HttpRequest& r) {
    c.send_response(200, "OK", {}, "body of " + r.target);
  }));
}

TEST(HttpFetch, DefaultCallSendsTheDefaultRequest) {
  ScriptServer server = echo_server();
  const std::string host = "127.0.0.1:" + std::to_string(server.port());
  struct Case {
    std::string path;    // as the caller writes it
    std::string target;  // as the server receives it
  };
  const Case cases[] = {
      {"/p?q=1", "/p?q=1"},
      // Only bytes that cannot stand in a request target are encoded; a share
      // link's "#" part reaches the server.
      {"/r/?url=https://x.y/s/1a%41 b#list/path=\"/\xD6\xD0\"",
       "/r/?url=https://x.y/s/1a%41%20b%23list/path=%22/%D6%D0%22"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const std::string url = "http://" + host + c.path;
    EXPECT_EQ(as_string(http_fetch(url)), "body of " + c.target);
    const std::vector<HttpRequest> requests = server.requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().raw,
              "GET " + c.target + " HTTP/1.1\r\nHost: " + host +
                  "\r\nAccept: */*\r\nReferer: " + url +
                  "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded"
                  "\r\nUser-Agent: " +
                  kDefaultAgent + "\r\n\r\n");
  }
}

TEST(HttpFetch, SendsTheCallersHeaderLinesWithOneUserAgent) {
  ScriptServer server = echo_server();
  const std::string url = server.url("/h");
  const std::string defaults_after_accept[] = {"Referer: " + url, "Accept-Language: zh-cn",
                                               "Content-Type: application/x-www-form-urlencoded"};
  struct Case {
    Text headers;
    Lines lines;  // after Host
  };
  const Case cases[] = {
      // The agent is the value of the caller's line, which stays where it was.
      {"User-Agent: Agent 7\r\nAccept: text/html", {"User-Agent: Agent 7", "Accept: text/html"}},
      // Last line: the agent is the value of the whole text's first line, cut at its end.
      {"Accept: text/html\r\nUser-Agent: Agent 7", {"Accept: text/html", "User-Agent: text/html"}},
      // Lower-case names fail the case-sensitive tests: a second Accept line follows.
      {"user-agent: Agent 7\r\naccept: text/html",
       {"User-Agent: Agent 7", "accept: text/html", "Accept: */*"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    Call call;
    call.headers = c.headers;
    EXPECT_EQ(call.run(url), "body of /h");
    Lines expected = {"Host: 127.0.0.1:" + std::to_string(server.port())};
    expected.insert(expected.end(), c.lines.begin(), c.lines.end());
    expected.insert(expected.end(), std::begin(defaults_after_accept),
                    std::end(defaults_after_accept));
    EXPECT_EQ(server.requests().back().header_lines, expected);
    EXPECT_EQ(call.headers, complete_headers(c.headers, url, ""));
  }
}

TEST(HttpFetch, SendsBodiesByMethod) {
  ScriptServer server = echo_server();
  struct Case {
    std::int32_t method;
    Text body_text;
    std::string body_bytes;
    std::string verb;
    std::string sent;
  };
  const Case cases[] = {
      {0, "ignored", "ignored too", "GET", ""},
      {1, "a=1&b=\xD6\xD0", "", "POST", "a=1&b=\xD6\xD0"},
      {1, "ignored", std::string("x\0y\xFF", 4), "POST", std::string("x\0y\xFF", 4)},
      {1, "", "", "POST", ""},
      {2, "q=1", "", "GET", "q=1"},
      // Over libcurl's own threshold for "Expect: 100-continue".
      {1, std::string((1 << 20) + 1, 'z'), "", "POST", std::string((1 << 20) + 1, 'z')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.method << " " << c.sent.size());
    Call call;
    call.method = c.method;
    call.body_text = c.body_text;
    call.body_bytes.assign(c.body_bytes.begin(), c.body_bytes.end());
    EXPECT_EQ(call.run(server.url("/b")), "body of /b");
    const HttpRequest request = server.requests().back();
    EXPECT_EQ(request.method, c.verb);
    EXPECT_EQ(request.body, c.sent);
    EXPECT_EQ(request.header("Content-Length"),
              c.method == 0 ? std::nullopt : std::optional(std::to_string(c.sent.size())));
    EXPECT_EQ(request.header("Expect"), std::nullopt);
    EXPECT_EQ(request.header("Content-Type"), "application/x-www-form-urlencoded");
    if (c.method != 0) {
      EXPECT_EQ(as_string(call.body_bytes), c.sent);
    }
  }
}

TEST(HttpFetch, SendsAndMergesCookies) {
  const std::string filler = "X-Filler: " + std::string(6000, 'f');
  ScriptServer server(ScriptServer::each_request([&](Connection& c, const HttpRequest&) {
    c.send_response(200, "OK",
                    {"set-cookie: a=9; Path=/", "X-Set-Cookie-Policy: strict; v=1", filler,
                     "Set-Cookie: late=1"},
                    "ok");
  }));
  struct Case {
    std::optional<Text> cookies;
    std::optional<std::string> cookie_line;
    std::optional<Text> cookies_after;
    Text reply_cookies;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, std::nullopt, "a=9; ; late=1"},
      // The empty pair of the line that merely contains the word is merged too.
      {"", std::nullopt, "a=9; ; late=1", "a=9;;late=1"},
      {"a=1; b=2", "a=1; b=2", "a=9; ; late=1; b=2", "a=9;;late=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cookies.value_or("(not supplied)"));
    Call call;
    call.cookies = c.cookies;
    EXPECT_EQ(call.run(server.url("/c")), "ok");
    EXPECT_EQ(server.requests().back().header("Cookie"), c.cookie_line);
    EXPECT_EQ(call.cookies, c.cookies_after);
    EXPECT_EQ(call.reply_cookies, c.reply_cookies);
    // The whole block, far beyond 5000 bytes, with "Set-Cookie" spelt one way.
    EXPECT_TRUE(call.reply_headers.starts_with("HTTP/1.1 200 OK\r\nSet-Cookie: a=9; Path=/\r\n"))
        << call.reply_headers.substr(0, 80);
    EXPECT_NE(call.reply_headers.find("\r\n" + filler + "\r\n"), std::string::npos);
    EXPECT_TRUE(call.reply_headers.ends_with("\r\nSet-Cookie: late=1\r\nContent-Length: 2\r\n"));
  }
}

TEST(HttpFetch, FollowsRedirectsUnlessAskedNotTo) {
  ScriptServer server(ScriptServer::each_request([](Connection& c, const HttpRequest& r) {
    if (r.target == "/start") {
      c.send_response(302, "Found", {"Location: /final", "Set-Cookie: hop=1"}, "moved");
    } else if (r.target == "/elsewhere") {
      c.send_response(302, "Found", {"Location: file:///etc/passwd"}, "moved away");
    } else if (r.target == "/final") {
      c.send_response(200, "OK", {}, "final");
    } else {
      c.send_response(404, "Not Found", {}, "no such page");
    }
  }));
  struct Case {
    std::string path;
    bool no_redirect;
    std::string body;
    std::string status_line;
    Lines targets;
  };
  const Case cases[] = {
      {"/start", false, "final", "HTTP/1.1 200 OK", {"/start", "/final"}},
      {"/start", true, "moved", "HTTP/1.1 302 Found", {"/start"}},
      // An error reply's body is a body like any other.
      {"/missing", false, "no such page", "HTTP/1.1 404 Not Found", {"/missing"}},
      // Only http and https are ever fetched.
      {"/elsewhere", false, "", "HTTP/1.1 302 Found", {"/elsewhere"}},
  };
  std::size_t seen = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Call call;
    call.no_redirect = c.no_redirect;
    EXPECT_EQ(call.run(server.url(c.path)), c.body);
    EXPECT_TRUE(call.reply_headers.starts_with(c.status_line + "\r\n")) << call.reply_headers;
    const std::vector<HttpRequest> requests = server.requests();
    Lines targets;
    for (std::size_t i = seen; i < requests.size(); ++i) targets.push_back(requests[i].target);
    seen = requests.size();
    EXPECT_EQ(targets, c.targets);
  }
  // Without cookies of its own the caller's exchange carries a cookie set on the way.
  EXPECT_EQ(server.requests()[1].header("Cookie"), "hop=1");
}

TEST(HttpFetch, GoesThroughAnHttpProxy) {
  ScriptServer proxy(ScriptServer::each_request([](Connection& c, const HttpRequest& r) {
    if (r.method == "CONNECT") {
      c.send_response(403, "Forbidden", {}, "");
    } else {
      c.send_response(200, "OK", {}, "via proxy");
    }
  }));
  Call call;
  call.proxy = "127.0.0.1:" + std::to_string(proxy.port());
  EXPECT_EQ(call.run("http://origin.invalid:81/p?q=1"), "via proxy");
  // An https URL goes through the same proxy, in a tunnel.
  Call secure;
  secure.proxy = call.proxy;
  EXPECT_EQ(secure.run("https://origin.invalid/p"), "");
  const std::vector<HttpRequest> requests = proxy.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "http://origin.invalid:81/p?q=1");
  EXPECT_EQ(requests[0].header("Host"), "origin.invalid:81");
  EXPECT_EQ(requests[1].method, "CONNECT");
  EXPECT_EQ(requests[1].target, "origin.invalid:443");
}

TEST(HttpFetch, NoReplyLeavesTheCallersVariablesAlone) {
  // A stalled exchange is given up after the stall bound.
  set_wininet_limits({.connect_timeout_seconds = 5, .stall_seconds = 1});
  ScriptServer silent([](Connection& c) {
    if (c.read_request()) c.stall();
  });
  ScriptServer half([](Connection& c) {
    if (!c.read_request()) return;
    c.send("HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 100\r\n\r\npartial");
    c.stall();
  });
  const std::string unreachable =
      "http://127.0.0.1:" + std::to_string(testing::free_loopback_port()) + "/x";
  for (const std::string& url : {unreachable, silent.url("/x")}) {
    SCOPED_TRACE(url);
    Call call;
    call.method = 1;
    call.body_text = "a=1";
    call.cookies = "a=1; b=2";
    call.headers = "X: 1";
    EXPECT_EQ(call.run(url), "");
    EXPECT_EQ(call.cookies, "a=1; b=2");
    EXPECT_EQ(call.reply_cookies, "untouched");
    EXPECT_EQ(call.headers, "X: 1");
    EXPECT_EQ(call.reply_headers, "untouched");
    EXPECT_TRUE(call.body_bytes.empty());
  }
  // What arrived before the stall is the caller's.
  Call call;
  call.cookies = "";
  EXPECT_EQ(call.run(half.url("/x")), "partial");
  EXPECT_EQ(call.reply_headers, "HTTP/1.1 200 OK\r\nSet-Cookie: s=1\r\nContent-Length: 100\r\n");
  EXPECT_EQ(call.cookies, "s=1");
  set_wininet_limits({});
}

}  // namespace
}  // namespace dorvane
