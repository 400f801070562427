#include "tests/support/script_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>

namespace dorvane::testing {

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kStep = std::chrono::milliseconds(20);
constexpr std::size_t kMaxHead = 1 << 20;

// Offset just past the blank line that ends the head, or npos.
std::size_t head_end(std::string_view buffer) {
  std::size_t crlf = buffer.find("\r\n\r\n");
  std::size_t lf = buffer.find("\n\n");
  if (crlf != std::string_view::npos && (lf == std::string_view::npos || crlf < lf))
    return crlf + 4;
  return lf == std::string_view::npos ? lf : lf + 2;
}

bool has_header(const std::vector<std::string>& headers, std::string_view name) {
  HttpRequest probe;
  probe.header_lines = headers;
  return probe.header(name).has_value();
}

int poll_once(int fd, short events, Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  pollfd p{fd, events, 0};
  return ::poll(&p, 1,
                static_cast<int>(std::clamp(left, std::chrono::milliseconds(0), kStep).count()));
}

}  // namespace

// ---- Connection ----

bool Connection::wait_readable(Clock::time_point deadline) {
  while (fd_ >= 0 && !server_.stopping()) {
    int ready = poll_once(fd_, POLLIN, deadline);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
  }
  return false;
}

Connection::Received Connection::receive_more(Clock::time_point deadline) {
  if (!wait_readable(deadline)) return Received::kTimeout;
  char chunk[16384];
  ssize_t n;
  do {
    n = ::recv(fd_, chunk, sizeof chunk, 0);
  } while (n < 0 && errno == EINTR);
  if (n <= 0) return Received::kClosed;
  buffer_.append(chunk, static_cast<std::size_t>(n));
  return Received::kData;
}

std::optional<HttpRequest> Connection::read_request(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  std::size_t head_length;
  while ((head_length = head_end(buffer_)) == std::string::npos) {
    if (buffer_.size() > kMaxHead || receive_more(deadline) != Received::kData) return std::nullopt;
  }
  auto request = parse_request_head(std::string_view(buffer_).substr(0, head_length));
  if (!request) return std::nullopt;
  std::size_t body_length = 0;
  if (auto value = request->header("Content-Length")) {
    auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), body_length);
    if (error != std::errc() || end != value->data() + value->size()) return std::nullopt;
  }
  while (buffer_.size() < head_length + body_length) {
    if (receive_more(deadline) != Received::kData) return std::nullopt;
  }
  request->raw = buffer_.substr(0, head_length + body_length);
  request->body = buffer_.substr(head_length, body_length);
  buffer_.erase(0, head_length + body_length);
  server_.record(*request);
  return request;
}

bool Connection::send(std::string_view bytes) {
  while (!bytes.empty()) {
    if (fd_ < 0) return false;
    ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool Connection::send_response(int status, std::string_view reason,
                               const std::vector<std::string>& headers, std::string_view body) {
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) + "\r\n";
  for (const std::string& line : headers) out += line + "\r\n";
  if (!has_header(headers, "Content-Length") && !has_header(headers, "Transfer-Encoding")) {
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  }
  out += "\r\n";
  out += body;
  return send(out);
}

void Connection::stall(std::chrono::milliseconds limit) {
  auto deadline = Clock::now() + limit;
  while (!server_.stopping() && Clock::now() < deadline) std::this_thread::sleep_for(kStep);
}

bool Connection::wait_for_client_close(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  for (;;) {
    switch (receive_more(deadline)) {
      case Received::kClosed:
        return true;
      case Received::kTimeout:
        return false;
      case Received::kData:
        break;
    }
  }
}

void Connection::close() {
  close_socket(false);
}

void Connection::drop() {
  close_socket(true);
}

void Connection::close_socket(bool abortive) {
  if (fd_ < 0) return;
  if (abortive) {
    linger reset{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_LINGER, &reset, sizeof reset);
  } else {
    // Closing with unread input would send a reset that can destroy the reply in flight,
    // so send our end of stream first and read what the client still sends, briefly.
    ::shutdown(fd_, SHUT_WR);
    auto deadline = Clock::now() + std::chrono::milliseconds(200);
    char sink[4096];
    while (poll_once(fd_, POLLIN, deadline) > 0 && ::recv(fd_, sink, sizeof sink, 0) > 0) {
    }
  }
  std::lock_guard lock(server_.mutex_);
  ::close(fd_);
  fd_ = -1;
}

// ---- ScriptServer ----

ScriptServer::ScriptServer(Handler handler) : handler_(std::move(handler)) {
  listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (listen_fd_ < 0 || ::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      ::listen(listen_fd_, 64) != 0 ||
      ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::abort();  // the loopback interface is missing: no network test can run
  }
  port_ = ntohs(address.sin_port);
  accept_thread_ = std::thread([this] { accept_loop(); });
}

ScriptServer::~ScriptServer() {
  stop();
}

ScriptServer::Handler ScriptServer::each_request(Responder responder) {
  return [responder = std::move(responder)](Connection& connection) {
    while (auto request = connection.read_request()) responder(connection, *request);
  };
}

std::string ScriptServer::url(std::string_view path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<HttpRequest> ScriptServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

int ScriptServer::connection_count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(connections_.size());
}

bool ScriptServer::wait_for_requests(std::size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return requests_.size() >= count; });
}

bool ScriptServer::wait_for_connections(int count, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout,
                           [&] { return static_cast<int>(connections_.size()) >= count; });
}

bool ScriptServer::wait_for_handlers(std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout,
                           [&] { return handlers_done_ == static_cast<int>(connections_.size()); });
}

void ScriptServer::record(const HttpRequest& request) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(request);
  }
  changed_.notify_all();
}

void ScriptServer::accept_loop() {
  while (!stopping_) {
    pollfd p{listen_fd_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(kStep.count())) <= 0) continue;
    int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    start_handler(fd);
  }
}

void ScriptServer::start_handler(int fd) {
  {
    std::lock_guard lock(mutex_);
    int number = static_cast<int>(connections_.size()) + 1;
    Connection* connection = connections_.emplace_back(new Connection(*this, fd, number)).get();
    handler_threads_.emplace_back([this, connection] {
      handler_(*connection);
      connection->close();
      {
        std::lock_guard done_lock(mutex_);
        ++handlers_done_;
      }
      changed_.notify_all();
    });
  }
  changed_.notify_all();
}

void ScriptServer::stop() {
  if (stopping_.exchange(true)) return;
  if (accept_thread_.joinable()) accept_thread_.join();
  {
    // Wakes handlers blocked in a read or a send; each closes its own socket afterwards.
    std::lock_guard lock(mutex_);
    for (auto& connection : connections_) {
      if (connection->fd_ >= 0) ::shutdown(connection->fd_, SHUT_RDWR);
    }
  }
  for (std::thread& thread : handler_threads_) thread.join();
  if (listen_fd_ >= 0) ::close(listen_fd_);
  listen_fd_ = -1;
}

}  // namespace dorvane::testing
