// What the WAV workshop's Qt tests share: test files, launch values, scripted answers and the
// test classes run by workshop_qt_main.cpp.
#pragma once

#include "tests/support/testfiles.h"
#include "tests/tonemill/gui/app/qttesting.h"
#include "tonemill/files/soundfile.h"
#include "tonemill/wave/selection.h"

#include <QObject>
#include <QString>

#include <string>
#include <vector>

namespace workshop {

// A WAV file of `frames` frames: a loud, changing signal (stereo: the right channel differs).
void WriteSignal(const std::string& path, const tonemill::AudioFormat& format, int64_t frames);
// The same signal at 90 % of full scale through the sound file writer: any container and width.
void WriteSound(const std::string& path, tonemill::Container container, const tonemill::AudioFormat& format,
                int64_t frames);
// The launch values the editor would hand over for the file: the selection in ms, a channel.
tonemill::LaunchValues LaunchFor(const std::string& input, const std::string& output, double startMs,
                                 double endMs, tonemill::ChannelChoice choice);
inline std::vector<uint8_t> Bytes(const std::string& path) { return testing_support::ReadBytes(path); }

}  // namespace workshop

class RangeDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void runsLikeTheEngine();
  void fieldsRestoreBadTextAndSpinWithinRange();
  void overwriteCancelClosesAndCancelKeepsValidOutput();
  void previewPlaysWhatTheEngineMakesOfTheFirstSeconds();
};

class EffectDialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void patchGridAndFileRoundTrip();
  void runsLikeTheEngineInBothUnits();
  void vocoderControlFileBandsAndEquidistant();
  void cancelMidRunLeavesValidOutput();
  void previewPlaysTheFirstSecondsAndLeavesTheTarget();
};

class EditorTest : public QObject {
  Q_OBJECT
 private slots:
  void inputAndOutputChecks();
  void selectionEditsUnitsAndLaunchValues();
  void editorOperationsAndSwap();
  void viewerMarkingImportAndClosing();
  void viewerPlaysExactFramesAndStops();
  void viewerSummaryStopsAndGoesOn();
  void editorAndViewerFitAndKeepTheirSize();
  void wideAndOtherContainerInputs();
  void keepChunksAndTags();
};

class MixScanTest : public QObject {
  Q_OBJECT
 private slots:
  void mixerGridChecksAndRun();
  void mixerTakesAnyInputAndOutputEncoding();
  void scanFiguresAndCancel();
  void scanDecodesOtherEncodings();
};

class ScanEditTest : public QObject {
  Q_OBJECT
 private slots:
  void editDialogWays();
  void mainWindowScanAndEdit();
};
