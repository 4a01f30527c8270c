// The GUI tests' entry point: one QApplication for every test, on Qt's offscreen platform unless
// the environment names another (a real display under Xvfb), with the program's Japanese font.
#include <gtest/gtest.h>

#include <QApplication>

#include "gui/window_front_end.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  ::testing::InitGoogleTest(&argc, argv);
  QApplication application(argc, argv);
  kelmo::UseApplicationFont();
  return RUN_ALL_TESTS();
}
