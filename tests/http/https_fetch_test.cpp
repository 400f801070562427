// The request exchange over TLS against a real nginx with a certificate authority
// of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "http/http_fetch.h"
#include "http/wininet_curl.h"
#include "tests/support/nginx_server.h"
#include "tests/support/script_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_certificate_authority.h"

namespace dorvane {
namespace {

using namespace dorvane::testing;

TEST(HttpsFetch, VerifiesCertificatesAndKeepsRedirectsSecure) {
  ScriptServer plain(ScriptServer::each_request(
      [](Connection& c, const HttpRequest&) { c.send_response(200, "OK", {}, "plain"); }));
  TestCertificateAuthority ca;
  ASSERT_TRUE(ca.ok()) << ca.error();
  TempDir root;
  root.write_file("file.txt", "secret contents");
  NginxServer nginx(NginxOptions(root.path())
                        .with_tls(ca.server_cert(), ca.server_key())
                        .with_extra_config("location = /up { return 302 /file.txt; }\n"
                                           "location = /down { return 302 " +
                                           plain.url("/x") + "; }"));
  ASSERT_TRUE(nginx.ok()) << nginx.error();

  struct Case {
    std::string ca_file;
    std::string path;
    std::string body;
    std::string status_line;  // empty: no reply at all
  };
  const Case cases[] = {
      {ca.ca_cert(), "/file.txt", "secret contents", "HTTP/1.1 200 OK"},
      {ca.ca_cert(), "/up", "secret contents", "HTTP/1.1 200 OK"},
      // A redirect from https down to plain HTTP is not followed.
      {ca.ca_cert(), "/down", "", "HTTP/1.1 302 Moved Temporarily"},
      // A certificate the transport cannot verify gives nothing.
      {"", "/file.txt", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path + " " + c.ca_file);
    set_wininet_ca_file(c.ca_file);
    Text reply_headers = "untouched";
    const Bytes body =
        http_fetch(nginx.url(c.path), 0, {}, nullptr, nullptr, nullptr, &reply_headers);
    EXPECT_EQ(std::string(body.begin(), body.end()), c.body);
    if (c.status_line.empty()) {
      EXPECT_EQ(reply_headers, "untouched");
    } else {
      EXPECT_TRUE(reply_headers.starts_with(c.status_line + "\r\n")) << reply_headers;
    }
  }
  set_wininet_ca_file("");
  EXPECT_TRUE(plain.requests().empty());
}

}  // namespace
}  // namespace dorvane
