// TKeys: an on-screen piano keyboard. White keys repeat c d e f g a b; a black key follows c,
// d, f, g and a. Horizontal keys run left to right with their far ends at the top; vertical
// keys run bottom to top with their far ends at the left. A click presses a key (inverted on
// screen) and fires OnNoteOn with a velocity that grows towards the near end of the key;
// dragging with the button held moves to the next key (a glissando); releasing fires
// OnNoteOff.
#pragma once

#include <QBrush>
#include <QPen>
#include <QRect>
#include <QWidget>

#include <bitset>

namespace tonemill::wave {

// The keyboard's geometry without Qt: positions are counted along the keyboard (x in the
// horizontal orientation), depth across it from the keys' far ends.
struct KeyboardGeometry {
  int noteWidth = 10;  // a white key's width
  int keyLength = 50;  // a white key's length
  int baseOctave = 3;

  // Black keys are 3/5 of a white key long and 3/5 wide, made odd.
  int BlackLength() const { return keyLength * 3 / 5; }
  int BlackWidth() const;
  // Whether the white key 0..6 of an octave (c d e f g a b) has a black key after it.
  static bool HasBlackAfter(int white) { return white != 2 && white != 6; }
  // The semitone of the white key 0..6: 0, 2, 4 for c, d, e and 5, 7, 9, 11 for f to b.
  static int WhiteSemitone(int white) { return white < 3 ? 2 * white : 2 * white - 1; }
  // The left edge of the black key after white key `white` (counted from the first key),
  // centred on the boundary and shifted by the table (-1, 1, 0, -1, 0, 1, 0).
  int BlackLeft(int white) const;

  struct Hit {
    int key = -1;  // -1: no key there
    bool black = false;
    int velocity = 0;
  };
  // The key under a point; `velocityMode` off gives 127.
  Hit KeyAt(int along, int depth, bool velocityMode) const;

  // Where a key lies: along the keyboard from `start` for `width`, and as deep as `length`.
  // A white key's area leaves out the black keys beside it (`cutLeft`, `cutRight` from its
  // sides down to the black length). Nothing (width 0) for a key outside the keyboard.
  struct Area {
    int start = 0, width = 0, length = 0;
    bool black = false;
    int cutLeft = 0, cutRight = 0;
  };
  Area KeyArea(int key) const;
};

class TKeys : public QWidget {
  Q_OBJECT
  Q_PROPERTY(int NoteWidth READ NoteWidth WRITE SetNoteWidth)
  Q_PROPERTY(int Orientation READ Orientation WRITE SetOrientation)
  Q_PROPERTY(int BaseOctave READ BaseOctave WRITE SetBaseOctave)
  Q_PROPERTY(bool VelocityMode READ VelocityMode WRITE SetVelocityMode)
  Q_PROPERTY(QBrush BlackBrush READ BlackBrush WRITE SetBlackBrush)
  Q_PROPERTY(QBrush WhiteBrush READ WhiteBrush WRITE SetWhiteBrush)
  Q_PROPERTY(QPen Pen READ Pen WRITE SetPen)
 public:
  explicit TKeys(QWidget* parent = nullptr);

  int NoteWidth() const { return noteWidth_; }
  void SetNoteWidth(int width);
  // 0 horizontal, 1 vertical.
  int Orientation() const { return orientation_; }
  void SetOrientation(int orientation);
  int BaseOctave() const { return baseOctave_; }
  void SetBaseOctave(int octave);
  bool VelocityMode() const { return velocityMode_; }
  void SetVelocityMode(bool on) { velocityMode_ = on; }
  QBrush BlackBrush() const { return blackBrush_; }
  void SetBlackBrush(const QBrush& brush);
  QBrush WhiteBrush() const { return whiteBrush_; }
  void SetWhiteBrush(const QBrush& brush);
  QPen Pen() const { return pen_; }
  void SetPen(const QPen& pen);

  bool IsDown(int key) const { return key >= 0 && key < 128 && down_.test(size_t(key)); }
  int LastKey() const { return lastKey_; }
  KeyboardGeometry Geometry() const;
  // The key under a point of the widget.
  KeyboardGeometry::Hit HitTest(QPoint point) const;
  // A key's area on the widget (its bounding rectangle; a white key's corners under the black
  // keys are not part of it).
  QRect KeyRect(int key) const;
  QSize sizeHint() const override { return {200, 50}; }

 signals:
  void OnNoteOn(int note, int velocity);
  void OnNoteOff(int note, int velocity);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void Press(int key, int velocity);
  void Release();
  QRegion KeyRegion(int key) const;
  // A rectangle given along and across the keyboard, on the widget.
  QRect ToWidget(int along, int depth, int width, int length) const;

  int noteWidth_ = 10;
  int orientation_ = 0;
  int baseOctave_ = 3;
  bool velocityMode_ = true;
  QBrush blackBrush_{Qt::black};
  QBrush whiteBrush_{Qt::white};
  QPen pen_{Qt::black};
  std::bitset<128> down_;
  int lastKey_ = -1;
};

}  // namespace tonemill::wave
