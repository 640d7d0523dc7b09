#include "climessages.h"

#include "options.h"

namespace tonemill::cli {

using platform::Answer;
using platform::Buttons;

platform::Answer CliMessages::Show(const platform::Message& message) {
  const std::string text = context_.empty() ? message.text : context_ + ": " + message.text;
  switch (message.topic) {
    case platform::Topic::Overwrite:
      if (force_) return message.buttons == Buttons::YesNoAbortAll ? Answer::All
                         : message.buttons == Buttons::YesNo      ? Answer::Yes
                                                                  : Answer::Ok;
      PrintError(text + " (not done: use --force)");
      return platform::SafeAnswer(message.buttons);
    case platform::Topic::ContinueAfter:
      PrintError(text);
      return message.buttons == Buttons::YesNo ? Answer::Yes : Answer::Ok;
    case platform::Topic::Confirm:
      if (force_) return message.buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
      PrintError(text + " (not done: use --force)");
      return platform::SafeAnswer(message.buttons);
    case platform::Topic::Notice: break;
  }
  PrintError(text);
  return platform::SafeAnswer(message.buttons);
}

}  // namespace tonemill::cli
