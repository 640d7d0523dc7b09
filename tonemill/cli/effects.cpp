// tonemill echo|flange|chorus|reverb|vocode IN.wav -o OUT.wav [effect options] [--patch NAME]
//          [--save-patch NAME] [--range START:END] [--unit ms|samples] [--channel left|right|both]
//          [--force] [--quiet]
// The effect dialogs' fields as options, with the dialogs' patch files, checks and messages;
// every command is built from its row in the table of effects.
#include "climessages.h"
#include "outcome.h"
#include "commands.h"
#include "tonemill/files/audioinput.h"
#include "options.h"
#include "rangeoptions.h"
#include "terminal.h"
#include "waverun.h"
#include "tonemill/effects/catalog.h"
#include "tonemill/ops/effectrun.h"
#include "tonemill/files/numbers.h"
#include "tonemill/ops/targets.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

namespace tonemill::cli {
namespace {

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

}  // namespace

int RunLibraryCommand(const EffectEntry& effect, int argc, char** argv) {
  const EffectKind kind = effect.kind;
  const char* const command = effect.command;
  std::string output, patchName, savePatch;
  bool force = false, quiet = false, resample = false, keepChunks = false;
  RangeOptions range;
  OptionParser parser(command, effect.usage, effect.description);
  parser.Value("output", 'o', &output, "OUT.wav",
               "the output file (required; - for standard output)");
  parser.StandardOutput("output");
  const size_t count = effect.fields.size();
  std::vector<std::string> texts(count);
  std::unique_ptr<bool[]> given(new bool[count]());
  for (size_t i = 0; i < count; ++i) {
    const EffectField& f = effect.fields[i];
    if (f.kind == FieldKind::Flag) parser.Flag(f.option, 0, &given[i], f.help);
    else parser.Value(f.option, 0, &texts[i], f.metavar, f.help);
  }
  range.Register(parser);
  parser.Value("patch", 0, &patchName, "NAME", "start from this patch of the effect's patch file (default: its first)");
  parser.Value("save-patch", 0, &savePatch, "NAME", "keep the settings as this patch in the patch file");
  parser.Flag("resample", 0, &resample,
              "an output rate the encoder refuses (Opus, MP3) is converted to the nearest it takes");
  parser.Flag("keep-chunks", 0, &keepChunks,
              "copy the input's other chunks (LIST/INFO, cue, ...) into a WAV output and its tags into a "
              "tagged one; the default for inputs of other widths, rates and formats");
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
  if (std::string error; !PrepareAudioInput(input, error)) {
    PrintError(error);
    return kExitFailure;
  }
  EffectJob job;
  job.kind = kind;
  for (size_t i = 0; i < count; ++i) {
    const EffectField& f = effect.fields[i];
    if (f.kind == FieldKind::File && texts[i].empty()) {
      PrintError(prefix + "give the " + f.option + " file with --" + f.option);
      return kExitUsage;
    }
    // The vocoder's control file and its prescan are the job's, not the patch's.
    if (f.kind == FieldKind::File) job.controlFile = texts[i];
    if (f.kind == FieldKind::Flag) job.normalize = given[i] != f.flagDefault;
  }
  // The vocoder's control signal may come in any container and width, as the input does.
  if (std::string error; !job.controlFile.empty() && !PrepareAudioInput(job.controlFile, error)) {
    PrintError(error);
    return kExitFailure;
  }
  job.wholeFile = range.range.empty();
  // The file the user gave (standard input as its copy) keeps its chunks and tags by the rule
  // every WAV command follows.
  const std::string shown = ShownInputName(input);
  job.keep = {shown == "-" ? input : shown, keepChunks};
  job.resample = resample;
  EditorInput facts;
  if (std::optional<int> exit = range.Apply(input, output, facts, job.launch)) return *exit;
  if (!ops::IsStandardOutput(output))
    SayResampling(resample, ContainerOfName(output).value_or(Container::Wav), TWAVheader(job.launch.input).SampleRate,
                  output);

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

  // Every option is checked as its dialog field checks its text, in the row's order.
  auto usageProblem = [&](const std::string& option, const Problem& p) {
    PrintError(prefix + "--" + option + ": " + p.message);
    return kExitUsage;
  };
  auto usage = [&](const EffectField& f) {
    PrintError(prefix + "--" + f.option + " takes " + f.takes);
    return kExitUsage;
  };
  for (size_t i = 0; i < count; ++i) {
    const EffectField& f = effect.fields[i];
    const std::string& text = texts[i];
    if (text.empty()) continue;
    switch (f.kind) {
      case FieldKind::Number:
        if (auto p = SetField(job.fields, f.column, text, job.launch)) return usageProblem(f.option, *p);
        break;
      case FieldKind::Choice: {
        size_t k = 0;
        while (k < f.choices.size() && text != f.choices[k].name) ++k;
        if (k == f.choices.size()) return usage(f);
        job.fields.values[f.column] = double(f.firstValue + int(k));
        break;
      }
      case FieldKind::List: {
        const std::vector<std::string> parts = SplitCommas(text);
        if (parts.size() != f.count) return usage(f);
        for (size_t k = 0; k < f.count; ++k)
          if (auto p = SetField(job.fields, f.column + k, parts[k], job.launch)) return usageProblem(f.option, *p);
        break;
      }
      case FieldKind::Table:
        if (std::string error; !ReadBandTable(text, job.fields, error)) {
          PrintError(prefix + error);
          return kExitFailure;
        }
        break;
      case FieldKind::Flag:
      case FieldKind::File: break;
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
    // Only this patch changes: what others saved meanwhile stays.
    PatchChange change;
    change.put.push_back(patch);
    if (Problem problem; !ApplyPatchChange(patchPath, layout, change, problem)) {
      PrintProblem(problem);
      return kExitFailure;
    }
  }
  ops::OutputJob outputJob = EffectOutputJob(job);
  // A decoded input is guarded under the name it was given as well.
  for (const std::string& file : {input, job.controlFile})
    if (const std::string shown = ShownInputName(file); shown != file && shown != "-")
      outputJob.inputs.push_back(shown);
  if (std::optional<ops::JobOutcome> refused = ops::PrepareOutput(outputJob)) return ReportOutcome(*refused);
  job.overwrite = outputJob.overwrite;

  InstallInterruptHandler();
  Progress progress;
  const std::string name = EffectName(kind);
  ProgressPump pump(progress, !quiet, [&name](const Progress&) { return name; });
  const ops::JobOutcome outcome = RunEffect(job, progress, ProgressPump::Call, &pump);
  pump.Clear();
  const int code = ReportOutcome(outcome);
  std::vector<std::string> inputs{input};
  if (!job.controlFile.empty()) inputs.push_back(job.controlFile);
  ReportSaturation(inputs, output, outcome);
  return code;
}

}  // namespace tonemill::cli
