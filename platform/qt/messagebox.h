// The desktop's message sink: every platform::Show becomes a modal QMessageBox with the
// system's button set. Installed by the main window for the program's lifetime.
#pragma once

#include "platform/messages.h"

#include <QString>

class QWidget;

namespace platform {

class MessageBoxSink : public MessageSink {
 public:
  explicit MessageBoxSink(QString title) : title_(std::move(title)) {}
  Answer Show(const Message& message) override;

 private:
  QString title_;
};

}  // namespace platform
