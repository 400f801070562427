#include "http/url_parts.h"

#include <gtest/gtest.h>

namespace dorvane {
namespace {

struct UrlCase {
  const char* url;
  const char* host;
  const char* main_domain_host;
  const char* host_with_port;
  std::int32_t port;
  const char* path;
};

TEST(UrlParts, HostPortAndPathBySchemeWay) {
  const UrlCase cases[] = {
      // The worked examples.
      {"http://A.B.C:8080/d/e?f=1", "a.b.c", "b.c", "a.b.c:8080", 8080, "/d/e?f=1"},
      {"https://a.b.c", "a.b.c", "b.c", "a.b.c", 443, "/"},
      {"https://a.b.c:8443/d", "a.b.c", "b.c", "a.b.c:8443", 8443, "/d"},
      {"a.b.c/d", "a.b.c", "b.c", "a.b.c", 80, "/d"},
      {"http://a.b.c:/d", "a.b.c", "b.c", "a.b.c:", 0, "/d"},
      // The path keeps the URL's own case; the host does not.
      {"HTTPS://WWW.Ex.COM/Path/X?Q=Y#Frag", "www.ex.com", "ex.com", "www.ex.com", 443,
       "/Path/X?Q=Y#Frag"},
      // A query straight after the host stays part of the host.
      {"http://a.b?x=1", "a.b?x=1", "a.b?x=1", "a.b?x=1", 80, "/"},
      // Without a scheme an inner "http://" supplies the host.
      {"x.y/go?to=http://in.ner/p", "in.ner", "in.ner", "in.ner", 80, "/p"},
      // User information is not recognised.
      {"http://user:pw@h.c:81/p", "user", "user", "user:pw@h.c:81", 81, "/p"},
      {"http://user:pw@h.c/p", "user", "user", "user:pw@h.c", 0, "/p"},
      // A bracketed IPv6 literal is cut at its first colon.
      {"http://[::1]:8080/p", "[", "[", "[::1]:8080", 8080, "/p"},
      // A one-letter host is found inside the scheme.
      {"http://t/x", "t", "t", "t", 80, "//t/x"},
      // One label: main_domain changes nothing; the join keeps the port until it is cut.
      {"http://localhost:81/a", "localhost", "localhost", "localhost:81", 81, "/a"},
      {"", "", "", "", 80, "/"},
  };
  for (const UrlCase& c : cases) {
    SCOPED_TRACE(c.url);
    EXPECT_EQ(url_host(c.url), c.host);
    EXPECT_EQ(url_host(c.url, true), c.main_domain_host);
    EXPECT_EQ(url_host(c.url, false, true), c.host_with_port);
    EXPECT_EQ(url_port(c.url), c.port);
    EXPECT_EQ(url_path(c.url), c.path);
  }
  // main_domain with the port kept: the port rides on the last label.
  EXPECT_EQ(url_host("http://a.b.c:8080/", true, true), "b.c:8080");
}

TEST(UrlParts, HostByLabelCount) {
  struct Case {
    std::int32_t label_count;
    const char* main_domain;
    const char* full;
  };
  const Case cases[] = {
      {-1, "z", "y.z"},        {0, "z", "y.z"},           {1, "y.z", "x.y.z"},
      {2, "x.y.z", "w.x.y.z"}, {3, "w.x.y.z", "w.x.y.z"}, {9, "w.x.y.z", "w.x.y.z"},
  };
  for (const char* url : {"http://W.x.y.z/p", "https://w.x.y.z", "w.x.y.z/p:q"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << url << " n=" << c.label_count);
      EXPECT_EQ(url_host(url, true, false, c.label_count), c.main_domain);
      EXPECT_EQ(url_host(url, false, false, c.label_count), c.full);
    }
  }
  // A supplied label count differs from an omitted one, and the port is handled after.
  EXPECT_EQ(url_host("http://w.x.y.z:81/", false, false, 0), "y.z");
  EXPECT_EQ(url_host("http://w.x.y.z:81/", false, true, 0), "y.z:81");
  EXPECT_EQ(url_host("http://w.x.y.z:81/", false, true), "w.x.y.z:81");
  // A dot in the very last byte is never counted.
  EXPECT_EQ(url_host("a.b.", true, false, 0), "b.");
  EXPECT_EQ(url_host("nodots", true, false, 0), "nodots");
}

}  // namespace
}  // namespace dorvane
