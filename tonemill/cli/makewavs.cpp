// tonemill make-wavs (SONG.lst | INSTRUMENT.prg...) [--wav-dir DIR] [--dft-dir DIR]
//                    [--prg-dir DIR] [--all | --missing-only] [--force] [--json] [--quiet]
#include "makewavs.h"

#include "climessages.h"
#include "commands.h"
#include "options.h"
#include "songoptions.h"
#include "terminal.h"
#include "tonemill/files/outputfile.h"
#include "tonemill/files/paths.h"
#include "tonemill/ops/dftconvert.h"
#include "tonemill/ops/inputs.h"
#include "tonemill/ops/songpipeline.h"
#include "tonemill/render/makewavs.h"
#include "tonemill/render/provisioning.h"

#include <algorithm>
#include <cstdio>

namespace tonemill::cli {
namespace {

// Before each sample the bar shows it.
std::string DescribeMaking(const Progress& p) {
  return std::to_string(p.done) + "/" + std::to_string(p.total) + " " + p.item;
}

void ReportMade(const std::string& wav) { PrintError("made " + wav); }

// Without --force the overwrite question of the making loop skips that sample instead of
// stopping: the samples after it are still made.
class SkipRefusedOverwrites : public platform::MessageSink {
 public:
  explicit SkipRefusedOverwrites(CliMessages& messages) : messages_(messages) {}
  platform::Answer Show(const platform::Message& message) override {
    const platform::Answer answer = messages_.Show(message);
    return message.topic == platform::Topic::Overwrite && answer == platform::Answer::Abort
               ? platform::Answer::No
               : answer;
  }

 private:
  CliMessages& messages_;
};

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

// What became of each sample, for the listing.
enum class State { Present, Made, NotMade, Missing };
const char* StateName(State s) {
  switch (s) {
    case State::Present: return "present";
    case State::Made: return "made";
    case State::NotMade: return "not made";
    case State::Missing: return "missing";
  }
  return "";
}

struct Listed {
  SampleRow row;
  State state;
};

void PrintListing(const std::vector<Listed>& listing, bool json) {
  if (json) {
    std::printf("[");
    for (size_t i = 0; i < listing.size(); ++i) {
      const Listed& l = listing[i];
      std::printf("%s\n  {\"name\": %s, \"state\": %s, \"wav\": %s, \"dft\": %s}", i ? "," : "",
                  JsonString(l.row.name).c_str(), JsonString(StateName(l.state)).c_str(),
                  JsonString(l.row.wavPath).c_str(), JsonString(l.row.dftPath).c_str());
    }
    std::printf("%s]\n", listing.empty() ? "" : "\n");
    return;
  }
  for (const Listed& l : listing)
    std::printf("%-8s  %-8s  %s\n", l.row.name.c_str(), StateName(l.state),
                (l.state == State::Missing ? l.row.dftPath : l.row.wavPath).c_str());
}

}  // namespace

std::optional<Problem> ProvideSamples(CliMessages& messages, ops::SampleMaking& making,
                                      const std::function<std::optional<Problem>()>& check) {
  SkipRefusedOverwrites skipping(messages);
  platform::MessageScope scope(skipping);
  ProgressPump pump(making.progress, false);
  pump.Attach();
  std::optional<Problem> problem = check();
  for (const std::string& wav : making.made) ReportMade(wav);
  return problem;
}

std::optional<Problem> ProvideSamples(CliMessages& messages, const std::string& lstPath,
                                      const std::string& listName,
                                      const std::string& wavDirectory,
                                      const std::string& dftDirectory, const std::string& output) {
  ops::SampleMaking making;
  return ProvideSamples(messages, making, [&] {
    return ops::CheckSamples(lstPath, listName, wavDirectory, dftDirectory, output, &making);
  });
}

int RunMakeWavs(int argc, char** argv) {
  std::string wavDir, dftDir, prgDir;
  bool all = false, missingOnly = false, force = false, json = false, quiet = false;
  OptionParser parser(
      "make-wavs", "(SONG.lst | INSTRUMENT.prg...) [options]",
      "Lists the samples of a song list or of PRG instruments (NAME STATE FILE, the state\n"
      "present, made, not made or missing) and makes missing ones from their DFT files.");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "WAV samples (default: the WAV directory)");
  parser.Value("dft-dir", 0, &dftDir, "DIR", "DFT samples (default: the DFT directory)");
  parser.Value("prg-dir", 0, &prgDir, "DIR",
               "where a PRG file not found as given is read (default: the PRG directory)");
  parser.Flag("all", 0, &all, "make every sample from its DFT file, also those already there");
  parser.Flag("missing-only", 0, &missingOnly, "make only the samples not there (the default)");
  parser.Flag("force", 0, &force, "overwrite existing WAV files");
  parser.Flag("json", 0, &json, "print the samples as JSON");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");
  std::vector<std::string> files;
  if (std::optional<int> exit = parser.ParseOrExit(argc, argv, files)) return *exit;
  const auto isList = [](const std::string& f) {
    const std::string name = FileNamePart(f);
    const size_t dot = name.rfind('.');
    return dot != std::string::npos && LowerCase(name.substr(dot)) == ".lst";
  };
  const bool listMode = !files.empty() && isList(files[0]);
  std::string error;
  if (files.empty()) error = "give one LST file or one or more PRG files (see --help)";
  else if (all && missingOnly) error = "--all and --missing-only exclude each other";
  else if (listMode ? files.size() > 1 : std::any_of(files.begin(), files.end(), isList))
    error = "give one LST file, or PRG files only";
  if (!error.empty()) {
    PrintError("make-wavs: " + error);
    return kExitUsage;
  }
  Settings settings;
  if (!LoadWorkingDirectories(settings)) return kExitFailure;
  if (wavDir.empty()) wavDir = settings.WAV;
  if (dftDir.empty()) dftDir = settings.DFT;
  if (prgDir.empty()) prgDir = settings.PRG;

  CliMessages messages(force);
  platform::MessageScope scope(messages);
  SampleList list(wavDir, dftDir);
  std::vector<bool> missing;
  if (listMode) {
    // A directory (or anything else that is no readable file) named like a list is refused.
    if (std::optional<Problem> problem = ops::UnreadableInput(files[0], "Can't open LST file " + files[0] + "!")) {
      PrintProblem(*problem);
      return kExitFailure;
    }
    // Every sample with neither file is named (the question's answer on the command line is
    // to go on); the others are still made.
    const ProvisioningScan scan = ScanSamples(files[0], wavDir, dftDir, "", [](const SampleState& s) {
      platform::Show({platform::MessageKind::Error, platform::Buttons::OkAbort,
                      platform::Topic::ContinueAfter, MissingSampleMessage(s.name)});
      return true;
    });
    if (scan.problem) {
      PrintProblem(*scan.problem);
      return kExitFailure;
    }
    for (const SampleState& s : scan.samples)
      if (SampleRow* row = list.Add(s.name)) {
        row->make = s.source == SampleState::Source::Dft;
        missing.push_back(s.source == SampleState::Source::Missing);
      }
  } else {
    std::vector<std::string> prgFiles;
    for (const std::string& f : files)
      prgFiles.push_back(KindOf(f) != TargetKind::Absent ? f : WithBackslash(prgDir) + f);
    if (std::optional<Problem> problem = LoadPrgSamples(prgFiles, "", list)) {
      PrintProblem(*problem);
      return kExitFailure;
    }
    missing.assign(list.Rows().size(), false);
  }
  if (all)
    for (size_t i = 0; i < list.Rows().size(); ++i) list.Rows()[i].make = !missing[i];

  SkipRefusedOverwrites skipping(messages);
  platform::MessageScope skippingScope(skipping);
  Progress progress;
  ProgressPump pump(progress, !quiet, DescribeMaking);
  pump.Attach();
  const MakeOutcome outcome = MakeSamples(list, progress, ops::DftSampleConversion());
  pump.Clear();

  std::vector<Listed> listing;
  bool complete = true;
  for (size_t i = 0; i < list.Rows().size(); ++i) {
    const SampleRow& row = list.Rows()[i];
    const bool made = std::find(outcome.made.begin(), outcome.made.end(), i) != outcome.made.end();
    State s = missing[i] ? State::Missing
              : made     ? State::Made
              : row.make ? State::NotMade
                         : State::Present;
    complete = complete && (s == State::Present || s == State::Made);
    listing.push_back({row, s});
  }
  PrintListing(listing, json);
  if (outcome.cancelled) return CancelledExitCode();
  return complete ? kExitOk : kExitFailure;
}

}  // namespace tonemill::cli
