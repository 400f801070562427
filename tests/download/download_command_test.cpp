// The download command over a window of plain texts: the folder step, the warning
// without an address, the four-line progress label, and real transfers from nginx.
#include "download/download_command.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/windows_path.h"
#include "download/server_xml_http.h"
#include "tests/support/md5.h"
#include "tests/support/nginx_server.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

struct Box {
  Text text;
  std::int32_t style;
  std::optional<Text> title;
};

// A window whose controls are texts, recording what the command did to it.
class TextWindow : public WindowOps {
 public:
  Text control_text(Control control) override { return texts[control]; }
  void set_control_text(Control control, const Text& text) override { texts[control] = text; }
  void append_control_text(Control control, const Text& text) override { texts[control] += text; }
  void set_progress_position(Control, std::int32_t value) override { positions.push_back(value); }
  void set_timer_period(Control, std::int32_t) override {}
  std::int32_t message_box(const Text& text, std::int32_t style,
                           const std::optional<Text>& title) override {
    boxes.push_back({text, style, title});
    return 0;
  }

  std::map<Control, Text> texts;
  std::vector<std::int32_t> positions;
  std::vector<Box> boxes;
};

TEST(DownloadCommandTest, ProgressLabelHasFourLines) {
  TextWindow window;
  show_progress(window, "D:\\tessory\\a.zip", 50000, 19, 40);
  EXPECT_EQ(window.texts[Control::透明标签1],
            "D:\\tessory\\a.zip\r\n文件尺寸：50000Bit\r\n下载进度：40%\r\n下载速度：19 KB/S");
  EXPECT_EQ(window.positions, std::vector<std::int32_t>{40});
}

TEST(DownloadCommandTest, CallbacksOutsideADownloadTouchNothing) {
  EXPECT_EQ(on_progress(reinterpret_cast<Word>("x"), 1, 2, 3), 0);
  EXPECT_EQ(on_finished(0, 200, reinterpret_cast<Word>("下载完毕"), 100), 0);
}

class DownloadCommandNginxTest : public ::testing::Test {
 protected:
  DownloadCommandNginxTest() {
    register_server_xml_http();
    payload_.resize(50000);
    for (std::size_t i = 0; i < payload_.size(); ++i)
      payload_[i] = static_cast<char>(i * 7 + i / 256);
    site_.write_file("a.zip", payload_);
  }

  testing::TempDir drives_;  // XDG_DATA_HOME for this test: D:\ lands in it
  testing::TempDir site_;
  std::string payload_;
};

TEST_F(DownloadCommandNginxTest, OutcomesOfAClick) {
  setenv("XDG_DATA_HOME", drives_.path().c_str(), 1);
  testing::NginxServer nginx(testing::NginxOptions(site_.path()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  const Text url = nginx.url("/a.zip");
  struct Case {
    const char* name;
    Text folder;
    Text url;
    Box box;
    const char* created;  // a folder that exists after the click, if any
    bool file_complete;
  };
  const Case cases[] = {
      {"no address: the folder is still made, then the warning",
       "D:\\first\\",
       "",
       {"下载地址不正确，请检查地址是否已经解析！", 0, Text("友情提醒：")},
       "D:\\first",
       false},
      {"a fresh download",
       "D:\\tessory\\",
       url,
       {"下载完毕", 0, std::nullopt},
       "D:\\tessory",
       true},
      {"again: the complete file is answered with 416",
       "D:\\tessory\\",
       url,
       {"下载完毕", 0, std::nullopt},
       "D:\\tessory",
       true},
      {"a folder whose parent is missing",
       "D:\\no\\such\\",
       url,
       {"本地文件无法打开", 0, std::nullopt},
       nullptr,
       false},
  };
  ChunkDownloader downloader;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextWindow window;
    window.texts[Control::编辑框_路径] = c.folder;
    window.texts[Control::编辑框_名称] = "a.zip";
    start_download(window, downloader, c.url);
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, c.box.text);
    EXPECT_EQ(window.boxes[0].style, 0);
    EXPECT_EQ(window.boxes[0].title, c.box.title);
    if (c.created != nullptr) {
      EXPECT_TRUE(testing::file_exists(to_native_path(c.created)));
    }
    const std::string file = to_native_path(c.folder + "a.zip");
    EXPECT_EQ(testing::md5_file(file) == testing::md5_hex(payload_), c.file_complete);
    if (c.file_complete && !window.positions.empty()) {
      EXPECT_EQ(
          window.texts[Control::透明标签1].rfind(c.folder + "a.zip\r\n文件尺寸：50000Bit\r\n", 0),
          0u);
    }
  }
}

TEST_F(DownloadCommandNginxTest, ProgressReachesTheBarAndLabelChunkByChunk) {
  setenv("XDG_DATA_HOME", drives_.path().c_str(), 1);
  testing::NginxServer nginx(testing::NginxOptions(site_.path()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  TextWindow window;
  window.texts[Control::编辑框_路径] = "D:\\";
  window.texts[Control::编辑框_名称] = "a.zip";
  ChunkDownloader downloader;
  start_download(window, downloader, nginx.url("/a.zip"));
  // 50000 bytes in 20480-byte chunks.
  EXPECT_EQ(window.positions, (std::vector<std::int32_t>{40, 81, 100}));
  const Text& label = window.texts[Control::透明标签1];
  EXPECT_EQ(label.rfind("D:\\a.zip\r\n文件尺寸：50000Bit\r\n下载进度：100%\r\n下载速度：", 0), 0u)
      << label;
  EXPECT_TRUE(label.ends_with(" KB/S"));
  EXPECT_EQ(testing::md5_file(to_native_path("D:\\a.zip")), testing::md5_hex(payload_));
}

}  // namespace
}  // namespace dorvane
