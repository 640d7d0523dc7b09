#pragma once

#include <QObject>

class MainWindowTest : public QObject {
  Q_OBJECT
 private slots:
  void firstStartWritesSettingsAndDirectories();
  void buttonsFollowTheSelectedFile();
  void missingDirectoryDisablesListWithOneMessage();
  void filterIgnoresCaseAndHidesDotFiles();
  void placeIsListedWithoutChangingSettings();
  void deletesOneAndSeveralFiles();
  void fileArgumentListsItsDirectoryAndSelectsIt();
  void relativeEntriesResolveOnceAndAreWrittenBackAsTheyWere();
  void aCopiedFolderOffersItsOwnDirectories();
  void exitWithFocusedDirectoryFieldRunsNoCheck();
  void listSortsNaturallyAndKeepsNamesOffTheColumns();
  void droppedFilesAreCopiedThroughCopy();
  void placeIsRestoredOnTheScreenAndOnlyItsChangesWritten();
};
