// What the desktop program's Qt tests share: a settings home of their own, scripted answers
// to every message, a fake sound device, a dialog's children by name, and small file helpers.
#pragma once

#include "platform/messages.h"
#include "platform/qt/audiooutput.h"
#include "tests/support/testfiles.h"
#include "tonemill/files/settings.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>
#include <deque>
#include <memory>
#include <string>

namespace qttesting {

// A program directory with nothing in it yet: TM.INI and the working directories go here.
struct Home {
  testing_support::TempDir dir;
  tonemill::SettingsLocation Location() const {
    return {dir.File("TM.INI"), dir.Dir(), dir.Dir()};
  }
  std::string Path(const std::string& name) const { return dir.File(name); }
};

// Answers messages from a script for the lifetime of the object and records what was shown.
struct Answers {
  explicit Answers(std::deque<platform::Answer> script = {})
      : messages(std::move(script)), scope(messages) {}
  QStringList Texts() const {
    QStringList texts;
    for (const std::string& t : messages.Texts()) texts << QString::fromStdString(t);
    return texts;
  }
  platform::ScriptedMessages messages;
  platform::MessageScope scope;
};

// Installs a fake sound device for the scope; `last` is the output made most recently.
struct FakeSound {
  explicit FakeSound(QString refuse = {}) {
    platform::SetAudioOutputFactory([this, refuse] {
      auto output = std::make_unique<platform::FakeAudioOutput>();
      if (!refuse.isEmpty()) output->RefuseStart(refuse);
      last = output.get();
      return output;
    });
  }
  ~FakeSound() { platform::SetAudioOutputFactory({}); }
  platform::FakeAudioOutput* last = nullptr;
};

// A child by object name; a missing one ends the test, as a renamed control should.
template <typename T = QWidget>
T* Child(const QObject& parent, const char* name) {
  T* child = parent.findChild<T*>(name);
  if (!child) qFatal("no child %s", name);
  return child;
}
// The text of a label, a button or a line edit.
inline QString Text(const QObject& parent, const char* name) {
  if (auto* label = parent.findChild<QLabel*>(name)) return label->text();
  if (auto* button = parent.findChild<QAbstractButton*>(name)) return button->text();
  return Child<QLineEdit>(parent, name)->text();
}
inline bool Enabled(const QObject& parent, const char* name) { return Child(parent, name)->isEnabled(); }

inline std::string ReadText(const std::string& path) {
  const std::vector<uint8_t> bytes = testing_support::ReadBytes(path);
  return std::string(bytes.begin(), bytes.end());
}
inline void Touch(const std::string& path, size_t bytes = 10) {
  testing_support::WriteText(path, std::string(bytes, 'x'));
}
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace qttesting
