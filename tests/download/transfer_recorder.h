// Runs one download with callbacks that record every report, for the transfer
// tests against real servers. The callbacks are plain routines, so what they
// record lives in globals of this header.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "download/chunk_downloader.h"
#include "download/server_xml_http.h"
#include "tests/support/temp_dir.h"

namespace dorvane::testing {

struct ProgressReport {
  std::string target;
  std::int32_t total, speed, percent;
  std::int64_t file_bytes;  // the local file's size when the report came
};
struct FinishReport {
  std::string url;
  std::int32_t status;
  std::string message;
  std::int32_t percent;
};

inline std::vector<ProgressReport> g_progress;
inline std::vector<FinishReport> g_finish;
// When set, the progress callback stops this downloader at its n-th report.
inline ChunkDownloader* g_stop_downloader = nullptr;
inline std::size_t g_stop_at_report = 0;

inline Word record_progress(Word target, Word total, Word speed, Word percent) {
  const char* path = reinterpret_cast<const char*>(target);
  g_progress.push_back({path, static_cast<std::int32_t>(total), static_cast<std::int32_t>(speed),
                        static_cast<std::int32_t>(percent), file_size(path)});
  if (g_stop_downloader != nullptr && g_progress.size() == g_stop_at_report) {
    g_stop_downloader->stop();
  }
  return 0;
}

inline Word record_finish(Word url, Word status, Word message, Word percent) {
  g_finish.push_back({reinterpret_cast<const char*>(url), static_cast<std::int32_t>(status),
                      reinterpret_cast<const char*>(message), static_cast<std::int32_t>(percent)});
  return 0;
}

// A downloader as the download command sets it up, over the real request object.
class RecordedDownloader : public ChunkDownloader {
 public:
  RecordedDownloader() {
    register_server_xml_http();
    EXPECT_EQ(init(record_progress, record_finish), 1);
  }
  ~RecordedDownloader() override {
    if (g_stop_downloader == this) g_stop_downloader = nullptr;
  }

  // Clears the records and runs start() on `url` into `target`.
  std::int32_t download(const std::string& url, const std::string& target,
                        std::uint8_t chunk_kb = 20) {
    g_progress.clear();
    g_finish.clear();
    set_target(target);
    set_source(url, "");
    set_chunk_size(chunk_kb);
    return start();
  }

  // Shortens the per-chunk time limit, which is otherwise ten times the chunk size in ms.
  void set_time_limit_ms(std::int32_t ms) { timeout_ms_ = ms; }
};

// `n` bytes that differ from chunk to chunk, so a doubled or missing range shows in the MD5.
inline std::string test_payload(std::size_t n) {
  std::string bytes(n, '\0');
  std::uint32_t x = 2463534242u;
  for (char& b : bytes) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<char>(x);
  }
  return bytes;
}

}  // namespace dorvane::testing
