#include "http/fetch_preparation.h"

#include <gtest/gtest.h>

#include "http/curl_exchange.h"
#include "http/wininet_constants.h"

namespace dorvane {
namespace {

using wininet::kFlagIgnoreRedirectToHttps;
using wininet::kFlagNeedFile;
using wininet::kFlagNoAutoRedirect;
using wininet::kFlagNoCookies;
using wininet::kFlagReload;
using wininet::kFlagSecure;

TEST(FetchPreparation, VerbAgentAndHeaderValue) {
  EXPECT_EQ(request_verb(0), "GET");
  EXPECT_EQ(request_verb(1), "POST");
  EXPECT_EQ(request_verb(2), "GET");
  EXPECT_FALSE(method_sends_body(0));
  EXPECT_TRUE(method_sends_body(2));

  EXPECT_EQ(header_value("Name:  a: b "), "a: b");
  EXPECT_EQ(header_value("no colon"), "");

  struct Case {
    const char* headers;
    const char* agent;
  };
  const Case cases[] = {
      {"", kDefaultAgent},
      {"Accept: a", kDefaultAgent},
      {"User-Agent: X 1\r\nAccept: a", "X 1"},
      {"User-Agent: X", "X"},
      // Last line but not the only one: the value of the whole text's first line.
      {"Accept: a\r\nUser-Agent: X", "a\r\nUser-Agent: X"},
      // Found without case, extracted with it.
      {"user-agent: X\r\nAccept: a", "X\r\nAccept: a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(choose_agent(c.headers), c.agent);
  }
}

TEST(FetchPreparation, ProxySettingsAndRequestFlags) {
  const ProxySettings direct = proxy_settings("http://h/", "");
  EXPECT_EQ(direct.access_type, wininet::kOpenTypeDirect);
  EXPECT_FALSE(direct.proxy_list);
  EXPECT_FALSE(direct.bypass_list);
  const ProxySettings plain = proxy_settings("http://h/", "p:3128");
  EXPECT_EQ(plain.access_type, wininet::kOpenTypeProxy);
  EXPECT_EQ(plain.proxy_list, "http=p:3128");
  EXPECT_EQ(plain.bypass_list, "");
  EXPECT_EQ(proxy_settings("HTTPS://h/", "p:3128").proxy_list, "p:3128");

  struct Case {
    const char* url;
    bool cookies_supplied;
    bool no_redirect;
    std::uint32_t flags;
  };
  const std::uint32_t always = kFlagReload | kFlagNeedFile;
  const Case cases[] = {
      {"http://h/", false, false, always | kFlagIgnoreRedirectToHttps},
      {"https://h/", false, false, always | kFlagSecure},
      {"Https://h/", true, true, always | kFlagSecure | kFlagNoCookies | kFlagNoAutoRedirect},
      {"h/", true, false, always | kFlagNoCookies | kFlagIgnoreRedirectToHttps},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(request_flags(c.url, c.cookies_supplied, c.no_redirect), c.flags);
  }
  EXPECT_EQ(request_flags("http://h/", false, false), 0x80004010u);
}

TEST(FetchPreparation, CompletesHeaders) {
  const char* defaults =
      "\r\nReferer: http://h/p?q\r\nAccept-Language: zh-cn"
      "\r\nContent-Type: application/x-www-form-urlencoded";
  struct Case {
    const char* headers;
    const char* cookies;
    std::string completed;
  };
  const Case cases[] = {
      {"", "", std::string("Accept: */*") + defaults},
      {"", "a=1; b=2", std::string("Accept: */*") + defaults + "\r\nCookie: a=1; b=2"},
      // The tests are case-sensitive: a lower-case accept line gets a second one.
      {"accept: text/html", "", std::string("accept: text/html\r\nAccept: */*") + defaults},
      {"User-Agent: X", "", std::string("User-Agent: X\r\nAccept: */*") + defaults},
      // Nothing is added twice, except a Cookie line.
      {"Accept: a\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t\r\nCookie: c=0", "a=1",
       "Accept: a\r\nReferer: r\r\nAccept-Language: en\r\nContent-Type: t\r\nCookie: c=0"
       "\r\nCookie: a=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.headers);
    EXPECT_EQ(complete_headers(c.headers, "http://h/p?q", c.cookies), c.completed);
  }
}

TEST(FetchPreparation, ExtractsReplyCookies) {
  struct Case {
    const char* block;
    const char* cookies;
  };
  const Case cases[] = {
      {"HTTP/1.1 200 OK\r\nServer: x\r\n", ""},
      {"HTTP/1.1 200 OK\r\nset-cookie: a=1; path=/\r\nServer: x\r\nSet-Cookie: b=2\r\n",
       "a=1; b=2"},
      {"HTTP/1.1 200 OK\r\nSET-COOKIE:  c=3 ; HttpOnly\r\n", "c=3"},
      // A line that merely contains the word counts, with or without a ";".
      {"HTTP/1.1 200 OK\r\nX-Set-Cookie-Policy: strict; x\r\nSet-Cookie: a=1\r\n", "; a=1"},
      {"HTTP/1.1 200 OK\r\nX-Set-Cookie-Note: keep\r\n", "X-Set-Cookie-Note: keep"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.block);
    EXPECT_EQ(extract_reply_cookies(normalise_set_cookie(c.block)), c.cookies);
  }
  EXPECT_EQ(normalise_set_cookie("sEt-CoOkIe: a\r\nset-cookie2: b"),
            "Set-Cookie: a\r\nSet-Cookie2: b");
}

TEST(WininetTransport, FormsRequestTargets) {
  struct Case {
    bool secure;
    const char* host;
    std::int32_t port;
    const char* path;
    const char* url;
  };
  const Case cases[] = {
      {false, "127.0.0.1", 8080, "/a/b?c=1&d=%41", "http://127.0.0.1:8080/a/b?c=1&d=%41"},
      {true, "h.example", 0, "/", "https://h.example/"},
      {false, "::1", 81, "x", "http://[::1]:81/x"},
      // Blanks, quotes, controls, code page 936 bytes and "#" are encoded; the link
      // after "#" stays in the target.
      {false, "h", 80, "/r/?url=a b\"<>\\^`{|}\x01\x7f#x/\xD6\xD0?y",
       "http://h:80/r/?url=a%20b%22%3C%3E%5C%5E%60%7B%7C%7D%01%7F%23x/%D6%D0?y"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(request_url(c.secure, c.host, c.port, c.path), c.url);
  }
}

TEST(WininetTransport, ChoosesProxiesAndHeaderLines) {
  EXPECT_EQ(proxy_for_scheme("http=p:1", "http"), "p:1");
  EXPECT_EQ(proxy_for_scheme("http=p:1", "https"), "");
  EXPECT_EQ(proxy_for_scheme("p:1", "https"), "p:1");
  EXPECT_EQ(proxy_for_scheme("a:1 HTTPS=b:2;http=c:3", "https"), "b:2");
  EXPECT_EQ(proxy_for_scheme("", "http"), "");

  using Lines = std::vector<std::string>;
  EXPECT_EQ(
      curl_header_lines("Accept: */*\r\nReferer: r", "Agent 1"),
      (Lines{"Accept: */*", "Referer: r", "User-Agent: Agent 1", "Content-Type:", "Expect:"}));
  // One User-Agent line, where the caller put it, carrying the chosen agent.
  EXPECT_EQ(curl_header_lines("User-Agent: X\r\nA: 1\r\nuser-agent: Y", "X"),
            (Lines{"User-Agent: X", "A: 1", "Accept:", "Content-Type:", "Expect:"}));
  // An agent cannot carry a second header line.
  EXPECT_EQ(curl_header_lines("Accept: a\r\nUser-Agent: X", "a\r\nUser-Agent: X"),
            (Lines{"Accept: a", "User-Agent: a", "Content-Type:", "Expect:"}));
  // An empty value is sent empty; lines without a name are no headers.
  EXPECT_EQ(curl_header_lines("Empty:\r\nnocolon\r\n: v\r\nContent-Type: t\r\nExpect: e\r\n"
                              "accept: x\nX: 1",
                              ""),
            (Lines{"Empty;", "Content-Type: t", "Expect: e", "accept: x", "X: 1"}));
}

}  // namespace
}  // namespace dorvane
