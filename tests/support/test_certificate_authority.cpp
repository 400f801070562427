#include "tests/support/test_certificate_authority.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/support/process.h"

namespace dorvane::testing {

TestCertificateAuthority::TestCertificateAuthority() {
  const std::string ca_key = dir_.file("ca.key");
  const std::string request = dir_.file("server.csr");
  const std::string extensions =
      dir_.write_file("server.ext",
                      "basicConstraints = critical, CA:FALSE\n"
                      "keyUsage = critical, digitalSignature, keyEncipherment\n"
                      "extendedKeyUsage = serverAuth\n"
                      "subjectAltName = IP:127.0.0.1, DNS:localhost\n");
  const std::vector<std::vector<std::string>> steps = {
      {"openssl",
       "req",
       "-x509",
       "-newkey",
       "ec",
       "-pkeyopt",
       "ec_paramgen_curve:prime256v1",
       "-nodes",
       "-keyout",
       ca_key,
       "-out",
       ca_cert(),
       "-days",
       "3650",
       "-subj",
       "/CN=Dorvane Test CA",
       "-addext",
       "basicConstraints=critical,CA:TRUE",
       "-addext",
       "keyUsage=critical,keyCertSign,cRLSign"},
      {"openssl", "req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
       "-nodes", "-keyout", server_key(), "-out", request, "-subj", "/CN=127.0.0.1"},
      {"openssl", "x509", "-req", "-in", request, "-CA", ca_cert(), "-CAkey", ca_key,
       "-CAcreateserial", "-out", server_cert(), "-days", "3650", "-extfile", extensions},
  };
  for (const auto& step : steps) {
    CommandResult result = run_command(step);
    if (result.exit_code != 0) {
      error_ = result.output;
      ADD_FAILURE() << "openssl failed: " << error_;
      return;
    }
  }
  ok_ = true;
}

}  // namespace dorvane::testing
