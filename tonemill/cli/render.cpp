// tonemill render SONG.mid... [-o OUT.wav] [--lst FILE.lst] [--prg-dir DIR] [--wav-dir DIR]
//                 [--drums TRACK:CHANNEL]... [--rate R] [--bits B] [--channels C] [--volume V]
//                 [--jobs N] [--shard K/N] [--force] [--quiet]
#include "commands.h"
#include "options.h"
#include "parallel.h"
#include "rendering.h"
#include "songjob.h"
#include "terminal.h"
#include "tonemill/files/paths.h"
#include "platform/filesystem.h"
#include "tonemill/files/numbers.h"

namespace tonemill::cli {
namespace {

struct RenderOptions {
  std::string prgDirectory, wavDirectory, dftDirectory;
  std::vector<DrumPair> drums;
  SongRenderJob format;
  bool force = false;
  bool progress = true;
};

int RenderOne(const SongPaths& paths, const RenderOptions& o) {
  if (!CheckSongPaths(paths, o.force)) return kExitFailure;
  MidToLstResult converted;
  if (!ConvertSong(paths, o.prgDirectory, o.drums, converted)) return kExitFailure;
  SongRenderJob job = o.format;
  job.lstPath = paths.lst;
  job.wavPath = paths.wav;
  job.sampleDirectory = o.wavDirectory;
  if (converted.notes == 0 || converted.songLength == 0) {
    PrintError(paths.mid + ": " +
               (converted.notes == 0 ? "the song has no notes" : "all notes of the song fall at 0 ms") +
               "; nothing to render (" + paths.lst + " was written)");
    return kExitFailure;
  }
  if (!SongFitsWavFile(converted.songLength, job.bits, job.channels, job.rate)) {
    PrintError(paths.mid + ": the song lasts " + std::to_string(converted.songLength / 1000) +
               " s, too long for a WAV file at " + std::to_string(job.rate) + " Hz, " +
               std::to_string(job.bits) + " bits, " + (job.channels == 1 ? "mono" : "stereo"));
    return kExitFailure;
  }
  if (!SamplesPresent(paths.mid, job, o.dftDirectory)) return kExitFailure;
  return RenderSongWithProgress(job, o.progress);
}

// Two jobs that would write one file, or write over another job's song, are refused together.
bool OutputsCollide(const std::vector<SongPaths>& songs) {
  for (size_t i = 0; i < songs.size(); ++i)
    for (size_t j = 0; j < songs.size(); ++j) {
      if (i == j) continue;
      for (const std::string* a : {&songs[i].lst, &songs[i].wav})
        for (const std::string* b : {&songs[j].lst, &songs[j].wav, &songs[j].mid})
          if ((i < j || b == &songs[j].mid) && SameFullPath(*a, *b)) {
            PrintError(songs[i].mid + " and " + songs[j].mid + " would both use " +
                       platform::NativePath(*a) + "; nothing was started");
            return true;
          }
    }
  return false;
}

}  // namespace

int RunRender(int argc, char** argv) {
  std::string output, lstOutput, prgDir, wavDir, jobsText, shardText;
  std::vector<std::string> drumValues;
  bool force = false, quiet = false;
  FormatOptions format;
  OptionParser parser("render", "SONG.mid... [options]",
                      "Converts MIDI files to LST song lists and renders them into WAV songs.");
  parser.Value("output", 'o', &output, "OUT.wav",
               "output song, or a directory for the songs (default: Song directory/song.wav)");
  parser.Value("lst", 0, &lstOutput, "FILE.lst",
               "song list, or a directory for the lists (default: LST directory/song.lst)");
  parser.Value("prg-dir", 0, &prgDir, "DIR", "PRG instruments (default: the PRG directory)");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "WAV samples (default: the WAV directory)");
  parser.Values("drums", 0, &drumValues, "TRACK:CHANNEL",
                "a drum track and channel, numbers or ALL; repeatable (default ALL:10)");
  format.Register(parser);
  parser.Value("jobs", 'j', &jobsText, "N", "songs rendered at once (default: the processors)");
  parser.Value("shard", 0, &shardText, "K/N",
               "only the files at positions K-1, K-1+N, ... of the sorted list");
  parser.Flag("force", 0, &force, "overwrite existing lists and songs");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");

  std::vector<std::string> files;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, files)) return *exit;
  std::string error;
  RenderOptions o;
  o.force = force;
  o.progress = !quiet;
  int jobs = ProcessorCount(), shardK = 1, shardN = 1;
  if (files.empty()) error = "give one or more MIDI files (see --help)";
  else if (!ParseDrumOptions(drumValues, o.drums, error)) error = "--drums: " + error;
  else if (!format.Apply(o.format, error)) {}
  else if (!jobsText.empty() && !(ParseInteger(jobsText) > 0)) error = "--jobs takes a number of 1 or more";
  else if (!shardText.empty() && !ParseShard(shardText, shardK, shardN))
    error = "--shard takes K/N with 1 <= K <= N";
  else if (files.size() > 1 && ((!output.empty() && !IsDirectory(output)) ||
                                (!lstOutput.empty() && !IsDirectory(lstOutput))))
    error = "with several MIDI files, -o and --lst name directories";
  if (!error.empty()) {
    PrintError("render: " + error);
    return kExitUsage;
  }
  if (!jobsText.empty()) jobs = *ParseInteger(jobsText);
  if (!shardText.empty()) files = ShardOf(files, shardK, shardN);

  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  o.prgDirectory = prgDir.empty() ? settings.PRG : prgDir;
  o.wavDirectory = wavDir.empty() ? settings.WAV : wavDir;
  o.dftDirectory = settings.DFT;

  std::vector<SongPaths> songs;
  for (const std::string& mid : files) {
    SongPaths p{mid, "", ""};
    if (!ChooseTarget(output, settings.Song, mid, ".wav", "-o", p.wav, error) ||
        !ChooseTarget(lstOutput, settings.LST, p.wav, ".lst", "--lst", p.lst, error)) {
      PrintError(error);
      return kExitFailure;
    }
    songs.push_back(p);
  }
  if (OutputsCollide(songs)) return kExitUsage;
  if (songs.size() == 1) return RenderOne(songs[0], o);
  if (songs.empty()) return kExitOk;

  o.progress = false;
  ProgressBar bar(!quiet && ProgressBar::StderrIsTerminal());
  bar.Show(0, "0/" + std::to_string(songs.size()) + " songs");
  std::vector<int> codes = RunInProcesses(
      songs.size(), jobs, [&](size_t i) { return RenderOne(songs[i], o); },
      [&](size_t done, size_t total) {
        bar.Show(double(done) / double(total),
                 std::to_string(done) + "/" + std::to_string(total) + " songs");
      });
  bar.Clear();
  std::vector<std::string> failed;
  bool cancelled = false;
  for (size_t i = 0; i < songs.size(); ++i) {
    if (codes[i] == kExitCancelled) cancelled = true;
    else if (codes[i] != kExitOk) failed.push_back(songs[i].mid);
  }
  if (!failed.empty()) {
    std::string list;
    for (const auto& f : failed) list += (list.empty() ? "" : ", ") + f;
    PrintError(std::to_string(failed.size()) + " of " + std::to_string(songs.size()) +
               " songs failed: " + list);
  }
  if (cancelled) return kExitCancelled;
  return failed.empty() ? kExitOk : kExitFailure;
}

}  // namespace tonemill::cli
