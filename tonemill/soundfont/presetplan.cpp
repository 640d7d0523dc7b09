#include "presetplan.h"

#include "generators.h"
#include "sampleaudio.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>
#include <utility>

namespace tonemill::soundfont {
namespace {

// Velocity 100 at volume 100 plays a zone at its level; the release then falls as fast as
// planned (the renderer scales the attack by the velocity and the release by the volume only).
constexpr int kVelocitySensitivity = 64;
// The renderer adds expression to volume and scales by pressure, where the bank's defaults
// multiply by expression and use pressure for vibrato: both are left out.
constexpr int kPressureSensitivity = 0, kExpressionSensitivity = 0;
// Release velocities below 64 (the converter's sign of a held pedal) stretch the release, up to
// twice as long; a re-struck note (127) cuts it to two thirds.
constexpr int kReleaseSensitivity = 50;
constexpr int kBendRange = 2;
// The base volume of a zone without attenuation; the level of the whole set scales with its
// inverse. Measured with the benchmark's probe notes (velocity 100, volume 100), 630 puts the
// set 16 dB below unit gain, about 8 dB below the reference synthesizer at gain 1: the peaks of
// typical General MIDI songs then fall between -12 and -1 dBFS.
constexpr double kLevelReference = 630.0;
// Room left for the renderer's interval ratios and rounding when attack and decay must end
// before a looped sample's frames do.
constexpr double kPhaseMargin = 0.97;
// Banks are voiced for synthesizers that apply 0.4 of the attenuation generator.
constexpr double kAttenuationScale = 0.4;

struct Window {
  int64_t start = 0, end = 0;  // absolute points, end exclusive
  bool looped = false;
  int64_t loopStart = 0, loopEnd = 0;
};

int RootKey(const ResolvedZone& z, const SampleHeader& s) {
  if (z.gen[kOverridingRootKey] >= 0) return z.gen[kOverridingRootKey];
  return s.originalPitch <= 127 ? s.originalPitch : 60;
}

int TotalCents(const ResolvedZone& z, const SampleHeader& s) {
  return z.gen[kCoarseTune] * 100 + z.gen[kFineTune] + s.pitchCorrection;
}

std::string PrgFileName(int program, bool drums) {
  std::string name = drums ? "D" : "";
  name.append(std::to_string(program)).append(".PRG");
  return name;
}

int BasePan(int sf2Pan) {
  // The renderer gives the left channel base pan / 127 of the level: 127 is all left.
  return int(std::lround(127.0 * (500 - sf2Pan) / 1000.0));
}

class Planner {
 public:
  Planner(const Bank& bank, uint32_t targetRate) : bank_(bank), targetRate_(targetRate) {}

  ImportPlan Run() {
    std::map<int, const Preset*> melodic, drums;
    std::vector<const Preset*> ordered;
    for (const Preset& p : bank_.presets) ordered.push_back(&p);
    // Bank 0 first, then the other melodic banks in ascending order fill what it lacks.
    std::stable_sort(ordered.begin(), ordered.end(), [](const Preset* a, const Preset* b) {
      return a->bank < b->bank;
    });
    for (const Preset* p : ordered) {
      if (p->program > 127) continue;
      auto& slot = p->bank == 128 ? drums : melodic;
      slot.emplace(p->program, p);
    }
    for (auto& [program, preset] : melodic) Plan(*preset, program, false);
    for (auto& [program, preset] : drums) Plan(*preset, program, true);
    AddStandIns(false);
    AddStandIns(true);
    std::stable_sort(plan_.files.begin(), plan_.files.end(), [](const PlannedFile& a, const PlannedFile& b) {
      return std::tie(a.drums, a.fileProgram) < std::tie(b.drums, b.fileProgram);
    });
    return std::move(plan_);
  }

 private:
  void Warn(const std::string& text) {
    if (warned_.insert(text).second) plan_.warnings.push_back(text);
  }

  // Adds a key's layers to `lines`, extending the lines that reached the previous key with the
  // same voice, so runs of equal keys become one line.
  static void AddKey(std::vector<PlannedLine>& lines, std::vector<int>& open, int key,
                     const std::vector<LayerVoice>& layers) {
    std::vector<int> reached;
    for (const LayerVoice& v : layers) {
      auto it = std::find_if(open.begin(), open.end(),
                             [&](int i) { return lines[size_t(i)].voice == v; });
      if (it != open.end()) {
        lines[size_t(*it)].keyHigh = key;
        reached.push_back(*it);
        open.erase(it);
      } else {
        lines.push_back({key, key, v});
        reached.push_back(int(lines.size()) - 1);
      }
    }
    open = std::move(reached);
  }

  // The layers for a key the bank leaves empty: those of the nearest key that has some (the
  // lower one on a tie), muted on drum kits and where they would reach beyond seven octaves.
  static std::vector<LayerVoice> FillLayers(const std::vector<std::vector<LayerVoice>>& perKey,
                                            int key, bool drums) {
    for (int distance = 1; distance < 128; ++distance)
      for (int k : {key - distance, key + distance}) {
        if (k < 0 || k > 127 || perKey[size_t(k)].empty()) continue;
        std::vector<LayerVoice> layers = perKey[size_t(k)];
        for (LayerVoice& v : layers) v.muted = drums || std::abs(key - v.baseKey) > 84;
        return layers;
      }
    return {};
  }

  // The program that plays one the bank lacks, and why: the nearest of its General MIDI family
  // of eight (the lower one on a tie), else program 0, the General MIDI default, else the lowest.
  static std::pair<int, std::string> MelodicStandIn(const std::map<int, size_t>& own, int program) {
    const int family = program / 8 * 8;
    for (int distance = 1; distance < 8; ++distance)
      for (int p : {program - distance, program + distance})
        if (p >= family && p < family + 8 && own.count(p))
          return {p, "program " + std::to_string(p) + ", the nearest one of its General MIDI family"};
    if (own.count(0)) return {0, "program 0, as the bank has none of its General MIDI family"};
    const int lowest = own.begin()->first;
    return {lowest, "program " + std::to_string(lowest) +
                        ", the lowest the bank has, as it has neither its family nor program 0"};
  }

  // The kit that plays one the bank lacks: the standard kit 0, else the lowest there is.
  static std::pair<int, std::string> KitStandIn(const std::map<int, size_t>& own) {
    if (own.count(0)) return {0, "the standard kit 0"};
    const int lowest = own.begin()->first;
    return {lowest, "kit " + std::to_string(lowest) + ", the lowest the bank has, as it has no kit 0"};
  }

  // Gives every program (or kit) that has no file of its own a copy of the file that stands in.
  void AddStandIns(bool drums) {
    std::map<int, size_t> own;  // program -> index of its file
    for (size_t i = 0; i < plan_.files.size(); ++i)
      if (plan_.files[i].drums == drums) own.emplace(plan_.files[i].fileProgram, i);
    if (own.empty()) {
      if (!plan_.files.empty())
        Warn(drums ? "the bank has no playable drum kit (bank 128); no D*.PRG file is written"
                   : "the bank has no playable melodic preset; no program's PRG file is written");
      return;
    }
    const char* kind = drums ? "kit " : "program ";
    for (int program = 0; program < 128; ++program) {
      if (own.count(program)) continue;
      const auto [source, why] = drums ? KitStandIn(own) : MelodicStandIn(own, program);
      PlannedFile copy = plan_.files[own.at(source)];
      copy.fileName = PrgFileName(program, drums);
      copy.fileProgram = program;
      copy.standIn = "The bank has no " + std::string(kind) + std::to_string(program) + "; this plays " + why;
      plan_.files.push_back(std::move(copy));
    }
  }

  void Plan(const Preset& preset, int program, bool drums) {
    const std::string fileName = PrgFileName(program, drums);
    PlannedFile file{fileName, drums, program, preset.name, preset.bank, preset.program, {}, {}, {}};
    const std::vector<ResolvedZone> zones = ResolvePreset(bank_, preset);
    std::vector<std::vector<LayerVoice>> perKey(128);
    bool truncated = false;
    for (int key = 0; key < 128; ++key) {
      perKey[size_t(key)] = LayersOfKey(zones, key);
      if (perKey[size_t(key)].size() > size_t(kMaxLayers)) {
        perKey[size_t(key)].resize(kMaxLayers);
        truncated = true;
      }
    }
    std::vector<int> open, openFill;  // lines that reached the previous key
    for (int key = 0; key < 128; ++key) {
      AddKey(file.lines, open, key, perKey[size_t(key)]);
      if (perKey[size_t(key)].empty())
        AddKey(file.fillLines, openFill, key, FillLayers(perKey, key, drums));
      else
        openFill.clear();
    }
    if (truncated)
      Warn("preset '" + preset.name + "': some keys have more than " + std::to_string(kMaxLayers) +
           " layers; the first " + std::to_string(kMaxLayers) + " are kept");
    if (file.lines.empty()) {
      Warn("preset '" + preset.name + "' (bank " + std::to_string(preset.bank) + ", program " +
           std::to_string(preset.program) + ") has nothing playable and is left out");
      return;
    }
    plan_.files.push_back(std::move(file));
  }

  // The sample window a zone plays, after its address offsets, or nothing when the sample
  // cannot be played. Loop faults drop the loop.
  std::optional<Window> WindowOf(const ResolvedZone& z) {
    const SampleHeader& s = bank_.samples[size_t(z.sample)];
    if (std::string problem = SampleProblem(bank_, size_t(z.sample)); !problem.empty()) {
      Warn(problem + "; the zones that use it are left out");
      return std::nullopt;
    }
    const auto& g = z.gen;
    Window w;
    w.start = int64_t(s.start) + g[kStartOffset] + 32768LL * g[kStartCoarseOffset];
    w.end = int64_t(s.end) + g[kEndOffset] + 32768LL * g[kEndCoarseOffset];
    w.loopStart = int64_t(s.loopStart) + g[kLoopStartOffset] + 32768LL * g[kLoopStartCoarseOffset];
    w.loopEnd = int64_t(s.loopEnd) + g[kLoopEndOffset] + 32768LL * g[kLoopEndCoarseOffset];
    const std::string who = "sample '" + s.name + "' (#" + std::to_string(z.sample) + ")";
    if (w.start != s.start || w.end != s.end) {
      const int64_t start = std::clamp<int64_t>(w.start, s.start, s.end);
      const int64_t end = std::clamp<int64_t>(w.end, s.start, s.end);
      if (start != w.start || end != w.end)
        Warn("pdta/igen: address offsets of instrument '" + bank_.instruments[size_t(z.instrument)].name +
             "' reach outside " + who + "; kept inside it");
      w.start = start;
      w.end = end;
      if (w.end <= w.start) {
        Warn("pdta/igen: address offsets of instrument '" + bank_.instruments[size_t(z.instrument)].name +
             "' leave nothing of " + who + "; the zone is left out");
        return std::nullopt;
      }
    }
    const int mode = g[kSampleModes];
    w.looped = mode == 1 || mode == 3;
    if (w.looped && !(w.start <= w.loopStart && w.loopStart < w.loopEnd && w.loopEnd <= w.end)) {
      Warn("pdta/shdr: the loop " + std::to_string(w.loopStart) + "-" + std::to_string(w.loopEnd) +
           " of " + who + " lies outside the sample (" + std::to_string(w.start) + "-" +
           std::to_string(w.end) + "); it plays without a loop");
      w.looped = false;
    }
    return w;
  }

  int SourceOf(int left, int right, const Window& w, int cents) {
    const SampleHeader& s = bank_.samples[size_t(left)];
    SampleSource src;
    src.left = left;
    src.right = right;
    src.first = uint32_t(w.start - s.start);
    src.looped = w.looped;
    // The renderer never plays past the loop, so a looped sample ends with it.
    src.length = uint32_t((w.looped ? w.loopEnd : w.end) - w.start);
    if (w.looped) {
      src.loopFirst = uint32_t(w.loopStart - w.start);
      src.loopLength = uint32_t(w.loopEnd - w.loopStart);
    }
    src.sourceRate = s.rate;
    src.outRate = IsRendererRate(s.rate) ? s.rate : targetRate_;
    src.cents = cents;
    auto [it, added] = sources_.emplace(src, int(plan_.sources.size()));
    if (added) plan_.sources.push_back(src);
    return it->second;
  }

  LayerVoice VoiceOf(const ResolvedZone& z, int right, const Window& w, int key, int pan) {
    const SampleHeader& s = bank_.samples[size_t(z.sample)];
    const auto& g = z.gen;
    LayerVoice v;
    const int total = TotalCents(z, s);
    const int semitones = int(std::floor((total + 50) / 100.0));
    const int root = RootKey(z, s);
    // With a scale tuning other than 100 cents per key, each key gets its own base key.
    int base = key - semitones - int(std::lround((key - root) * g[kScaleTuning] / 100.0));
    if (base < 0 || base > 127) {
      Warn("sample '" + s.name + "': its tuning puts the base key outside c0-g10; clamped");
      base = std::clamp(base, 0, 127);
    }
    v.baseKey = base;
    v.source = SourceOf(z.sample, right, w, total - 100 * semitones);
    v.baseVolume = std::max(1, int(std::lround(kLevelReference *
                                                std::pow(10.0, kAttenuationScale * g[kInitialAttenuation] / 200.0))));
    v.basePan = BasePan(pan);
    v.velocitySensitivity = kVelocitySensitivity;
    v.pressureSensitivity = kPressureSensitivity;
    v.expressionSensitivity = kExpressionSensitivity;
    v.releaseSensitivity = kReleaseSensitivity;
    v.bendRange = kBendRange;
    // Full modulation makes the renderer's playback speed swing by the sensitivity in percent.
    const double swing = std::exp2(z.modWheelToPitch / 1200.0) - 1.0;
    v.modulationSensitivity = std::clamp(int(std::lround(100.0 * swing)), z.modWheelToPitch > 0 ? 1 : 0, 100);
    v.modulationRate = std::clamp(int(std::lround(8.176 * std::exp2(g[kFreqVibLfo] / 1200.0))), 1, 100);

    // Key-dependent envelope times are taken at the middle of the zone's keys.
    const int middle = (z.keyLow + z.keyHigh) / 2;
    VolumeEnvelope e;
    e.delay = TimecentsToSeconds(g[kDelayVolEnv]);
    e.attack = TimecentsToSeconds(g[kAttackVolEnv]);
    e.hold = TimecentsToSeconds(std::clamp(g[kHoldVolEnv] + (60 - middle) * g[kKeyToVolEnvHold], -12000, 5000));
    e.decay = TimecentsToSeconds(std::clamp(g[kDecayVolEnv] + (60 - middle) * g[kKeyToVolEnvDecay], -12000, 8000));
    e.release = TimecentsToSeconds(g[kReleaseVolEnv]);
    e.sustainCentibels = g[kSustainVolEnv];
    const SampleSource& source = plan_.sources[size_t(v.source)];
    if (source.looped) {
      // The highest key of the zone (or the base key, when the zone lies below it), bent up as
      // far as it goes, plays the sample fastest.
      const int shift = std::max(z.keyHigh, base) - base + kBendRange;
      e.phaseLimit = kPhaseMargin * UnrolledSeconds(source) * std::exp2(-shift / 12.0);
    }
    v.envelope = FitEnvelope(e);
    return v;
  }

  // Two halves of a stereo pair agree when one stereo file can hold them.
  bool Agree(const ResolvedZone& z, const Window& w, const ResolvedZone& y, const Window& wy) const {
    const SampleHeader& s = bank_.samples[size_t(z.sample)];
    const SampleHeader& t = bank_.samples[size_t(y.sample)];
    return w.end - w.start == wy.end - wy.start && w.looped == wy.looped &&
           (!w.looped || (w.loopStart - w.start == wy.loopStart - wy.start &&
                          w.loopEnd - w.start == wy.loopEnd - wy.start)) &&
           s.rate == t.rate && TotalCents(z, s) == TotalCents(y, t);
  }

  // Whether a half's link names a half of the other side.
  bool LinksAHalf(const SampleHeader& s, uint16_t type) const {
    if (s.link >= bank_.samples.size()) return false;
    const uint16_t other = bank_.samples[s.link].type;
    return (type & kLeftSample) ? (other & kRightSample) != 0 : (other & kLeftSample) != 0;
  }

  std::vector<LayerVoice> LayersOfKey(const std::vector<ResolvedZone>& zones, int key) {
    std::vector<std::pair<const ResolvedZone*, Window>> candidates;
    for (const ResolvedZone& z : zones)
      if (z.PlaysKey(key))
        if (auto w = WindowOf(z)) candidates.emplace_back(&z, *w);
    if (candidates.empty()) return {};

    // The renderer sounds every layer at every velocity, so a key plays the zones of one
    // velocity: a forte note's, or the nearest velocity that any zone covers.
    int velocity = kForteVelocity, distance = 128;
    for (auto& [z, w] : candidates) {
      int d = z->PlaysVelocity(kForteVelocity) ? 0 : z->velHigh < kForteVelocity ? kForteVelocity - z->velHigh : z->velLow - kForteVelocity;
      if (d < distance) {
        distance = d;
        velocity = z->PlaysVelocity(kForteVelocity) ? kForteVelocity : z->velHigh < kForteVelocity ? z->velHigh : z->velLow;
      }
    }
    std::vector<std::pair<const ResolvedZone*, Window>> chosen;
    for (auto& c : candidates)
      if (c.first->PlaysVelocity(velocity)) chosen.push_back(c);

    std::vector<LayerVoice> layers;
    std::vector<bool> used(chosen.size(), false);
    for (size_t i = 0; i < chosen.size(); ++i) {
      if (used[i]) continue;
      used[i] = true;
      const ResolvedZone& z = *chosen[i].first;
      const Window& w = chosen[i].second;
      const SampleHeader& s = bank_.samples[size_t(z.sample)];
      const bool half = (s.type & (kLeftSample | kRightSample)) != 0;
      // The partner: the linked half; or, where the bank's links are broken (they point at no
      // half of the other side), a half of the other side that agrees with this one.
      size_t partner = chosen.size();
      bool agree = false;
      for (size_t j = i + 1; half && j < chosen.size() && partner == chosen.size(); ++j) {
        const SampleHeader& t = bank_.samples[size_t(chosen[j].first->sample)];
        if (used[j] || !(t.type & (s.type & kLeftSample ? kRightSample : kLeftSample))) continue;
        const bool matches = Agree(z, w, *chosen[j].first, chosen[j].second);
        if (chosen[j].first->sample == int(s.link) || (matches && !LinksAHalf(s, s.type))) {
          partner = j;
          agree = matches;
        }
      }
      if (partner == chosen.size()) {
        int pan = z.gen[kPan];
        if (half && pan == 0) pan = (s.type & kLeftSample) ? -500 : 500;
        layers.push_back(VoiceOf(z, -1, w, key, pan));
        continue;
      }
      used[partner] = true;
      const ResolvedZone& y = *chosen[partner].first;
      const Window& wy = chosen[partner].second;
      const bool zIsLeft = (s.type & kLeftSample) != 0;
      const ResolvedZone& leftZone = zIsLeft ? z : y;
      const Window& leftWindow = zIsLeft ? w : wy;
      if (agree) {
        layers.push_back(VoiceOf(leftZone, zIsLeft ? y.sample : z.sample, leftWindow, key,
                                 (z.gen[kPan] + y.gen[kPan]) / 2));
      } else {
        // Halves that differ play as two mono layers, panned apart.
        const ResolvedZone& rightZone = zIsLeft ? y : z;
        const Window& rightWindow = zIsLeft ? wy : w;
        layers.push_back(VoiceOf(leftZone, -1, leftWindow, key, leftZone.gen[kPan] == 0 ? -500 : leftZone.gen[kPan]));
        layers.push_back(VoiceOf(rightZone, -1, rightWindow, key, rightZone.gen[kPan] == 0 ? 500 : rightZone.gen[kPan]));
      }
    }
    return layers;
  }

  const Bank& bank_;
  uint32_t targetRate_;
  ImportPlan plan_;
  std::map<SampleSource, int> sources_;
  std::set<std::string> warned_;
};

}  // namespace

bool LayerVoice::operator==(const LayerVoice& o) const {
  auto tie = [](const LayerVoice& v) {
    const LinearEnvelope& e = v.envelope;
    return std::tie(v.source, v.baseKey, v.baseVolume, v.basePan, v.velocitySensitivity,
                    v.pressureSensitivity, v.expressionSensitivity, v.releaseSensitivity,
                    v.bendRange, v.modulationSensitivity, v.modulationRate, e.attackMs, e.decayMs,
                    e.attackFactor, e.decayFactor, e.sustainSlope, e.releaseSlope, v.muted);
  };
  return tie(*this) == tie(o);
}

bool IsRendererRate(uint32_t rate) { return rate == 11025 || rate == 22050 || rate == 44100; }

ImportPlan PlanImport(const Bank& bank, uint32_t targetRate) {
  return Planner(bank, targetRate).Run();
}

}  // namespace tonemill::soundfont
