// SoundFont 2 banks as stored: the RIFF "sfbk" form read completely and checked, with the
// preset, instrument and sample records of its "pdta" list and the 16-bit sample data of "sdta".
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tonemill::soundfont {

// A bank that cannot be read. The message names the chunk where the fault was found
// ("pdta/pbag: ...").
class SoundFontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Generator {
  uint16_t oper = 0;
  uint16_t amount = 0;  // signed, unsigned or a lo/hi byte range, depending on oper
  int16_t Signed() const { return int16_t(amount); }
  uint8_t Low() const { return uint8_t(amount & 0xff); }
  uint8_t High() const { return uint8_t(amount >> 8); }
};

struct Modulator {
  uint16_t source = 0;
  uint16_t destination = 0;
  int16_t amount = 0;
  uint16_t amountSource = 0;
  uint16_t transform = 0;
};

struct Zone {
  std::vector<Generator> generators;
  std::vector<Modulator> modulators;
};

struct Preset {
  std::string name;
  uint16_t program = 0;
  uint16_t bank = 0;
  std::vector<Zone> zones;  // in file order, a global zone (if any) first
};

struct Instrument {
  std::string name;
  std::vector<Zone> zones;
};

// Sample type bits.
constexpr uint16_t kMonoSample = 1, kRightSample = 2, kLeftSample = 4, kLinkedSample = 8,
                   kRomSample = 0x8000;

struct SampleHeader {
  std::string name;
  uint32_t start = 0, end = 0;          // in sample points of the data; end is exclusive
  uint32_t loopStart = 0, loopEnd = 0;  // loopEnd is exclusive too
  uint32_t rate = 0;
  uint8_t originalPitch = 60;
  int8_t pitchCorrection = 0;  // cents
  uint16_t link = 0;
  uint16_t type = kMonoSample;
};

struct Bank {
  std::string name;  // INFO/INAM
  uint16_t versionMajor = 0, versionMinor = 0;
  std::vector<Preset> presets;
  std::vector<Instrument> instruments;
  std::vector<SampleHeader> samples;

  // The sample points of sdta/smpl, read from the file's bytes where they lie (a large bank is
  // not held twice).
  size_t Points() const { return points_; }
  int16_t Point(size_t i) const {
    const uint8_t* p = bytes_.data() + pointsOffset_ + 2 * i;
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
  }

 private:
  friend Bank ParseSoundFont(std::vector<uint8_t> bytes);
  std::vector<uint8_t> bytes_;
  size_t pointsOffset_ = 0, points_ = 0;
};

// Reads a whole bank from memory. Every size, index and offset is checked; a fault throws
// SoundFontError. Faults of single samples are left to the caller (see SampleProblem).
Bank ParseSoundFont(std::vector<uint8_t> bytes);
Bank ReadSoundFont(const std::string& path);

// The sampling rates the importer converts from.
constexpr uint32_t kLowestRate = 400, kHighestRate = 192000;

// Why a sample cannot be played as stored, or an empty string: ROM samples, empty samples,
// samples outside the data, rates outside kLowestRate..kHighestRate.
std::string SampleProblem(const Bank& bank, size_t index);

}  // namespace tonemill::soundfont
