// tonemill SUBCOMMAND [options] FILES...
#include "commands.h"
#include "options.h"

#include "platform/library.h"
#include "tonemill/effects/catalog.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <sys/stat.h>
#include <vector>

namespace {

using tonemill::cli::Command;

// The commands in the order "tonemill --help" lists them; the effects come from their table.
std::vector<Command> MakeCommands() {
  namespace cli = tonemill::cli;
  std::vector<Command> commands = {
      {"mid2lst", "convert a MIDI file into an LST song list", cli::RunMid2Lst},
      {"render", "convert MIDI files and render them into WAV songs", cli::RunRender},
      {"lst2wav", "render an LST song list into a WAV song", cli::RunLst2Wav},
      {"import-sf2", "import a SoundFont 2 bank as PRG instruments and WAV samples", cli::RunImportSf2},
      {"wav2dft", "store a WAV sample as a compact DFT file", cli::RunWav2Dft},
      {"dft2wav", "make a WAV sample from its DFT file", cli::RunDft2Wav},
      {"make-wavs", "list the samples of a song or instruments and make missing ones from DFT files",
       cli::RunMakeWavs}};
  auto addEffects = [&commands](tonemill::EffectFamily family) {
    for (const tonemill::EffectEntry& e : tonemill::Effects())
      if (e.family == family) commands.push_back({e.command, e.summary, nullptr, &e});
  };
  addEffects(tonemill::EffectFamily::Library);
  commands.insert(commands.end(),
                  {{"mid1to0", "merge a format 1 MIDI file into format 0", cli::RunMid1To0},
                   {"midscan", "list the notes, programs and controllers of a MIDI file", cli::RunMidScan},
                   {"midedit", "mute or solo kinds of MIDI messages on track:channel pairs", cli::RunMidEdit},
                   // WAV processing.
                   {"wavscan", "show a WAV file's format, duration and level statistics", cli::RunWavscan}});
  addEffects(tonemill::EffectFamily::Range);
  commands.push_back({"mix", "mix WAV files into one", cli::RunMix});
  commands.push_back({"loudness", "measure an audio file's loudness (EBU R128), or bring it to one",
                      cli::RunLoudness});
  return commands;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = MakeCommands();
  return commands;
}

int RunCommand(const Command& c, int argc, char** argv) {
  if (!c.effect) return c.run(argc, argv);
  return c.effect->family == tonemill::EffectFamily::Range ? tonemill::cli::RunRangeCommand(*c.effect, argc, argv)
                                                           : tonemill::cli::RunLibraryCommand(*c.effect, argc, argv);
}

void PrintUsage(FILE* out) {
  std::fputs("Usage: tonemill SUBCOMMAND [options] FILES...\n\nSubcommands:\n", out);
  for (const auto& c : Commands()) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
  std::fputs("\n'tonemill SUBCOMMAND --help' describes each; 'tonemill --version' prints the "
             "version.\n", out);
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
  if (std::strcmp(argv[1], "--version") == 0) {
    std::puts("tonemill " TONEMILL_VERSION);
    return tonemill::cli::kExitOk;
  }
  for (const auto& c : Commands())
    if (std::strcmp(argv[1], c.name) == 0) return RunCommand(c, argc - 1, argv + 1);
  if (argc == 2 && IsFileArgument(argv[1]) && HasDisplay()) return RunMainWindow(argc, argv);
  tonemill::cli::PrintError(std::string("unknown subcommand '") + argv[1] + "'");
  PrintUsage(stderr);
  return tonemill::cli::kExitUsage;
}
