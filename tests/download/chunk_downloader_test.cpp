// The downloader object: its states, preconditions, configuration, callbacks and
// sharing of the request object. A recording request class stands in for the
// HTTP object here, so each test sees exactly which members were touched.
#include "download/chunk_downloader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/files.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

// ---- the recording request class ----

struct RequestLog {
  int created = 0;
  bool refuse_creation = false;
  std::vector<std::string> calls;  // member names in call order
  double status = 206;
};
RequestLog g_request;

class RecordingRequest : public AutomationServer {
 public:
  const MemberTable* members() const override {
    static const MemberTable table{
        {"abort", MemberKind::kMethod, 0, false, &record<false>},
        {"open", MemberKind::kMethod, 3, false, &record<false>},
        {"status", MemberKind::kPropertyGet, 0, false, &record<true>},
    };
    return &table;
  }

 private:
  template <bool kStatus>
  static std::int32_t record(AutomationServer&, std::span<Variant>, Variant& result) {
    g_request.calls.push_back(kStatus ? "status" : "call");
    if (kStatus) result.value = g_request.status;
    return kAutomationOk;
  }
};

ObjectRef make_recording_request() {
  if (g_request.refuse_creation) return nullptr;
  ++g_request.created;
  return std::make_shared<RecordingRequest>();
}

// ---- the callbacks, recorded ----

struct CallbackCall {
  char kind;  // 'p' progress, 'f' finish
  std::string text1;
  std::int32_t word2;
  std::string text3;  // finish only
  std::int32_t word3;
  std::int32_t word4;
};
std::vector<CallbackCall> g_callbacks;

Word progress_a(Word target, Word total, Word speed, Word percent) {
  g_callbacks.push_back({'p', reinterpret_cast<const char*>(target),
                         static_cast<std::int32_t>(total), "", static_cast<std::int32_t>(speed),
                         static_cast<std::int32_t>(percent)});
  return 0;
}
Word finish_a(Word url, Word status, Word message, Word percent) {
  g_callbacks.push_back({'f', reinterpret_cast<const char*>(url), static_cast<std::int32_t>(status),
                         reinterpret_cast<const char*>(message), 0,
                         static_cast<std::int32_t>(percent)});
  return 0;
}
Word finish_b(Word, Word, Word, Word) {
  g_callbacks.push_back({'b', "", 0, "", 0, 0});
  return 0;
}

// Every member made readable.
struct Probe : ChunkDownloader {
  using ChunkDownloader::abort_requested_;
  using ChunkDownloader::busy_;
  using ChunkDownloader::chunk_bytes_;
  using ChunkDownloader::finish_cb_;
  using ChunkDownloader::http_;
  using ChunkDownloader::position_;
  using ChunkDownloader::progress_cb_;
  using ChunkDownloader::ready_;
  using ChunkDownloader::referer_;
  using ChunkDownloader::status_text_;
  using ChunkDownloader::target_path_;
  using ChunkDownloader::timeout_ms_;
  using ChunkDownloader::total_;
  using ChunkDownloader::url_;
};

// A member of any downloader, through the pointers Probe makes public.
template <class T>
const T& read(const ChunkDownloader& d, T ChunkDownloader::*member) {
  return d.*member;
}

class ChunkDownloaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    register_automation_class("MSXML2.ServerXMLHTTP", "{0F4C7C1E-5D1B-4C53-9C2E-7D0B1A6F3E21}",
                              &make_recording_request);
    g_request = {};
    g_callbacks.clear();
  }
};

TEST_F(ChunkDownloaderTest, FreshObjectIgnoresEverythingButInit) {
  Probe d;
  d.set_chunk_size(20);
  d.set_source("http://127.0.0.1/a", "r");
  EXPECT_EQ(d.set_target("a.bin"), 0);
  d.stop();
  EXPECT_EQ(d.start(), 0);
  EXPECT_EQ(d.status_text(), "没有初始化");
  EXPECT_TRUE(object_is_empty(d.http_));
  EXPECT_EQ(d.ready_ + d.busy_ + d.chunk_bytes_ + d.timeout_ms_ + d.position_ + d.total_ +
                d.abort_requested_,
            0);
  EXPECT_EQ(d.url_ + d.referer_ + d.target_path_, "");
  EXPECT_TRUE(g_callbacks.empty());
  EXPECT_TRUE(g_request.calls.empty());
}

TEST_F(ChunkDownloaderTest, InitOnceWithDefaultsAndChunkSizes) {
  g_request.refuse_creation = true;
  Probe d;
  EXPECT_EQ(d.init(progress_a, finish_a), 0);
  EXPECT_EQ(d.ready_, 0);
  EXPECT_EQ(d.finish_cb_, nullptr);

  g_request.refuse_creation = false;
  ASSERT_EQ(d.init(progress_a, finish_a), 1);
  EXPECT_EQ(d.ready_, 1);
  EXPECT_EQ(d.chunk_bytes_, 10240);
  EXPECT_EQ(d.timeout_ms_, 102400);
  EXPECT_EQ(d.progress_cb_, &progress_a);
  EXPECT_EQ(d.finish_cb_, &finish_a);

  // A second init keeps the request object and the first callbacks.
  EXPECT_EQ(d.init(nullptr, finish_b), 0);
  EXPECT_EQ(g_request.created, 1);
  EXPECT_EQ(d.finish_cb_, &finish_a);

  struct Size {
    std::uint8_t kb;
    std::int32_t bytes, limit_ms;
  } const sizes[] = {
      {0, 4096, 40960}, {1, 1024, 10240}, {20, 20480, 204800}, {255, 261120, 2611200}};
  for (const Size& s : sizes) {
    d.set_chunk_size(s.kb);
    EXPECT_EQ(d.chunk_bytes_, s.bytes) << int{s.kb};
    EXPECT_EQ(d.timeout_ms_, s.limit_ms) << int{s.kb};
  }

  d.set_source("http://127.0.0.1/a.zip", "");
  EXPECT_EQ(d.set_target("D:\\tessory\\a.zip"), 1);
  EXPECT_EQ(d.url_, "http://127.0.0.1/a.zip");
  EXPECT_EQ(d.target_path_, "D:\\tessory\\a.zip");
}

TEST_F(ChunkDownloaderTest, NotifyFinishedReportsStatusAndPercent) {
  Probe d;
  ASSERT_EQ(d.init(nullptr, nullptr), 1);
  d.notify_finished();  // no finish routine: nothing is read
  EXPECT_TRUE(g_request.calls.empty());
  d.release();

  ASSERT_EQ(d.init(progress_a, finish_a), 1);
  d.set_source("http://127.0.0.1/a.zip", "");
  struct Case {
    std::int32_t position, total, percent;
  } const cases[] = {{20480, 50000, 40}, {50000, 50000, 100}, {20480, 0, 0}};
  for (const Case& c : cases) {
    g_callbacks.clear();
    d.position_ = c.position;
    d.total_ = c.total;
    d.status_text_ = "下载完毕";
    d.notify_finished();
    ASSERT_EQ(g_callbacks.size(), 1u);
    const CallbackCall& call = g_callbacks[0];
    EXPECT_EQ(call.kind, 'f');
    EXPECT_EQ(call.text1, "http://127.0.0.1/a.zip");
    EXPECT_EQ(call.word2, 206);
    EXPECT_EQ(call.text3, "下载完毕");
    EXPECT_EQ(call.word4, c.percent) << c.position << "/" << c.total;
  }
}

TEST_F(ChunkDownloaderTest, StopOnlyActsWhileBusy) {
  Probe d;
  ASSERT_EQ(d.init(progress_a, finish_a), 1);
  d.stop();
  EXPECT_EQ(d.abort_requested_, 0);
  EXPECT_TRUE(g_request.calls.empty());

  d.busy_ = 1;
  d.stop();
  EXPECT_EQ(d.abort_requested_, 1);
  EXPECT_EQ(g_request.calls, std::vector<std::string>{"call"});

  // A start while busy only reports and leaves the running transfer's counters.
  d.position_ = 777;
  EXPECT_EQ(d.start(), 0);
  EXPECT_EQ(d.status_text(), "正在下载中……");
  EXPECT_EQ(d.position_, 777);
  EXPECT_EQ(d.busy_, 1);
  ASSERT_EQ(g_callbacks.size(), 1u);
  EXPECT_EQ(g_callbacks[0].text3, "正在下载中……");
}

TEST_F(ChunkDownloaderTest, ReleaseThenInitTakesNewObjectAndCallbacks) {
  Probe d;
  ASSERT_EQ(d.init(progress_a, finish_a), 1);
  d.set_chunk_size(20);
  d.set_source("http://127.0.0.1/a", "ref");
  d.set_target("a.bin");
  const ObjectRef first = d.http_.ref;

  d.release();
  EXPECT_TRUE(object_is_empty(d.http_));
  EXPECT_EQ(d.ready_ + d.chunk_bytes_ + d.timeout_ms_, 0);
  EXPECT_EQ(d.url_ + d.referer_ + d.target_path_ + d.status_text_, "");
  EXPECT_EQ(d.progress_cb_, nullptr);
  EXPECT_EQ(d.finish_cb_, nullptr);

  ASSERT_EQ(d.init(nullptr, finish_b), 1);
  EXPECT_EQ(g_request.created, 2);
  EXPECT_NE(d.http_.ref, first);
  EXPECT_EQ(d.finish_cb_, &finish_b);
}

TEST_F(ChunkDownloaderTest, CloneSharesTheRequestObject) {
  Probe d;
  ASSERT_EQ(d.init(progress_a, finish_a), 1);
  d.set_source("http://127.0.0.1/a", "ref");
  d.set_target("a.bin");
  d.position_ = 5;
  d.busy_ = 1;

  const std::unique_ptr<ChunkDownloader> copy = d.clone();
  EXPECT_EQ(read(*copy, &Probe::http_).ref, d.http_.ref);
  EXPECT_EQ(read(*copy, &Probe::url_), "http://127.0.0.1/a");
  EXPECT_EQ(read(*copy, &Probe::referer_), "ref");
  EXPECT_EQ(read(*copy, &Probe::target_path_), "a.bin");
  EXPECT_EQ(read(*copy, &Probe::position_), 5);
  EXPECT_EQ(read(*copy, &Probe::busy_), 1);
  EXPECT_EQ(read(*copy, &Probe::chunk_bytes_), 10240);
  EXPECT_EQ(read(*copy, &Probe::finish_cb_), &finish_a);

  d.busy_ = 0;
  d.destroy();
  EXPECT_TRUE(object_is_empty(d.http_));
  copy->stop();  // busy in the copy: reaches the shared object, still alive
  EXPECT_EQ(g_request.calls, std::vector<std::string>{"call"});
  EXPECT_EQ(g_request.created, 1);
}

// The local file is opened before any request: these end without one.
TEST_F(ChunkDownloaderTest, UnopenableTargets) {
  testing::TempDir dir;
  const std::string held = dir.write_file("held.bin", "abc");
  const std::int32_t other = open_file(held, 5, 4);
  ASSERT_NE(other, 0);
  const std::string targets[] = {"", dir.file("missing/a.bin"), held, dir.path()};
  for (const std::string& target : targets) {
    g_callbacks.clear();
    g_request.calls.clear();
    Probe d;
    ASSERT_EQ(d.init(progress_a, finish_a), 1);
    d.set_source("http://127.0.0.1:9/a.bin", "");
    d.set_target(target);
    EXPECT_EQ(d.start(), 0) << target;
    EXPECT_EQ(d.status_text(), "本地文件无法打开") << target;
    ASSERT_EQ(g_callbacks.size(), 1u) << target;
    EXPECT_EQ(g_callbacks[0].text3, "本地文件无法打开");
    EXPECT_EQ(g_callbacks[0].word4, 0);
    // Only the finish report read the status; no request was made.
    EXPECT_EQ(g_request.calls, std::vector<std::string>{"status"}) << target;
  }
  close_file(other);
  EXPECT_EQ(testing::read_file(held), "abc");
}

}  // namespace
}  // namespace dorvane
