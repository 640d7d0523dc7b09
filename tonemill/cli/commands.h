// The subcommands of the command line.
#pragma once

namespace tonemill::cli {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(int argc, char** argv);  // argv[0] is the subcommand
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
// The effects of the WAV editor: echo, flanger, chorus, reverb, vocoder.
int RunEcho(int argc, char** argv);
int RunFlange(int argc, char** argv);
int RunChorus(int argc, char** argv);
int RunReverb(int argc, char** argv);
int RunVocode(int argc, char** argv);
// Merges a format 1 MIDI file into format 0.
int RunMid1To0(int argc, char** argv);
// Lists the notes, programs and controllers of a MIDI file's tracks and channels.
int RunMidScan(int argc, char** argv);
// Mutes or solos kinds of MIDI messages on track:channel pairs.
int RunMidEdit(int argc, char** argv);
// The WAV statistics scan.
int RunWavscan(int argc, char** argv);
// The WAV effects and the editor's operations, one command each, on a range and a channel.
int RunExpand(int argc, char** argv);
int RunCompress(int argc, char** argv);
int RunFade(int argc, char** argv);
int RunGate(int argc, char** argv);
int RunGatedCut(int argc, char** argv);
int RunExtend(int argc, char** argv);
int RunLowpass(int argc, char** argv);
int RunHighpass(int argc, char** argv);
int RunBandpass(int argc, char** argv);
int RunNotch(int argc, char** argv);
int RunRing(int argc, char** argv);
int RunCut(int argc, char** argv);
int RunMaximize(int argc, char** argv);
int RunReverse(int argc, char** argv);
// The WAV mixer.
int RunMix(int argc, char** argv);

}  // namespace tonemill::cli
