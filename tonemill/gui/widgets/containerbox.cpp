#include "containerbox.h"

#include "dialog.h"

#include <QBoxLayout>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QLineEdit>

namespace tonemill::ui {
namespace {

constexpr Container kContainers[] = {Container::Wav, Container::Flac, Container::Ogg,
                                     Container::Opus, Container::Mp3, Container::Aiff};

}  // namespace

TContainerBox* TContainerBox::Beside(QLineEdit* field) {
  auto* box = new TContainerBox(field, field->parentWidget());
  QLayout* holder = LayoutHolding(field->window()->layout(), field);
  auto* line = new QHBoxLayout;
  line->setContentsMargins(0, 0, 0, 0);
  if (auto* form = qobject_cast<QFormLayout*>(holder)) {
    int row = 0;
    QFormLayout::ItemRole role;
    form->getWidgetPosition(field, &row, &role);
    QLayoutItem* label = form->itemAt(row, QFormLayout::LabelRole);
    QWidget* caption = label ? label->widget() : nullptr;
    const QFormLayout::TakeRowResult taken = form->takeRow(row);
    delete taken.labelItem;
    delete taken.fieldItem;
    line->addWidget(field, 1);
    line->addWidget(box);
    form->insertRow(row, caption, line);
  } else if (auto* grid = qobject_cast<QGridLayout*>(holder)) {
    const int index = grid->indexOf(field);
    int row = 0, column = 0, rows = 1, columns = 1;
    grid->getItemPosition(index, &row, &column, &rows, &columns);
    delete grid->takeAt(index);
    line->addWidget(field, 1);
    line->addWidget(box);
    grid->addLayout(line, row, column, rows, columns);
  } else if (auto* row = qobject_cast<QBoxLayout*>(holder)) {
    delete line;
    row->insertWidget(row->indexOf(field) + 1, box);
  } else {
    delete line;
  }
  return box;
}

QString TContainerBox::UnknownExtensionMessage(const QString& name) {
  return name + ": no audio format has the extension ." + QFileInfo(name).suffix() +
         "; name the song .wav, .flac, .ogg, .opus, .mp3, .aif or .aiff";
}

TContainerBox::TContainerBox(QLineEdit* field, QWidget* parent) : QComboBox(parent), field_(field) {
  setObjectName("containerBox");
  for (Container c : kContainers)
    addItem(QString("%1 (%2)").arg(QString::fromUtf8(DescriptionOf(c).data(), qsizetype(DescriptionOf(c).size())),
                                   QString::fromUtf8(ExtensionOf(c).data(), qsizetype(ExtensionOf(c).size()))),
            int(c));
  setSizeAdjustPolicy(QComboBox::AdjustToContents);
  Follow();
  connect(this, &QComboBox::activated, this, [this](int index) {
    field_->setText(WithExtension(field_->text(), Container(itemData(index).toInt())));
  });
  connect(field_, &QLineEdit::textChanged, this, &TContainerBox::Follow);
}

std::optional<Container> TContainerBox::Chosen() const { return ContainerOfName(field_->text().toStdString()); }

QString TContainerBox::WithExtension(const QString& name, Container container) {
  const QString extension = QString::fromUtf8(ExtensionOf(container).data(), qsizetype(ExtensionOf(container).size()));
  const QFileInfo info(name);
  const QString file = info.fileName();
  const int dot = file.lastIndexOf('.');
  const QString base = dot > 0 ? name.left(name.size() - (file.size() - dot)) : name;
  // The case of the name's own extension is kept where it was upper case.
  const bool upper = dot > 0 && file.mid(dot) == file.mid(dot).toUpper() && file.mid(dot) != file.mid(dot).toLower();
  return base + (upper ? extension.toUpper() : extension);
}

void TContainerBox::Follow() {
  if (const std::optional<Container> c = Chosen()) setCurrentIndex(findData(int(*c)));
}

}  // namespace tonemill::ui
