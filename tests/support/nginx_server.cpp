#include "tests/support/nginx_server.h"

#include <gtest/gtest.h>

#include <string_view>

#include "tests/support/process.h"

namespace dorvane::testing {

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr int kAttempts = 5;

// @DIR@, @PORT@, @LISTEN@, @KEEPALIVE@, @ROOT@ and @SERVER@ are filled in per start.
constexpr std::string_view kConfiguration = R"(daemon off;
master_process off;
worker_processes 1;
pid "@DIR@/nginx.pid";
lock_file "@DIR@/nginx.lock";
error_log "@DIR@/error.log" warn;
events { worker_connections 256; }
http {
  access_log "@DIR@/access.log";
  client_body_temp_path "@DIR@/temp/body";
  proxy_temp_path "@DIR@/temp/proxy";
  fastcgi_temp_path "@DIR@/temp/fastcgi";
  uwsgi_temp_path "@DIR@/temp/uwsgi";
  scgi_temp_path "@DIR@/temp/scgi";
  default_type application/octet-stream;
  sendfile on;
  keepalive_timeout 60s;
  keepalive_requests @KEEPALIVE@;
  server {
    listen 127.0.0.1:@PORT@@LISTEN@;
    server_name localhost;
    root "@ROOT@";
    @SERVER@
  }
}
)";

void replace_all(std::string& text, std::string_view name, const std::string& value) {
  for (auto at = text.find(name); at != std::string::npos;
       at = text.find(name, at + value.size())) {
    text.replace(at, name.size(), value);
  }
}

std::string configuration(const NginxOptions& options, const TempDir& dir, int port) {
  std::string server = options.extra_config;
  if (!options.tls_cert.empty()) {
    server = "ssl_certificate \"" + options.tls_cert + "\";\n    ssl_certificate_key \"" +
             options.tls_key + "\";\n    " + server;
  }
  std::string text(kConfiguration);
  replace_all(text, "@DIR@", dir.path());
  replace_all(text, "@PORT@", std::to_string(port));
  replace_all(text, "@LISTEN@", options.tls_cert.empty() ? "" : " ssl");
  replace_all(text, "@KEEPALIVE@", std::to_string(options.keepalive_requests));
  replace_all(text, "@ROOT@", options.root);
  replace_all(text, "@SERVER@", server);
  return text;
}

}  // namespace

NginxServer::NginxServer(NginxOptions options) : tls_(!options.tls_cert.empty()) {
  dir_.make_dir("temp");
  for (int attempt = 0; attempt < kAttempts && !ok(); ++attempt) {
    if (!start_once(options) && error_.find("Address already in use") == std::string::npos) break;
  }
  if (!ok()) ADD_FAILURE() << "nginx did not start: " << error_;
}

NginxServer::~NginxServer() {
  stop();
}

bool NginxServer::start_once(const NginxOptions& options) {
  port_ = free_loopback_port();
  std::string config = dir_.write_file("nginx.conf", configuration(options, dir_, port_));
  dir_.write_file("error.log", "");
  pid_t pid = start_process({kNginx, "-p", dir_.path(), "-c", config, "-e", dir_.file("error.log")},
                            dir_.file("output.log"));
  if (pid < 0) {
    error_ = std::string("cannot start ") + kNginx;
    return false;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    bool listening = wait_for_port(port_, std::chrono::milliseconds(50));
    if (auto code = exited(pid)) {  // e.g. the port was taken between our probe and its bind
      error_ = "exit status " + std::to_string(*code) + "\n" + read_file(dir_.file("output.log")) +
               error_log();
      return false;
    }
    if (listening) {
      pid_ = pid;
      error_.clear();
      return true;
    }
  }
  stop_process(pid);
  error_ = "port " + std::to_string(port_) + " never accepted a connection\n" + error_log();
  return false;
}

void NginxServer::stop() {
  if (pid_ > 0) stop_process(pid_);
  pid_ = -1;
}

std::string NginxServer::url(std::string_view path) const {
  return (tls_ ? "https://127.0.0.1:" : "http://127.0.0.1:") + std::to_string(port_) +
         std::string(path);
}

std::string NginxServer::error_log() const {
  return read_file(dir_.file("error.log"));
}

std::string NginxServer::access_log() const {
  return read_file(dir_.file("access.log"));
}

}  // namespace dorvane::testing
