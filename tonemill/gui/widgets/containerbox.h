// The choice of a song's container beside its file field: WAV, FLAC, Ogg Vorbis, Opus, MP3 and
// AIFF. Choosing one gives the field's name that container's extension; a name typed with a
// known extension selects its container. The name's extension is what counts.
#pragma once

#include "tonemill/files/soundfile.h"

#include <QComboBox>

#include <optional>

class QLineEdit;

namespace tonemill::ui {

class TContainerBox : public QComboBox {
  Q_OBJECT
 public:
  TContainerBox(QLineEdit* field, QWidget* parent);
  // The container the field's name chooses; nothing for an extension that names none.
  std::optional<Container> Chosen() const;
  // A box put right of `field` in its row of the window's layout (a form, a grid or a box).
  static TContainerBox* Beside(QLineEdit* field);
  // The message for a name whose extension names no container.
  static QString UnknownExtensionMessage(const QString& name);
  // The field's name with the extension of `container` (a name without one gets it added).
  static QString WithExtension(const QString& name, Container container);

 private:
  void Follow();
  QLineEdit* field_;
};

}  // namespace tonemill::ui
