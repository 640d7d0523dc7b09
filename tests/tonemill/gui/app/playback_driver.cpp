// Plays one WAV file on the real sound device, through the Play dialog ("play") or through the
// viewer's "Play all" ("viewer"), and exits when the play has ended: 0 when it ran to its end,
// 1 when it ended otherwise, 2 when it did not end in time. Messages go to stderr. For the
// playback check of scripts/test-playback.sh.
//   playback_driver play|viewer FILE
#include "platform/messages.h"
#include "tonemill/files/settings.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/gui/app/PlayDlg.h"
#include "tonemill/gui/wave/WaviewDlg.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>

#include <cstdio>

namespace {

class PrintedMessages : public platform::MessageSink {
 public:
  platform::Answer Show(const platform::Message& message) override {
    std::fprintf(stderr, "message: %s\n", message.text.c_str());
    return platform::SafeAnswer(message.buttons);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s play|viewer FILE\n", argv[0]);
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
    // The viewer deletes itself when it closes; the pointer notices that.
    QPointer<tonemill::wave::TWAViewDlg> viewer = new tonemill::wave::TWAViewDlg(nullptr, true);
    if (!viewer->loadFile(file)) return 2;
    QObject::connect(&viewer->Player(), &tonemill::app::TMediaPlayer::Notified, &application, ended);
    viewer->show();
    viewer->playAllBtnClick();
    application.exec();
    // Its sound stream goes before the application: one left to the end of the process meets
    // the sound system's connection already torn down there (an abort inside the client
    // library, seen once in a dozen runs).
    delete viewer;
  }
  return result;
}
