#include "songchecks.h"

#include "inputs.h"
#include "targets.h"
#include "tonemill/files/numbers.h"
#include "tonemill/files/paths.h"
#include "tonemill/midi/midheader.h"
#include "tonemill/render/songrender.h"

namespace tonemill::ops {

const char* const kIllegalVolumeMessage = "Illegal volume value!";

std::optional<Problem> CheckMidiFile(const std::string& mid) {
  const std::string problem = MidiProbeProblem(TMIDheader(mid));
  if (problem.empty()) return std::nullopt;
  Problem p(problem, mid);
  if (!TMIDheader(mid).exists) p.reason = UnreadableReason(mid);
  return p;
}

std::optional<Problem> CheckSongPathClashes(const SongPaths& p) {
  if (auto clash = OutputIsInput(p.lst, p.mid, "LST can't overwrite MID!")) return clash;
  if (auto clash = OutputIsInput(p.wav, p.mid, "WAV can't overwrite MID!")) return clash;
  return OutputIsInput(p.wav, p.lst, "WAV can't overwrite LST!");
}

std::optional<Problem> CheckConvertSource(const std::string& source) {
  return UnreadableInput(source);
}

std::optional<Problem> CheckConvertTarget(const std::string& source, const std::string& target) {
  if (!IsValidFileName(target)) return Problem("Not a valid file name: " + target, target);
  return OutputIsInput(target, source, "Can't overwrite source file!");
}

std::optional<Problem> CheckSongFormat(const SongFormat& f) {
  const bool rateOk = f.rate == 11025 || f.rate == 22050 || f.rate == 44100;
  if (rateOk && (f.bits == 8 || f.bits == 16) && (f.channels == 1 || f.channels == 2))
    return std::nullopt;
  return Problem("Illegal output format!");
}

std::optional<Real48> ParseVolume(const std::string& text) {
  if (!IsRealInRange(text, true, true, 0, 99)) return std::nullopt;
  return Real48::FromDouble(*ParseReal(text));
}

std::optional<Problem> CheckSongLength(int64_t durationMs, const SongFormat& f,
                                       const std::string& mid) {
  if (SongFitsWavFile(durationMs, f.bits, f.channels, f.rate)) return std::nullopt;
  return Problem("The song lasts " + std::to_string(durationMs / 1000) +
                     " s, too long for a WAV file at " + std::to_string(f.rate) + " Hz, " +
                     std::to_string(f.bits) + " bits, " + (f.channels == 1 ? "mono" : "stereo"),
                 mid);
}

const char* const kSongRateMessage = "The sample rate must be a whole number from 8000 to 192000 Hz!";

std::optional<int32_t> ParseSongRate(const std::string& text) {
  const std::optional<int> rate = ParseInteger(text);
  if (!rate || *rate < kMinSongRate || *rate > kMaxSongRate) return std::nullopt;
  return *rate;
}

}  // namespace tonemill::ops
