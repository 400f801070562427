#include "tests/support/nginx_server.h"

#include <gtest/gtest.h>

#include "tests/support/process.h"

namespace dorvane::testing {

namespace {

constexpr const char* kNginx = "/usr/sbin/nginx";
constexpr int kAttempts = 5;

std::string quoted(const std::string& path) { return "\"" + path + "\""; }

std::string configuration(const NginxOptions& options, const TempDir& dir, int port) {
  auto in_dir = [&](const char* name) { return quoted(dir.file(name)); };
  bool tls = !options.tls_cert.empty();
  std::string text =
      "daemon off;\n"
      "master_process off;\n"
      "worker_processes 1;\n"
      "pid " + in_dir("nginx.pid") + ";\n"
      "lock_file " + in_dir("nginx.lock") + ";\n"
      "error_log " + in_dir("error.log") + " warn;\n"
      "events { worker_connections 256; }\n"
      "http {\n"
      "  access_log " + in_dir("access.log") + ";\n"
      "  client_body_temp_path " + in_dir("temp/body") + ";\n"
      "  proxy_temp_path " + in_dir("temp/proxy") + ";\n"
      "  fastcgi_temp_path " + in_dir("temp/fastcgi") + ";\n"
      "  uwsgi_temp_path " + in_dir("temp/uwsgi") + ";\n"
      "  scgi_temp_path " + in_dir("temp/scgi") + ";\n"
      "  default_type application/octet-stream;\n"
      "  sendfile on;\n"
      "  keepalive_timeout 60s;\n"
      "  keepalive_requests " + std::to_string(options.keepalive_requests) + ";\n"
      "  server {\n"
      "    listen 127.0.0.1:" + std::to_string(port) + (tls ? " ssl" : "") + ";\n"
      "    server_name localhost;\n"
      "    root " + quoted(options.root) + ";\n";
  if (tls) {
    text += "    ssl_certificate " + quoted(options.tls_cert) + ";\n" +
            "    ssl_certificate_key " + quoted(options.tls_key) + ";\n";
  }
  return text + "    " + options.extra_config + "\n  }\n}\n";
}

}  // namespace

NginxServer::NginxServer(NginxOptions options) : tls_(!options.tls_cert.empty()) {
  dir_.make_dir("temp");
  for (int attempt = 0; attempt < kAttempts && !ok(); ++attempt) {
    if (!start_once(options) && error_.find("Address already in use") == std::string::npos) break;
  }
  if (!ok()) ADD_FAILURE() << "nginx did not start: " << error_;
}

NginxServer::~NginxServer() { stop(); }

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

std::string NginxServer::error_log() const { return read_file(dir_.file("error.log")); }

std::string NginxServer::access_log() const { return read_file(dir_.file("access.log")); }

}  // namespace dorvane::testing
