// The skin engine as the program meets it: a library bound by name that reads a skin
// file and restyles the running application, and keeps both pages readable.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTest>
#include <cmath>

#include "app/main_window.h"
#include "app/skin/skin_engine.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

using AttachFn = decltype(&SkinH_AttachEx);
using AdjustFn = decltype(&SkinH_AdjustAero);

double luminance(QColor colour) {
  const auto channel = [](double c) {
    c /= 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) +
         0.0722 * channel(colour.blue());
}

// The contrast ratio of two colours, 1 to 21; 4.5 is enough for small text.
double contrast(QColor a, QColor b) {
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class SkinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    library_ = dlopen(DORVANE_SKIN_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library_, nullptr) << dlerror();
    attach_ = reinterpret_cast<AttachFn>(dlsym(library_, "SkinH_AttachEx"));
    adjust_ = reinterpret_cast<AdjustFn>(dlsym(library_, "SkinH_AdjustAero"));
    ASSERT_NE(attach_, nullptr);
    ASSERT_NE(adjust_, nullptr);
  }
  // The library stays loaded: the application keeps what it was given.

  void* library_ = nullptr;
  AttachFn attach_ = nullptr;
  AdjustFn adjust_ = nullptr;
  testing::TempDir dir_;
};

TEST_F(SkinTest, BrokenSkinFilesAreRefusedAndChangeNothing) {
  const char* kPalette =
      "window = #f0f0f0\nwindow_text = #000000\nbase = #ffffff\ntext = #000000\n"
      "button = #eeeeee\nbutton_text = #000000\naccent = #2a74c4\nhighlighted_text = #ffffff\n"
      "link = #0645ad\n";
  struct Case {
    const char* name;
    std::string content;
    int attached;
  };
  const Case cases[] = {
      {"a good one",
       std::string("DorvaneSkin 1\n[colors]\n") + kPalette +
           "[style]\nQPushButton { border-radius: ${radius}px; color: ${text}; }\n",
       1},
      {"not a skin file",
       "\x7f"
       "ELF binary",
       0},
      {"another version", std::string("DorvaneSkin 2\n[colors]\n") + kPalette, 0},
      {"a colour missing", "DorvaneSkin 1\n[colors]\nwindow = #f0f0f0\n", 0},
      {"a malformed colour",
       std::string("DorvaneSkin 1\n[colors]\n") + kPalette + "page = #ggg000\n", 0},
      {"a style naming an unknown colour",
       std::string("DorvaneSkin 1\n[colors]\n") + kPalette +
           "[style]\nQWidget { color: ${nope}; }\n",
       0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qApp->setStyleSheet(QString::fromLatin1("/* before */"));
    const std::string path = dir_.write_file("skin.she", c.content);
    EXPECT_EQ(attach_(path.c_str(), ""), c.attached);
    EXPECT_EQ(qApp->styleSheet() != QString::fromLatin1("/* before */"), c.attached == 1);
  }
  EXPECT_EQ(attach_((dir_.path() + "/missing.she").c_str(), ""), 0);
}

TEST_F(SkinTest, AeroValuesOutOfRangeAreRefused) {
  ASSERT_EQ(attach_(DORVANE_SKIN_FILE, ""), 1);
  struct Case {
    int values[9];
    int applied;
  };
  const Case cases[] = {
      {{210, 0, 0, 3, 0, 0, 0, 0, 0}, 1},    {{0, 0, 0, 0, 0, 0, 0, 0, 0}, 1},
      {{256, 0, 0, 3, 0, 0, 0, 0, 0}, 0},    {{210, 360, 0, 3, 0, 0, 0, 0, 0}, 0},
      {{210, 0, 0, 9, 0, 0, 0, 0, 0}, 0},    {{210, 0, 0, 3, 0, 0, 0, 0, 1}, 0},
      {{210, 0, -101, 3, 0, 0, 0, 0, 0}, 0},
  };
  for (const Case& c : cases) {
    const int* v = c.values;
    EXPECT_EQ(adjust_(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]), c.applied) << v[0];
  }
}

// Black captions of the transparent labels, and the palette's text pairs, stay
// readable under the skin as the program sets it up, on both pages.
TEST_F(SkinTest, TheProgramsSkinKeepsBothPagesReadable) {
  ASSERT_EQ(attach_(DORVANE_SKIN_FILE, ""), 1);
  ASSERT_EQ(adjust_(210, 0, 0, 3, 0, 0, 0, 0, 0), 1);
  const QPalette palette = QApplication::palette();
  struct Pair {
    QPalette::ColorRole text, background;
  };
  for (const Pair& pair :
       {Pair{QPalette::WindowText, QPalette::Window}, Pair{QPalette::Text, QPalette::Base},
        Pair{QPalette::ButtonText, QPalette::Button},
        Pair{QPalette::HighlightedText, QPalette::Highlight}}) {
    EXPECT_GE(contrast(palette.color(pair.text), palette.color(pair.background)), 4.5)
        << pair.text << " on " << pair.background;
  }

  MainWindow window;
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
  // Where the progress label lies (empty here), on each page, and the clock's place.
  for (int page : {0, 1}) {
    window.tab_control()->setCurrentIndex(page);
    const QImage image = window.grab().toImage();
    for (QPoint spot : {QPoint(90, 133), QPoint(340, 180), QPoint(200, 160)}) {
      EXPECT_GE(contrast(Qt::black, image.pixelColor(spot)), 7.0)
          << "page " << page << " at " << spot.x() << "," << spot.y();
    }
  }
}

}  // namespace
}  // namespace dorvane
