#include "sf2file.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

namespace tonemill::soundfont {
namespace {

uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

[[noreturn]] void Fail(const std::string& where, const std::string& what) {
  throw SoundFontError(where + ": " + what);
}

struct Chunk {
  std::string id;
  const uint8_t* data = nullptr;
  size_t size = 0;
};

std::string FourCC(const uint8_t* p) {
  std::string id(reinterpret_cast<const char*>(p), 4);
  for (char& c : id)
    if (c < 32 || c > 126) c = '?';
  return id;
}

// The chunks of a list body. A chunk that claims more bytes than its list holds is a fault;
// fewer than 8 bytes left over are taken as padding.
std::vector<Chunk> SubChunks(const uint8_t* p, size_t size, const std::string& where) {
  std::vector<Chunk> chunks;
  size_t pos = 0;
  while (size - pos >= 8) {
    Chunk c{FourCC(p + pos), p + pos + 8, Le32(p + pos + 4)};
    if (c.size > size - pos - 8)
      Fail(where + "/" + c.id, "chunk size " + std::to_string(c.size) + " runs past the end of " +
                                   where + " (" + std::to_string(size - pos - 8) +
                                   " bytes left); the bank is truncated or damaged");
    chunks.push_back(c);
    pos += 8 + c.size + (c.size & 1);
    if (pos > size) break;  // a missing pad byte after the last chunk
  }
  return chunks;
}

std::string FixedString(const uint8_t* p, size_t size) {
  std::string s;
  for (size_t i = 0; i < size && p[i] != 0; ++i) s += (p[i] < 32 || p[i] == 127) ? '?' : char(p[i]);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

// One of the nine record arrays of "pdta": its size must be whole records.
struct Records {
  std::string where;
  const uint8_t* data = nullptr;
  size_t count = 0;
  size_t recordSize = 0;
  const uint8_t* At(size_t i) const { return data + i * recordSize; }
};

Records RecordsOf(const std::map<std::string, Chunk>& pdta, const char* id, size_t recordSize,
                  size_t minimum) {
  std::string where = std::string("pdta/") + id;
  auto it = pdta.find(id);
  if (it == pdta.end()) Fail(where, "missing; every bank has all nine preset, instrument and sample chunks");
  const Chunk& c = it->second;
  if (c.size % recordSize != 0)
    Fail(where, "size " + std::to_string(c.size) + " is not a whole number of " +
                    std::to_string(recordSize) + "-byte records");
  Records r{where, c.data, c.size / recordSize, recordSize};
  if (r.count < minimum)
    Fail(where, "holds " + std::to_string(r.count) + " records; the terminal record is missing");
  return r;
}

// A header list (phdr or inst) points into its bag list: header i owns bags [first(i),
// first(i + 1)); the terminal header ends the last one. Returns the bag ranges of the real
// headers (all but the terminal one).
std::vector<std::pair<size_t, size_t>> BagRanges(const Records& headers, size_t bagIndexOffset,
                                                 const Records& bags, const std::string& kind) {
  std::vector<std::pair<size_t, size_t>> ranges;
  size_t previous = 0;
  for (size_t i = 0; i < headers.count; ++i) {
    size_t first = Le16(headers.At(i) + bagIndexOffset);
    std::string name = FixedString(headers.At(i), 20);
    if (first < previous)
      Fail(headers.where, kind + " '" + name + "' (#" + std::to_string(i) + ") starts at zone " +
                              std::to_string(first) + ", before the zones of the one ahead of it (" +
                              std::to_string(previous) + ")");
    // Zone `first` needs its successor in the bag list to know where its generators end.
    if (first + 1 > bags.count)
      Fail(headers.where, kind + " '" + name + "' (#" + std::to_string(i) + ") names zone " +
                              std::to_string(first) + ", beyond the " + std::to_string(bags.count) +
                              " records of " + bags.where);
    if (i > 0) ranges.emplace_back(previous, first);
    previous = first;
  }
  return ranges;
}

// Each bag j owns generators [gen(j), gen(j + 1)) and modulators [mod(j), mod(j + 1)).
void CheckBags(const Records& bags, size_t usedBags, const Records& gens, const Records& mods) {
  size_t previousGen = 0, previousMod = 0;
  for (size_t j = 0; j <= usedBags && j < bags.count; ++j) {
    size_t gen = Le16(bags.At(j)), mod = Le16(bags.At(j) + 2);
    const std::string zone = "zone #" + std::to_string(j);
    if (gen < previousGen)
      Fail(bags.where, zone + ": generator index " + std::to_string(gen) + " comes before the previous zone's " + std::to_string(previousGen));
    if (mod < previousMod)
      Fail(bags.where, zone + ": modulator index " + std::to_string(mod) + " comes before the previous zone's " + std::to_string(previousMod));
    if (gen > gens.count)
      Fail(bags.where, zone + ": generator index " + std::to_string(gen) + " is beyond the " + std::to_string(gens.count) + " records of " + gens.where);
    if (mod > mods.count)
      Fail(bags.where, zone + ": modulator index " + std::to_string(mod) + " is beyond the " + std::to_string(mods.count) + " records of " + mods.where);
    previousGen = gen;
    previousMod = mod;
  }
}

constexpr uint16_t kInstrumentGenerator = 41, kSampleGenerator = 53;

// Builds the zones of one header. `terminal` is the generator that must close every zone but a
// leading global one (41 for presets, 53 for instruments); its value must index `targets`.
std::vector<Zone> ReadZones(std::pair<size_t, size_t> range, const Records& bags,
                            const Records& gens, const Records& mods, uint16_t terminal,
                            size_t targets, const std::string& owner) {
  std::vector<Zone> zones;
  for (size_t j = range.first; j < range.second; ++j) {
    Zone z;
    for (size_t g = Le16(bags.At(j)); g < Le16(bags.At(j + 1)); ++g)
      z.generators.push_back({Le16(gens.At(g)), Le16(gens.At(g) + 2)});
    for (size_t m = Le16(bags.At(j) + 2); m < Le16(bags.At(j + 1) + 2); ++m) {
      const uint8_t* p = mods.At(m);
      z.modulators.push_back({Le16(p), Le16(p + 2), int16_t(Le16(p + 4)), Le16(p + 6), Le16(p + 8)});
    }
    for (const Generator& g : z.generators)
      if (g.oper == terminal && g.amount >= targets)
        Fail(gens.where, owner + " zone " + std::to_string(j - range.first) + " names " +
                             (terminal == kInstrumentGenerator ? "instrument " : "sample ") +
                             std::to_string(g.amount) + ", but the bank has only " +
                             std::to_string(targets) +
                             (terminal == kInstrumentGenerator ? " instruments" : " samples"));
    zones.push_back(std::move(z));
  }
  return zones;
}

// The checked zones of every real header of a list (phdr or inst).
std::vector<std::vector<Zone>> ZonesOf(const Records& headers, size_t bagIndexOffset, const Records& bags,
                                       const Records& gens, const Records& mods, uint16_t terminal,
                                       size_t targets, const std::string& kind) {
  const auto ranges = BagRanges(headers, bagIndexOffset, bags, kind);
  CheckBags(bags, Le16(headers.At(headers.count - 1) + bagIndexOffset), gens, mods);
  std::vector<std::vector<Zone>> zones;
  for (size_t i = 0; i < ranges.size(); ++i)
    zones.push_back(ReadZones(ranges[i], bags, gens, mods, terminal, targets,
                              kind + " '" + FixedString(headers.At(i), 20) + "' (#" + std::to_string(i) + ")"));
  return zones;
}

void ReadInfo(const Chunk& list, Bank& bank) {
  bool haveVersion = false;
  for (const Chunk& c : SubChunks(list.data + 4, list.size - 4, "INFO")) {
    if (c.id == "ifil") {
      if (c.size != 4) Fail("INFO/ifil", "size " + std::to_string(c.size) + " instead of 4");
      bank.versionMajor = Le16(c.data);
      bank.versionMinor = Le16(c.data + 2);
      haveVersion = true;
    } else if (c.id == "INAM") {
      bank.name = FixedString(c.data, c.size);
    }
  }
  if (!haveVersion) Fail("INFO/ifil", "missing: the bank does not say its version");
  if (bank.versionMajor != 2)
    Fail("INFO/ifil", "version " + std::to_string(bank.versionMajor) + "." +
                          std::to_string(bank.versionMinor) +
                          " is not SoundFont 2 (compressed banks are not supported)");
}

// Where the 16-bit points of sdta/smpl lie in the file, and how many there are.
std::pair<size_t, size_t> FindSampleData(const Chunk& list, const uint8_t* file) {
  bool found = false;
  std::pair<size_t, size_t> where{0, 0};
  for (const Chunk& c : SubChunks(list.data + 4, list.size - 4, "sdta")) {
    if (c.id != "smpl") continue;  // "sm24", the low bytes of 24-bit samples, is not used
    if (c.size % 2 != 0)
      Fail("sdta/smpl", "odd size " + std::to_string(c.size) + "; 16-bit sample points take two bytes each");
    where = {size_t(c.data - file), c.size / 2};
    found = true;
  }
  if (!found) Fail("sdta/smpl", "missing: the bank holds no sample data");
  return where;
}

void ReadPresetData(const Chunk& list, Bank& bank) {
  std::map<std::string, Chunk> pdta;
  for (const Chunk& c : SubChunks(list.data + 4, list.size - 4, "pdta")) pdta.emplace(c.id, c);
  const Records phdr = RecordsOf(pdta, "phdr", 38, 1), pbag = RecordsOf(pdta, "pbag", 4, 1),
                pmod = RecordsOf(pdta, "pmod", 10, 0), pgen = RecordsOf(pdta, "pgen", 4, 0),
                inst = RecordsOf(pdta, "inst", 22, 1), ibag = RecordsOf(pdta, "ibag", 4, 1),
                imod = RecordsOf(pdta, "imod", 10, 0), igen = RecordsOf(pdta, "igen", 4, 0),
                shdr = RecordsOf(pdta, "shdr", 46, 1);

  for (size_t i = 0; i + 1 < shdr.count; ++i) {
    const uint8_t* p = shdr.At(i);
    SampleHeader s;
    s.name = FixedString(p, 20);
    s.start = Le32(p + 20);
    s.end = Le32(p + 24);
    s.loopStart = Le32(p + 28);
    s.loopEnd = Le32(p + 32);
    s.rate = Le32(p + 36);
    s.originalPitch = p[40];
    s.pitchCorrection = int8_t(p[41]);
    s.link = Le16(p + 42);
    s.type = Le16(p + 44);
    bank.samples.push_back(std::move(s));
  }

  const auto instZones = ZonesOf(inst, 20, ibag, igen, imod, kSampleGenerator, bank.samples.size(), "instrument");
  for (size_t i = 0; i < instZones.size(); ++i)
    bank.instruments.push_back({FixedString(inst.At(i), 20), instZones[i]});
  const auto presetZones = ZonesOf(phdr, 24, pbag, pgen, pmod, kInstrumentGenerator, bank.instruments.size(), "preset");
  for (size_t i = 0; i < presetZones.size(); ++i)
    bank.presets.push_back({FixedString(phdr.At(i), 20), Le16(phdr.At(i) + 20), Le16(phdr.At(i) + 22), presetZones[i]});
}

}  // namespace

Bank ParseSoundFont(std::vector<uint8_t> file) {
  Bank bank;
  bank.bytes_ = std::move(file);
  const std::vector<uint8_t>& bytes = bank.bytes_;
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "sfbk", 4) != 0)
    Fail("RIFF", "not a SoundFont 2 bank (no RIFF form of type sfbk)");
  const size_t formSize = Le32(bytes.data() + 4);
  if (formSize > bytes.size() - 8)
    Fail("RIFF", "the form claims " + std::to_string(formSize) + " bytes but the file holds " +
                     std::to_string(bytes.size() - 8) + " after its header; the bank is truncated");
  if (formSize < 4) Fail("RIFF", "the form is empty");

  const Chunk* lists[3] = {};
  std::vector<Chunk> top = SubChunks(bytes.data() + 12, formSize - 4, "RIFF");
  for (const Chunk& c : top) {
    if (c.id != "LIST" || c.size < 4) continue;
    const std::string type = FourCC(c.data);
    int slot = type == "INFO" ? 0 : type == "sdta" ? 1 : type == "pdta" ? 2 : -1;
    if (slot >= 0 && !lists[slot]) lists[slot] = &c;
  }
  const char* names[3] = {"INFO", "sdta", "pdta"};
  for (int i = 0; i < 3; ++i)
    if (!lists[i]) Fail(names[i], "list missing; the bank is truncated or damaged");
  ReadInfo(*lists[0], bank);
  std::tie(bank.pointsOffset_, bank.points_) = FindSampleData(*lists[1], bytes.data());
  ReadPresetData(*lists[2], bank);
  return bank;
}

Bank ReadSoundFont(const std::string& path) {
  std::error_code ec;
  if (std::filesystem::exists(path, ec) && !std::filesystem::is_regular_file(path, ec))
    throw SoundFontError("not a file");
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) throw SoundFontError("cannot open the file");
  const std::streamoff size = in.tellg();
  if (size < 0) throw SoundFontError("cannot read the file");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));  // in one piece: no growing copies
  in.seekg(0);
  in.read(reinterpret_cast<char*>(bytes.data()), size);
  if (!in) throw SoundFontError("cannot read the file");
  return ParseSoundFont(std::move(bytes));
}

std::string SampleProblem(const Bank& bank, size_t index) {
  const SampleHeader& s = bank.samples[index];
  const std::string who = "pdta/shdr: sample '" + s.name + "' (#" + std::to_string(index) + ")";
  if (s.type & kRomSample) return who + " lives in a sound ROM that this bank does not carry";
  if (s.end <= s.start) return who + " is empty (start " + std::to_string(s.start) + ", end " + std::to_string(s.end) + ")";
  if (s.end > bank.Points())
    return who + " ends at point " + std::to_string(s.end) + ", beyond the " +
           std::to_string(bank.Points()) + " points of sdta/smpl";
  if (s.rate < kLowestRate || s.rate > kHighestRate)
    return who + " has a sampling rate of " + std::to_string(s.rate) + " Hz, outside " +
           std::to_string(kLowestRate) + "-" + std::to_string(kHighestRate) + " Hz";
  return {};
}

}  // namespace tonemill::soundfont
