#include "shell.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>

namespace platform {
namespace {

// Field codes of a desktop entry's Exec line that stand for files or URLs.
bool IsFieldCode(const QString& word) { return word.size() == 2 && word[0] == '%'; }

QStringList ExecOfDesktopEntry(const QString& entry) {
  const QString path =
      QStandardPaths::locate(QStandardPaths::ApplicationsLocation, entry);
  if (path.isEmpty()) return {};
  QSettings desktop(path, QSettings::IniFormat);
  desktop.beginGroup("Desktop Entry");
  const QString exec = desktop.value("Exec").toString();
  QStringList command;
  for (const QString& word : QProcess::splitCommand(exec))
    if (!IsFieldCode(word)) command << word;
  return command;
}

}  // namespace

bool RunProgram(const QString& program, const QStringList& arguments, const QString& directory,
                QString& error) {
  if (program.toLocal8Bit().size() > kMaxProgramPath) {
    error = QObject::tr("Program path too long: %1").arg(program.left(60) + "...");
    return false;
  }
  for (const QString& a : arguments)
    if (a.toLocal8Bit().size() > kMaxArgumentBytes) {
      error = QObject::tr("Parameter too long for %1").arg(program);
      return false;
    }
  const QString found = program.contains('/') ? program : QStandardPaths::findExecutable(program);
  const QFileInfo info(found);
  if (found.isEmpty() || !info.exists()) {
    error = QObject::tr("Can't start %1: no such program").arg(program);
    return false;
  }
  if (!info.isFile() || !info.isExecutable()) {
    error = QObject::tr("Can't start %1: not an executable program").arg(program);
    return false;
  }
  QProcess process;
  process.setProgram(found);
  process.setArguments(arguments);
  process.setWorkingDirectory(directory);
  if (!process.startDetached()) {
    error = QObject::tr("Can't start %1: %2").arg(program, process.errorString());
    return false;
  }
  return true;
}

QStringList DefaultTextEditor() {
  QProcess query;
  query.start("xdg-mime", {"query", "default", "text/plain"});
  if (query.waitForFinished(3000) && query.exitCode() == 0) {
    const QString entry = QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed();
    if (!entry.isEmpty()) {
      const QStringList command = ExecOfDesktopEntry(entry);
      if (!command.isEmpty()) return command;
    }
  }
  // Without a desktop's choice: the editors the common desktops ship.
  for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "pluma",
                             "xed", "featherpad", "leafpad"}) {
    const QString path = QStandardPaths::findExecutable(editor);
    if (!path.isEmpty()) return {path};
  }
  return {};
}

QStringList TextEditorCommand(const QString& setting) {
  const QString trimmed = setting.trimmed();
  if (trimmed.isEmpty() || trimmed.compare("NOTEPAD.EXE", Qt::CaseInsensitive) == 0)
    return DefaultTextEditor();
  return {trimmed};
}

}  // namespace platform
