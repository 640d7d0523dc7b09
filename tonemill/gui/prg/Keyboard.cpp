#include "Keyboard.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace tonemill::wave {
namespace {

// The shift of the black key after each white key of the octave, in pixels.
constexpr int kBlackOffset[7] = {-1, 1, 0, -1, 0, 1, 0};
// The white key (0..6) of each semitone, and whether the semitone is a black key (the black
// key then follows that white key).
constexpr int kWhiteOf[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr bool kIsBlack[12] = {false, true, false, true, false, false,
                               true, false, true, false, true, false};

}  // namespace

int KeyboardGeometry::BlackWidth() const {
  const int width = noteWidth * 3 / 5;
  return width % 2 == 0 ? width + 1 : width;
}

int KeyboardGeometry::BlackLeft(int white) const {
  return (white + 1) * noteWidth - BlackWidth() / 2 + kBlackOffset[white % 7];
}

KeyboardGeometry::Hit KeyboardGeometry::KeyAt(int along, int depth, bool velocityMode) const {
  Hit hit;
  if (along < 0 || depth < 0 || depth >= keyLength || noteWidth <= 0) return hit;
  const int white = along / noteWidth;
  const int octave = white / 7, inOctave = white % 7;
  int semitone = WhiteSemitone(inOctave);
  if (depth < BlackLength()) {
    if (HasBlackAfter(inOctave) && along >= BlackLeft(white)) {
      hit.black = true;
      semitone += 1;
    } else if (inOctave > 0 && HasBlackAfter(inOctave - 1) &&
               along < BlackLeft(white - 1) + BlackWidth()) {
      hit.black = true;
      semitone = WhiteSemitone(inOctave - 1) + 1;
    }
  }
  hit.key = semitone + baseOctave * 12 + octave * 12;
  const int length = hit.black ? BlackLength() : keyLength;
  hit.velocity = velocityMode ? std::min(127, depth * 127 / std::max(1, length)) : 127;
  return hit;
}

KeyboardGeometry::Area KeyboardGeometry::KeyArea(int key) const {
  Area area;
  const int relative = key - baseOctave * 12;
  if (relative < 0 || noteWidth <= 0) return area;
  const int semitone = relative % 12;
  const int white = relative / 12 * 7 + kWhiteOf[semitone];
  if (kIsBlack[semitone]) {
    area.black = true;
    area.start = BlackLeft(white);
    area.width = BlackWidth();
    area.length = BlackLength();
    return area;
  }
  area.start = white * noteWidth;
  area.width = noteWidth;
  area.length = keyLength;
  const int inOctave = white % 7;
  if (inOctave > 0 && HasBlackAfter(inOctave - 1))
    area.cutLeft = BlackLeft(white - 1) + BlackWidth() - area.start;
  if (HasBlackAfter(inOctave)) area.cutRight = area.start + noteWidth - BlackLeft(white);
  return area;
}

TKeys::TKeys(QWidget* parent) : QWidget(parent) {
  setMinimumSize(40, 20);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void TKeys::SetNoteWidth(int width) {
  noteWidth_ = std::max(3, width);
  update();
}
void TKeys::SetOrientation(int orientation) {
  orientation_ = orientation == 1 ? 1 : 0;
  update();
}
void TKeys::SetBaseOctave(int octave) {
  baseOctave_ = octave;
  update();
}
void TKeys::SetBlackBrush(const QBrush& brush) {
  blackBrush_ = brush;
  update();
}
void TKeys::SetWhiteBrush(const QBrush& brush) {
  whiteBrush_ = brush;
  update();
}
void TKeys::SetPen(const QPen& pen) {
  pen_ = pen;
  update();
}

KeyboardGeometry TKeys::Geometry() const {
  return {noteWidth_, orientation_ == 0 ? height() : width(), baseOctave_};
}

KeyboardGeometry::Hit TKeys::HitTest(QPoint p) const {
  if (!rect().contains(p)) return {};
  return orientation_ == 0 ? Geometry().KeyAt(p.x(), p.y(), velocityMode_)
                           : Geometry().KeyAt(height() - 1 - p.y(), p.x(), velocityMode_);
}

QRect TKeys::ToWidget(int along, int depth, int w, int length) const {
  if (orientation_ == 0) return {along, depth, w, length};
  return {depth, height() - along - w, length, w};
}

QRect TKeys::KeyRect(int key) const {
  const KeyboardGeometry::Area a = Geometry().KeyArea(key);
  return a.width > 0 ? ToWidget(a.start, 0, a.width, a.length) : QRect();
}

QRegion TKeys::KeyRegion(int key) const {
  const KeyboardGeometry::Area a = Geometry().KeyArea(key);
  if (a.width <= 0) return {};
  QRegion region(ToWidget(a.start, 0, a.width, a.length));
  const int blackLength = Geometry().BlackLength();
  if (a.cutLeft > 0) region -= ToWidget(a.start, 0, a.cutLeft, blackLength);
  if (a.cutRight > 0) region -= ToWidget(a.start + a.width - a.cutRight, 0, a.cutRight, blackLength);
  return region;
}

void TKeys::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const KeyboardGeometry g = Geometry();
  const int extent = orientation_ == 0 ? width() : height();
  painter.fillRect(rect(), whiteBrush_);
  painter.setPen(pen_);
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  for (int white = 1; white * noteWidth_ < extent; ++white) {
    const QRect line = ToWidget(white * noteWidth_, 0, 1, g.keyLength);
    painter.drawLine(line.topLeft(), line.bottomRight());
  }
  painter.setBrush(blackBrush_);
  for (int white = 0; white * noteWidth_ < extent; ++white)
    if (KeyboardGeometry::HasBlackAfter(white % 7) && g.BlackLeft(white) < extent)
      painter.drawRect(ToWidget(g.BlackLeft(white), 0, g.BlackWidth(), g.BlackLength()).adjusted(0, 0, -1, -1));
  // Keys held down are shown inverted.
  painter.setCompositionMode(QPainter::CompositionMode_Difference);
  for (int key = 0; key < 128; ++key)
    if (down_.test(size_t(key))) {
      painter.setClipRegion(KeyRegion(key));
      painter.fillRect(rect(), Qt::white);
    }
}

void TKeys::Press(int key, int velocity) {
  lastKey_ = key;
  if (!down_.test(size_t(key))) {
    down_.set(size_t(key));
    update(KeyRegion(key));
  }
  emit OnNoteOn(key, velocity);
}

void TKeys::Release() {
  const int key = lastKey_;
  if (key < 0 || key > 127) return;
  lastKey_ = -1;
  if (down_.test(size_t(key))) {
    down_.reset(size_t(key));
    update(KeyRegion(key));
  }
  emit OnNoteOff(key, 0);
}

void TKeys::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const KeyboardGeometry::Hit hit = HitTest(event->position().toPoint());
  if (hit.key >= 0 && hit.key <= 127) Press(hit.key, hit.velocity);
}

void TKeys::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) Release();
}

void TKeys::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const KeyboardGeometry::Hit hit = HitTest(event->position().toPoint());
  if (hit.key < 0 || hit.key > 127 || hit.key == lastKey_) return;
  Release();
  Press(hit.key, hit.velocity);
}

}  // namespace tonemill::wave
