// Starting other programs: detached, with their arguments as a list (no shell, so blanks and
// shell characters in directories are safe), in a working directory.
#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// The longest program path and the longest single argument the system passes on.
constexpr qsizetype kMaxProgramPath = 4095;      // PATH_MAX less the terminating NUL
constexpr qsizetype kMaxArgumentBytes = 131071;  // one argument of the kernel's exec

// Starts the program and returns at once. False with `error` set (the system's reason) when
// it cannot be started; texts beyond the limits above are refused, never cut.
bool RunProgram(const QString& program, const QStringList& arguments, const QString& directory,
                QString& error);

// The desktop's default text editor as a command (program and leading arguments), or empty
// when none is known. It edits a file as text whatever the file's type.
QStringList DefaultTextEditor();

// The text editor the settings name: "NOTEPAD.EXE" (any case) and an empty entry mean the
// desktop's default text editor.
QStringList TextEditorCommand(const QString& setting);

}  // namespace platform
