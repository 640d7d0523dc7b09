// Message boxes and questions. Engines and operations never talk to the user directly: they
// hand a message to the current sink, which the front end installs. The main window's sink
// shows a modal message box; the command line's prints to stderr and answers questions from
// its options; tests answer from a script and record what was shown.
#pragma once

#include <deque>
#include <utility>
#include <string>
#include <vector>

namespace platform {

enum class MessageKind { Error, Warning, Information, Confirmation };
// The button sets the system uses.
enum class Buttons { Ok, OkCancel, YesNo, YesNoAbortAll, OkAbort };
enum class Answer { Ok, Cancel, Yes, No, Abort, All };
// What a question decides, so that a front end without a user can answer it by policy.
enum class Topic {
  Notice,         // a plain message; the only answer is OK
  Overwrite,      // may an existing file be replaced?
  ContinueAfter,  // go on after a problem (a missing sample), or abort?
  Confirm,        // a confirmation (delete, ...)
};

struct Message {
  MessageKind kind = MessageKind::Error;
  Buttons buttons = Buttons::Ok;
  Topic topic = Topic::Notice;
  std::string text;
  // A second line under the text: why, how many, where. The text stays as it is.
  std::string detail = {};
  // The default button is the answer that changes nothing (Enter then keeps what is there).
  bool safeDefault = false;
  bool operator==(const Message&) const = default;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  virtual Answer Show(const Message& message) = 0;
};

// Shows the message through the current sink (by default: stderr, and the answer that
// changes nothing — Cancel, No or Abort).
Answer Show(const Message& message);
// An error box with OK.
void ShowError(const std::string& text, const std::string& detail = {});
// "File X will be overwritten!"-style warning with OK and Cancel: true on OK. With
// `cancelDefault`, Cancel is the default button.
bool AskOverwrite(const std::string& text, bool cancelDefault = false);

// Installs a sink for the lifetime of the scope and puts the previous one back.
class MessageScope {
 public:
  explicit MessageScope(MessageSink& sink);
  ~MessageScope();
  MessageScope(const MessageScope&) = delete;
  MessageScope& operator=(const MessageScope&) = delete;

 private:
  MessageSink* previous_;
};

// Installs a sink for the calling thread alone, ahead of the one MessageScope installs, for the
// lifetime of the scope: a thread that runs an operation beside others keeps its messages and
// questions to itself.
class ThreadMessageScope {
 public:
  explicit ThreadMessageScope(MessageSink& sink);
  ~ThreadMessageScope();
  ThreadMessageScope(const ThreadMessageScope&) = delete;
  ThreadMessageScope& operator=(const ThreadMessageScope&) = delete;

 private:
  MessageSink* previous_;
};

// Answers from a script, in order, and records every message. When the script runs out it
// answers as the default sink does. For tests and for unattended use.
class ScriptedMessages : public MessageSink {
 public:
  explicit ScriptedMessages(std::deque<Answer> answers = {}) : answers_(std::move(answers)) {}
  Answer Show(const Message& message) override;
  const std::vector<Message>& Shown() const { return shown_; }
  std::vector<std::string> Texts() const;

 private:
  std::deque<Answer> answers_;
  std::vector<Message> shown_;
};

// The answer that changes nothing for a button set.
Answer SafeAnswer(Buttons buttons);

}  // namespace platform
