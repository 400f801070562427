// A throwaway certificate authority made with the openssl command-line tool: a CA key and
// certificate, and a server certificate for 127.0.0.1 and localhost signed by it.
//
//   dorvane::testing::TestCertificateAuthority ca;
//   ASSERT_TRUE(ca.ok()) << ca.error();
//   NginxServer nginx(NginxOptions(root).with_tls(ca.server_cert(), ca.server_key()));
//   client.set_ca_file(ca.ca_cert());
#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace dorvane::testing {

class TestCertificateAuthority {
 public:
  // Makes the keys and certificates (EC P-256, valid for ten years). On failure ok() is
  // false, error() holds openssl's output, and the failure is reported to the running test.
  TestCertificateAuthority();

  bool ok() const { return ok_; }
  const std::string& error() const { return error_; }
  // PEM files.
  std::string ca_cert() const { return dir_.file("ca.pem"); }
  std::string server_cert() const { return dir_.file("server.pem"); }
  std::string server_key() const { return dir_.file("server.key"); }

 private:
  TempDir dir_;
  bool ok_ = false;
  std::string error_;
};

}  // namespace dorvane::testing
