// The subcommands of the command line.
#pragma once

namespace tonemill {
struct EffectEntry;
}

namespace tonemill::cli {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(int argc, char** argv);  // argv[0] is the subcommand
  const EffectEntry* effect = nullptr;  // a row of the table of effects, run in place of `run`
};

// Renders an LST song list into a WAV song.
int RunLst2Wav(int argc, char** argv);
// Imports a SoundFont 2 bank into PRG instruments and WAV samples.
int RunImportSf2(int argc, char** argv);
// Converts a MIDI file into an LST song list.
int RunMid2Lst(int argc, char** argv);
// Converts MIDI files and renders them into WAV songs, several at once.
int RunRender(int argc, char** argv);

// Store a WAV sample as a DFT file, and make the WAV sample back.
int RunWav2Dft(int argc, char** argv);
int RunDft2Wav(int argc, char** argv);
// Lists the samples of a song list or of PRG instruments and makes missing ones from DFT files.
int RunMakeWavs(int argc, char** argv);
// Merges a format 1 MIDI file into format 0.
int RunMid1To0(int argc, char** argv);
// Lists the notes, programs and controllers of a MIDI file's tracks and channels.
int RunMidScan(int argc, char** argv);
// Mutes or solos kinds of MIDI messages on track:channel pairs.
int RunMidEdit(int argc, char** argv);
// The WAV statistics scan.
int RunWavscan(int argc, char** argv);
// The commands of the table of effects (tonemill/effects/catalog.h): a WAV operation on a range
// and a channel, and a library effect with its patch file.
int RunRangeCommand(const EffectEntry& effect, int argc, char** argv);
int RunLibraryCommand(const EffectEntry& effect, int argc, char** argv);
// The WAV mixer.
int RunMix(int argc, char** argv);
// Measures an audio file's loudness, or writes it at a target loudness.
int RunLoudness(int argc, char** argv);

}  // namespace tonemill::cli
