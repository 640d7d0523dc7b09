// tonemill render SONG.mid... [-o OUT.wav] [--lst FILE.lst] [--prg-dir DIR] [--wav-dir DIR]
//                 [--drums TRACK:CHANNEL]... [--rate R] [--bits B] [--channels C] [--volume V]
//                 [--stems] [--stems-only] [--jobs N] [--threads N] [--memory MIB] [--shard K/N]
//                 [--force] [--quiet]
#include "climessages.h"
#include "commands.h"
#include "makewavs.h"
#include "options.h"
#include "outcome.h"
#include "parallel.h"
#include "renderthreads.h"
#include "rendering.h"
#include "songoptions.h"
#include "terminal.h"
#include "platform/filesystem.h"
#include "tonemill/files/numbers.h"
#include "tonemill/ops/songjob.h"
#include "tonemill/ops/stems.h"
#include "tonemill/ops/targets.h"

#include <cstring>
#include <functional>

namespace tonemill::cli {
namespace {

struct RenderOptions {
  std::string prgDirectory, wavDirectory, dftDirectory;
  std::vector<DrumPair> drums;
  SongFormat format;
  Container container = Container::Wav;
  std::optional<double> quality;
  bool resample = false;
  std::optional<LoudnessTarget> loudness;
  bool listIsOutput = false;  // --lst: the list is the user's file; otherwise a scratch file
  bool force = false;
  bool progress = true;
};

struct Song {
  ops::SongPaths paths;
  std::optional<Problem> problem;  // the song cannot be rendered as asked; it fails alone
  std::optional<double> gainDb = std::nullopt;  // its mix's loudness gain, its stems' too
};

// One render: a song's mix, or one of its stems (its list and WAV file named for the pair).
struct RenderJob {
  ops::SongPaths paths;
  std::optional<TrackChannel> stem;
  std::string soloMid;  // a stem's soloed copy of the song goes to a temporary file beside this
  std::optional<Problem> problem;
  std::optional<double> gainDb = std::nullopt;  // a stem's: its mix's loudness gain

  // How messages name the job: the song, and a stem's pair.
  std::string Name() const {
    if (!stem) return paths.mid;
    return paths.mid + " (track " + std::to_string(stem->track) + ", channel " +
           std::to_string(stem->channel) + ")";
  }
};

// Converts and renders one song, or one stem of it. Without --lst the list is a scratch file in
// the Temp directory, replaced on every render; the job reads its own copy either way and puts
// the list into place at the end.
int RenderOne(const RenderJob& job, const RenderOptions& o, std::optional<double>* gain = nullptr) {
  CliMessages messages(o.force);
  messages.SetContext(job.Name());
  platform::MessageScope scope(messages);
  ops::SongJob song;
  song.paths = job.paths;
  song.prgDirectory = o.prgDirectory;
  song.wavDirectory = o.wavDirectory;
  song.dftDirectory = o.dftDirectory;
  song.drums = o.drums;
  song.format = o.format;
  song.container = o.container;
  song.quality = o.quality;
  song.resample = o.resample;
  SayResampling(o.resample, o.container, o.format.rate, job.paths.wav);
  song.keepList = ops::ListKeeping::AtEnd;
  if (!o.listIsOutput) song.listOverwrite = Overwrite::Replace;
  song.stem = job.stem;
  song.soloScratch = job.soloMid;
  if (job.stem) song.gainDb = job.gainDb;
  else song.loudness = o.loudness;
  CliSongFront front(messages, o.progress);
  const ops::SongJobOutcome outcome = song.Run(front);
  WarnAboutGain(outcome.render, job.Name());
  if (gain) *gain = outcome.render.gainDb;
  const int code = ReportSongOutcome(outcome, job.Name());
  HintWhenNoInstruments(outcome, o.prgDirectory);
  return code;
}

// Songs that would write one file, or write over another song's input, fail together before
// anything starts (by file identity as well as by name).
bool OutputsCollide(std::vector<Song>& songs, bool listsAreOutputs) {
  bool collided = false;
  for (size_t i = 0; i < songs.size(); ++i)
    for (size_t j = 0; j < songs.size(); ++j) {
      if (i == j || songs[i].problem) continue;
      const ops::SongPaths &a = songs[i].paths, &b = songs[j].paths;
      std::vector<const std::string*> mine{&a.wav}, theirs{&b.wav, &b.mid};
      if (listsAreOutputs) {
        mine.push_back(&a.lst);
        theirs.push_back(&b.lst);
      }
      for (const std::string* x : mine)
        for (const std::string* y : theirs)
          if (!songs[i].problem && (i < j || y == &b.mid) && SameFile(*x, *y)) {
            songs[i].problem = Problem(a.mid + " and " + b.mid + " would both use " +
                                       platform::NativePath(*x) + "; nothing was started");
            collided = true;
          }
    }
  return collided;
}

std::string SignalName(int signal) {
  const char* description = ::strsignal(signal);
  return std::to_string(signal) + (description ? std::string(" (") + description + ")" : "");
}

}  // namespace

int RunRender(int argc, char** argv) {
  std::string output, lstOutput, prgDir, wavDir, jobsText, shardText;
  std::vector<std::string> drumValues;
  bool force = false, quiet = false, stems = false, stemsOnly = false;
  FormatOptions format;
  OptionParser parser("render", "SONG.mid... [options]",
                      "Converts MIDI files to LST song lists and renders them into WAV songs.");
  parser.Value("output", 'o', &output, "OUT.wav",
               "output song (.wav .flac .ogg .opus .mp3 .aif .aiff; - for standard output), or a "
               "directory for the songs (default: Song directory/song.wav)");
  parser.StandardOutput("output");
  parser.Value("lst", 0, &lstOutput, "FILE.lst",
               "keep the song list here, or in this directory (default: a scratch list in the "
               "Temp directory, replaced on every render)");
  parser.Value("prg-dir", 0, &prgDir, "DIR", "PRG instruments (default: the PRG directory)");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "WAV samples (default: the WAV directory)");
  parser.Values("drums", 0, &drumValues, "TRACK:CHANNEL",
                "a drum track and channel, numbers or ALL; repeatable (default ALL:10)");
  format.Register(parser);
  parser.Flag("stems", 0, &stems,
              "also render each track:channel pair that plays notes alone, with the same "
              "settings, into NAME.TRACK-CHANNEL.wav beside the song");
  parser.Flag("stems-only", 0, &stemsOnly, "the stems without the song");
  parser.Value("jobs", 'j', &jobsText, "N", "songs (and stems) rendered at once (default: the processors)");
  MixOptions mix;
  mix.Register(parser);
  LoudnessOptions loudness;
  loudness.Register(parser);
  parser.Value("shard", 0, &shardText, "K/N",
               "only the files at positions K-1, K-1+N, ... of the sorted list");
  parser.Flag("force", 0, &force, "overwrite existing songs (and the list --lst names)");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");

  std::vector<std::string> files;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, files)) return *exit;
  std::string error;
  RenderOptions o;
  o.force = force;
  o.resample = format.resample;
  o.progress = !quiet;
  o.listIsOutput = !lstOutput.empty();
  int jobs = ProcessorCount(), shardK = 1, shardN = 1;
  if (files.empty()) error = "give one or more MIDI files (see --help)";
  else if (!ParseDrumOptions(drumValues, o.drums, error)) error = "--drums: " + error;
  else if (!format.Apply(o.format, error)) {}
  else if (!ParseQuality(format.quality, o.quality, error)) {}
  else if (!loudness.Apply(o.loudness, error)) {}
  else if (!jobsText.empty() && !(ParseInteger(jobsText) > 0)) error = "--jobs takes a number of 1 or more";
  else if (!shardText.empty() && !ParseShard(shardText, shardK, shardN))
    error = "--shard takes K/N with 1 <= K <= N";
  else if (files.size() > 1 && ((!output.empty() && !IsDirectory(output)) ||
                                (!lstOutput.empty() && !IsDirectory(lstOutput))))
    error = "with several MIDI files, -o and --lst name directories";
  else if (ops::IsStandardOutput(output) && (stems || stemsOnly))
    error = "the stems are files of their own: -o - takes the song alone";
  // An output that is the song itself gets the song job's own refusal.
  else if (!(files.size() == 1 && SameFile(output, files[0])) &&
           !format.ChooseContainer(
               !output.empty() && !IsDirectory(output) ? output : "song" + format.Extension(),
               o.container, error)) {}
  if (!error.empty()) {
    PrintError("render: " + error);
    return kExitUsage;
  }
  if (!jobsText.empty()) jobs = *ParseInteger(jobsText);
  if (!mix.Check(error)) {
    PrintError("render: " + error);
    return kExitUsage;
  }
  stems = stems || stemsOnly;
  if (!shardText.empty()) files = ShardOf(files, shardK, shardN);
  if (int exitCode = 0; files.size() == 1 &&
                         !SpoolMidiInput("render", files[0], !output.empty() && !IsDirectory(output), exitCode))
    return exitCode;

  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  o.prgDirectory = prgDir.empty() ? settings.PRG : prgDir;
  o.wavDirectory = wavDir.empty() ? settings.WAV : wavDir;
  o.dftDirectory = settings.DFT;
  NameMissingWavDirectory(o.wavDirectory);

  std::vector<Song> songs;
  for (const std::string& mid : files) {
    Song song{{mid, "", ""}, std::nullopt};
    const bool stream = ops::IsStandardOutput(output) || ops::IsNullDevice(output);
    if (!ChooseTarget(output, settings.Song, mid, format.Extension(), "-o", song.paths.wav, error) ||
        !ChooseTarget(lstOutput, settings.Temp, stream ? mid : song.paths.wav, ".lst", "--lst",
                      song.paths.lst, error))
      song.problem = Problem(error);
    songs.push_back(song);
  }
  if (OutputsCollide(songs, o.listIsOutput)) {
    for (const Song& s : songs)
      if (s.problem) PrintProblem(*s.problem);
    return kExitUsage;
  }
  // Stems brought to a loudness take their mix's gain, so that they still add up to it: the
  // mixes render first, one after another (each with its in-song threads); with --stems-only
  // a mix is rendered only for its gain.
  const bool mixesFirst = stems && o.loudness;
  if (mixesFirst) {
    for (Song& song : songs) {
      if (song.problem) continue;
      RenderJob mixJob{song.paths, std::nullopt, "", std::nullopt, std::nullopt};
      if (stemsOnly) mixJob.paths.wav = "/dev/null";
      if (RenderOne(mixJob, o, &song.gainDb) == kExitOk) continue;
      if (InterruptRequested()) return CancelledExitCode();  // a cancel stops them all
      song.problem = Problem("its stems were not rendered, since its mix was not", song.paths.mid);
    }
  }
  std::vector<RenderJob> renders;
  for (const Song& song : songs) {
    if ((!stemsOnly && !mixesFirst) || song.problem)
      renders.push_back({song.paths, std::nullopt, "", song.problem, std::nullopt});
    if (!stems || song.problem) continue;
    std::optional<Problem> problem;
    const std::vector<TrackChannel> pairs = ops::PairsPlayingNotes(song.paths.mid, problem);
    if (problem && stemsOnly) renders.push_back({song.paths, std::nullopt, "", problem, std::nullopt});
    for (const TrackChannel& pair : pairs) {
      const ops::SongPaths stemPaths{song.paths.mid, ops::StemName(song.paths.lst, pair, ".lst"),
                                     ops::StemName(song.paths.wav, pair, std::string(ExtensionOf(o.container)))};
      renders.push_back({stemPaths, pair, ops::StemName(song.paths.lst, pair, ".mid"), std::nullopt,
                         song.gainDb});
    }
  }
  mix.Apply(renders.size(), !jobsText.empty(), jobs);
  const std::string unit = stems ? " renders" : " songs";
  if (renders.size() == 1 && songs.size() == 1) {
    if (renders[0].problem) {
      PrintProblem(*renders[0].problem);
      return kExitFailure;
    }
    return RenderOne(renders[0], o);
  }
  if (renders.empty()) return kExitOk;

  o.progress = false;
  ProgressBar bar(!quiet && ProgressBar::StderrIsTerminal());
  Progress progress;
  progress.Reset(int32_t(renders.size()));
  auto show = [&] {
    bar.Show(progress, std::to_string(progress.done) + "/" + std::to_string(progress.total) +
                           unit + " " + progress.item);
  };
  show();
  std::vector<WorkerEnd> ends = RunInProcesses(
      renders.size(), jobs,
      [&](size_t i) {
        if (!renders[i].problem) return RenderOne(renders[i], o);
        PrintProblem(*renders[i].problem);
        return kExitFailure;
      },
      [&](size_t i) { return renders[i].Name(); }, progress, show);
  bar.Clear();
  size_t cancelled = 0, notStarted = 0;
  std::vector<std::string> failed;
  const int interrupted = InterruptRequested() ? CancelledExitCode() : -1;
  for (size_t i = 0; i < renders.size(); ++i) {
    const WorkerEnd& end = ends[i];
    if (!end.started && end.exitCode < 0) {
      ++notStarted;
    } else if (end.signal != 0) {
      failed.push_back(renders[i].Name());
      PrintError(renders[i].Name() + ": the render process ended by signal " +
                 SignalName(end.signal) + "; its song was not finished");
    } else if (end.exitCode == interrupted || (end.exitCode > 128 && end.exitCode < 160)) {
      ++cancelled;
    } else if (end.exitCode != kExitOk) {
      failed.push_back(renders[i].Name());
    }
  }
  if (!failed.empty()) {
    std::string list;
    for (const std::string& f : failed) list += (list.empty() ? "" : ", ") + f;
    PrintError(std::to_string(failed.size()) + " of " + std::to_string(renders.size()) + unit +
               " failed: " + list);
  }
  if (cancelled || notStarted)
    PrintError(std::to_string(cancelled) + unit + " cancelled, " + std::to_string(notStarted) +
               " not started");
  if (interrupted >= 0) return interrupted;
  return failed.empty() ? kExitOk : kExitFailure;
}

}  // namespace tonemill::cli
