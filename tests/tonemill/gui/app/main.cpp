// Runs the desktop program's test classes on one application object.
#include "dialogs_test.h"
#include "mainwindow_test.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QTEST_SET_MAIN_SOURCE_PATH
  int failed = 0;
  {
    MainWindowTest mainWindow;
    failed += QTest::qExec(&mainWindow, argc, argv);
  }
  {
    DialogsTest dialogs;
    failed += QTest::qExec(&dialogs, argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
