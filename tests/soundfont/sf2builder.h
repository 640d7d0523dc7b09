// A small SoundFont 2 writer for the tests: banks are described in code, written to bytes, and
// can then be damaged on purpose.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

struct TestSample {
  std::string name = "S";
  std::vector<int16_t> points;
  uint32_t loopStart = 0, loopEnd = 0;  // relative to the sample, loopEnd exclusive
  uint32_t rate = 44100;
  uint8_t pitch = 60;
  int8_t correction = 0;
  uint16_t link = 0, type = 1;
  // Overrides the header's start/end/loop when set (for damaged headers); absolute values.
  bool rawHeader = false;
  uint32_t start = 0, end = 0, loopStartAbs = 0, loopEndAbs = 0;
};

struct TestModulator {
  uint16_t source, destination;
  int16_t amount;
  uint16_t amountSource = 0, transform = 0;
};

struct TestZone {
  std::vector<std::pair<uint16_t, uint16_t>> generators;
  std::vector<TestModulator> modulators;
};

struct TestInstrument {
  std::string name = "I";
  std::vector<TestZone> zones;
};

struct TestPreset {
  std::string name = "P";
  uint16_t program = 0, bank = 0;
  std::vector<TestZone> zones;
};

uint16_t Range(int low, int high);
uint16_t Amount(int value);  // a signed generator amount

class Sf2Builder {
 public:
  std::vector<TestSample> samples;
  std::vector<TestInstrument> instruments;
  std::vector<TestPreset> presets;
  uint16_t versionMajor = 2;
  std::vector<std::string> omit;  // pdta chunk ids to leave out
  std::map<std::string, size_t> extraBytes;  // zero bytes appended to a chunk's data

  std::vector<uint8_t> Build();
  // Offset of the data of a chunk ("phdr", "smpl", ...) in the last Build; the size field sits
  // 4 bytes before it.
  size_t DataOffset(const std::string& id) const { return offsets_.at(id); }

 private:
  std::map<std::string, size_t> offsets_;
};

// A sine of `period` points, `length` points long, at a quarter of full scale.
std::vector<int16_t> Sine(size_t length, double period);

// A sample holding such a sine, looped on [loopStart, loopEnd) when loopEnd > 0.
TestSample SineSample(const std::string& name, size_t length, double period, uint32_t loopStart = 0,
                      uint32_t loopEnd = 0, uint32_t rate = 44100);

}  // namespace testing_support
