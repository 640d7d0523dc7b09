// The one way into the WAV engines for any audio file: the WAV files the engines read keep
// going to them as they are (with the acceptance checks and their messages), every other file
// libsndfile reads is decoded into a temporary WAV file of its own width first.
#pragma once

#include "soundfile.h"

#include <optional>
#include <string>

namespace tonemill {

// Whether the engines read `path` as it is: a WAV file of an encoding they process, or one
// whose problem the acceptance checks name themselves (missing, cut short in its header).
bool EnginesReadAsItIs(const std::string& path);

struct EngineInput {
  // The file the engines read: the input itself, or `temporary` holding its decoded samples.
  std::string path;
  bool decoded = false;
  // The input's own container and encoding, where it was decoded.
  std::optional<Container> container;
  WaveEncoding encoding;
};

// Routes `input` into the engines, decoding it into `temporary` where it must be. Fails with
// the message: "FILE: unsupported encoding (reason)" for a RIFF WAVE file or a file named as
// another container that libsndfile cannot read, a count of channels other than one or two
// (unless `fold` folds more into stereo).
// A file that is neither and that libsndfile cannot read goes on as it is, for the checks'
// own message.
std::optional<EngineInput> RouteEngineInput(const std::string& input, const std::string& temporary,
                                            std::string& error, bool fold = false);

// Whether an output made from `input` carries its chunks and tags: when asked for
// (--keep-chunks, the editor's box), or for an input the canonical WAV files do not describe;
// never for such a WAV file unasked, whose output stays canonical.
bool CarriesMetadata(const std::string& input, bool asked);
// The tags an output made from `input` carries into a container that holds them, by that rule.
AudioTags CarriedTags(const std::string& input, bool asked);

// What an engine reports of an input that ends before its data does: "Premature end of WAV
// file NAME"; for the samples RouteEngineInput decoded from another container, that
// container's name and the file decoded ("Premature end of FLAC file song.flac").
std::string PrematureEndMessage(const std::string& name);

}  // namespace tonemill
