// Runs the WAV workshop's Qt test classes on one application object, with a settings home of
// their own (the effect dialogs keep their patch files beside TM.INI).
#include "workshop_qt.h"

#include "tonemill/files/wavwriter.h"

#include <QApplication>
#include <QTest>

#include <cmath>

namespace workshop {

void WriteSignal(const std::string& path, const tonemill::AudioFormat& format, int64_t frames) {
  std::vector<int32_t> samples;
  const double full = format.bits == 8 ? 120 : 30000;
  for (int64_t i = 0; i < frames; ++i) {
    const double t = double(i) / format.rate;
    const double envelope = 0.2 + 0.8 * std::fabs(std::sin(7 * t));
    for (int c = 0; c < format.channels; ++c) {
      const double v = full * envelope * std::sin(2 * M_PI * (c == 0 ? 440 : 587) * t + c);
      samples.push_back(format.bits == 8 ? int32_t(std::lround(v)) + 128 : int32_t(std::lround(v)));
    }
  }
  testing_support::WriteWav(path, format, samples);
}

void WriteSound(const std::string& path, tonemill::Container container, const tonemill::AudioFormat& format,
                int64_t frames) {
  std::vector<int32_t> samples;
  for (int64_t i = 0; i < frames; ++i)
    for (int c = 0; c < format.channels; ++c)
      samples.push_back(int32_t(std::lround(0.9 * INT32_MAX * std::sin(0.01 * double(i) + c))));
  std::string error;
  tonemill::SoundFile out = tonemill::SoundFile::OpenWrite(path, container, format, error);
  if (!out.IsOpen() || !out.Write(samples.data(), size_t(frames)) || !out.Close(error))
    qFatal("cannot write %s: %s", path.c_str(), error.c_str());
}

tonemill::LaunchValues LaunchFor(const std::string& input, const std::string& output, double startMs,
                                 double endMs, tonemill::ChannelChoice choice) {
  tonemill::EditorInput facts;
  if (tonemill::CheckEditorInput(input, facts)) qFatal("not an editor input: %s", input.c_str());
  return tonemill::EditorLaunch(input, output, facts, true, {startMs, endMs}, choice);
}

}  // namespace workshop

int main(int argc, char** argv) {
  testing_support::TempDir home;
  qputenv("TONEMILL_HOME", QByteArray::fromStdString(home.Path().string()));
  QApplication application(argc, argv);
  int failed = 0;
  auto run = [&](QObject&& test) { failed += QTest::qExec(&test, argc, argv); };
  run(RangeDialogsTest());
  run(EffectDialogsTest());
  run(EditorTest());
  run(MixScanTest());
  run(ScanEditTest());
  return failed == 0 ? 0 : 1;
}
