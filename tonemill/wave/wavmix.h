// The mixer: any number of WAV files, each with a left and a right factor, added one after
// another into a new WAV file of the chosen format. Every source starts at time zero; where the
// output already holds samples the source is added to them with clipping, beyond its end the
// source is appended. Sources of another rate are resampled on the fly (by the default rule or
// a band-limited converter), of another width or channel count converted.
#pragma once

#include "tonemill/files/audioformat.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/files/problem.h"
#include "tonemill/files/progress.h"

#include <optional>
#include <string>
#include <vector>

namespace tonemill {

struct MixSource {
  std::string path;
  double left = 1, right = 1;  // the grid's "Left" and "Right" factors
};

// A source cell of the dialog's grid: the acceptance check, with a source that is the output
// ("Can't overwrite source file!") right after "Can't find WAV file ".
std::optional<Problem> CheckMixSource(const std::string& path, const std::string& output);
// A factor cell: any real, else "Illegal Left amplitude factor!" / "Illegal Right amplitude
// factor!".
std::optional<Problem> CheckMixFactor(const std::string& text, bool left, double& value);

// When the output cannot be created.
inline constexpr const char* kCannotOpenMixOutput = "Can not open destination file.";

// The dialog's output format: mono or stereo, 8 or 16 bits, 11025, 22050 or 44100 Hz (default
// stereo, 16 bits, 44100 Hz).
constexpr AudioFormat kDefaultMixFormat{44100, 16, 2};

struct MixResult {
  bool cancelled = false;
  // A source whose data chunk claims more bytes than the file holds: "Premature termination
  // reading NAME." It is mixed as far as it goes and no later source is mixed.
  std::optional<Problem> problem;
};

// Mixes the sources into `output` in order. `progress` counts the bytes of the current source
// (its `item` names it); a cancel stops the current source and mixes no further one, and the
// output keeps its header. Throws EInOutError when a file operation fails.
MixResult MixWavFiles(const std::vector<MixSource>& sources, const std::string& output,
                      const AudioFormat& format, Progress& progress);
struct MixOptions {
  // Sources of another rate go through a band-limited converter (high quality, linear phase)
  // instead of the default rule: linear interpolation up, taking the frame that reaches the
  // output time down.
  bool resample = false;
};

// The same into an output of any encoding the engines process.
MixResult MixWavFilesAs(const std::vector<MixSource>& sources, const std::string& output,
                        const WaveEncoding& encoding, Progress& progress,
                        const MixOptions& options = {});

}  // namespace tonemill
