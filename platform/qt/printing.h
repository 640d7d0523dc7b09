// Printing a text file line by line: a monospaced font, tabs every 8 columns, long lines
// wrapped, UTF-8 text (Latin-1 when the bytes are not valid UTF-8).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QPrinter;

namespace platform {

// The file's text as printed lines of at most `columns` characters.
QStringList PrintableLines(const QByteArray& bytes, int columns);

// Prints the file; false with `error` set when it cannot be read or the printer fails.
bool PrintTextFile(const QString& path, QPrinter& printer, QString& error);

}  // namespace platform
