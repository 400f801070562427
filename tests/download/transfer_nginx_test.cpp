// Whole downloads, resumes and complete files against a real nginx.
#include <gtest/gtest.h>

#include "tests/download/transfer_recorder.h"
#include "tests/support/md5.h"
#include "tests/support/nginx_server.h"

namespace dorvane::testing {
namespace {

struct Step {
  std::int32_t percent;
  std::int64_t file_bytes;
};

TEST(TransferNginx, DownloadsResumesAndEnds) {
  const std::string payload = test_payload(50000);
  TempDir root;
  root.write_file("file.bin", payload);
  NginxServer nginx(NginxOptions(root.path()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  const std::string url = nginx.url("/file.bin");

  struct Case {
    const char* name;
    std::string local;  // the local file before the start
    std::int32_t returned;
    std::string outcome;
    std::int32_t status;  // as the finish report has it
    std::int32_t finish_percent;
    std::vector<Step> steps;  // one per progress report
    std::string file_after;
  } const cases[] = {
      {"empty file",
       "",
       1,
       "下载完毕",
       206,
       100,
       {{40, 20480}, {81, 40960}, {100, 50000}},
       payload},
      {"resumed", payload.substr(0, 30000), 1, "下载完毕", 206, 100, {{100, 50000}}, payload},
      // nginx answers 416 with an error page: it must not reach the file.
      {"complete", payload, 1, "下载完毕", 416, 0, {{0, 50000}}, payload},
      {"longer than remote",
       payload + "tail",
       0,
       "本地文件比服务器上的文件大！",
       416,
       0,
       {{0, 50004}},
       payload + "tail"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string target = dir.file("file.bin");
    if (!c.local.empty()) dir.write_file("file.bin", c.local);
    RecordedDownloader d;
    EXPECT_EQ(d.download(url, target), c.returned) << c.name;
    EXPECT_EQ(d.status_text(), c.outcome) << c.name;
    ASSERT_EQ(g_progress.size(), c.steps.size()) << c.name;
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
      EXPECT_EQ(g_progress[i].target, target) << c.name;
      EXPECT_EQ(g_progress[i].total, 50000) << c.name;
      EXPECT_GE(g_progress[i].speed, 0) << c.name;
      EXPECT_EQ(g_progress[i].percent, c.steps[i].percent) << c.name << " report " << i;
      EXPECT_EQ(g_progress[i].file_bytes, c.steps[i].file_bytes) << c.name << " report " << i;
    }
    ASSERT_EQ(g_finish.size(), 1u) << c.name;
    EXPECT_EQ(g_finish[0].url, url);
    EXPECT_EQ(g_finish[0].status, c.status) << c.name;
    EXPECT_EQ(g_finish[0].message, c.outcome) << c.name;
    EXPECT_EQ(g_finish[0].percent, c.finish_percent) << c.name;
    EXPECT_EQ(md5_file(target), md5_hex(c.file_after)) << c.name;
  }
}

// One object for several transfers, as the window uses it: the counters start
// afresh each time and a second start on the finished file ends complete.
TEST(TransferNginx, SameDownloaderAgainAndLargerFile) {
  const std::string payload = test_payload(1000003);
  TempDir root;
  root.write_file("big.bin", payload);
  NginxServer nginx(NginxOptions(root.path()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  TempDir dir;
  const std::string target = dir.file("big.bin");

  RecordedDownloader d;
  ASSERT_EQ(d.download(nginx.url("/big.bin"), target, 7), 1) << d.status_text();
  ASSERT_EQ(g_progress.size(), 140u);  // 1000003 / 7168, rounded up
  for (std::size_t i = 0; i < g_progress.size(); ++i) {
    const std::int64_t expected = std::min<std::int64_t>((i + 1) * 7168, 1000003);
    ASSERT_EQ(g_progress[i].file_bytes, expected) << i;
    EXPECT_EQ(g_progress[i].percent, expected * 100 / 1000003) << i;
  }
  EXPECT_EQ(md5_file(target), md5_hex(payload));

  EXPECT_EQ(d.start(), 1);
  EXPECT_EQ(d.status_text(), "下载完毕");
  ASSERT_EQ(g_finish.size(), 2u);
  EXPECT_EQ(g_finish[1].status, 416);
  EXPECT_EQ(md5_file(target), md5_hex(payload));

  EXPECT_EQ(d.download(nginx.url("/missing.bin"), dir.file("missing.bin")), 0);
  EXPECT_EQ(d.status_text(), "Not Found");
  EXPECT_EQ(file_size(dir.file("missing.bin")), 0);
}

}  // namespace
}  // namespace dorvane::testing
