// tonemill SUBCOMMAND [options] FILES...
#include "commands.h"
#include "options.h"

#include "platform/library.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <iterator>
#include <sys/stat.h>

namespace {

using tonemill::cli::Command;

constexpr Command kCommands[] = {
    {"mid2lst", "convert a MIDI file into an LST song list", tonemill::cli::RunMid2Lst},
    {"render", "convert MIDI files and render them into WAV songs", tonemill::cli::RunRender},
    {"lst2wav", "render an LST song list into a WAV song", tonemill::cli::RunLst2Wav},
    {"import-sf2", "import a SoundFont 2 bank as PRG instruments and WAV samples",
     tonemill::cli::RunImportSf2},
    {"wav2dft", "store a WAV sample as a compact DFT file", tonemill::cli::RunWav2Dft},
    {"dft2wav", "make a WAV sample from its DFT file", tonemill::cli::RunDft2Wav},
    {"make-wavs", "list the samples of a song or instruments and make missing ones from DFT files",
     tonemill::cli::RunMakeWavs},
    {"echo", "add an echo to a range of a WAV file", tonemill::cli::RunEcho},
    {"flange", "flanger over a range of a WAV file", tonemill::cli::RunFlange},
    {"chorus", "chorus over a range of a WAV file", tonemill::cli::RunChorus},
    {"reverb", "add reverberation to a range of a WAV file", tonemill::cli::RunReverb},
    {"vocode", "vocode a carrier WAV file with a control WAV file", tonemill::cli::RunVocode},
    {"mid1to0", "merge a format 1 MIDI file into format 0", tonemill::cli::RunMid1To0},
    {"midscan", "list the notes, programs and controllers of a MIDI file", tonemill::cli::RunMidScan},
    {"midedit", "mute or solo kinds of MIDI messages on track:channel pairs",
     tonemill::cli::RunMidEdit},
    // WAV processing.
    {"wavscan", "show a WAV file's format, duration and level statistics", tonemill::cli::RunWavscan},
    {"expand", "expand the dynamic range of a WAV file", tonemill::cli::RunExpand},
    {"compress", "compress the dynamic range of a WAV file", tonemill::cli::RunCompress},
    {"fade", "fade a WAV file from one factor to another", tonemill::cli::RunFade},
    {"gate", "gate the quiet passages of a WAV file", tonemill::cli::RunGate},
    {"gatedcut", "remove the quiet frames of a WAV file", tonemill::cli::RunGatedCut},
    {"extend", "insert or append silence", tonemill::cli::RunExtend},
    {"lowpass", "low-pass filter a WAV file", tonemill::cli::RunLowpass},
    {"highpass", "high-pass filter a WAV file", tonemill::cli::RunHighpass},
    {"bandpass", "band-pass filter a WAV file", tonemill::cli::RunBandpass},
    {"notch", "notch filter a WAV file", tonemill::cli::RunNotch},
    {"ring", "ring-modulate a WAV file", tonemill::cli::RunRing},
    {"cut", "remove a range from a WAV file", tonemill::cli::RunCut},
    {"maximize", "raise a WAV file's peak to full scale", tonemill::cli::RunMaximize},
    {"reverse", "reverse a WAV file or one of its channels", tonemill::cli::RunReverse},
    {"mix", "mix WAV files into one", tonemill::cli::RunMix},
};

void PrintUsage(FILE* out) {
  std::fputs("Usage: tonemill SUBCOMMAND [options] FILES...\n\nSubcommands:\n", out);
  for (const auto& c : kCommands) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fputs("\n'tonemill SUBCOMMAND --help' describes each.\n", out);
}

// The desktop program lives in a library of its own, so that a subcommand never loads Qt.
int RunMainWindow(int argc, char** argv) {
  const std::string library = platform::ExecutableDirectory() + "libtonemill_ui.so";
  void* handle = ::dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    tonemill::cli::PrintError(std::string("can't load the main window: ") + ::dlerror());
    return tonemill::cli::kExitFailure;
  }
  using GuiMain = int (*)(int, char**);
  auto run = reinterpret_cast<GuiMain>(::dlsym(handle, "TonemillGuiMain"));
  if (!run) {
    tonemill::cli::PrintError("can't load the main window: " + library + " has no entry point");
    return tonemill::cli::kExitFailure;
  }
  // The library stays loaded until the process ends: Qt's exit handlers live in it.
  return run(argc, argv);
}

bool HasDisplay() {
  for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
    if (const char* v = std::getenv(variable); v && *v) return true;
  return false;
}

// "tonemill FILE.mid" from a file manager opens the main window on the file.
bool IsFileArgument(const char* argument) {
  struct stat st {};
  return argument[0] != '-' && ::stat(argument, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    if (HasDisplay()) return RunMainWindow(argc, argv);
    PrintUsage(stderr);
    std::fputs("\nWithout a subcommand tonemill opens its main window, which needs a display.\n",
               stderr);
    return tonemill::cli::kExitUsage;
  }
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    PrintUsage(stdout);
    return tonemill::cli::kExitOk;
  }
  for (const auto& c : kCommands)
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 1, argv + 1);
  if (argc == 2 && IsFileArgument(argv[1]) && HasDisplay()) return RunMainWindow(argc, argv);
  tonemill::cli::PrintError(std::string("unknown subcommand '") + argv[1] + "'");
  PrintUsage(stderr);
  return tonemill::cli::kExitUsage;
}
