// The whole job through the real window: a share link typed into 编辑框_地址, 按钮1
// against a scripted resolver, then 下载 against a real nginx, down to the file's MD5.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <cstdlib>
#include <random>
#include <utility>

#include "app/app_state.h"
#include "app/install_skin.h"
#include "app/main_window.h"
#include "app/program_main.h"
#include "app/qt_text.h"
#include "app/qt_window_ops.h"
#include "app/transparent_label.h"
#include "core/codepage.h"
#include "core/windows_path.h"
#include "download/server_xml_http.h"
#include "http/wininet_curl.h"
#include "tests/app/box_closer.h"
#include "tests/support/md5.h"
#include "tests/support/nginx_server.h"
#include "tests/support/script_server.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

using testing::BoxCloser;

// Records the caption of 透明标签1 at every paint it gets.
class PaintRecorder : public QObject {
 public:
  explicit PaintRecorder(TransparentLabel* label) : label_(label) {
    label->installEventFilter(this);
  }
  std::vector<Text> painted;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) painted.push_back(label_->text());
    return false;
  }

 private:
  TransparentLabel* label_;
};

std::string payload_of(std::size_t size) {
  std::mt19937 random(7);
  std::string bytes(size, '\0');
  for (char& byte : bytes) byte = static_cast<char>(random());
  return bytes;
}

TEST(WholeJobTest, ShareLinkToFileThroughTheWindow) {
  register_wininet_transport();
  register_server_xml_http();
  const std::string payload = payload_of(1'000'000);  // 49 chunks, the last one short
  testing::TempDir site;
  site.write_file("files/demo.bin", payload);
  testing::NginxServer nginx(testing::NginxOptions(site.path()));
  ASSERT_TRUE(nginx.ok()) << nginx.error();
  const std::string download_url = nginx.url("/files/demo.bin");
  const std::string md5 = testing::md5_hex(payload);
  testing::ScriptServer resolver(
      testing::ScriptServer::each_request([&](testing::Connection& c, const testing::HttpRequest&) {
        c.send_response(200, "OK", {"Content-Type: application/json"},
                        "{\"name\": \"demo\\u6587.bin\", \"size\": \"1000000\", \"download\": \"" +
                            download_url + "\", \"md5\": \"" + md5 + "\", \"ok\": \"1\"}");
      }));

  construct_state();
  install_skin();
  MainWindow window;
  QtWindowOps ops(window);
  connect_handlers(window, ops,
                   "http://127.0.0.1:" + std::to_string(resolver.port()) + "/baidu/?url=");
  main_window_created(ops);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  // Resolve.
  auto* link_box = static_cast<QLineEdit*>(window.control(Control::编辑框_地址));
  link_box->clear();
  QTest::keyClicks(link_box, QString::fromLatin1("https://pan.example.com/s/1xYz?pwd=ab"));
  QTest::mouseClick(window.control(Control::按钮1), Qt::LeftButton);
  ASSERT_EQ(resolver.requests().size(), 1u);
  EXPECT_EQ(resolver.requests()[0].target, "/baidu/?url=https://pan.example.com/s/1xYz?pwd=ab");
  EXPECT_EQ(ops.control_text(Control::编辑框_解析),
            "\r\n文件名称：demo文.bin\r\n\r\n文件尺寸：1000000\r\n\r\n文件 MD5：" + md5 +
                "\r\n\r\n文件地址：" + download_url + "\r\n");
  EXPECT_EQ(ops.control_text(Control::编辑框_名称), "demo文.bin");
  EXPECT_EQ(app_state().download_url, download_url);

  // Download into the initial folder, D:\tessory\, mapped under this test's drive folders.
  window.tab_control()->setCurrentIndex(1);
  PaintRecorder paints(static_cast<TransparentLabel*>(window.control(Control::透明标签1)));
  BoxCloser closer;
  std::vector<Text> painted_at_box;
  closer.on_box = [&](const testing::SeenBox&) { painted_at_box = paints.painted; };
  QElapsedTimer clock;
  clock.start();
  QTest::mouseClick(window.control(Control::下载), Qt::LeftButton);
  const qint64 elapsed_ms = clock.elapsed();

  const std::string file = to_native_path("D:\\tessory\\demo文.bin");
  EXPECT_EQ(testing::md5_file(file), md5);
  const Text label = ops.control_text(Control::透明标签1);
  const Text expected_start =
      "D:\\tessory\\demo文.bin\r\n文件尺寸：1000000Bit\r\n下载进度：100%\r\n下载速度：";
  EXPECT_EQ(label.substr(0, expected_start.size()), expected_start) << label;
  EXPECT_TRUE(label.ends_with(" KB/S")) << label;
  EXPECT_EQ(static_cast<QProgressBar*>(window.control(Control::进度条1))->value(), 100);
  ASSERT_EQ(closer.boxes.size(), 1u);
  EXPECT_EQ(closer.boxes[0].title, to_qstring("信息："));
  EXPECT_EQ(closer.boxes[0].text, to_qstring("下载完毕"));
  // Painted at most about 60 times a second, and the last report before the box.
  ASSERT_FALSE(painted_at_box.empty());
  EXPECT_EQ(painted_at_box.back(), label);
  EXPECT_LE(static_cast<qint64>(painted_at_box.size()),
            elapsed_ms / QtWindowOps::kPaintIntervalMs + 3)
      << "in " << elapsed_ms << " ms";

  // scripts/screenshot asks for a picture of each page as the job left them.
  if (const char* folder = std::getenv("DORVANE_SCREENSHOT_DIR")) {
    QTest::qWait(1200);  // the clock's first ticks
    for (auto [page, name] : {std::pair{0, "resolve.png"}, std::pair{1, "download.png"}}) {
      window.tab_control()->setCurrentIndex(page);
      EXPECT_TRUE(window.grab().save(QString::fromLocal8Bit(folder) + '/' + QLatin1String(name)));
    }
  }

  // A second click finds the file complete: the server answers 416 and the box says so again.
  QTest::mouseClick(window.control(Control::下载), Qt::LeftButton);
  ASSERT_EQ(closer.boxes.size(), 2u);
  EXPECT_EQ(closer.boxes[1].text, to_qstring("下载完毕"));
  EXPECT_EQ(testing::md5_file(file), md5);

  release_state();
}

}  // namespace
}  // namespace dorvane
