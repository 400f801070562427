// The request exchange against a recording stand-in for "wininet.dll": which table
// functions it calls, in which order, with which arguments, and what it leaves in
// the caller's variables on every path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "core/library_table.h"
#include "http/fetch_preparation.h"
#include "http/http_fetch.h"
#include "http/wininet_curl.h"

namespace dorvane {
namespace {

// What the stand-in does, and what it saw.
struct Script {
  std::string fail_at;  // "InternetOpenA", "InternetConnectA" or "HttpOpenRequestA"
  std::optional<std::string> header_block;  // nullopt: no reply
  std::string body;
  std::vector<std::string> log;
  std::size_t read_offset = 0;
};
Script script;

std::string name_of(Handle handle) {
  return handle ? "#" + std::to_string(reinterpret_cast<std::intptr_t>(handle)) : "null";
}
std::string text(const char* value) {
  return value ? std::string("\"") + value + "\"" : "null";
}
Handle make(std::intptr_t number, const char* function) {
  return script.fail_at == function ? nullptr : reinterpret_cast<Handle>(number);
}

Handle open(const char* agent, std::uint32_t access, const char* proxy, const char* bypass,
            std::uint32_t flags) {
  script.log.push_back("open " + text(agent) + " " + std::to_string(access) + " " + text(proxy) +
                       " " + text(bypass) + " " + std::to_string(flags));
  return make(1, "InternetOpenA");
}
Handle connect(Handle internet, const char* host, std::int32_t port, const char* user,
               const char* password, std::uint32_t service, std::uint32_t flags, Word context) {
  script.log.push_back("connect " + name_of(internet) + " " + text(host) + " " +
                       std::to_string(port) + " " + text(user) + " " + text(password) + " " +
                       std::to_string(service) + " " + std::to_string(flags) + " " +
                       std::to_string(context));
  return make(2, "InternetConnectA");
}
Handle open_request(Handle connection, const char* verb, const char* path, const char* version,
                    const char* referrer, const char** accept, std::uint32_t flags, Word context) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08x", flags);
  script.log.push_back("request " + name_of(connection) + " " + text(verb) + " " + text(path) +
                       " " + text(version) + " " + text(referrer) + " " +
                       (accept ? "accept" : "null") + " " + hex + " " + std::to_string(context));
  return make(3, "HttpOpenRequestA");
}
std::int32_t send(Handle request, const char* headers, std::uint32_t headers_length,
                  const void* optional, std::uint32_t optional_length) {
  const std::string data =
      optional ? "\"" + std::string(static_cast<const char*>(optional), optional_length) + "\""
               : "null";
  script.log.push_back("send " + name_of(request) + " " + text(headers) + " " +
                       std::to_string(headers_length) + " " + data + " " +
                       std::to_string(optional_length));
  return 1;
}
std::int32_t read(Handle request, void* buffer, std::uint32_t size, std::uint32_t* bytes_read) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  const bool zeroed = std::all_of(bytes, bytes + size, [](unsigned char b) { return b == 0; });
  script.log.push_back("read " + name_of(request) + " " + std::to_string(size) +
                       (zeroed ? " zeroed" : " dirty"));
  const std::size_t n = std::min<std::size_t>(size, script.body.size() - script.read_offset);
  std::memcpy(buffer, script.body.data() + script.read_offset, n);
  script.read_offset += n;
  *bytes_read = static_cast<std::uint32_t>(n);
  return 1;
}
std::int32_t query(Handle request, std::uint32_t level, void* buffer, std::uint32_t* length,
                   std::uint32_t* index) {
  script.log.push_back("query " + name_of(request) + " " + std::to_string(level) + " " +
                       std::to_string(*length) + (index ? " index" : " null"));
  if (!script.header_block) {
    *length = 0;
    return 0;
  }
  const std::string& block = *script.header_block;
  if (*length < block.size() + 1) {
    *length = static_cast<std::uint32_t>(block.size() + 1);
    return 0;
  }
  std::memcpy(buffer, block.c_str(), block.size() + 1);
  *length = static_cast<std::uint32_t>(block.size());
  return 1;
}
std::int32_t close(Handle handle) {
  script.log.push_back("close " + name_of(handle));
  return handle != nullptr;
}

void* lookup(std::string_view name) {
  if (name == "InternetOpenA") return reinterpret_cast<void*>(&open);
  if (name == "InternetConnectA") return reinterpret_cast<void*>(&connect);
  if (name == "HttpOpenRequestA") return reinterpret_cast<void*>(&open_request);
  if (name == "HttpSendRequestA") return reinterpret_cast<void*>(&send);
  if (name == "InternetReadFile") return reinterpret_cast<void*>(&read);
  if (name == "HttpQueryInfoA") return reinterpret_cast<void*>(&query);
  if (name == "InternetCloseHandle") return reinterpret_cast<void*>(&close);
  return nullptr;
}

// The caller's variables, with values that show whether they were written.
struct Variables {
  Text cookies = "old=1; keep=2";
  Text reply_cookies = "unchanged";
  Text headers = "X-Test: 1";
  Text reply_headers = "unchanged";
  Bytes body_bytes;
};

class FetchSequence : public ::testing::Test {
 protected:
  void SetUp() override {
    // Our own transport registers first, so that the fetch routine's lazy
    // registration does not replace the recording one.
    register_wininet_transport();
    register_builtin_library("wininet.dll", lookup);
    script = Script();
  }
};

const char* const kUrl = "http://127.0.0.1:8080/p?q";
const std::string kDefaultHeaders =
    "Accept: */*\r\nReferer: http://127.0.0.1:8080/p?q\r\nAccept-Language: zh-cn\r\n"
    "Content-Type: application/x-www-form-urlencoded";
std::string send_line(const std::string& headers, const std::string& data = "\"\" 0") {
  return "send #3 \"" + headers + "\" " + std::to_string(headers.size()) + " " + data;
}
const std::string kOpen = std::string("open \"") + kDefaultAgent + "\" 1 null null 0";
const char* const kConnect = "connect #1 \"127.0.0.1\" 8080 null null 3 0 0";
const char* const kRequest = "request #2 \"GET\" \"/p?q\" \"HTTP/1.1\" null null 80004010 0";
// The same with cookies supplied: NO_COOKIES joins the flags.
const char* const kRequestOwnCookies =
    "request #2 \"GET\" \"/p?q\" \"HTTP/1.1\" null null 80084010 0";

TEST_F(FetchSequence, DefaultCallGoesThroughTheTableInOrder) {
  script.header_block = "HTTP/1.1 200 OK\r\nset-cookie: s=1; path=/\r\n";
  script.body = std::string(1500, 'b');
  const Bytes body = http_fetch(kUrl);
  EXPECT_EQ(std::string(body.begin(), body.end()), script.body);
  const std::vector<std::string> expected = {
      kOpen,
      kConnect,
      kRequest,
      send_line(kDefaultHeaders),
      "read #3 1024 zeroed",
      "read #3 1024 zeroed",
      "read #3 1024 zeroed",
      "query #3 22 5000 null",
      "close #3",
      "close #2",
      "close #1",
  };
  EXPECT_EQ(script.log, expected);
}

TEST_F(FetchSequence, FailuresToOpenCloseNewestFirstAndLeaveTheCallerAlone) {
  struct Case {
    const char* fail_at;
    std::vector<std::string> log;
  };
  const Case cases[] = {
      {"InternetOpenA", {kOpen, "close null"}},
      {"InternetConnectA", {kOpen, kConnect, "close null", "close #1"}},
      {"HttpOpenRequestA",
       {kOpen, kConnect, kRequestOwnCookies, "close null", "close #2", "close #1"}},
      // Opened, but no reply came back: the routine goes on to the end, and still
      // writes nothing into the caller's variables.
      {"",
       {kOpen, kConnect, kRequestOwnCookies,
        send_line(kDefaultHeaders + "\r\nCookie: old=1; keep=2"), "read #3 1024 zeroed",
        "query #3 22 5000 null", "close #3", "close #2", "close #1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.fail_at);
    script = Script();
    script.fail_at = c.fail_at;
    Variables v;
    v.headers = "";
    const Bytes body = http_fetch(kUrl, 0, "text", &v.cookies, &v.reply_cookies, &v.headers,
                                  &v.reply_headers, false, &v.body_bytes);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(script.log, c.log);
    EXPECT_EQ(v.cookies, "old=1; keep=2");
    EXPECT_EQ(v.reply_cookies, "unchanged");
    EXPECT_EQ(v.headers, "");
    EXPECT_EQ(v.reply_headers, "unchanged");
    EXPECT_TRUE(v.body_bytes.empty());
  }
}

TEST_F(FetchSequence, WritesBackHeadersBodyAndMergedCookies) {
  // A header block far beyond 5000 bytes: asked for again with the reported length,
  // so the Set-Cookie line at its end survives.
  const std::string filler = "X-Filler: " + std::string(6000, 'f') + "\r\n";
  script.header_block =
      "HTTP/1.1 200 OK\r\nSet-Cookie: old=9; path=/\r\n" + filler + "SET-COOKIE: late=3\r\n";
  script.body = "ok";
  Variables v;
  v.body_bytes = text_to_bytes("raw");
  const Bytes body =
      http_fetch("https://h.example/post", 1, "ignored", &v.cookies, &v.reply_cookies, &v.headers,
                 &v.reply_headers, true, &v.body_bytes, "p:3128");
  EXPECT_EQ(std::string(body.begin(), body.end()), "ok");

  const std::string sent_headers =
      "X-Test: 1\r\nAccept: */*\r\nReferer: https://h.example/post\r\nAccept-Language: zh-cn\r\n"
      "Content-Type: application/x-www-form-urlencoded\r\nCookie: old=1; keep=2";
  const std::string size = std::to_string(script.header_block->size() + 1);
  const std::vector<std::string> expected = {
      std::string("open \"") + kDefaultAgent + "\" 3 \"p:3128\" \"\" 0",
      "connect #1 \"h.example\" 443 null null 3 0 0",
      "request #2 \"POST\" \"/post\" \"HTTP/1.1\" null null 80a80010 0",
      send_line(sent_headers, "\"raw\" 3"),
      "read #3 1024 zeroed",
      "read #3 1024 zeroed",
      "query #3 22 5000 null",
      "query #3 22 " + size + " null",
      "close #3",
      "close #2",
      "close #1",
  };
  EXPECT_EQ(script.log, expected);
  EXPECT_EQ(v.headers, sent_headers);
  EXPECT_EQ(v.reply_headers,
            "HTTP/1.1 200 OK\r\nSet-Cookie: old=9; path=/\r\n" + filler + "Set-Cookie: late=3\r\n");
  EXPECT_EQ(v.reply_cookies, "old=9;late=3");
  EXPECT_EQ(v.cookies, "old=9; late=3; keep=2");
  EXPECT_EQ(to_text(v.body_bytes), "raw");
}

TEST_F(FetchSequence, BodiesByMethod) {
  struct Case {
    std::int32_t method;
    const char* body_text;
    const char* body_bytes;
    const char* verb;
    const char* sent;  // the data part of the send
    const char* body_bytes_after;
  };
  const Case cases[] = {
      {0, "text", "bytes", "GET", "\"\" 0", "bytes"},
      {1, "text", "", "POST", "\"text\" 4", "text"},
      {1, "text", "bytes", "POST", "\"bytes\" 5", "bytes"},
      {1, "", "", "POST", "null 0", ""},
      {2, "a=1", "", "GET", "\"a=1\" 3", "a=1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.method);
    script = Script();
    script.header_block = "HTTP/1.1 200 OK\r\n";
    Bytes body_bytes = text_to_bytes(c.body_bytes);
    http_fetch(kUrl, c.method, c.body_text, nullptr, nullptr, nullptr, nullptr, false, &body_bytes);
    ASSERT_GE(script.log.size(), 4u);
    EXPECT_NE(script.log[2].find(std::string("\"") + c.verb + "\""), std::string::npos);
    EXPECT_TRUE(script.log[3].ends_with(c.sent)) << script.log[3];
    EXPECT_EQ(to_text(body_bytes), c.body_bytes_after);
  }
}

}  // namespace
}  // namespace dorvane
