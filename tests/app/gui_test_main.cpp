// The main of every GUI test program: a QApplication on the offscreen platform (unless
// the caller chose one), and a drive folder of its own so that no test writes into the
// user's home.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  dorvane::testing::TempDir data_home;
  setenv("XDG_DATA_HOME", data_home.path().c_str(), 1);
  QApplication application(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
