// The look the screenshot drivers take their pictures in: with TONEMILL_SCREENSHOT_DARK set,
// the Fusion style with a dark palette (the scale comes from QT_SCALE_FACTOR).
#pragma once

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>

#include <cstdlib>

namespace screenshots {

inline void ApplyLook() {
  const char* dark = std::getenv("TONEMILL_SCREENSHOT_DARK");
  if (!dark || !*dark) return;
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QPalette p;
  const QColor window(0x2b, 0x2d, 0x30), base(0x1e, 0x1f, 0x22), text(0xe6, 0xe6, 0xe6);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, window);
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::ToolTipBase, base);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::Highlight, QColor(0x3d, 0x7a, 0xd6));
  p.setColor(QPalette::HighlightedText, Qt::white);
  p.setColor(QPalette::PlaceholderText, QColor(0x90, 0x90, 0x90));
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, QColor(0x7a, 0x7a, 0x7a));
  QApplication::setPalette(p);
}

}  // namespace screenshots
