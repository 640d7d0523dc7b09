#pragma once

#include <QObject>

class DialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void rulesTables();
  void copyOntoItselfIsRefusedAndKeepsTheFile();
  void copyAndMoveAskBeforeOverwriting();
  void leavingFieldsChecksOnceAndPutsTextBack();
  void groupOkOnlyForAnotherDirectory();
  void groupCopyWithAllAndAbort();
  void groupMoveReportsFailuresAndGoesOn();
  void runFormParametersAndLaunch();
  void playClockAndPictures();
  void playsWavExactToTheFrame();
  void playWithoutSoundDevice();
  void playMidiRendersIntoScratchFiles();
  void helpTopicForEveryContext();
  void aboutBoxFigures();
};
