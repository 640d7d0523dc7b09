#include "midiwriter.h"

namespace tonemill {
namespace {

void AppendBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(uint8_t(value >> shift));
}

void AppendLengthAndData(std::vector<uint8_t>& out, std::span<const uint8_t> data) {
  AppendVariableLength(out, uint32_t(data.size()));
  out.insert(out.end(), data.begin(), data.end());
}

}  // namespace

void AppendVariableLength(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = uint8_t(value & 0x7F);
    value >>= 7;
  } while (value);
  while (n > 1) out.push_back(uint8_t(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

void AppendMetaEvent(std::vector<uint8_t>& out, uint8_t type, std::span<const uint8_t> data) {
  out.push_back(0xFF);
  out.push_back(type);
  AppendLengthAndData(out, data);
}

void AppendSystemExclusive(std::vector<uint8_t>& out, uint8_t status,
                           std::span<const uint8_t> data) {
  out.push_back(status);
  AppendLengthAndData(out, data);
}

MidiTrackWriter& MidiTrackWriter::Channel(uint32_t delta, uint8_t status, uint8_t data1) {
  const uint8_t event[] = {status, data1};
  return Encoded(delta, event);
}

MidiTrackWriter& MidiTrackWriter::Channel(uint32_t delta, uint8_t status, uint8_t data1,
                                          uint8_t data2) {
  const uint8_t event[] = {status, data1, data2};
  return Encoded(delta, event);
}

MidiTrackWriter& MidiTrackWriter::Meta(uint32_t delta, uint8_t type, std::span<const uint8_t> data) {
  AppendVariableLength(bytes_, delta);
  AppendMetaEvent(bytes_, type, data);
  return *this;
}

MidiTrackWriter& MidiTrackWriter::Meta(uint32_t delta, uint8_t type,
                                       std::initializer_list<uint8_t> data) {
  return Meta(delta, type, std::span<const uint8_t>(data.begin(), data.size()));
}

MidiTrackWriter& MidiTrackWriter::SystemExclusive(uint32_t delta, uint8_t status,
                                                  std::span<const uint8_t> data) {
  AppendVariableLength(bytes_, delta);
  AppendSystemExclusive(bytes_, status, data);
  return *this;
}

MidiTrackWriter& MidiTrackWriter::Tempo(uint32_t delta, uint32_t us) {
  return Meta(delta, 0x51, {uint8_t(us >> 16), uint8_t(us >> 8), uint8_t(us)});
}

MidiTrackWriter& MidiTrackWriter::EndOfTrack(uint32_t delta) { return Meta(delta, 0x2F, {}); }

MidiTrackWriter& MidiTrackWriter::Encoded(uint32_t delta, std::span<const uint8_t> bytes) {
  AppendVariableLength(bytes_, delta);
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

void AppendHeaderChunk(std::vector<uint8_t>& out, uint16_t format, uint16_t tracks,
                       int16_t division) {
  out.insert(out.end(), {'M', 'T', 'h', 'd'});
  AppendBigEndian(out, 6, 4);
  AppendBigEndian(out, format, 2);
  AppendBigEndian(out, tracks, 2);
  AppendBigEndian(out, uint16_t(division), 2);
}

void AppendTrackChunkHeader(std::vector<uint8_t>& out, uint32_t eventBytes) {
  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  AppendBigEndian(out, eventBytes, 4);
}

void AppendTrackChunk(std::vector<uint8_t>& out, std::span<const uint8_t> events) {
  AppendTrackChunkHeader(out, uint32_t(events.size()));
  out.insert(out.end(), events.begin(), events.end());
}

std::vector<uint8_t> MidiFileBytes(uint16_t format, int16_t division,
                                   const std::vector<std::vector<uint8_t>>& tracks) {
  std::vector<uint8_t> file;
  AppendHeaderChunk(file, format, uint16_t(tracks.size()), division);
  for (const std::vector<uint8_t>& track : tracks) AppendTrackChunk(file, track);
  return file;
}

}  // namespace tonemill
