#include "sf2builder.h"

#include "tests/support/testfiles.h"

#include <cmath>

namespace testing_support {
namespace {

void Tag(std::vector<uint8_t>& out, const std::string& id) {
  for (char c : id) out.push_back(uint8_t(c));
}

void Name(std::vector<uint8_t>& out, const std::string& name) {
  for (size_t i = 0; i < 20; ++i) out.push_back(i < name.size() ? uint8_t(name[i]) : 0);
}

struct ChunkWriter {
  std::vector<uint8_t>& out;
  std::map<std::string, size_t>& offsets;
  void Chunk(const std::string& id, const std::vector<uint8_t>& data) {
    Tag(out, id);
    PutLe32(out, uint32_t(data.size()));
    offsets[id] = out.size();
    out.insert(out.end(), data.begin(), data.end());
    if (data.size() & 1) out.push_back(0);
  }
};

template <class Zoned>
void Zones(const std::vector<Zoned>& owners, std::vector<uint8_t>& bags, std::vector<uint8_t>& gens,
           std::vector<uint8_t>& mods, std::vector<uint16_t>& firstBag) {
  uint16_t bag = 0, gen = 0, mod = 0;
  for (const auto& owner : owners) {
    firstBag.push_back(bag);
    for (const TestZone& z : owner.zones) {
      PutLe16(bags, gen);
      PutLe16(bags, mod);
      ++bag;
      for (auto [oper, amount] : z.generators) {
        PutLe16(gens, oper);
        PutLe16(gens, amount);
        ++gen;
      }
      for (const TestModulator& m : z.modulators) {
        PutLe16(mods, m.source);
        PutLe16(mods, m.destination);
        PutLe16(mods, uint16_t(m.amount));
        PutLe16(mods, m.amountSource);
        PutLe16(mods, m.transform);
        ++mod;
      }
    }
  }
  firstBag.push_back(bag);
  PutLe16(bags, gen);  // terminal bag
  PutLe16(bags, mod);
  for (int i = 0; i < 4; ++i) gens.push_back(0);
  for (int i = 0; i < 10; ++i) mods.push_back(0);
}

}  // namespace

uint16_t Range(int low, int high) { return uint16_t(low | (high << 8)); }
uint16_t Amount(int value) { return uint16_t(int16_t(value)); }

std::vector<int16_t> Sine(size_t length, double period) {
  std::vector<int16_t> s(length);
  for (size_t i = 0; i < length; ++i)
    s[i] = int16_t(std::lround(8192.0 * std::sin(2.0 * 3.14159265358979323846 * double(i) / period)));
  return s;
}

TestSample SineSample(const std::string& name, size_t length, double period, uint32_t loopStart,
                      uint32_t loopEnd, uint32_t rate) {
  TestSample s;
  s.name = name;
  s.points = Sine(length, period);
  s.loopStart = loopStart;
  s.loopEnd = loopEnd;
  s.rate = rate;
  return s;
}

std::vector<uint8_t> Sf2Builder::Build() {
  offsets_.clear();
  std::vector<uint8_t> smpl, shdr;
  for (const TestSample& s : samples) {
    const uint32_t start = uint32_t(smpl.size() / 2);
    for (int16_t p : s.points) PutLe16(smpl, uint16_t(p));
    for (int i = 0; i < 46; ++i) PutLe16(smpl, 0);
    const uint32_t end = start + uint32_t(s.points.size());
    Name(shdr, s.name);
    PutLe32(shdr, s.rawHeader ? s.start : start);
    PutLe32(shdr, s.rawHeader ? s.end : end);
    PutLe32(shdr, s.rawHeader ? s.loopStartAbs : start + s.loopStart);
    PutLe32(shdr, s.rawHeader ? s.loopEndAbs : start + s.loopEnd);
    PutLe32(shdr, s.rate);
    shdr.push_back(s.pitch);
    shdr.push_back(uint8_t(s.correction));
    PutLe16(shdr, s.link);
    PutLe16(shdr, s.type);
  }
  Name(shdr, "EOS");
  for (int i = 0; i < 26; ++i) shdr.push_back(0);

  std::vector<uint8_t> pbag, pgen, pmod, ibag, igen, imod, phdr, inst;
  std::vector<uint16_t> presetBags, instBags;
  Zones(presets, pbag, pgen, pmod, presetBags);
  Zones(instruments, ibag, igen, imod, instBags);
  for (size_t i = 0; i < presets.size(); ++i) {
    Name(phdr, presets[i].name);
    PutLe16(phdr, presets[i].program);
    PutLe16(phdr, presets[i].bank);
    PutLe16(phdr, presetBags[i]);
    for (int k = 0; k < 12; ++k) phdr.push_back(0);
  }
  Name(phdr, "EOP");
  PutLe16(phdr, 0);
  PutLe16(phdr, 0);
  PutLe16(phdr, presetBags.back());
  for (int k = 0; k < 12; ++k) phdr.push_back(0);
  for (size_t i = 0; i < instruments.size(); ++i) {
    Name(inst, instruments[i].name);
    PutLe16(inst, instBags[i]);
  }
  Name(inst, "EOI");
  PutLe16(inst, instBags.back());

  std::vector<uint8_t> info, sdta, pdta;
  std::vector<uint8_t> ifil;
  PutLe16(ifil, versionMajor);
  PutLe16(ifil, 1);
  std::vector<uint8_t> out;
  ChunkWriter w{out, offsets_};
  // Lists are written into `out` in place: the sizes are patched afterwards.
  Tag(out, "RIFF");
  PutLe32(out, 0);
  Tag(out, "sfbk");
  auto list = [&](const std::string& type, auto body) {
    Tag(out, "LIST");
    const size_t sizeAt = out.size();
    PutLe32(out, 0);
    Tag(out, type);
    body();
    const uint32_t size = uint32_t(out.size() - sizeAt - 4);
    for (int i = 0; i < 4; ++i) out[sizeAt + size_t(i)] = uint8_t(size >> (8 * i));
  };
  list("INFO", [&] {
    w.Chunk("ifil", ifil);
    w.Chunk("INAM", {'T', 'e', 's', 't', 0, 0});
  });
  list("sdta", [&] { w.Chunk("smpl", smpl); });
  list("pdta", [&] {
    const std::pair<const char*, std::vector<uint8_t>*> chunks[] = {
        {"phdr", &phdr}, {"pbag", &pbag}, {"pmod", &pmod}, {"pgen", &pgen}, {"inst", &inst},
        {"ibag", &ibag}, {"imod", &imod}, {"igen", &igen}, {"shdr", &shdr}};
    for (auto& [id, data] : chunks) {
      bool skip = false;
      for (const auto& o : omit) skip = skip || o == id;
      if (auto extra = extraBytes.find(id); extra != extraBytes.end()) data->resize(data->size() + extra->second);
      if (!skip) w.Chunk(id, *data);
    }
  });
  const uint32_t riff = uint32_t(out.size() - 8);
  for (int i = 0; i < 4; ++i) out[4 + size_t(i)] = uint8_t(riff >> (8 * i));
  return out;
}

}  // namespace testing_support
