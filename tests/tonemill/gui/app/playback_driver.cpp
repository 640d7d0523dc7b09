// Plays one WAV file on the real sound device, through the Play dialog ("play"), the viewer's
// "Play all" ("viewer") or the viewer's "Play selected" after dragging a range from three
// quarters of the curves back to one quarter ("selected"; prints "range FIRST LAST", the frames
// played, to stdout), and exits when the play has ended: 0 when it ran to its end, 1 when it
// ended otherwise, 2 when it did not end in time. Messages go to stderr. For the playback
// check of scripts/test-playback.sh.
//   playback_driver play|viewer|selected FILE
#include "platform/messages.h"
#include "platform/qt/audiooutput.h"
#include "tonemill/files/settings.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/gui/app/PlayDlg.h"
#include "tonemill/gui/wave/WaviewDlg.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>

#include <execinfo.h>
#include <unistd.h>

namespace {

class PrintedMessages : public platform::MessageSink {
 public:
  platform::Answer Show(const platform::Message& message) override {
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
    return platform::SafeAnswer(message.buttons);
  }
};

// A crash prints where it happened to stderr (which the playback check shows on a failure),
// then ends the process as the signal would have.
void PrintWhereAndDie(int signal) {
  void* frames[64];
  const int count = backtrace(frames, 64);
  const char heading[] = "crash; the stack:\n";
  (void)!write(2, heading, sizeof heading - 1);
  backtrace_symbols_fd(frames, count, 2);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

int main(int argc, char** argv) {
  for (const int signal : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE}) std::signal(signal, PrintWhereAndDie);
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s play|viewer|selected FILE\n", argv[0]);
    return 2;
  }
  PrintedMessages messages;
  platform::MessageScope scope(messages);
  const QString mode = argv[1], file = argv[2];
  const tonemill::TWAVheader header(file.toStdString());
  if (!header.Valid) return 2;
  const int bytesPerSecond = header.SampleRate * header.Channels * header.BitsPerSample / 8;
  const int seconds = header.DataSize / bytesPerSecond + 10;
  int result = 2;
  auto ended = [&](tonemill::app::TMediaPlayer::Notify notify) {
    result = notify == tonemill::app::TMediaPlayer::Notify::Successful ? 0 : 1;
    application.quit();
  };
  QTimer::singleShot(seconds * 1000, &application, &QApplication::quit);
  if (mode == "play") {
    tonemill::app::TPlayDlg dialog(nullptr, file, tonemill::Settings{});
    QObject::connect(&dialog.Player(), &tonemill::app::TMediaPlayer::Notified, &application, ended);
    dialog.show();
    application.exec();
  } else {
    // The viewer deletes itself when it closes (the pointer notices that); its player goes
    // before the application, as the program's viewers go with their editor.
    const bool selected = mode == "selected";
    // Samples as the unit: the marked range reads as frames.
    QPointer<tonemill::wave::TWAViewDlg> viewer = new tonemill::wave::TWAViewDlg(nullptr, !selected);
    if (!viewer->loadFile(file)) return 2;
    QObject::connect(&viewer->Player(), &tonemill::app::TMediaPlayer::Notified, &application, ended);
    viewer->show();
    if (selected) {
      while (viewer->Drawing()) application.processEvents(QEventLoop::WaitForMoreEvents, 50);
      application.processEvents();
      const int width = viewer->findChild<QWidget*>("curves")->width();
      viewer->curvesDragStart(3 * width / 4);
      viewer->curvesDrag(3 * width / 4, width / 4);
      const auto range = viewer->MarkedRange();
      if (!range) return 2;
      std::printf("range %.0f %.0f\n", std::min(range->first, range->second), std::max(range->first, range->second));
      std::fflush(stdout);
      viewer->playSelectedBtnClick();
    } else {
      viewer->playAllBtnClick();
    }
    application.exec();
    delete viewer;
  }
  // The player's sound stream is closed; the sound system's answer to that comes before the
  // process ends, as in the program.
  platform::SettleAudioOutputs();
  return result;
}
