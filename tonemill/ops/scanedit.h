// The main window's Scan and Edit before they open a dialog: which way a file goes, the MIDI
// listing's report file, and the output the WAV editor proposes.
#pragma once

#include "tonemill/files/outputfile.h"
#include "tonemill/files/problem.h"

#include <optional>
#include <string>

namespace tonemill::ops {

// Scan: a ".wav" file goes to the statistics dialog, a ".mid" file to the listing; anything
// else is refused ("The extension must be MID or WAV!").
enum class ScanWay { Wav, Midi };
inline constexpr const char* kScanExtensionMessage = "The extension must be MID or WAV!";
std::optional<ScanWay> ScanWayFor(const std::string& file);

// The listing's report: "MIDscan.TXT" in the Temp directory. A name the file system cannot take
// is refused ("Illegal report filename: NAME").
std::string MidScanReport(const std::string& tempDirectory);
std::optional<Problem> CheckReportName(const std::string& report);
// "Report file NAME will be overwritten!" when it exists: how it may be replaced, or nothing
// when the user declined.
std::optional<Overwrite> AskToOverwriteReport(const std::string& report);

// Edit: the "Edit as..." choice by extension (".prg", ".mid", ".wav", anything else Text).
enum class EditWay { Text, Prg, Mid, Wav };
EditWay EditWayFor(const std::string& file);
// The WAV editor's output: "temp.wav" beside the input, or "newtemp.wav" when the input is
// that "temp.wav" (compared as files on disk, so another name for it counts too).
std::string WavEditorOutput(const std::string& input);
// The MIDI track editor's destination: "temp.mid" beside the source, or "newtemp.mid" when the
// source is that "temp.mid".
std::string TrackEditorOutput(const std::string& source);

}  // namespace tonemill::ops
