#include "messages.h"

#include <cstdio>

namespace platform {
namespace {

class StderrMessages : public MessageSink {
 public:
  Answer Show(const Message& message) override {
    std::fprintf(stderr, "%s\n", message.text.c_str());
    return SafeAnswer(message.buttons);
  }
};

StderrMessages gDefaultSink;
MessageSink* gSink = &gDefaultSink;
thread_local MessageSink* tThreadSink = nullptr;

}  // namespace

Answer SafeAnswer(Buttons buttons) {
  switch (buttons) {
    case Buttons::Ok: return Answer::Ok;
    case Buttons::OkCancel: return Answer::Cancel;
    case Buttons::YesNo: return Answer::No;
    case Buttons::YesNoAbortAll:
    case Buttons::OkAbort: return Answer::Abort;
  }
  return Answer::Cancel;
}

Answer Show(const Message& message) { return (tThreadSink ? tThreadSink : gSink)->Show(message); }

void ShowError(const std::string& text, const std::string& detail) {
  Show({MessageKind::Error, Buttons::Ok, Topic::Notice, text, detail});
}

bool AskOverwrite(const std::string& text, bool cancelDefault) {
  return Show({MessageKind::Warning, Buttons::OkCancel, Topic::Overwrite, text, {}, cancelDefault}) ==
         Answer::Ok;
}

MessageScope::MessageScope(MessageSink& sink) : previous_(gSink) { gSink = &sink; }
MessageScope::~MessageScope() { gSink = previous_; }

ThreadMessageScope::ThreadMessageScope(MessageSink& sink) : previous_(tThreadSink) {
  tThreadSink = &sink;
}
ThreadMessageScope::~ThreadMessageScope() { tThreadSink = previous_; }

Answer ScriptedMessages::Show(const Message& message) {
  shown_.push_back(message);
  if (message.buttons == Buttons::Ok) return Answer::Ok;
  if (answers_.empty()) return SafeAnswer(message.buttons);
  const Answer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

std::vector<std::string> ScriptedMessages::Texts() const {
  std::vector<std::string> texts;
  for (const Message& m : shown_) texts.push_back(m.text);
  return texts;
}

}  // namespace platform
