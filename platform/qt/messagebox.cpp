#include "messagebox.h"

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <utility>
#include <vector>

namespace platform {
namespace {

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::Error: return QMessageBox::Critical;
    case MessageKind::Warning: return QMessageBox::Warning;
    case MessageKind::Information: return QMessageBox::Information;
    case MessageKind::Confirmation: return QMessageBox::Question;
  }
  return QMessageBox::NoIcon;
}

std::vector<std::pair<QMessageBox::StandardButton, Answer>> ButtonsOf(Buttons buttons) {
  using B = QMessageBox;
  switch (buttons) {
    case Buttons::Ok: return {{B::Ok, Answer::Ok}};
    case Buttons::OkCancel: return {{B::Ok, Answer::Ok}, {B::Cancel, Answer::Cancel}};
    case Buttons::YesNo: return {{B::Yes, Answer::Yes}, {B::No, Answer::No}};
    case Buttons::YesNoAbortAll:
      return {{B::Yes, Answer::Yes}, {B::No, Answer::No}, {B::Abort, Answer::Abort},
              {B::YesToAll, Answer::All}};
    case Buttons::OkAbort: return {{B::Ok, Answer::Ok}, {B::Abort, Answer::Abort}};
  }
  return {{B::Ok, Answer::Ok}};
}

// The work's hourglass is not the cursor for answering a question: an arrow while the box is
// up, the hourglass again afterwards.
class ArrowWhileAsking {
 public:
  ArrowWhileAsking() : active_(QApplication::overrideCursor() != nullptr) {
    if (active_) QApplication::setOverrideCursor(Qt::ArrowCursor);
  }
  ~ArrowWhileAsking() {
    if (active_) QApplication::restoreOverrideCursor();
  }
  ArrowWhileAsking(const ArrowWhileAsking&) = delete;
  ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

 private:
  bool active_;
};

}  // namespace

Answer MessageBoxSink::Show(const Message& message) {
  QMessageBox box(IconOf(message.kind), title_, QString::fromStdString(message.text),
                  QMessageBox::NoButton, QApplication::activeWindow());
  box.setObjectName("messageBox");
  const auto buttons = ButtonsOf(message.buttons);
  for (const auto& [button, answer] : buttons) {
    QPushButton* b = box.addButton(button);
    // "All" is the system's word for the fourth answer of the group question.
    if (answer == Answer::All) b->setText(QObject::tr("All"));
  }
  if (!message.detail.empty()) {
    const QString detail = QString::fromStdString(message.detail);
    box.setInformativeText(detail);
    // The box is as narrow as its short main text and wraps the detail to that: a path broke
    // at its slashes. The detail's longest line gets its room, up to three quarters of the screen.
    if (auto* label = box.findChild<QLabel*>("qt_msgbox_informativelabel")) {
      int widest = 0;
      for (const QString& line : detail.split('\n'))
        widest = std::max(widest, label->fontMetrics().horizontalAdvance(line));
      const QScreen* screen = box.screen();
      const int limit = screen ? screen->availableGeometry().width() * 3 / 4 : 640;
      label->setMinimumWidth(std::min(widest + 2, limit));
    }
  }
  box.setDefaultButton(buttons.front().first);
  // Esc and the window's close button give the answer that changes nothing.
  const Answer safe = SafeAnswer(message.buttons);
  for (const auto& [button, answer] : buttons) {
    if (answer != safe) continue;
    box.setEscapeButton(button);
    if (message.safeDefault) box.setDefaultButton(button);
  }
  ArrowWhileAsking arrow;
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const auto& [button, answer] : buttons)
    if (button == clicked) return answer;
  return safe;
}

}  // namespace platform
