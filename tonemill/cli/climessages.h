// The command line's message sink: messages go to stderr as "tonemill: text"; questions are
// answered from the options — an overwrite only with --force, and after a missing sample the
// check goes on, so that every missing sample is listed.
#pragma once

#include "platform/messages.h"

#include <string>
#include <utility>

namespace tonemill::cli {

class CliMessages : public platform::MessageSink {
 public:
  explicit CliMessages(bool force) : force_(force) {}
  platform::Answer Show(const platform::Message& message) override;
  // Put before every message while a song of a batch is worked on ("song.mid: ").
  void SetContext(std::string context) { context_ = std::move(context); }

 private:
  bool force_;
  std::string context_;
};

}  // namespace tonemill::cli
