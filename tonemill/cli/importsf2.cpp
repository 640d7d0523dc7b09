// tonemill import-sf2 BANK.sf2 [--prg-dir DIR] [--wav-dir DIR] [--rate 44100|22050] [--force]
//                    [--quiet]
#include "commands.h"
#include "options.h"
#include "songoptions.h"
#include "terminal.h"
#include "tonemill/soundfont/importer.h"
#include "tonemill/soundfont/sf2file.h"

#include <cstdio>

namespace tonemill::cli {
namespace {

std::string DescribeImport(const Progress& p) {
  return "samples " + std::to_string(p.done) + "/" + std::to_string(p.total) + " " + p.item;
}

}  // namespace

int RunImportSf2(int argc, char** argv) {
  std::string prgDir, wavDir, rate = "44100";
  bool force = false, quiet = false;
  OptionParser parser("import-sf2", "BANK.sf2 [options]",
                      "Imports a SoundFont 2 bank: its presets become PRG instruments (bank 0 "
                      "preset p is p.PRG, bank 128 preset p the drum kit Dp.PRG) and its samples "
                      "16-bit WAV files.");
  parser.Value("prg-dir", 0, &prgDir, "DIR", "directory of the PRG files (default: the PRG directory)");
  parser.Value("wav-dir", 0, &wavDir, "DIR", "directory of the WAV samples (default: the WAV directory)");
  parser.Value("rate", 0, &rate, "HZ",
               "44100 (default) or 22050: the rate of samples whose own rate is not 11025, "
               "22050 or 44100 Hz");
  parser.Flag("force", 0, &force, "overwrite existing PRG files (samples are never overwritten)");
  parser.Flag("quiet", 'q', &quiet, "no progress bar");

  std::string bank;
  if (int exitCode = 0; !ParseOneFile(parser, argc, argv, "import-sf2", "SoundFont 2 bank", bank, exitCode))
    return exitCode;
  if (rate != "44100" && rate != "22050") {
    PrintError("import-sf2: --rate takes 44100 or 22050");
    return kExitUsage;
  }

  Settings directories;
  if ((prgDir.empty() || wavDir.empty()) && !LoadWorkingDirectories(directories)) return kExitFailure;
  soundfont::ImportSettings settings;
  settings.bankPath = bank;
  settings.prgDirectory = prgDir.empty() ? directories.PRG : prgDir;
  settings.wavDirectory = wavDir.empty() ? directories.WAV : wavDir;
  settings.rate = rate == "22050" ? 22050 : 44100;
  settings.force = force;

  InstallInterruptHandler();
  Progress progress;
  ProgressPump pump(progress, !quiet, DescribeImport);
  pump.Attach();
  try {
    const soundfont::ImportSummary s = soundfont::ImportSoundFont(settings, &progress);
    pump.Clear();
    if (s.cancelled) {
      PrintError("import-sf2: aborted after " + std::to_string(s.samplesWritten + s.samplesReused) +
                 " samples; no PRG file was written");
      return CancelledExitCode();
    }
    for (const std::string& w : s.warnings) PrintError("warning: " + w);
    std::printf("%s: %d programs and %d drum kits into %s, %d samples (%d already there) into %s\n",
                settings.bankPath.c_str(), s.programs, s.drumKits, settings.prgDirectory.c_str(),
                s.samplesWritten + s.samplesReused, s.samplesReused, settings.wavDirectory.c_str());
    return kExitOk;
  } catch (const soundfont::SoundFontError& e) {
    pump.Clear();
    PrintError(settings.bankPath + ": " + e.what());
  } catch (const std::exception& e) {
    pump.Clear();
    PrintError(e.what());
  }
  return kExitFailure;
}

}  // namespace tonemill::cli
