// tonemill midedit IN.mid -o OUT.mid (--mute|--solo) --pair TRACK:CHANNEL... [--kinds LIST]
//                  [--force]
#include "climessages.h"
#include "outcome.h"
#include "commands.h"
#include "options.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/targets.h"
#include "tonemill/ops/trackedit.h"

namespace tonemill::cli {
namespace {

// The dialog's eight check boxes by name.
bool ParseKinds(const std::string& list, EditKinds& kinds, std::string& error) {
  kinds = EditKinds{false, false, false, false, false, false, false, false};
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string name = list.substr(start, comma - start);
    bool* kind = name == "notes"              ? &kinds.notes
                 : name == "channel-pressure" ? &kinds.channelPressure
                 : name == "poly-pressure"    ? &kinds.polyPressure
                 : name == "modulation"       ? &kinds.modulation
                 : name == "volume"           ? &kinds.volume
                 : name == "pan"              ? &kinds.pan
                 : name == "expression"       ? &kinds.expression
                 : name == "bend"             ? &kinds.bend
                                              : nullptr;
    if (!kind) {
      error = "--kinds: unknown kind '" + name + "'";
      return false;
    }
    *kind = true;
    start = comma + 1;
  }
  return true;
}

}  // namespace

int RunMidEdit(int argc, char** argv) {
  std::string output, kindList = "notes";
  std::vector<std::string> pairTexts;
  bool mute = false, solo = false, force = false;
  OptionParser parser("midedit", "IN.mid -o OUT.mid (--mute|--solo) --pair TRACK:CHANNEL...",
                      "Silences kinds of MIDI messages on track:channel pairs (mute), or "
                      "everywhere else (solo), in a copy of the file; each silenced message "
                      "becomes an empty text event, so every other keeps its time.");
  parser.Value("output", 'o', &output, "OUT.mid", "the edited copy (required)");
  parser.Flag("mute", 0, &mute, "silence the messages on the pairs");
  parser.Flag("solo", 0, &solo, "silence the messages on every other pair");
  parser.Values("pair", 'p', &pairTexts, "TRACK:CHANNEL",
                "a track 1-65535 and a channel 1-16, either ALL; repeatable");
  parser.Value("kinds", 'k', &kindList, "LIST",
               "comma-separated: notes, channel-pressure, poly-pressure, modulation, volume, "
               "pan, expression, bend (default: notes)");
  parser.Flag("force", 0, &force, "overwrite an existing file");
  std::string source;
  if (int exitCode = 0;
      !ParseOneFile(parser, argc, argv, "midedit", "MIDI file", source, exitCode) ||
      !SpoolMidiInput("midedit", source, !output.empty(), exitCode))
    return exitCode;
  TrackEdit edit;
  edit.mute = mute;
  std::vector<ops::PairRow> rows;
  std::string error;
  if (output.empty()) error = "-o names the edited copy";
  else if (mute == solo) error = "give --mute or --solo";
  else if (pairTexts.empty()) error = "give one or more --pair TRACK:CHANNEL";
  else if (auto message = ops::PairRowsFromTexts(pairTexts, rows)) error = "--pair: " + *message;
  else ParseKinds(kindList, edit.kinds, error);
  if (!error.empty()) {
    PrintError("midedit: " + error);
    return kExitUsage;
  }
  edit.pairs = ops::PairsFromRows(rows);

  CliMessages messages(force);
  platform::MessageScope scope(messages);
  std::optional<Problem> problem = ops::CheckEditSource(source, output);
  if (!problem) problem = ops::CheckEditDestination(source, output);
  if (!problem) problem = UnwritableTarget(output);
  if (problem) {
    PrintProblem(*problem);
    return kExitFailure;
  }
  const std::optional<Overwrite> overwrite = ops::AskToOverwrite(output);
  if (!overwrite) return kExitFailure;
  return ReportOutcome(ops::EditTracks(source, output, edit, *overwrite));
}

}  // namespace tonemill::cli
