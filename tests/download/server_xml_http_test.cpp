#include "download/server_xml_http.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/automation.h"
#include "tests/support/nginx_server.h"
#include "tests/support/script_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_certificate_authority.h"

namespace dorvane {
namespace {

using testing::Connection;
using testing::HttpRequest;
using testing::NginxServer;
using testing::ScriptServer;
using testing::TempDir;

AutomationObject make_request_object() {
  register_server_xml_http();
  AutomationObject http;
  EXPECT_TRUE(create_object(http, "MSXML2.ServerXMLHTTP"));
  return http;
}

// One asynchronous GET, driven as the downloader drives it.
bool get(const AutomationObject& http, const std::string& url,
         const std::vector<std::pair<Text, Text>>& headers = {}, double seconds = 10) {
  call_method<void>(http, "open", "GET", url, true);
  for (const auto& [name, value] : headers) {
    call_method<void>(http, "setRequestHeader", name, value);
  }
  call_method<void>(http, "send");
  return call_method<bool>(http, "waitForResponse", seconds);
}

std::string body_of(const AutomationObject& http) {
  const Variant body = get_property<Variant>(http, "responseBody");
  const std::span<const std::uint8_t> view = variant_byte_view(body);
  return std::string(view.begin(), view.end());
}

TEST(ServerXmlHttpUrlTest, EncodesAddressesLikeABrowser) {
  const std::pair<std::u16string, std::string> cases[] = {
      {u"http://h/a b", "http://h/a%20b"},
      {u"  http://h/x\t\n ", "http://h/x"},
      {u"http://h/a\r\nb", "http://h/ab"},
      {u"http://h/下载?q=é", "http://h/%E4%B8%8B%E8%BD%BD?q=%C3%A9"},
      {u"http://h/%41\"<>", "http://h/%41%22%3C%3E"},
      {u"http://h/\U0001F600", "http://h/%F0%9F%98%80"},
      {u"http://h/\xD800x", "http://h/%EF%BF%BDx"},  // an unpaired surrogate
      {u"", ""},
  };
  for (const auto& [url, expected] : cases) EXPECT_EQ(encode_request_url(url), expected);
}

TEST(ServerXmlHttpTest, RangeRequestsOnNginxReuseOneConnection) {
  std::string payload(50000, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<char>(i * 7919 >> 3);
  TempDir root;
  root.write_file("file.bin", payload);
  NginxServer nginx(testing::NginxOptions(root.path())
                        .with_extra_config("add_header X-Connection $connection always;"));
  ASSERT_TRUE(nginx.ok()) << nginx.error();

  struct Case {
    Text range;
    double status;
    Text content_range;
    std::size_t first;
    std::size_t length;
  };
  const Case cases[] = {
      {"bytes=0-20479", 206, "bytes 0-20479/50000", 0, 20480},
      {"bytes=20480-40959", 206, "bytes 20480-40959/50000", 20480, 20480},
      {"bytes=40960-61439", 206, "bytes 40960-49999/50000", 40960, 9040},
      {"bytes=50000-70479", 416, "bytes */50000", 0, 0},
      {"bytes=0-0", 206, "bytes 0-0/50000", 0, 1},
  };
  const AutomationObject http = make_request_object();
  Text connection;
  Variant first_body;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.range);
    ASSERT_TRUE(get(http, nginx.url("/file.bin"), {{"Range", c.range}}));
    EXPECT_EQ(get_property<double>(http, "readyState"), 4);
    EXPECT_EQ(get_property<double>(http, "status"), c.status);
    EXPECT_EQ(call_method<Text>(http, "getResponseHeader", "Content-Range"), c.content_range);
    if (c.status == 206) {
      EXPECT_EQ(get_property<Text>(http, "statusText"), "Partial Content");
      EXPECT_EQ(body_of(http), payload.substr(c.first, c.length));
    }
    if (first_body.is_empty()) first_body = get_property<Variant>(http, "responseBody");
    // nginx sends the added header twice on its 416 page: the value is then "N, N".
    Text this_connection = call_method<Text>(http, "getResponseHeader", "X-Connection");
    this_connection = this_connection.substr(0, this_connection.find(','));
    EXPECT_FALSE(this_connection.empty());
    if (connection.empty()) connection = this_connection;
    EXPECT_EQ(this_connection, connection) << "a new connection for this request";
  }
  // A body handed out earlier is never overwritten by later requests.
  EXPECT_EQ(variant_to_bytes(first_body), Bytes(payload.begin(), payload.begin() + 20480));
}

TEST(ServerXmlHttpTest, HttpsVerifiesCertificates) {
  testing::TestCertificateAuthority ca;
  ASSERT_TRUE(ca.ok()) << ca.error();
  TempDir root;
  root.write_file("a.txt", "secure");
  NginxServer nginx(testing::NginxOptions(root.path()).with_tls(ca.server_cert(), ca.server_key()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();

  for (const bool trusted : {true, false}) {
    SCOPED_TRACE(trusted);
    set_server_xml_http_ca_file(trusted ? ca.ca_cert() : "");
    const AutomationObject http = make_request_object();
    EXPECT_TRUE(get(http, nginx.url("/a.txt")));
    EXPECT_EQ(get_property<double>(http, "status"), trusted ? 200 : 0);
    EXPECT_EQ(automation_failure_code(), trusted ? kAutomationOk : kHttpRequestFailed);
    EXPECT_EQ(body_of(http), trusted ? "secure" : "");
  }
  set_server_xml_http_ca_file("");
}

TEST(ServerXmlHttpTest, HeadersReachTheServerInOrderAndEmptyOnesStayEmpty) {
  ScriptServer server(ScriptServer::each_request(
      [](Connection& c, const HttpRequest&) { c.send_response(200, "OK", {}, "x"); }));
  const AutomationObject http = make_request_object();
  const std::vector<std::pair<Text, Text>> headers = {
      {"Referer", ""},
      {"Accept", "*/*"},
      {"User-Agent", "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)"},
      {"Range", "bytes=0-20479"},
      {"Content-Type", "application/octet-stream"},
      {"Pragma", "no-cache"},
      {"Cache-Control", "no-cache"},
  };
  ASSERT_TRUE(get(http, server.url("/f"), headers));
  ASSERT_EQ(server.requests().size(), 1u);
  const HttpRequest request = server.requests()[0];
  std::vector<std::string> expected;
  for (const auto& [name, value] : headers) {
    expected.push_back(value.empty() ? name + ":" : name + ": " + value);
  }
  std::vector<std::string> ours;
  for (const std::string& line : request.header_lines) {
    if (line.rfind("Host:", 0) != 0) ours.push_back(line);
  }
  EXPECT_EQ(ours, expected);

  // A value with a line break would smuggle in header lines of its own.
  call_method<void>(http, "open", "GET", server.url("/g"), true);
  call_method<void>(http, "setRequestHeader", "X-A", "1\r\nX-Evil: 1");
  EXPECT_EQ(automation_failure_code(), kHttpBadArgument);
  call_method<void>(http, "setRequestHeader", "Bad Name", "1");
  EXPECT_EQ(automation_failure_code(), kHttpBadArgument);
}

TEST(ServerXmlHttpTest, RepliesAndFailuresAsTheCallerSeesThem) {
  ScriptServer server(ScriptServer::each_request([](Connection& c, const HttpRequest& request) {
    const std::string& path = request.target;
    if (path == "/404") {
      c.send_response(404, "Not Found Here", {}, "nope");
    } else if (path == "/utf8-reason") {
      c.send_response(404, "\xE6\x89\xBE\xE4\xB8\x8D\xE5\x88\xB0", {}, "");  // UTF-8
    } else if (path == "/repeated") {
      c.send_response(200, "OK", {"X-A: 1", "x-a: 2"}, "");
    } else if (path == "/redirect") {
      c.send_response(302, "Found", {"Location: /target"}, "");
    } else if (path == "/target") {
      c.send_response(206, "Partial Content", {"Content-Range: bytes 0-1/2"}, "ok");
    } else if (path == "/redirect-file") {
      c.send_response(302, "Found", {"Location: file:///etc/passwd"}, "");
    } else if (path == "/huge") {
      c.send("HTTP/1.1 206 Partial Content\r\nContent-Length: 4294967296\r\n\r\nxx");
      c.stall();
    } else if (path == "/drop" || path == "/close") {
      c.send("HTTP/1.1 206 Partial Content\r\nContent-Length: 1000\r\n\r\n" +
             std::string(100, 'x'));
      path == "/drop" ? c.drop() : c.close();
    } else {
      c.send_response(200, "OK", {}, "plain");
    }
  }));

  struct Case {
    std::string path;
    double status;
    std::int32_t status_code;
    Text status_text;
    std::string body;
    Text header;
    Text header_value;
  };
  const Case cases[] = {
      {"/404", 404, kAutomationOk, "Not Found Here", "nope", "Content-Range", ""},
      {"/utf8-reason", 404, kAutomationOk, "找不到", "", "X-None", ""},
      {"/repeated", 200, kAutomationOk, "OK", "", "x-A", "1, 2"},
      {"/redirect", 206, kAutomationOk, "Partial Content", "ok", "content-range", "bytes 0-1/2"},
      // Failed requests: complete, but nothing of the reply is handed out.
      {"/redirect-file", 0, kHttpRequestFailed, "", "", "Location", ""},
      {"/drop", 0, kHttpRequestFailed, "", "", "Content-Length", ""},
      {"/close", 0, kHttpRequestFailed, "", "", "Content-Length", ""},
      {"/huge", 0, kHttpRequestFailed, "", "", "Content-Length", ""},
  };
  const AutomationObject http = make_request_object();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_TRUE(get(http, server.url(c.path)));
    EXPECT_EQ(get_property<double>(http, "readyState"), 4);
    EXPECT_EQ(get_property<double>(http, "status"), c.status);
    EXPECT_EQ(automation_failure_code(), c.status_code);
    EXPECT_EQ(get_property<Text>(http, "statusText"), c.status_text);
    EXPECT_EQ(body_of(http), c.body);
    if (c.status_code != kAutomationOk) {
      EXPECT_TRUE(get_property<Variant>(http, "responseBody").is_empty());
    }
    EXPECT_EQ(call_method<Text>(http, "getResponseHeader", c.header), c.header_value);
  }

  // Synchronous: send returns with the reply complete.
  call_method<void>(http, "open", "GET", server.url("/plain"));
  call_method<void>(http, "send");
  EXPECT_EQ(get_property<double>(http, "readyState"), 4);
  EXPECT_EQ(body_of(http), "plain");
}

TEST(ServerXmlHttpTest, StalledRequestWaitsOutItsLimitAndAborts) {
  ScriptServer server(ScriptServer::each_request([](Connection& c, const HttpRequest& request) {
    if (request.target == "/stall") {
      c.send("HTTP/1.1 206 Partial Content\r\nContent-Length: 10\r\n\r\n12345");
      c.stall();
    } else {
      c.send_response(200, "OK", {}, "fine");
    }
  }));
  const AutomationObject http = make_request_object();

  // Nothing sent yet: the object refuses the read, the caller sees 0.
  EXPECT_EQ(get_property<double>(http, "status"), 0);
  EXPECT_EQ(automation_failure_code(), kHttpNoReply);
  call_method<void>(http, "send");
  EXPECT_EQ(automation_failure_code(), kHttpWrongState);
  EXPECT_FALSE(call_method<bool>(http, "waitForResponse", 1));

  EXPECT_FALSE(get(http, server.url("/stall"), {}, 0.3));
  EXPECT_EQ(get_property<double>(http, "readyState"), 3);  // head read, body arriving
  EXPECT_TRUE(get_property<Variant>(http, "responseBody").is_empty());
  call_method<void>(http, "abort");
  EXPECT_EQ(automation_failure_code(), kAutomationOk);
  EXPECT_EQ(get_property<double>(http, "readyState"), 0);
  EXPECT_EQ(get_property<double>(http, "status"), 0);
  EXPECT_EQ(automation_failure_code(), kHttpNoReply);

  // The same object carries on with the next request.
  EXPECT_TRUE(get(http, server.url("/next")));
  EXPECT_EQ(get_property<double>(http, "status"), 200);
  EXPECT_EQ(body_of(http), "fine");
}

TEST(ServerXmlHttpTest, RefusedAddressesAndMethods) {
  const AutomationObject http = make_request_object();
  for (const char* url : {"ftp://127.0.0.1/x", "file:///etc/passwd", "http://127.0.0.1:1/"}) {
    SCOPED_TRACE(url);
    EXPECT_TRUE(get(http, url));
    EXPECT_EQ(get_property<double>(http, "readyState"), 4);
    EXPECT_EQ(get_property<double>(http, "status"), 0);
    EXPECT_EQ(automation_failure_code(), kHttpRequestFailed);
  }
  call_method<void>(http, "open", "GE T", "http://127.0.0.1/", true);
  EXPECT_EQ(automation_failure_code(), kHttpBadArgument);
  call_method<void>(http, "open", "GET", "http://127.0.0.1/", true, 1);
  EXPECT_EQ(automation_failure_code(), kAutomationTooManyArguments);
}

}  // namespace
}  // namespace dorvane
