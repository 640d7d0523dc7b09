#include "printing.h"

#include <QFile>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QPrinter>
#include <QStringDecoder>

namespace platform {
namespace {

constexpr int kTabWidth = 8;

QString Decode(const QByteArray& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError()) return text;
  return QString::fromLatin1(bytes);
}

QString ExpandTabs(const QString& line) {
  QString out;
  for (QChar c : line) {
    if (c == '\t') {
      do out += ' ';
      while (out.size() % kTabWidth != 0);
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

QStringList PrintableLines(const QByteArray& bytes, int columns) {
  if (columns < 1) columns = 1;
  QString text = Decode(bytes);
  text.replace("\r\n", "\n");
  text.replace('\r', '\n');
  QStringList lines = text.split('\n');
  if (!lines.isEmpty() && lines.back().isEmpty()) lines.removeLast();  // the last line's end
  QStringList printed;
  for (const QString& raw : lines) {
    const QString line = ExpandTabs(raw);
    if (line.isEmpty()) printed << QString();
    for (qsizetype at = 0; at < line.size(); at += columns) printed << line.mid(at, columns);
  }
  return printed;
}

bool PrintTextFile(const QString& path, QPrinter& printer, QString& error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    error = QObject::tr("Cannot open file %1").arg(path);
    return false;
  }
  const QByteArray bytes = file.readAll();
  QPainter painter;
  if (!painter.begin(&printer)) {
    error = QObject::tr("The printer cannot be started");
    return false;
  }
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPointSizeF(10);
  painter.setFont(font);
  const QFontMetrics metrics(painter.font(), painter.device());
  const QRect page = printer.pageLayout().paintRectPixels(printer.resolution());
  const int lineHeight = metrics.lineSpacing();
  const int columns = qMax(1, page.width() / qMax(1, metrics.horizontalAdvance('M')));
  int y = metrics.ascent();
  for (const QString& line : PrintableLines(bytes, columns)) {
    if (y + metrics.descent() > page.height()) {
      if (!printer.newPage()) {
        error = QObject::tr("The printer failed");
        return false;
      }
      y = metrics.ascent();
    }
    painter.drawText(0, y, line);
    y += lineHeight;
  }
  return painter.end();
}

}  // namespace platform
