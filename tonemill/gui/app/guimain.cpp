// The desktop program's entry point, called by the executable when it starts without a
// subcommand (or with one file to show).
#include "platform/qt/audiooutput.h"
#include "platform/qt/messagebox.h"
#include "tonemill/gui/app/TMmain.h"

#include <QApplication>
#include <QIcon>

extern "C" __attribute__((visibility("default"))) int TonemillGuiMain(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setApplicationName("tonemill");
  QApplication::setApplicationVersion(TONEMILL_VERSION);
  QApplication::setDesktopFileName("tonemill");
  QApplication::setWindowIcon(QIcon(":/pictures/tonemill.png"));
  platform::MessageBoxSink boxes("Tonemill for Windows 95/NT");
  platform::MessageScope scope(boxes);
  int result = 0;
  {
    tonemill::app::TTMmain window(tonemill::LocateSettings());
    window.show();
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() == 2) window.OpenFile(arguments[1]);
    result = application.exec();
  }
  // The window and its players are gone; the sound system's answer to them comes first.
  platform::SettleAudioOutputs();
  return result;
}
