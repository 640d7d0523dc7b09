#include "importer.h"

#include "platform/filesystem.h"
#include "prgwriter.h"
#include "presetplan.h"
#include "sampleaudio.h"
#include "samplefiles.h"
#include "sf2file.h"
#include "tonemill/files/paths.h"

#include <filesystem>

namespace tonemill::soundfont {
namespace {

struct WrittenSample {
  std::string name;
  int32_t frames = 0, loopStart = -1, loopEnd = -1;
  int channels = 1;
  uint32_t rate = 0;
};

void MakeDirectory(const std::string& directory) {
  std::error_code ec;
  if (!directory.empty()) std::filesystem::create_directories(directory, ec);
  if (ec) throw ImportError("cannot create the directory " + directory + ": " + ec.message());
}

// Refuses, before anything is written, to replace PRG files without consent.
void CheckPrgTargets(const ImportPlan& plan, const ImportSettings& settings) {
  if (settings.force) return;
  std::vector<std::string> existing;
  for (const PlannedFile& f : plan.files) {
    std::error_code ec;
    const std::string path = platform::FindFileIgnoringCase(WithBackslash(settings.prgDirectory) + f.fileName);
    if (std::filesystem::exists(path, ec)) existing.push_back(path);
  }
  if (existing.empty()) return;
  std::string list;
  for (size_t i = 0; i < existing.size() && i < 3; ++i) list += (i ? ", " : "") + existing[i];
  if (existing.size() > 3) list += " and " + std::to_string(existing.size() - 3) + " more";
  throw ImportError("existing PRG files would be overwritten: " + list +
                    " (nothing was written; use --force to replace them)");
}

PrgLine LineOf(const PlannedLine& p, const WrittenSample& s) {
  const LayerVoice& v = p.voice;
  PrgLine l;
  l.keyLow = p.keyLow;
  l.keyHigh = p.keyHigh;
  l.wavName = s.name;
  l.baseKey = v.baseKey;
  l.baseVolume = v.baseVolume;
  l.basePan = v.basePan;
  l.velocitySensitivity = v.velocitySensitivity;
  l.pressureSensitivity = v.pressureSensitivity;
  l.expressionSensitivity = v.expressionSensitivity;
  l.releaseSensitivity = v.releaseSensitivity;
  l.bendRange = v.bendRange;
  l.modulationSensitivity = v.modulationSensitivity;
  l.modulationRate = v.modulationRate;
  l.attackFactor = v.envelope.attackFactor;
  l.decayFactor = v.envelope.decayFactor;
  l.sustainSlope = v.envelope.sustainSlope;
  l.releaseSlope = v.envelope.releaseSlope;
  l.attackLength = v.envelope.attackMs;
  l.decayLength = v.envelope.decayMs;
  l.startSample = 0;
  l.endSample = s.frames - 1;
  l.loopStart = s.loopStart;
  l.loopEnd = s.loopEnd;
  if (v.muted) {
    // One frame past the sample's end: the renderer plays frames a file lacks as silence.
    l.startSample = l.endSample = s.frames;
    l.loopStart = l.loopEnd = -1;
  }
  l.bits = 16;
  l.channels = s.channels;
  l.rate = int(s.rate);
  return l;
}

}  // namespace

ImportSummary ImportSoundFont(const ImportSettings& settings, Progress* progress) {
  if (settings.rate != 44100 && settings.rate != 22050)
    throw ImportError("the sample rate must be 44100 or 22050");
  const Bank bank = ReadSoundFont(settings.bankPath);
  ImportPlan plan = PlanImport(bank, settings.rate);
  if (plan.files.empty())
    throw ImportError(settings.bankPath + ": the bank has no playable preset in bank 0, 128 or another melodic bank");
  CheckPrgTargets(plan, settings);
  MakeDirectory(settings.prgDirectory);
  MakeDirectory(settings.wavDirectory);

  ImportSummary summary;
  summary.warnings = plan.warnings;
  // Samples first: a PRG file is never left naming a sample that is not there.
  Progress unwatched;
  Progress& counter = progress ? *progress : unwatched;
  counter.total = int32_t(plan.sources.size());
  counter.done = 0;
  SampleDirectory directory(settings.wavDirectory);
  std::vector<WrittenSample> written;
  for (size_t i = 0; i < plan.sources.size(); ++i) {
    const SampleSource& source = plan.sources[i];
    counter.item = bank.samples[size_t(source.left)].name;
    counter.Pump();
    if (counter.done >= counter.total) {  // a cancel pushed the counter to its end
      summary.cancelled = true;
      return summary;
    }
    const SampleAudio audio = MakeSampleAudio(bank, source);
    const std::vector<uint8_t> bytes = WavFileBytes(audio);
    const SampleDirectory::Placed placed =
        directory.Place(ShortSampleName(bank.samples[size_t(source.left)].name), bytes);
    if (placed.written) {
      ++summary.samplesWritten;
      summary.bytesWritten += bytes.size();
    } else {
      ++summary.samplesReused;
    }
    written.push_back({placed.name, int32_t(audio.Frames()), audio.loopStart, audio.loopEnd,
                       audio.channels, audio.rate});
    counter.done = int32_t(i + 1);
  }

  const std::string bankFile = std::filesystem::path(settings.bankPath).filename().string();
  for (const PlannedFile& f : plan.files) {
    std::vector<PrgLine> lines;
    for (const auto* group : {&f.lines, &f.fillLines})
      for (const PlannedLine& p : *group) lines.push_back(LineOf(p, written[size_t(p.voice.source)]));
    const std::string comment = "Imported from " + bankFile + ": preset '" + f.presetName +
                                "', bank " + std::to_string(f.bank) + ", program " +
                                std::to_string(f.program);
    std::vector<std::string> comments = {comment.substr(0, 200)};  // lines hold 255 characters
    if (!f.standIn.empty()) comments.push_back(f.standIn);
    if (!f.fillLines.empty())
      comments.push_back("The last " + std::to_string(f.fillLines.size()) +
                         " lines cover keys the bank leaves empty (nearest layers, or muted)");
    const std::string text = FormatPrgFile(comments, lines);
    WriteFileOrThrow(WithBackslash(settings.prgDirectory) + f.fileName,
                        std::vector<uint8_t>(text.begin(), text.end()));
    ++(f.drums ? summary.drumKits : summary.programs);
    if (!f.standIn.empty()) ++(f.drums ? summary.standInKits : summary.standInPrograms);
    summary.bytesWritten += text.size();
  }
  return summary;
}

}  // namespace tonemill::soundfont
