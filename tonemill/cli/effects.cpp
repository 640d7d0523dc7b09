// tonemill echo|flange|chorus|reverb|vocode IN.wav -o OUT.wav [effect options] [--patch NAME]
//          [--save-patch NAME] [--range START:END] [--unit ms|samples] [--channel left|right|both]
//          [--force] [--quiet]
// The effect dialogs' fields as options, with the dialogs' patch files, checks and messages.
#include "climessages.h"
#include "commands.h"
#include "options.h"
#include "rangeoptions.h"
#include "terminal.h"
#include "tonemill/ops/effectrun.h"
#include "tonemill/files/numbers.h"
#include "tonemill/ops/targets.h"

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace tonemill::cli {
namespace {

// An option that sets one field of the dialog.
struct FieldOption {
  const char* name;
  size_t column;
  const char* metavar;
  const char* help;
};

std::vector<FieldOption> FieldOptions(EffectKind kind) {
  switch (kind) {
    case EffectKind::Echo:
      return {{"level", echo::kLevel, "%", "level of the echo, -100 to 100 (default 100.0)"},
              {"feedback", echo::kFeedback, "%", "share fed back, -99 to 99 (default 50.0)"},
              {"delay", echo::kDelay, "T", "delay, in the unit (default 100 ms)"}};
    case EffectKind::Flange:
      return {{"original", flange::kOriginal, "X", "level of the input (default 1.000)"},
              {"effect", flange::kEffect, "X", "level of the swept signal (default 1.000)"},
              {"feedback", flange::kFeedback, "%", "feedback, -100 to 100 (default 1.0)"},
              {"offset", flange::kOffset, "T", "offset of the swept delay, in the unit (default 0)"},
              {"variation", flange::kVariation, "T", "sweep width, in the unit (default 1 ms)"},
              {"rate", flange::kRate, "HZ", "sweep rate (default 1.0)"}};
    case EffectKind::Chorus:
      return {{"original", chorus::kOriginal, "X", "level of the input (default 1.000)"},
              {"effect", chorus::kEffect, "X", "level of the swept signal (default 1.000)"},
              {"offset", chorus::kOffset, "T", "offset of the swept delay, in the unit (default 0)"},
              {"variation", chorus::kVariation, "T", "sweep width, in the unit (default 1 ms)"},
              {"rate", chorus::kRate, "HZ", "sweep rate (default 1.0)"}};
    case EffectKind::Reverb:
      return {{"decay", reverb::kDecay, "T", "decay, in the unit (default 250 ms)"},
              {"delay", reverb::kDelay, "T", "delay before the first reflection, in the unit (default 0)"},
              {"level-left", reverb::kLevelLeft, "%", "wet level left (and mono), -1000 to 1000 (default 20)"},
              {"level-right", reverb::kLevelRight, "%", "wet level right, -1000 to 1000 (default 20)"}};
    case EffectKind::Vocoder:
      return {{"amp", vocoder::kAmplification, "X", "amplification (default 1.000)"},
              {"time", vocoder::kTime, "T", "time resolution, 0.1-100 ms or 1-4410 samples (default 10 ms)"},
              {"bands", vocoder::kBands, "N", "bands per channel, 1 to 32 (default 32)"}};
  }
  return {};
}

const char* kAlgorithms[4] = {"chamber", "chapel", "hall", "custom"};


std::vector<std::string> SplitCommas(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  return parts;
}

// A band table file: 32 lines as a patch of the vocoder holds them.
bool ReadBandTable(const std::string& path, EffectFields& fields, std::string& error) {
  std::vector<uint8_t> bytes;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "Can't read band table " + path + "!";
    return false;
  }
  std::ostringstream text;
  text << "Table\n" << in.rdbuf();
  fields.bands = ParsePatches(text.str(), LayoutOf(EffectKind::Vocoder)).front().bands;
  return true;
}

int RunEffectCommand(EffectKind kind, const char* command, const char* usage, const char* summary,
                     int argc, char** argv) {
  std::string output, patchName, savePatch, control, bandTable, algorithm, lowpass[2];
  bool force = false, quiet = false, normalize = false;
  RangeOptions range;
  OptionParser parser(command, usage, summary);
  parser.Value("output", 'o', &output, "OUT.wav", "the output file (required)");
  if (kind == EffectKind::Vocoder)
    parser.Value("control", 0, &control, "CONTROL.wav", "the control (modulator) file (required)");
  const std::vector<FieldOption> fieldOptions = FieldOptions(kind);
  std::map<std::string, std::string> given;
  for (const FieldOption& o : fieldOptions) parser.Value(o.name, 0, &given[o.name], o.metavar, o.help);
  if (kind == EffectKind::Reverb) {
    parser.Value("algorithm", 0, &algorithm, "chamber|chapel|hall|custom", "the late reverberation (default chamber)");
    parser.Value("lowpass-left", 0, &lowpass[0], "a,b,c,d,e,f", "six low-pass settings 0-99 % (default 46,48,50,52,53,55)");
    parser.Value("lowpass-right", 0, &lowpass[1], "a,b,c,d,e,f", "the same for the right channel");
  }
  if (kind == EffectKind::Vocoder) {
    parser.Flag("normalize", 0, &normalize, "prescan the control file and normalise to its loudest envelope");
    parser.Value("band-table", 0, &bandTable, "FILE", "32 lines of control centre, control width, carrier centre, carrier width and weight");
  }
  range.Register(parser);
  parser.Value("patch", 0, &patchName, "NAME", "start from this patch of the effect's patch file (default: its first)");
  parser.Value("save-patch", 0, &savePatch, "NAME", "keep the settings as this patch in the patch file");
  parser.Flag("force", 0, &force, "overwrite an existing output file");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");

  std::string input;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, command, "input WAV file", input, exitCode))
    return exitCode;
  const std::string prefix = std::string(command) + ": ";
  if (output.empty()) {
    PrintError(prefix + "give the output file with -o");
    return kExitUsage;
  }
  if (kind == EffectKind::Vocoder && control.empty()) {
    PrintError(prefix + "give the control file with --control");
    return kExitUsage;
  }

  EffectJob job;
  job.kind = kind;
  job.controlFile = control;
  job.normalize = normalize;
  job.wholeFile = range.range.empty();
  EditorInput facts;
  if (std::optional<int> exit = range.Apply(input, output, facts, job.launch)) return *exit;

  // The patch file, created with its default patch when missing.
  const PatchLayout& layout = LayoutOf(kind);
  const std::string patchPath = PatchFilePath(kind);
  std::error_code ignored;
  std::filesystem::create_directories(std::filesystem::path(patchPath).parent_path(), ignored);
  std::vector<Patch> patches;
  if (Problem problem; !ReadPatches(patchPath, layout, patches, problem)) {
    PrintProblem(problem);
    return kExitFailure;
  }
  size_t row = 0;
  if (!patchName.empty()) {
    const std::optional<size_t> found = FindPatch(patches, patchName);
    if (!found) {
      PrintError(prefix + "no patch named \"" + patchName + "\" in " + patchPath);
      return kExitFailure;
    }
    row = *found;
  }
  job.fields = FieldsFromPatch(kind, patches[row], job.launch);

  // Every option is checked as its dialog field checks its text.
  auto usageProblem = [&](const std::string& option, const Problem& p) {
    PrintError(prefix + "--" + option + ": " + p.message);
    return kExitUsage;
  };
  for (const FieldOption& o : fieldOptions)
    if (!given[o.name].empty())
      if (auto p = SetField(job.fields, o.column, given[o.name], job.launch)) return usageProblem(o.name, *p);
  if (!algorithm.empty()) {
    int chosen = 0;
    for (int a = 0; a < 4; ++a)
      if (algorithm == kAlgorithms[a]) chosen = a + 1;
    if (chosen == 0) {
      PrintError(prefix + "--algorithm takes chamber, chapel, hall or custom");
      return kExitUsage;
    }
    job.fields.values[reverb::kAlgorithm] = chosen;
  }
  for (int side = 0; side < 2; ++side) {
    if (lowpass[side].empty()) continue;
    const std::vector<std::string> parts = SplitCommas(lowpass[side]);
    const std::string option = side == 0 ? "lowpass-left" : "lowpass-right";
    if (parts.size() != 6) {
      PrintError(prefix + "--" + option + " takes six values a,b,c,d,e,f");
      return kExitUsage;
    }
    const size_t first = side == 0 ? reverb::kLowpassLeft : reverb::kLowpassRight;
    for (size_t k = 0; k < 6; ++k)
      if (auto p = SetField(job.fields, first + k, parts[k], job.launch)) return usageProblem(option, *p);
  }
  if (!bandTable.empty()) {
    if (std::string error; !ReadBandTable(bandTable, job.fields, error)) {
      PrintError(prefix + error);
      return kExitFailure;
    }
  }

  CliMessages messages(force);
  platform::MessageScope scope(messages);
  // The dialog writes its patch list when OK is pressed, before it runs.
  if (!savePatch.empty()) {
    const Patch patch = PatchFromFields(job.fields, savePatch, job.launch);
    const std::optional<size_t> existing = FindPatch(patches, savePatch);
    if (existing == size_t(0)) {
      PrintError(prefix + "the first patch (\"" + savePatch + "\") is not changed; save under another name");
      return kExitFailure;
    }
    if (existing) patches[*existing].values = patch.values, patches[*existing].bands = patch.bands;
    else patches.push_back(patch);
    if (Problem problem; !WritePatches(patchPath, layout, patches, problem)) {
      PrintProblem(problem);
      return kExitFailure;
    }
  }
  if (auto problem = CheckEffectJob(job)) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwriteFile(job.launch.output);
  if (!overwrite) return kExitFailure;
  job.overwrite = *overwrite;

  InstallInterruptHandler();
  Progress progress;
  const std::string name = EffectName(kind);
  ProgressPump pump(progress, !quiet, [&name](const Progress&) { return name; });
  const EffectOutcome outcome = RunEffect(job, progress, ProgressPump::Call, &pump);
  pump.Clear();
  switch (outcome.end) {
    case EffectOutcome::End::Done: return kExitOk;
    case EffectOutcome::End::Cancelled:
      PrintProblem(outcome.problem);
      return CancelledExitCode();
    case EffectOutcome::End::Failed: break;
  }
  PrintProblem(outcome.problem);
  return kExitFailure;
}

}  // namespace

int RunEcho(int argc, char** argv) {
  return RunEffectCommand(EffectKind::Echo, "echo", "IN.wav -o OUT.wav [options]",
                          "Adds a repeating echo to a range of a WAV file.", argc, argv);
}
int RunFlange(int argc, char** argv) {
  return RunEffectCommand(EffectKind::Flange, "flange", "IN.wav -o OUT.wav [options]",
                          "Mixes a range of a WAV file with a copy from a swept, fed-back delay.",
                          argc, argv);
}
int RunChorus(int argc, char** argv) {
  return RunEffectCommand(EffectKind::Chorus, "chorus", "IN.wav -o OUT.wav [options]",
                          "Mixes a range of a WAV file with a copy from a swept delay.", argc, argv);
}
int RunReverb(int argc, char** argv) {
  return RunEffectCommand(EffectKind::Reverb, "reverb", "IN.wav -o OUT.wav [options]",
                          "Adds reverberation to a range of a WAV file.", argc, argv);
}
int RunVocode(int argc, char** argv) {
  return RunEffectCommand(EffectKind::Vocoder, "vocode",
                          "CARRIER.wav --control CONTROL.wav -o OUT.wav [options]",
                          "Imposes the band envelopes of a control file on a range of a carrier.",
                          argc, argv);
}

}  // namespace tonemill::cli
