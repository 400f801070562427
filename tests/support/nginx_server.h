// A real nginx on a free port of 127.0.0.1, serving a folder of static files (byte ranges
// work for them out of the box). Configuration, pid, logs and temp folders live in a
// TempDir of its own; the process is a child of the test and is killed and reaped when
// the object goes out of scope.
//
//   using namespace dorvane::testing;
//   TempDir root;
//   root.write_file("file.bin", payload);
//   NginxServer nginx(NginxOptions(root.path()));
//   ASSERT_TRUE(nginx.ok()) << nginx.error();
//   download(nginx.url("/file.bin"));
//
//   // https with a certificate authority of the test's own:
//   TestCertificateAuthority ca;
//   NginxServer tls(NginxOptions(root.path()).with_tls(ca.server_cert(), ca.server_key()));
//   // ... hand ca.ca_cert() to the client under test.
//
//   // A fixed reply beside the files:
//   NginxServer fixed(NginxOptions(root.path())
//                         .with_extra_config("location = /hello { return 200 'hi'; }"));
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <utility>

#include "tests/support/temp_dir.h"

namespace dorvane::testing {

// Built by chained calls (designated initializers that skip members trip
// -Wmissing-field-initializers under -Werror):
//   NginxOptions(root).with_keepalive_requests(2).with_extra_config("...")
struct NginxOptions {
  explicit NginxOptions(std::string root_folder) : root(std::move(root_folder)) {}
  NginxOptions& with_keepalive_requests(int count) {
    keepalive_requests = count;
    return *this;
  }
  NginxOptions& with_tls(std::string cert, std::string key) {
    tls_cert = std::move(cert);
    tls_key = std::move(key);
    return *this;
  }
  NginxOptions& with_extra_config(std::string text) {
    extra_config = std::move(text);
    return *this;
  }

  std::string root;                  // document root, an absolute path
  int keepalive_requests = 1000000;  // requests served on one connection before nginx closes it
  std::string tls_cert;              // with tls_key: serve https instead of http
  std::string tls_key;
  std::string extra_config;  // pasted into the server block, e.g. location blocks
};

class NginxServer {
 public:
  // Starts nginx and waits until its port accepts connections. On failure ok() is false,
  // error() says why, and the failure is also reported to the running test.
  explicit NginxServer(NginxOptions options);
  ~NginxServer();
  NginxServer(const NginxServer&) = delete;
  NginxServer& operator=(const NginxServer&) = delete;

  bool ok() const { return pid_ > 0; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path, or "https://..." with TLS.
  std::string url(std::string_view path = "/") const;
  // The logs so far, for diagnostics.
  std::string error_log() const;
  std::string access_log() const;

 private:
  bool start_once(const NginxOptions& options);
  void stop();

  TempDir dir_;
  bool tls_ = false;
  int port_ = 0;
  pid_t pid_ = -1;
  std::string error_;
};

}  // namespace dorvane::testing
