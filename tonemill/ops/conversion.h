// The Convert dialog's rules, shared with the main window: the six conversions, the target each
// proposes, which of them render a WAV song, the operation a file's extension selects, and the
// volume field with its spin arrows.
#pragma once

#include "tonemill/files/real48.h"
#include "tonemill/render/songrender.h"

#include <optional>
#include <string>

namespace tonemill::ops {

enum class Conversion { MidToLst, LstToWav, MidToWav, Mid1To0, WavToDft, DftToWav };

// The working directories the Convert dialog is given (Temp is not among them).
struct ConversionDirectories {
  std::string mid, lst, song, prg, wav, dft;
};

// The proposed target: the source's name cut at its first "." and lower-cased, in the
// conversion's directory ("MID 1 to 0" keeps the name within eight characters).
std::string ProposedConversionTarget(Conversion conversion, const std::string& source,
                                     const ConversionDirectories& directories);

// Whether the conversion renders a WAV song, so that the format and volume controls apply.
bool RendersSong(Conversion conversion);

// The conversion the main window checks for a file: ".mid" MID to WAV, ".lst" LST to WAV,
// ".dft" DFT to WAV, ".wav" WAV to DFT (any case); nothing for another extension.
std::optional<Conversion> ConversionForFile(const std::string& file);
extern const char* const kConvertExtensionMessage;  // "The extension must be MID, LST, DFT or WAV!"

// The song list of "MID to WAV": the LST directory, the target's lower-cased name + ".lst".
std::string SongListForTarget(const std::string& lstDirectory, const std::string& wavTarget);

// The volume field shows one decimal; the value kept is the one shown.
std::string VolumeText(double value);
// A spin arrow: 0.1 up or down from the value the field shows; nothing when the field holds no
// legal volume or the result would leave 0 to 9.99.
std::optional<std::string> SteppedVolume(const std::string& text, bool up);

// "Make WAVs for MID" from the main window: the song list is Temp.LST in the Temp directory,
// and the format 16 bits, stereo, 22050 Hz, volume 1.0.
std::string MakeWavsListPath(const std::string& tempDirectory);
SongFormat MakeWavsFormat();

}  // namespace tonemill::ops
