// The real main window on the offscreen platform: its controls, its pages and the window
// operations through which the commands use it.
#include "app/main_window.h"

#include <gtest/gtest.h>

#include <QDesktopServices>
#include <QGuiApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/program_main.h"
#include "app/progress_bar.h"
#include "app/qt_text.h"
#include "app/qt_window_ops.h"
#include "core/clock.h"
#include "tests/app/box_closer.h"
#include "tests/app/url_catcher.h"

namespace dorvane {
namespace {

enum class Shown { kBothPages, kResolvePage, kDownloadPage, kNever };

struct ExpectedControl {
  Control control;
  const char* name;
  bool on_tab_control;  // placed in the tab control's coordinates
  QRect geometry;
  const char* text;
  Shown shown;
  bool takes_focus;
};

const ExpectedControl kExpected[] = {
    {Control::选择夹1, "选择夹1", false, {1, 2, 424, 310}, "", Shown::kBothPages, true},
    {Control::透明标签1, "透明标签1", false, {87, 130, 257, 54}, "", Shown::kBothPages, false},
    {Control::编辑框_地址,
     "编辑框_地址",
     true,
     {8, 32, 320, 24},
     nullptr,
     Shown::kResolvePage,
     true},
    {Control::按钮1, "按钮1", true, {336, 32, 72, 24}, "一键解析", Shown::kResolvePage, true},
    {Control::编辑框_解析, "编辑框_解析", true, {8, 64, 400, 198}, "", Shown::kResolvePage, true},
    {Control::超级链接框1,
     "超级链接框1",
     true,
     {231, 270, 176, 16},
     "点击进入岚舟论坛,更多实用工具",
     Shown::kResolvePage,
     false},
    {Control::透明标签2, "透明标签2", true, {7, 289, 184, 16}, "", Shown::kResolvePage, false},
    {Control::透明标签3,
     "透明标签3",
     true,
     {255, 288, 160, 21},
     "By:Orlen       V1.0",
     Shown::kResolvePage,
     false},
    {Control::时钟2, "时钟2", false, {}, "", Shown::kNever, false},
    {Control::标签2, "标签2", true, {16, 56, 64, 24}, "下载路径：", Shown::kDownloadPage, false},
    {Control::编辑框_路径,
     "编辑框_路径",
     true,
     {94, 57, 290, 24},
     "D:\\tessory\\",
     Shown::kDownloadPage,
     true},
    {Control::标签3, "标签3", true, {16, 98, 64, 24}, "文件名称：", Shown::kDownloadPage, false},
    {Control::编辑框_名称, "编辑框_名称", true, {93, 98, 290, 24}, "", Shown::kDownloadPage, true},
    {Control::进度条1, "进度条1", true, {23, 199, 369, 15}, "", Shown::kDownloadPage, false},
    {Control::下载, "下载", true, {96, 223, 224, 31}, "下载", Shown::kDownloadPage, true},
    {Control::透明标签4,
     "透明标签4",
     true,
     {52, 268, 312, 16},
     "本功能可能会出错，建议通过迅雷、旋风等下载引擎下载！",
     Shown::kDownloadPage,
     false},
    {Control::时钟1, "时钟1", false, {}, "", Shown::kNever, false},
};

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() : ops(window) {
    window.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
  }

  MainWindow window;
  QtWindowOps ops;
};

TEST_F(MainWindowTest, WindowIsFixedCentredAndTitled) {
  EXPECT_EQ(window.windowTitle(), QString::fromLatin1("Dorvane "));
  EXPECT_EQ(window.frameGeometry().size(), QSize(437, 344));
  EXPECT_EQ(window.minimumSize(), window.maximumSize()) << "the frame is fixed";
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_TRUE(window.windowFlags() & Qt::WindowMinimizeButtonHint);
  window.centre_on_screen();
  const QRect screen = window.screen()->geometry();
  EXPECT_EQ(window.frameGeometry().topLeft(),
            QPoint((screen.width() - 437) / 2, (screen.height() - 344) / 2));
}

TEST_F(MainWindowTest, EveryControlHasItsPlaceTextAndPage) {
  QTabWidget* tabs = window.findChild<QTabWidget*>(to_qstring("选择夹1"));
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->count(), 2);
  EXPECT_EQ(tabs->tabText(0), to_qstring("解析中心"));
  EXPECT_EQ(tabs->tabText(1), to_qstring("下载中心"));
  EXPECT_EQ(tabs->currentIndex(), 0) << "the first page is shown at start";

  for (int page : {0, 1, 0}) {
    tabs->setCurrentIndex(page);
    for (const ExpectedControl& expected : kExpected) {
      SCOPED_TRACE(expected.name);
      QObject* object = window.findChild<QObject*>(to_qstring(expected.name));
      ASSERT_NE(object, nullptr) << "found by its name";
      if (expected.shown == Shown::kNever) {
        auto* timer = qobject_cast<QTimer*>(object);
        ASSERT_NE(timer, nullptr);
        EXPECT_FALSE(timer->isActive()) << "period 0 at start";
        continue;
      }
      auto* widget = qobject_cast<QWidget*>(object);
      ASSERT_NE(widget, nullptr);
      EXPECT_EQ(widget->parentWidget(),
                expected.on_tab_control ? static_cast<QWidget*>(tabs) : &window);
      EXPECT_EQ(widget->geometry(), expected.geometry);
      const bool shown = expected.shown == Shown::kBothPages ||
                         (expected.shown == Shown::kResolvePage) == (page == 0);
      EXPECT_EQ(widget->isVisible(), shown) << "page " << page;
      EXPECT_EQ(widget->focusPolicy() != Qt::NoFocus, expected.takes_focus);
      if (expected.text != nullptr) {
        EXPECT_EQ(ops.control_text(expected.control), Text(expected.text));
      }
    }
  }
  // The example share link is a link of a neutral example host.
  EXPECT_TRUE(ops.control_text(Control::编辑框_地址).starts_with("https://pan.example.com/"));
  // The progress label lies over the tab control, on both pages.
  const QObjectList& stacking = window.children();
  EXPECT_GT(stacking.indexOf(window.control(Control::透明标签1)), stacking.indexOf(tabs));
}

// The colours the form gives its labels reach the screen.
TEST_F(MainWindowTest, LabelsDrawInTheirColours) {
  struct Case {
    int page;
    Control label;
    QRgb colour;
  };
  for (const Case& c : {Case{0, Control::透明标签3, qRgb(255, 0, 255)},
                        Case{1, Control::透明标签4, qRgb(0, 0, 0)}}) {
    window.tab_control()->setCurrentIndex(c.page);
    const QWidget* label = window.control(c.label);
    const QImage image = window.grab(QRect(label->mapTo(&window, QPoint(0, 0)), label->size()))
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    // Text is smoothed at its edges: count the pixels close to the colour.
    const auto close = [&](QRgb p) {
      return std::abs(qRed(p) - qRed(c.colour)) + std::abs(qGreen(p) - qGreen(c.colour)) +
                 std::abs(qBlue(p) - qBlue(c.colour)) <
             60;
    };
    int in_colour = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) in_colour += close(image.pixel(x, y));
    }
    EXPECT_GT(in_colour, 40) << "pixels of the caption's colour in "
                             << label->objectName().toStdString();
  }
}

TEST_F(MainWindowTest, ClockShowsDateAndTimeAfterATick) {
  connect_handlers(window, ops, "http://127.0.0.1:9/baidu/?url=");
  EXPECT_EQ(ops.control_text(Control::透明标签2), "") << "empty before the first tick";
  ops.set_timer_period(Control::时钟2, 500);
  const Text before = datetime_to_text(now());
  ASSERT_TRUE(QTest::qWaitFor([&] { return !ops.control_text(Control::透明标签2).empty(); }, 3000));
  const Text shown = ops.control_text(Control::透明标签2);
  const Text after = datetime_to_text(now());
  EXPECT_TRUE(shown == before || shown == after) << shown;
  EXPECT_NE(shown.find("年"), Text::npos);
}

TEST_F(MainWindowTest, AppendGoesToTheEndWhateverTheCaretAndCannotBeUndone) {
  struct Case {
    const char* name;
    const char* content;
    int anchor, caret;  // the user's selection before the appends
  };
  auto* edit = static_cast<QPlainTextEdit*>(window.control(Control::编辑框_解析));
  for (const Case& c : {Case{"caret at the start", "xy", 0, 0},
                        Case{"selection in between", "xy", 0, 1}, Case{"empty box", "", 0, 0}}) {
    SCOPED_TRACE(c.name);
    ops.set_control_text(Control::编辑框_解析, c.content);
    QTextCursor cursor = edit->textCursor();
    cursor.setPosition(c.anchor);
    cursor.setPosition(c.caret, QTextCursor::KeepAnchor);
    edit->setTextCursor(cursor);
    for (const char* piece : {"a", "\r\nb", "\r\nc"})
      ops.append_control_text(Control::编辑框_解析, piece);
    const Text expected = Text(c.content) + "a\r\nb\r\nc";
    EXPECT_EQ(ops.control_text(Control::编辑框_解析), expected);
    EXPECT_EQ(edit->document()->blockCount(), 3);
    EXPECT_FALSE(edit->textCursor().hasSelection());
    EXPECT_EQ(edit->textCursor().position(), edit->document()->characterCount() - 1)
        << "the caret is left after the added text";
    edit->undo();
    EXPECT_EQ(ops.control_text(Control::编辑框_解析), expected);
  }
}

TEST_F(MainWindowTest, ProgressPositionIsClampedAndShownWithinTheBar) {
  auto* bar = static_cast<ProgressBar*>(window.control(Control::进度条1));
  struct Case {
    std::int32_t value, stored, shown;
  };
  for (const Case& c : {Case{40, 40, 40}, Case{150, 150, 100}, Case{-5, 0, 0},
                        Case{40000, 32767, 100}, Case{100, 100, 100}}) {
    ops.set_progress_position(Control::进度条1, c.value);
    EXPECT_EQ(bar->position(), c.stored) << c.value;
    EXPECT_EQ(bar->value(), c.shown) << c.value;
  }
}

TEST_F(MainWindowTest, TimerPeriodRestartsOnlyOnAChange) {
  QTimer* timer = window.timer(Control::时钟2);
  ops.set_timer_period(Control::时钟2, 500);
  ASSERT_TRUE(timer->isActive());
  QTest::qWait(250);
  ops.set_timer_period(Control::时钟2, 500);
  EXPECT_LE(timer->remainingTime(), 300) << "the same period does not restart the timer";
  ops.set_timer_period(Control::时钟2, 200);
  EXPECT_EQ(timer->interval(), 200);
  EXPECT_GT(timer->remainingTime(), 100) << "a new period starts a full period from now";
  ops.set_timer_period(Control::时钟2, 0);
  EXPECT_FALSE(timer->isActive());
  ops.set_timer_period(Control::时钟2, -7);
  EXPECT_FALSE(timer->isActive()) << "a negative period counts as 0";
}

TEST_F(MainWindowTest, MessageBoxTitleButtonsAndResult) {
  struct Case {
    std::int32_t style;
    std::optional<Text> title;
    const char* shown_title;
    std::vector<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton press;
    std::int32_t result;
  };
  const Case cases[] = {
      {0, std::nullopt, "信息：", {QMessageBox::Ok}, QMessageBox::Ok, 0},
      {0, Text("友情提醒："), "友情提醒：", {QMessageBox::Ok}, QMessageBox::Ok, 0},
      {4, std::nullopt, "信息：", {QMessageBox::Yes, QMessageBox::No}, QMessageBox::No, 6},
      {1, std::nullopt, "信息：", {QMessageBox::Ok, QMessageBox::Cancel}, QMessageBox::Cancel, 1},
      {2,
       std::nullopt,
       "信息：",
       {QMessageBox::Abort, QMessageBox::Retry, QMessageBox::Ignore},
       QMessageBox::Retry,
       3},
  };
  for (const Case& c : cases) {
    testing::BoxCloser closer(c.press);
    EXPECT_EQ(ops.message_box("第一行\r\n第二行", c.style, c.title), c.result);
    ASSERT_EQ(closer.boxes.size(), 1u);
    const testing::SeenBox& seen = closer.boxes[0];
    EXPECT_EQ(seen.title, to_qstring(c.shown_title));
    EXPECT_EQ(seen.text, to_qstring("第一行\n第二行"));
    auto buttons = seen.buttons;
    std::sort(buttons.begin(), buttons.end());
    auto expected = c.buttons;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(buttons, expected);
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.modality, Qt::ApplicationModal) << "every window of the program waits";
  }
}

TEST_F(MainWindowTest, HyperlinkOpensItsAddressOnAPress) {
  testing::UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QString::fromLatin1("https"), &catcher, "open");
  QWidget* link = window.control(Control::超级链接框1);
  QTest::mouseClick(link, Qt::RightButton);
  EXPECT_TRUE(catcher.urls.empty());
  QTest::mousePress(link, Qt::LeftButton);
  QDesktopServices::unsetUrlHandler(QString::fromLatin1("https"));
  ASSERT_EQ(catcher.urls.size(), 1u);
  EXPECT_TRUE(catcher.urls[0].host().endsWith(QString::fromLatin1("example.com")))
      << catcher.urls[0].toString().toStdString();
}

}  // namespace
}  // namespace dorvane
