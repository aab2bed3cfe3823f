// The window tests run the real widgets on Qt's offscreen platform, with
// Qt's Russian translation loaded as the program loads it.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "ui/qt_support.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication application(argc, argv);
  verdin::LoadQtRussian(application);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
