#pragma once

#include <QObject>

class DialogsTest : public QObject {
  Q_OBJECT
 private slots:
  void copyOntoItselfIsRefusedAndKeepsTheFile();
  void copyAndMoveAskBeforeOverwriting();
  void leavingFieldsChecksOnceAndPutsTextBack();
  void groupOkOnlyForAnotherDirectory();
  void groupCopyWithAll();
  void groupMoveReportsFailuresAndGoesOn();
  void runFormLaunches();
  void playsWavExactToTheFrame();
  void playWithoutSoundDevice();
  void playsOtherFormatsDecoded();
  void playMidiRendersIntoScratchFiles();
  void helpTopicForEveryContext();
  void aboutBoxFigures();
  void everyDialogShowsItsTextsWhole();
};
