// What the desktop program's Qt tests share: a settings home of their own, scripted answers
// to every message, and small file helpers.
#pragma once

#include "platform/messages.h"
#include "tests/support/testfiles.h"
#include "tonemill/files/settings.h"

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

inline void Touch(const std::string& path, size_t bytes = 10) {
  testing_support::WriteText(path, std::string(bytes, 'x'));
}
inline QString Q(const std::string& s) { return QString::fromStdString(s); }

}  // namespace qttesting
