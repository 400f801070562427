// Transfers against a scripted server: what goes on the wire, and every fault a
// server or the local disk can throw at a transfer. After each fault the file
// must hold an exact prefix of the remote file, and a second start against a
// sound server must finish it byte for byte.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <functional>

#include "tests/download/transfer_recorder.h"
#include "tests/support/md5.h"
#include "tests/support/script_server.h"

namespace dorvane::testing {
namespace {

const std::string& payload() {
  static const std::string bytes = test_payload(50000);
  return bytes;
}

// The range the request asks for, clipped to the payload; false when it asks for none.
bool asked_range(const HttpRequest& request, std::size_t& first, std::size_t& last) {
  const std::string range = request.header("Range").value_or("");
  unsigned long a = 0, b = 0;
  if (std::sscanf(range.c_str(), "bytes=%lu-%lu", &a, &b) != 2) return false;
  first = a;
  last = std::min<std::size_t>(b, payload().size() - 1);
  return first <= last;
}

void serve_range(Connection& c, const HttpRequest& request) {
  std::size_t first = 0, last = 0;
  if (!asked_range(request, first, last)) {
    c.send_response(416, "Requested Range Not Satisfiable",
                    {"Content-Range: bytes */" + std::to_string(payload().size())},
                    "<html>416</html>");
    return;
  }
  c.send_response(206, "Partial Content",
                  {"Content-Range: bytes " + std::to_string(first) + "-" + std::to_string(last) +
                   "/" + std::to_string(payload().size())},
                  std::string_view(payload()).substr(first, last - first + 1));
}

TEST(TransferFaults, RequestsOnTheWire) {
  ScriptServer server(ScriptServer::each_request(serve_range));
  TempDir dir;
  RecordedDownloader d;
  ASSERT_EQ(d.download(server.url("/file.bin"), dir.file("file.bin")), 1) << d.status_text();

  const std::vector<HttpRequest> requests = server.requests();
  const char* const ranges[] = {"bytes=0-20479", "bytes=20480-40959", "bytes=40960-61439"};
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(server.connection_count(), 1);  // one connection for the whole transfer
  const std::vector<std::string> ours = {"Referer",      "Accept", "User-Agent",   "Range",
                                         "Content-Type", "Pragma", "Cache-Control"};
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const HttpRequest& r = requests[i];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/file.bin");
    std::vector<std::string> names;
    for (const std::string& name : r.header_names()) {
      if (std::find(ours.begin(), ours.end(), name) != ours.end()) names.push_back(name);
    }
    EXPECT_EQ(names, ours) << i;
    EXPECT_EQ(r.header("Referer"), "");
    EXPECT_EQ(r.header("Accept"), "*/*");
    EXPECT_EQ(r.header("User-Agent"), "Mozilla/4.0 (compatible; MSIE 5.00; Windows 98)");
    EXPECT_EQ(r.header("Range"), ranges[i]);
    EXPECT_EQ(r.header("Content-Type"), "application/octet-stream");
    EXPECT_EQ(r.header("Pragma"), "no-cache");
    EXPECT_EQ(r.header("Cache-Control"), "no-cache");
  }
  ASSERT_EQ(g_progress.size(), 3u);
  EXPECT_EQ(g_progress[0].percent, 40);
  EXPECT_EQ(g_progress[1].percent, 81);
  EXPECT_EQ(g_progress[2].percent, 100);
  EXPECT_EQ(md5_file(dir.file("file.bin")), md5_hex(payload()));
}

std::string head_of_206(const std::string& content_range, std::size_t body_length) {
  return "HTTP/1.1 206 Partial Content\r\n" + content_range +
         "Content-Length: " + std::to_string(body_length) + "\r\n\r\n";
}

// Writes beyond `limit` bytes fail, as on a full disk, until the object goes.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t limit) {
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit lowered = saved_;
    lowered.rlim_cur = limit;
    setrlimit(RLIMIT_FSIZE, &lowered);
  }
  ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &saved_); }

 private:
  rlimit saved_{};
};

TEST(TransferFaults, EndsCleanAndResumes) {
  // fault(connection, request, n): handles the n-th request (1-based) of the
  // first start and returns true, or returns false to have it served soundly.
  using Fault = std::function<bool(Connection&, const HttpRequest&, int)>;
  struct Case {
    const char* name;
    Fault fault;
    std::string outcome;
    std::int64_t file_after;  // bytes of the payload in the file after the fault
    std::size_t progress_reports;
    std::int32_t time_limit_ms = 0;     // 0: the configured one
    std::size_t stop_at_report = 0;     // a progress callback that calls stop
    std::uint64_t file_size_limit = 0;  // 0: none
  } const cases[] = {
      {"200 to a range",
       [](Connection& c, const HttpRequest&, int) {
         return c.send_response(200, "OK", {}, payload());
       },
       "服务器不支持断点续传！", 0, 0},
      {"404",
       [](Connection& c, const HttpRequest&, int n) {
         return n == 2 && c.send_response(404, "Nothing Here", {}, "<html>404</html>");
       },
       "Nothing Here", 20480, 1},
      {"wrong start",
       [](Connection& c, const HttpRequest&, int n) {
         return n == 2 &&
                c.send_response(206, "Partial Content", {"Content-Range: bytes 0-20479/50000"},
                                std::string_view(payload()).substr(0, 20480));
       },
       "服务器返回的数据范围不正确！", 20480, 1},
      {"body short of its range",
       [](Connection& c, const HttpRequest&, int n) {
         return n == 2 &&
                c.send_response(206, "Partial Content", {"Content-Range: bytes 20480-40959/50000"},
                                std::string_view(payload()).substr(20480, 100));
       },
       "服务器返回的数据范围不正确！", 20480, 1},
      {"length unknown",
       [](Connection& c, const HttpRequest&, int) {
         return c.send_response(206, "Partial Content", {"Content-Range: bytes 0-20479/*"},
                                std::string_view(payload()).substr(0, 20480));
       },
       "文件长度未知！", 0, 1},
      {"no Content-Range",
       [](Connection& c, const HttpRequest&, int n) {
         return n == 2 && c.send_response(206, "Partial Content", {},
                                          std::string_view(payload()).substr(20480, 20480));
       },
       "文件长度未知！", 20480, 2},
      // A failed request reads as status 0.
      {"dropped mid-body",
       [](Connection& c, const HttpRequest&, int n) {
         if (n != 2) return false;
         c.send(head_of_206("Content-Range: bytes 20480-40959/50000\r\n", 20480) +
                payload().substr(20480, 5000));
         c.drop();
         return true;
       },
       "服务器不支持断点续传！", 20480, 1},
      {"stall",
       [](Connection& c, const HttpRequest&, int n) {
         if (n != 2) return false;
         c.stall(std::chrono::seconds(5));
         return true;
       },
       "数据下载超时，建议重试。", 20480, 1, 300},
      {"stopped by the callback", [](Connection&, const HttpRequest&, int) { return false; }, "",
       20480, 1, 0, 1},
      {"disk full", [](Connection&, const HttpRequest&, int) { return false; },
       "写入本地文件失败！", 20480, 1, 0, 0, 30000},
  };

  for (const Case& c : cases) {
    std::atomic<int> served{0};
    std::atomic<bool> sound{false};
    ScriptServer server(ScriptServer::each_request([&](Connection& conn, const HttpRequest& r) {
      if (sound.load() || !c.fault(conn, r, ++served)) serve_range(conn, r);
    }));
    TempDir dir;
    const std::string target = dir.file("file.bin");
    RecordedDownloader d;
    d.set_chunk_size(20);
    if (c.time_limit_ms != 0) d.set_time_limit_ms(c.time_limit_ms);
    g_stop_downloader = c.stop_at_report != 0 ? &d : nullptr;
    g_stop_at_report = c.stop_at_report;
    {
      FileSizeLimit limit(c.file_size_limit != 0 ? c.file_size_limit : RLIM_INFINITY);
      g_progress.clear();
      g_finish.clear();
      d.set_target(target);
      d.set_source(server.url("/file.bin"), "");
      EXPECT_EQ(d.start(), 0) << c.name;
    }
    g_stop_downloader = nullptr;
    EXPECT_EQ(d.status_text(), c.outcome) << c.name;
    EXPECT_EQ(g_progress.size(), c.progress_reports) << c.name;
    ASSERT_EQ(g_finish.size(), 1u) << c.name;
    EXPECT_EQ(g_finish[0].message, c.outcome) << c.name;
    EXPECT_EQ(file_size(target), c.file_after) << c.name;
    EXPECT_EQ(md5_file(target), md5_hex(payload().substr(0, c.file_after))) << c.name;

    sound = true;
    EXPECT_EQ(d.download(server.url("/file.bin"), target), 1) << c.name;
    EXPECT_EQ(md5_file(target), md5_hex(payload())) << c.name;
  }
}

}  // namespace
}  // namespace dorvane::testing
