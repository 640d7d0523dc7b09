#include "dft/container.h"
#include "dft/convert.h"
#include "dft/dft.h"
#include "platform/library.h"
#include "tests/dft/wavbytes.h"
#include "tests/support/testfiles.h"

#include <FLAC/stream_decoder.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dft_test {
namespace {

using testing_support::ReadBytes;
using testing_support::TempDir;
using testing_support::WriteBytes;

class Dft : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const Bytes& bytes) {
    WriteBytes(dir_.File(name), bytes);
    return dir_.File(name);
  }
  int32_t ToDft(const std::string& wav, const std::string& dft) {
    return dft::WavFileToDft(wav.c_str(), dft.c_str());
  }
  int32_t ToWav(const std::string& dft, const std::string& wav) {
    return dft::DftFileToWav(dft.c_str(), wav.c_str());
  }
  // A DFT file of `wav`, as bytes.
  Bytes DftOf(const Bytes& wav) {
    const std::string in = Write("in.wav", wav);
    EXPECT_EQ(ToDft(in, dir_.File("made.dft")), 0);
    return ReadBytes(dir_.File("made.dft"));
  }
  TempDir dir_;
};

WavSpec Spec(uint16_t bits, uint16_t channels, size_t frames, uint32_t seed) {
  WavSpec s;
  s.bits = bits;
  s.channels = channels;
  s.data = SampleBytes(frames * channels * bits / 8, seed);
  return s;
}

TEST_F(Dft, RoundTripsAreByteForByte) {
  const Bytes list = Chunk("LIST", {'I', 'N', 'F', 'O', 'a', 'b', 'c'});
  struct Case {
    const char* what;
    WavSpec spec;
  };
  std::vector<Case> cases;
  for (uint16_t bits : {8, 16})
    for (uint16_t channels : {1, 2})
      cases.push_back({"plain", Spec(bits, channels, 10000, bits * 10u + channels)});
  WavSpec s = Spec(16, 2, 3001, 7);
  s.formatSize = 18;
  s.before = list;
  s.after = Chunk("cue ", Bytes(24, 3));
  cases.push_back({"18-byte format chunk, chunks before and after the data", s});
  s = Spec(8, 1, 4097, 9);  // odd data: a pad byte follows
  s.after = Chunk("LIST", Bytes(5, 'x'));
  cases.push_back({"8-bit odd length with pad byte and trailing chunk", s});
  s = Spec(16, 2, 100, 11);
  s.data.resize(s.data.size() + 3, 0x7E);  // not a whole number of frames
  cases.push_back({"partial last frame", s});
  cases.push_back({"no frames", Spec(16, 1, 0, 1)});
  s = Spec(16, 1, 50, 13);
  s.rate = 0;  // a rate the codec refuses is kept in the header all the same
  cases.push_back({"rate 0", s});
  s = Spec(8, 2, 64, 15);
  s.data.assign(s.data.size(), 0);  // the extremes of the 8-bit range
  for (size_t i = 0; i < s.data.size(); i += 3) s.data[i] = 255;
  cases.push_back({"8-bit extremes", s});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const Bytes wav = WavBytes(c.spec);
    const std::string source = Write("source.wav", wav);
    ASSERT_EQ(ToDft(source, dir_.File("sample.dft")), 0);
    ASSERT_EQ(ToWav(dir_.File("sample.dft"), dir_.File("back.wav")), 0);
    EXPECT_EQ(ReadBytes(dir_.File("back.wav")), wav);
  }
}

TEST_F(Dft, EveryResultCodeArisesWhereItsMessageSays) {
  const Bytes good = WavBytes(Spec(16, 2, 9000, 5));
  const std::string wav = Write("good.wav", good);
  const Bytes dftBytes = DftOf(good);
  const std::string dftFile = Write("good.dft", dftBytes);

  // A DFT file whose header fields are changed, with a CRC that matches again.
  auto forged = [&](auto change) {
    Bytes b = dftBytes;
    dft::Header h = dft::DecodeHeader(b.data());
    change(h, b);
    h.crc = dft::HeaderCrc(h, b.data() + dft::kHeaderSize, b.data() + dft::kHeaderSize + h.prefixLength);
    const auto head = dft::EncodeHeader(h);
    std::copy(head.begin(), head.end(), b.begin());
    return b;
  };
  WavSpec s = Spec(16, 1, 10, 1);
  s.tag = 3;
  const Bytes floatWav = WavBytes(s);
  s = Spec(16, 1, 10, 1);
  s.firstChunk = "JUNK";
  const Bytes junkFirst = WavBytes(s);
  s = Spec(16, 1, 10, 1);
  s.bits = 24;
  const Bytes wide = WavBytes(s);
  s = Spec(8, 1, 10, 1);
  s.channels = 3;
  const Bytes threeChannels = WavBytes(s);
  Bytes cutData = good;
  cutData.resize(cutData.size() - 10);
  Bytes flipped = dftBytes;
  flipped[flipped.size() - 40] ^= 0x10;  // inside the codec's stream
  Bytes prefixFlipped = dftBytes;
  prefixFlipped[dft::kHeaderSize + 30] ^= 1;  // a byte of the kept WAV header
  Bytes longer = dftBytes;
  longer.push_back(0);
  const std::string missingDir = dir_.File("no/such/dir/x");

  struct Case {
    const char* what;
    bool toWav;
    Bytes source;  // empty: `sourcePath` as it is
    std::string sourcePath, target;
    int32_t code;
  };
  const Case cases[] = {
      {"missing source", true, {}, dir_.File("none.dft"), "", 3},
      {"missing source", false, {}, dir_.File("none.wav"), "", 3},
      {"directory as source", false, {}, dir_.Dir(), "", 3},
      {"24-bit WAV", false, wide, "", "", 4},
      {"DFT header with 12 bits", true, forged([](dft::Header& h, Bytes&) { h.bits = 12; }), "", "", 4},
      {"three channels", false, threeChannels, "", "", 5},
      {"DFT header with no channels", true, forged([](dft::Header& h, Bytes&) { h.channels = 0; }), "", "", 5},
      {"a WAV file", true, good, "", "", 6},
      {"damaged stream", true, flipped, "", "", 6},
      {"damaged kept header", true, prefixFlipped, "", "", 6},
      {"a byte too many", true, longer, "", "", 6},
      {"unknown version", true, forged([](dft::Header& h, Bytes&) { h.version = 2; }), "", "", 6},
      {"target in a missing directory", false, {}, wav, missingDir, 7},
      {"target in a missing directory", true, {}, dftFile, missingDir, 7},
      {"target is the source", true, {}, dftFile, dftFile, 7},
      {"full disk", false, {}, wav, "/dev/full", 8},
      {"full disk", true, {}, dftFile, "/dev/full", 8},
      {"data cut short", false, cutData, "", "", 10},
      {"header cut short", false, Bytes(good.begin(), good.begin() + 30), "", "", 10},
      {"only the magic", true, Bytes(dftBytes.begin(), dftBytes.begin() + 8), "", "", 10},
      {"DFT cut short", true, Bytes(dftBytes.begin(), dftBytes.end() - 1), "", "", 10},
      {"text", false, Bytes{'h', 'e', 'l', 'l', 'o', '\n'}, "", "", 11},
      {"empty", false, Bytes{}, dir_.File("empty"), "", 11},
      {"a DFT file", false, dftBytes, "", "", 11},
      {"float samples", false, floatWav, "", "", 12},
      {"format chunk not first", false, junkFirst, "", "", 12},
  };
  WriteBytes(dir_.File("empty"), {});
  struct stat full {};
  const bool hasFullDevice = ::stat("/dev/full", &full) == 0 && S_ISCHR(full.st_mode);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.target == "/dev/full" && !hasFullDevice) continue;
    const std::string source = c.sourcePath.empty() ? Write("case.in", c.source) : c.sourcePath;
    const std::string target = c.target.empty() ? dir_.File("case.out") : c.target;
    std::filesystem::remove(dir_.File("case.out"));
    EXPECT_EQ(c.toWav ? ToWav(source, target) : ToDft(source, target), c.code);
    // A failed conversion leaves nothing that looks complete.
    EXPECT_FALSE(std::filesystem::exists(dir_.File("case.out")));
  }
  struct stat st {};
  EXPECT_EQ(::stat("/dev/full", &st) == 0 && S_ISCHR(st.st_mode), hasFullDevice);  // never removed
  EXPECT_EQ(ReadBytes(dftFile), dftBytes);
}

// The decoder's byte position after each frame of a FLAC stream held in memory.
std::vector<uint64_t> FrameEnds(const Bytes& stream) {
  struct Reader {
    const Bytes* bytes;
    size_t at = 0;
  } reader{&stream};
  auto read = [](const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes, void* client) {
    auto* r = static_cast<Reader*>(client);
    *bytes = std::min(*bytes, r->bytes->size() - r->at);
    std::copy_n(r->bytes->data() + r->at, *bytes, buffer);
    r->at += *bytes;
    return *bytes ? FLAC__STREAM_DECODER_READ_STATUS_CONTINUE : FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM;
  };
  auto tell = [](const FLAC__StreamDecoder*, FLAC__uint64* offset, void* client) {
    *offset = static_cast<Reader*>(client)->at;
    return FLAC__STREAM_DECODER_TELL_STATUS_OK;
  };
  auto write = [](const FLAC__StreamDecoder*, const FLAC__Frame*, const FLAC__int32* const[], void*) {
    return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
  };
  auto error = [](const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void*) {};
  FLAC__StreamDecoder* d = FLAC__stream_decoder_new();
  FLAC__stream_decoder_init_stream(d, read, nullptr, tell, nullptr, nullptr, write, nullptr, error, &reader);
  std::vector<uint64_t> ends;
  FLAC__stream_decoder_process_until_end_of_metadata(d);
  while (FLAC__stream_decoder_process_single(d) &&
         FLAC__stream_decoder_get_state(d) != FLAC__STREAM_DECODER_END_OF_STREAM) {
    FLAC__uint64 position = 0;
    if (FLAC__stream_decoder_get_decode_position(d, &position)) ends.push_back(position);
  }
  FLAC__stream_decoder_delete(d);
  return ends;
}

TEST_F(Dft, AStreamCutAtAFrameBoundaryIsAPrematureEnd) {
  const Bytes dftBytes = DftOf(WavBytes(Spec(16, 1, 3 * 4096, 3)));
  dft::Header h = dft::DecodeHeader(dftBytes.data());
  const size_t streamStart = dft::kHeaderSize + h.prefixLength + h.suffixLength;
  const std::vector<uint64_t> ends = FrameEnds(Bytes(dftBytes.begin() + streamStart, dftBytes.end()));
  ASSERT_EQ(ends.size(), 3u);
  Bytes cut(dftBytes.begin(), dftBytes.begin() + std::ptrdiff_t(streamStart + ends[1]));
  h.streamLength = uint32_t(ends[1]);
  h.crc = dft::HeaderCrc(h, cut.data() + dft::kHeaderSize, cut.data() + dft::kHeaderSize + h.prefixLength);
  const auto head = dft::EncodeHeader(h);
  std::copy(head.begin(), head.end(), cut.begin());
  EXPECT_EQ(ToWav(Write("cut.dft", cut), dir_.File("cut.wav")), dft::kPrematureEnd);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("cut.wav")));
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define TONEMILL_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer) || __has_feature(memory_sanitizer)
#define TONEMILL_SANITIZED 1
#endif
#endif

#ifndef TONEMILL_SANITIZED
// Runs the conversion in a child; with `limited` its address space cannot grow any more.
int32_t ConvertInChild(bool toWav, const std::string& source, const std::string& target,
                       bool limited) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (limited) {
      long pages = 0;
      if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
      }
      const rlim_t limit = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE));
      const rlimit r{limit, limit};
      if (pages == 0 || ::setrlimit(RLIMIT_AS, &r) != 0) ::_exit(100);
    }
    ::_exit(toWav ? dft::DftFileToWav(source.c_str(), target.c_str())
                  : dft::WavFileToDft(source.c_str(), target.c_str()));
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

TEST_F(Dft, NoMemoryIsReported) {
#ifdef TONEMILL_SANITIZED
  GTEST_SKIP() << "sanitizers reserve the address space this test limits";
#else
  // Both directions hold the bytes before the samples in memory. 16 MiB of them, written
  // piece by piece and converted only in children, cannot come from what this process's heap
  // has free.
  const uint32_t listSize = 16 << 20;
  const Bytes samples = SampleBytes(4000, 21);
  Bytes head{'R', 'I', 'F', 'F'};
  testing_support::PutLe32(head, 4 + 24 + 8 + listSize + 8 + uint32_t(samples.size()));
  const Bytes format = Chunk("fmt ", {1, 0, 2, 0, 0x22, 0x56, 0, 0, 0x88, 0x58, 1, 0, 4, 0, 16, 0});
  head.insert(head.end(), {'W', 'A', 'V', 'E'});
  head.insert(head.end(), format.begin(), format.end());
  head.insert(head.end(), {'L', 'I', 'S', 'T'});
  testing_support::PutLe32(head, listSize);
  {
    std::ofstream out(dir_.File("big.wav"), std::ios::binary);
    out.write(reinterpret_cast<const char*>(head.data()), std::streamsize(head.size()));
    const std::string piece(1 << 16, 'i');
    for (uint32_t i = 0; i < listSize / piece.size(); ++i) out << piece;
    const Bytes data = Chunk("data", samples);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
  }
  const std::string source = dir_.File("big.wav");
  ASSERT_EQ(ConvertInChild(false, source, dir_.File("big.dft"), false), 0);
  EXPECT_EQ(ConvertInChild(false, source, dir_.File("out.dft"), true), dft::kOutOfMemory);
  EXPECT_EQ(ConvertInChild(true, dir_.File("big.dft"), dir_.File("out.wav"), true), dft::kOutOfMemory);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.dft")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("out.wav")));
  EXPECT_EQ(ConvertInChild(true, dir_.File("big.dft"), dir_.File("out.wav"), false), 0);
  EXPECT_EQ(std::filesystem::file_size(dir_.File("out.wav")), std::filesystem::file_size(source));
#endif
}

TEST_F(Dft, TheLibraryIsBoundByNameAndOrdinal) {
  using Entry = int32_t (*)(const char*, const char*);
  platform::BoundLibrary lib = platform::BoundLibrary::Load("DFT.DLL");
  ASSERT_TRUE(lib.IsLoaded());
  auto toWav = reinterpret_cast<Entry>(lib.Export(1));
  auto toDft = reinterpret_cast<Entry>(lib.Export(2));
  ASSERT_TRUE(toWav && toDft);
  EXPECT_EQ(lib.Export(3), nullptr);
  const Bytes wav = WavBytes(Spec(8, 2, 500, 4));
  EXPECT_EQ(toDft(Write("a.wav", wav).c_str(), dir_.File("a.dft").c_str()), 0);
  EXPECT_EQ(toWav(dir_.File("a.dft").c_str(), dir_.File("b.wav").c_str()), 0);
  EXPECT_EQ(ReadBytes(dir_.File("b.wav")), wav);
  EXPECT_EQ(toWav(nullptr, nullptr), dft::kCantOpenSource);
}

}  // namespace
}  // namespace dft_test
