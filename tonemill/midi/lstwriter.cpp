#include "lstwriter.h"

#include "platform/filesystem.h"
#include "tonemill/files/numbers.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace tonemill {
namespace {

void Line(std::string& out, const std::string& text) {
  out += text;
  out += "\r\n";
}

void Field(std::string& out, const std::string& text) {
  out += text;
  out += ' ';
}

}  // namespace

std::string InstrumentLine(const PrgEntry& e) {
  std::string line;
  Field(line, e.WavName());
  for (int v : {int(e.baseKey), int(e.baseVolume), int(e.basePan), int(e.velocitySensitivity),
                int(e.pressureSensitivity), int(e.expressionSensitivity),
                int(e.releaseSensitivity), int(e.bendRange), int(e.modulationSensitivity),
                int(e.modulationRate)})
    Field(line, std::to_string(v));
  for (double v : {e.attackFactor, e.decayFactor, e.sustainSlope, e.releaseSlope})
    Field(line, FormatFixed(v, 2));
  for (int32_t v : {e.attackLength, e.decayLength, e.startSample, e.endSample, e.loopStart,
                    e.loopEnd})
    Field(line, std::to_string(v));
  return line;
}

std::string LstText(int32_t songLength, const InstrumentList& instruments) {
  std::string out;
  Line(out, std::to_string(songLength));
  char event[48];
  for (const auto& record : instruments) {
    Line(out, "{");
    Line(out, InstrumentLine(record->entry));
    for (const auto& [key, groups] : record->keys) {
      Line(out, "[");
      Line(out, std::to_string(key));
      for (const NoteGroup& group : groups)
        for (const SongEvent& e : group.events) {
          int n = std::snprintf(event, sizeof event, "%d %s%d\r\n", int(e.time), EventTag(e.kind),
                                int(e.value));
          out.append(event, size_t(n));
        }
      Line(out, "]");
    }
    Line(out, "}");
  }
  return out;
}

bool ReplaceFileAtomically(const std::string& path, const std::string& text) {
  const std::string target = platform::NativePath(path);
  static std::mt19937_64 rng(std::random_device{}());
  const size_t slash = target.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  std::string temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 16 && fd < 0; ++attempt) {
    temporary = directory + "." + name + "." + std::to_string(rng() % 1000000000) + ".tmp";
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    ok = n > 0;
    if (ok) done += size_t(n);
  }
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  return ok;
}

}  // namespace tonemill
