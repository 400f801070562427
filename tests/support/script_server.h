// A scripted HTTP server on 127.0.0.1 for fault tests: every accepted connection runs the
// test's handler on a thread of its own, and the handler decides byte by byte what the
// client sees. Every wait is bounded, and the destructor ends stalled handlers and open
// connections promptly.
//
//   using namespace dorvane::testing;
//   ScriptServer server([](Connection& c) {
//     while (auto request = c.read_request()) {         // keep-alive loop
//       if (request->header("Range") == "bytes=0-9")
//         c.send_response(206, "Partial Content", {"Content-Range: bytes 0-9/20"}, "0123456789");
//       else
//         c.stall();                                      // hangs until the server stops
//     }
//   });
//   fetch(server.url("/file.bin"));
//   ASSERT_EQ(server.requests().size(), 1u);
//   EXPECT_EQ(server.requests()[0].target, "/file.bin");
//
// The recorded requests are kept as they came, so the server doubles as an HTTP proxy
// target: a request in absolute form shows up with target "http://host/path".
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Durations come from <thread>: <chrono> itself does not compile with code page 936 literals
// (its "\u00b5s" suffix has no GBK form).
#include <thread>

#include "tests/support/http_request.h"

namespace dorvane::testing {

class ScriptServer;

// The server side of one accepted connection. Used only from its handler's thread.
class Connection {
 public:
  // Reads the next request (head and Content-Length body). nullopt when the client closed
  // the connection, sent a malformed head, the wait ran out or the server is stopping.
  std::optional<HttpRequest> read_request(
      std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Sends raw bytes; false when the connection is gone.
  bool send(std::string_view bytes);
  // Sends "HTTP/1.1 <status> <reason>", the header lines as given and the body. A
  // "Content-Length" line is added unless the headers already hold Content-Length or
  // Transfer-Encoding; send raw bytes with send() for anything stranger.
  bool send_response(int status, std::string_view reason, const std::vector<std::string>& headers,
                     std::string_view body);
  // Sleeps in small steps until the server stops (or `limit` passes), sending nothing.
  void stall(std::chrono::milliseconds limit = std::chrono::seconds(60));
  // Orderly close: the client sees the end of the stream after what was sent.
  void close();
  // Abortive close: the client sees a connection reset.
  void drop();
  // Waits until the client closes its side; true when it did within `timeout`.
  bool wait_for_client_close(std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // 1 for the server's first connection, 2 for the next, ...
  int number() const { return number_; }

 private:
  friend class ScriptServer;
  enum class Received { kData, kClosed, kTimeout };

  Connection(ScriptServer& server, int fd, int number)
      : server_(server), fd_(fd), number_(number) {}
  // Waits until the socket is readable; false on timeout or when the server stops.
  bool wait_readable(std::chrono::steady_clock::time_point deadline);
  // Appends what arrives to buffer_. kTimeout also covers a stopping server.
  Received receive_more(std::chrono::steady_clock::time_point deadline);
  void close_socket(bool abortive);

  ScriptServer& server_;
  int fd_;  // guarded by server_.mutex_; -1 once closed
  int number_;
  std::string buffer_;  // bytes received but not yet handed out
};

class ScriptServer {
 public:
  using Handler = std::function<void(Connection&)>;
  using Responder = std::function<void(Connection&, const HttpRequest&)>;

  // Starts listening on a free port of 127.0.0.1 and accepting on a background thread.
  explicit ScriptServer(Handler handler);
  ~ScriptServer();
  ScriptServer(const ScriptServer&) = delete;
  ScriptServer& operator=(const ScriptServer&) = delete;

  // A handler that serves every request of a keep-alive connection with `responder`
  // until the client closes it.
  static Handler each_request(Responder responder);

  int port() const { return port_; }
  // "http://127.0.0.1:PORT" + path.
  std::string url(std::string_view path = "/") const;
  // Every request read so far, across all connections, in the order they were read.
  std::vector<HttpRequest> requests() const;
  // Connections accepted so far.
  int connection_count() const;
  // Waits until at least `count` requests were read; false when `timeout` passes first.
  bool wait_for_requests(std::size_t count,
                         std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Waits until at least `count` connections were accepted.
  bool wait_for_connections(int count,
                            std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Waits until the handler of every connection accepted so far has returned.
  bool wait_for_handlers(std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
  // Stops accepting, ends every connection and joins every thread. Called by the destructor.
  void stop();
  bool stopping() const { return stopping_.load(); }

 private:
  friend class Connection;
  void accept_loop();
  void start_handler(int fd);
  void record(const HttpRequest& request);

  Handler handler_;
  int listen_fd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<HttpRequest> requests_;
  int handlers_done_ = 0;
  std::list<std::unique_ptr<Connection>> connections_;
  std::vector<std::thread> handler_threads_;
  std::thread accept_thread_;
};

}  // namespace dorvane::testing
