// The Python module `tonemill`: songs rendered into NumPy arrays by the song job the command
// line runs (the same list, the same sample check, the same library call, so the same samples),
// their stems, song lists, the MIDI listing and the program's writers.
//
// Each render works in a scratch directory of its own, which it removes; nothing is written
// elsewhere. The interpreter's lock is released while a song renders, so threads render songs
// side by side: every render registers its own pump with the library and shows its messages
// through a sink of its own thread. On the main thread the pump looks for a signal every 50 ms
// and a KeyboardInterrupt cancels the render as Ctrl-C cancels the command; the interrupt is
// raised and no array is returned.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "platform/messages.h"
#include "resona/resona.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/settings.h"
#include "tonemill/files/wavheader.h"
#include "tonemill/files/wavwriter.h"
#include "tonemill/ops/midiutils.h"
#include "tonemill/ops/outputjob.h"
#include "tonemill/ops/songchecks.h"
#include "tonemill/ops/songjob.h"
#include "tonemill/ops/stems.h"
#include "tonemill/render/drumlist.h"
#include "tonemill/soundfont/importer.h"
#include "tonemill/soundfont/sf2file.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <sys/statvfs.h>
#include <unistd.h>
#include <vector>

namespace py = pybind11;
namespace fs = std::filesystem;

namespace tonemill::python {
namespace {

// ---- The one exception type ---------------------------------------------------------------

// A failure the module raises as tonemill.Error: the system's message, the file and line it
// concerns, and the messages shown on the way (a missing sample each, before "Sample file(s)
// missing. Aborting.").
struct Failure {
  Problem problem;
  std::vector<std::string> shown;

  // What the command line prints, one message a line.
  std::string Text() const {
    std::string text;
    for (const std::string& s : shown) text += s + "\n";
    return text + problem.Text();
  }
};

PyObject* gErrorType = nullptr;

[[noreturn]] void Raise(const Problem& problem, std::vector<std::string> shown = {}) {
  throw Failure{problem, std::move(shown)};
}

void TranslateFailure(const Failure& f) {
  py::object error = py::reinterpret_borrow<py::object>(gErrorType)(f.Text());
  error.attr("message") = f.problem.MessageWithReason();
  error.attr("file") = f.problem.file.empty() ? py::object(py::none()) : py::str(f.problem.file);
  error.attr("line") = f.problem.line > 0 ? py::object(py::int_(f.problem.line)) : py::none();
  error.attr("messages") = f.shown;
  PyErr_SetObject(gErrorType, error.ptr());
}

// ---- Scratch files ------------------------------------------------------------------------

// Room the memory file system must have for a scratch directory: the largest WAV song the
// renderer writes, and its song list.
constexpr uint64_t kScratchRoom = (uint64_t(1) << 31) + (uint64_t(256) << 20);

// Where scratch directories go: TMPDIR when it is set; else the memory file system, when it has
// room for the largest song, so that a render's song list and WAV song never reach a disk (no
// blocks to allocate, nothing to write back, a sync that costs nothing), then /tmp.
std::vector<std::string> ScratchRoots() {
  if (const char* tmp = std::getenv("TMPDIR"); tmp && *tmp) return {tmp};
  const char* memory = "/dev/shm";
  struct statvfs room{};
  if (::statvfs(memory, &room) == 0 && uint64_t(room.f_bavail) * room.f_frsize >= kScratchRoom)
    return {memory, "/tmp"};
  return {"/tmp"};
}

// A directory of the render's own under the first of ScratchRoots() that takes one, removed
// with it.
class Scratch {
 public:
  Scratch() {
    int error = 0;
    std::string pattern;
    for (const std::string& root : ScratchRoots()) {
      pattern = root + "/tonemill-XXXXXX";
      std::vector<char> buffer(pattern.begin(), pattern.end());
      buffer.push_back('\0');
      if (::mkdtemp(buffer.data())) {
        dir_ = buffer.data();
        return;
      }
      error = errno;
    }
    Raise(Problem("Can't create a scratch directory", pattern, 0, SystemReason(error)));
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
};

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out.flush()) Raise(Problem("Can't write scratch file", path));
}

// A song or list given as a path, bytes or a file-like object, taken with the interpreter's
// lock; the contents of bytes or a file object are written to a scratch file without it.
struct Source {
  std::string path;  // as given, or empty
  std::string contents;
  std::string name;  // the name messages give the contents: "<bytes>", or the file object's
};

Source SourceOf(py::handle source) {
  py::object os = py::module_::import("os");
  if (py::isinstance<py::str>(source) || py::hasattr(source, "__fspath__")) {
    py::object path = os.attr("fspath")(source);
    if (!py::isinstance<py::str>(path)) path = os.attr("fsdecode")(path);
    std::string p = path.cast<std::string>();
    return {p, "", p};
  }
  py::object data;
  std::string name = "<bytes>";
  if (py::isinstance<py::bytes>(source) || py::isinstance<py::bytearray>(source) ||
      py::isinstance<py::memoryview>(source)) {
    data = py::bytes(py::reinterpret_borrow<py::object>(source));
  } else if (py::hasattr(source, "read")) {
    data = source.attr("read")();
    if (!py::isinstance<py::bytes>(data))
      throw py::type_error("the file object must be opened in binary mode");
    if (py::hasattr(source, "name") && py::isinstance<py::str>(source.attr("name")))
      name = source.attr("name").cast<std::string>();
  } else {
    throw py::type_error("expected a path, bytes or a binary file object");
  }
  return {"", data.cast<std::string>(), name};
}

// The input as the job reads it: the path given, or the scratch file `fileName` holding the
// contents (then messages name the input as the caller gave it).
struct Input {
  std::string path;
  std::string scratchPath;  // when the contents were written to the scratch directory
  std::string name;
};

Input PlaceInput(const Source& source, const Scratch& scratch, const std::string& fileName) {
  if (!source.path.empty()) return {source.path, "", source.path};
  Input in{scratch.Path(fileName), scratch.Path(fileName), source.name};
  WriteBytes(in.path, source.contents);
  return in;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  if (from.empty()) return;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// Messages about a scratch copy name the input as the caller gave it.
void NameInput(Failure& f, const Input& in) {
  if (in.scratchPath.empty()) return;
  ReplaceAll(f.problem.file, in.scratchPath, in.name);
  ReplaceAll(f.problem.message, in.scratchPath, in.name);
  for (std::string& s : f.shown) ReplaceAll(s, in.scratchPath, in.name);
}

// ---- Instruments --------------------------------------------------------------------------

std::shared_ptr<void> KeepSamples();

struct Instruments {
  std::string prg, wav, dft;
  // While a set lives, the library keeps the samples its renders prepare for the next ones.
  std::shared_ptr<void> samplesKept;
};

std::string Absolute(const std::string& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return ec ? path : absolute.lexically_normal().string();
}

Instruments MakeInstruments(const std::string& prg, const std::string& wav,
                            const std::optional<std::string>& dft) {
  for (const std::string* dir : {&prg, &wav}) {
    std::error_code ec;
    if (!fs::is_directory(*dir, ec)) Raise(Problem("Directory not found", *dir));
  }
  // Without a DFT directory no sample is made: one without its WAV file is missing.
  return {Absolute(prg), Absolute(wav), dft ? Absolute(*dft) : std::string(), KeepSamples()};
}

// The directory libresona.so was loaded from: the program's directory, where the command line
// keeps its settings file in a portable installation.
std::string ProgramDirectory() {
  void* handle = ::dlopen("libresona.so", RTLD_NOW | RTLD_LOCAL);
  std::string dir;
  if (handle) {
    Dl_info info{};
    if (void* symbol = ::dlsym(handle, "LSTtoWAV"); symbol && ::dladdr(symbol, &info) && info.dli_fname)
      dir = fs::path(info.dli_fname).parent_path().string();
    ::dlclose(handle);
  }
  return dir.empty() ? std::string() : WithBackslash(dir);
}

std::string HomeDirectory(const char* variable, const char* fallback) {
  if (const char* v = std::getenv(variable); v && *v) return WithBackslash(v);
  const char* home = std::getenv("HOME");
  return WithBackslash(std::string(home && *home ? home : ".") + "/" + fallback);
}

// The settings file the command line reads: TONEMILL_HOME, else the program's directory when it
// is writable, else the per-user configuration.
SettingsLocation Location() {
  const std::string program = ProgramDirectory();
  if (const char* home = std::getenv("TONEMILL_HOME"); (home && *home) || program.empty())
    return LocateSettings();
  SettingsLocation l;
  l.programDirectory = program;
  if (::access(program.c_str(), W_OK) == 0) {
    l.dataDirectory = program;
    l.iniPath = program + "TM.INI";
  } else {
    l.dataDirectory = HomeDirectory("XDG_DATA_HOME", ".local/share") + "tonemill/";
    l.iniPath = HomeDirectory("XDG_CONFIG_HOME", ".config") + "tonemill/TM.INI";
  }
  return l;
}

Instruments DefaultInstruments() {
  Settings settings;
  std::string error;
  const SettingsLocation location = Location();
  if (!LoadSettings(location, settings, error)) Raise(Problem(error, location.iniPath));
  return MakeInstruments(settings.PRG, settings.WAV, settings.DFT);
}

Instruments ImportInstruments(const std::string& bank, const std::string& prg,
                              const std::string& wav, int rate, bool force) {
  if (rate != 44100 && rate != 22050) throw py::value_error("rate takes 44100 or 22050");
  soundfont::ImportSettings settings;
  settings.bankPath = bank;
  settings.prgDirectory = prg;
  settings.wavDirectory = wav;
  settings.rate = rate;
  settings.force = force;
  std::optional<Problem> problem;
  {
    py::gil_scoped_release release;
    std::error_code ec;
    fs::create_directories(prg, ec);
    fs::create_directories(wav, ec);
    try {
      soundfont::ImportSoundFont(settings);
    } catch (const soundfont::SoundFontError& e) {
      problem = Problem(e.what(), bank);
    } catch (const std::exception& e) {
      problem = Problem(e.what());
    }
  }
  if (problem) Raise(*problem);
  return MakeInstruments(prg, wav, std::nullopt);
}

// ---- Options ------------------------------------------------------------------------------

// Float samples: what the renderer takes as their width.
constexpr int32_t kFloatBits = 32;

// 8, 16 or 24, or 32 or "float" for float samples.
int32_t BitsOf(py::handle bits) {
  if (py::isinstance<py::str>(bits) && bits.cast<std::string>() == "float") return kFloatBits;
  if (py::isinstance<py::int_>(bits) && !py::isinstance<py::bool_>(bits)) {
    const int value = bits.cast<int>();
    if (value == 8 || value == 16 || value == 24 || value == kFloatBits) return value;
  }
  throw py::value_error("bits takes 8, 16, 24, or 32 or \"float\" for float samples");
}

SongFormat FormatOf(int rate, py::handle bits, int channels, double volume) {
  SongFormat format;
  format.rate = rate;
  format.bits = BitsOf(bits);
  format.channels = channels;
  if (rate < 8000 || rate > 192000 || (channels != 1 && channels != 2))
    throw py::value_error("rate takes 8000 to 192000, channels 1 or 2");
  char text[64];
  std::snprintf(text, sizeof text, "%.10g", volume);
  const std::optional<Real48> v = ops::ParseVolume(text);
  if (!v) throw py::value_error(std::string(ops::kIllegalVolumeMessage) + " (a real from 0 to 99)");
  format.volume = *v;
  return format;
}

std::vector<DrumPair> DrumsOf(const std::vector<std::string>& values) {
  std::vector<DrumRow> rows;
  for (const std::string& value : values) {
    const size_t colon = value.find(':');
    DrumRow row{value.substr(0, colon), colon == std::string::npos ? "" : value.substr(colon + 1)};
    if (colon == std::string::npos || row.first.empty() || row.second.empty())
      throw py::value_error(std::string("drums: ") + kIncompleteDrumListMessage);
    std::string error = CheckDrumCell(row.first, true);
    if (error.empty()) error = CheckDrumCell(row.second, false);
    if (!error.empty()) throw py::value_error("drums: " + error);
    rows.push_back(row);
  }
  if (rows.empty()) rows.push_back({"ALL", "10"});
  RemoveRepeatedDrumRows(rows);
  return DrumPairsFromRows(rows);
}

void CheckThreads(const std::optional<int>& threads) {
  if (threads && *threads < 1) throw py::value_error("threads takes a number of 1 or more");
}

// What every render takes: the format, the threads mixing each song, and the loudness the song
// is brought to with one gain (as --loudness and --true-peak).
struct RenderOptions {
  SongFormat format;
  std::optional<int> threads;
  std::optional<LoudnessTarget> loudness;
};

RenderOptions OptionsOf(int rate, py::handle bits, int channels, double volume,
                        std::optional<int> threads, std::optional<double> loudness,
                        double truePeak) {
  CheckThreads(threads);
  RenderOptions o{FormatOf(rate, bits, channels, volume), threads, std::nullopt};
  if (loudness) {
    if (!(*loudness >= -70 && *loudness <= 0)) throw py::value_error("loudness takes LUFS from -70 to 0");
    if (!(truePeak >= -30 && truePeak <= 0)) throw py::value_error("true_peak takes dBTP from -30 to 0");
    o.loudness = LoudnessTarget{*loudness, truePeak};
  }
  return o;
}

// The libraries the song job opens by name, loaded once for the process: their per-thread
// settings (the pump, the threads per song) last from one render of a thread to the next, and
// a render finds them loaded. They are looked for through the module's run path, then in the
// build's and the installation's folders by name (a dlopen that an interposed runtime, such as
// a sanitizer's, makes on the module's behalf does not see its run path).
void* LoadLibrary(const char* name) {
  if (void* handle = ::dlopen(name, RTLD_NOW | RTLD_LOCAL)) return handle;
  const std::string folders = TONEMILL_LIBRARY_DIRS;
  for (size_t at = 0; at <= folders.size();) {
    const size_t end = std::min(folders.find(':', at), folders.size());
    const std::string path = folders.substr(at, end - at) + "/" + name;
    if (void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) return handle;
    at = end + 1;
  }
  return nullptr;
}

// The interpreter's main thread, where signals are handled (noted when the module is imported).
unsigned long gMainThread = 0;

ResonaSetThreadsProc gSetThreads = nullptr;
ResonaKeepSamplesProc gKeepSamples = nullptr;

void LoadLibraries() {
  if (void* resona = LoadLibrary("libresona.so")) {
    gSetThreads = reinterpret_cast<ResonaSetThreadsProc>(::dlsym(resona, "ResonaSetThreads"));
    gKeepSamples = reinterpret_cast<ResonaKeepSamplesProc>(::dlsym(resona, "ResonaKeepSamples"));
  }
  LoadLibrary("libdft.so");
}

// A holder of the library's prepared samples, released with the last copy of its set.
std::shared_ptr<void> KeepSamples() {
  const ResonaKeepSamplesProc keep = gKeepSamples;
  if (!keep) return nullptr;
  keep(1);
  return std::shared_ptr<void>(nullptr, [keep](void*) { keep(0); });
}

// ---- The render ---------------------------------------------------------------------------

// What a render shares with its pump: whether it runs on the main thread (where signals are
// handled), when it last looked for one, and the interrupt that cancelled it.
class Interrupts {
 public:
  Interrupts() : mainThread_(PyThread_get_thread_ident() == gMainThread) {}
  ~Interrupts() {
    if (type_ || value_ || traceback_) {
      py::gil_scoped_acquire gil;
      Py_XDECREF(type_);
      Py_XDECREF(value_);
      Py_XDECREF(traceback_);
    }
  }
  Interrupts(const Interrupts&) = delete;
  Interrupts& operator=(const Interrupts&) = delete;

  // Called without the interpreter's lock; takes it only to look for a signal.
  void Poll(bool now = false) {
    if (!mainThread_ || cancelled_) return;
    const auto t = std::chrono::steady_clock::now();
    if (!now && t - last_ < std::chrono::milliseconds(50)) return;
    last_ = t;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
      PyErr_Fetch(&type_, &value_, &traceback_);
      cancelled_ = true;
    }
  }
  bool Cancelled() const { return cancelled_; }
  // With the lock held: raises the interrupt that cancelled the render.
  void RaiseIfCancelled() {
    if (!cancelled_) return;
    PyErr_Restore(type_, value_, traceback_);
    type_ = value_ = traceback_ = nullptr;
    throw py::error_already_set();
  }

 private:
  bool mainThread_ = false;
  bool cancelled_ = false;
  std::chrono::steady_clock::time_point last_{};
  PyObject *type_ = nullptr, *value_ = nullptr, *traceback_ = nullptr;
};

// The render's messages: kept for the exception; after a missing sample the check goes on, so
// that every missing sample is named; nothing outside the scratch directory is overwritten.
class Messages : public platform::MessageSink {
 public:
  platform::Answer Show(const platform::Message& message) override {
    shown.push_back(message.text);
    if (message.topic == platform::Topic::ContinueAfter)
      return message.buttons == platform::Buttons::YesNo ? platform::Answer::Yes : platform::Answer::Ok;
    return platform::SafeAnswer(message.buttons);
  }
  std::vector<std::string> shown;
};

class Front : public ops::SongJobFront {
 public:
  explicit Front(Interrupts& interrupts) : interrupts_(interrupts) {}
  bool CancelRequested() override {
    interrupts_.Poll(true);
    return interrupts_.Cancelled();
  }
  std::optional<Problem> CheckSamples(ops::SampleMaking& making,
                                      const std::function<std::optional<Problem>()>& check) override {
    making_ = &making.progress;
    making.progress.pump = &MakingPump;
    making.progress.pumpContext = this;
    return check();
  }
  ops::JobOutcome Render(const ops::RenderRequest&, const ops::RenderStep& step) override {
    SongProgress progress;
    song_ = &progress;
    const ops::JobOutcome outcome = step(progress, &SongPump, this, nullptr);
    song_ = nullptr;
    return outcome;
  }

 private:
  static void MakingPump(void* context) {
    auto* self = static_cast<Front*>(context);
    self->interrupts_.Poll();
    if (self->interrupts_.Cancelled() && !self->making_->Cancelled()) self->making_->Cancel();
  }
  static void SongPump(void* context) {
    auto* self = static_cast<Front*>(context);
    self->interrupts_.Poll();
    if (self->interrupts_.Cancelled() && !self->song_->counters.Cancelled())
      self->song_->counters.Cancel();
  }

  Interrupts& interrupts_;
  Progress* making_ = nullptr;
  SongProgress* song_ = nullptr;
};

// A rendered song's samples as the WAV file holds them, read into memory that nothing clears
// first; the array takes it over as it is.
struct Samples {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;
  AudioFormat format;

  void Allocate(size_t bytes) {
    data.reset(new uint8_t[std::max<size_t>(bytes, 1)]);
    size = bytes;
  }
};

// The song as the renderer writes it: the canonical 44-byte header, then the samples (24-bit
// PCM, or float for 32 bits).
Samples ReadSong(const std::string& wav, int32_t bits) {
  Samples s;
  int64_t start = 0;
  if (bits == 8 || bits == 16) {
    const TWAVheader header(wav);
    if (const std::string problem = WavInputProblem(header, wav); !problem.empty())
      Raise(Problem(problem, wav));
    s.format = {header.SampleRate, header.BitsPerSample, header.Channels};
    s.Allocate(size_t(header.DataSize));
    start = header.DataStart;
  } else {
    std::ifstream head(wav, std::ios::binary);
    unsigned char h[44] = {};
    head.read(reinterpret_cast<char*>(h), 44);
    const auto le = [&](int at, int bytes) {
      uint32_t v = 0;
      for (int i = bytes - 1; i >= 0; --i) v = v << 8 | h[at + i];
      return v;
    };
    if (head.gcount() != 44 || std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 36, "data", 4) != 0)
      Raise(Problem("Not a WAV file", wav));
    s.format = {int32_t(le(24, 4)), int32_t(le(34, 2)), int32_t(le(22, 2))};
    s.Allocate(le(40, 4));
    start = 44;
  }
  std::ifstream in(wav, std::ios::binary);
  in.seekg(start);
  in.read(reinterpret_cast<char*>(s.data.get()), std::streamsize(s.size));
  if (in.gcount() != std::streamsize(s.size)) Raise(Problem("Premature end of file", wav));
  return s;
}

// Runs one song job to its WAV song and reads it; a failure comes back as the exception's
// contents. Called without the interpreter's lock.
std::optional<Failure> RunSong(const ops::SongJob& job, Interrupts& interrupts, Samples& out,
                               std::optional<double>& gain) {
  Messages messages;
  platform::ThreadMessageScope scope(messages);
  Front front(interrupts);
  const ops::SongJobOutcome outcome = job.Run(front);
  using End = ops::SongJobOutcome::End;
  std::optional<Problem> problem;
  if (outcome.step == ops::SongJobOutcome::Step::Render) {
    if (outcome.render.end != ops::JobOutcome::End::Done &&
        outcome.render.end != ops::JobOutcome::End::Cancelled)
      problem = outcome.render.problem;
  } else if (outcome.end != End::Done && outcome.end != End::Cancelled) {
    problem = outcome.problem;
    if (!problem) problem = Problem(messages.shown.empty() ? "The song was not rendered" : messages.shown.back());
  }
  if (problem) {
    if (problem->file.empty()) problem->file = job.fromList ? job.paths.lst : job.paths.mid;
    return Failure{*problem, messages.shown};
  }
  if (interrupts.Cancelled()) return std::nullopt;  // the caller raises the interrupt
  // A song cut short is never returned as if it were whole.
  if (outcome.end == End::Cancelled || outcome.render.end == ops::JobOutcome::End::Cancelled)
    return Failure{Problem("The render was cancelled", job.fromList ? job.paths.lst : job.paths.mid),
                   messages.shown};
  gain = outcome.render.gainDb;
  try {
    out = ReadSong(job.paths.wav, job.format.bits);
  } catch (const Failure& f) {
    return f;
  }
  // Read, the song leaves the scratch directory at once: the stems of a song do not pile up.
  ::unlink(job.paths.wav.c_str());
  return std::nullopt;
}

// The samples as an array; 8-bit, 16-bit and float samples are handed over without a copy.
py::array ToArray(Samples& s) {
  const int channels = s.format.StoredChannels();
  const size_t sampleBytes = size_t(std::max(1, s.format.bits / 8));
  const size_t frames = s.size / (sampleBytes * size_t(channels));
  const std::vector<py::ssize_t> shape{py::ssize_t(frames), py::ssize_t(channels)};
  if (s.format.bits == 24) {
    // Each sample's 24-bit value, sign-extended.
    py::array_t<int32_t> a(shape);
    int32_t* out = a.mutable_data();
    const uint8_t* in = s.data.get();
    for (size_t i = 0; i < frames * size_t(channels); ++i, in += 3)
      out[i] = int32_t(uint32_t(in[0]) << 8 | uint32_t(in[1]) << 16 | uint32_t(in[2]) << 24) >> 8;
    return py::array(std::move(a));
  }
  const auto handOver = [&](auto sample) {
    using T = decltype(sample);
    T* data = reinterpret_cast<T*>(s.data.get());
    py::capsule owner(s.data.release(), [](void* p) { delete[] static_cast<uint8_t*>(p); });
    return py::array(py::array_t<T>(shape, data, owner));
  };
  if (s.format.bits == kFloatBits) return handOver(float());
  if (s.format.StoredBits() == 8) return handOver(uint8_t());
  return handOver(int16_t());
}

ops::SongJob BaseJob(const Instruments& instruments, const RenderOptions& options,
                     const Scratch& scratch) {
  ops::SongJob job;
  job.prgDirectory = instruments.prg;
  job.wavDirectory = instruments.wav;
  // Without a DFT directory the sample check looks into one that is not there, in the scratch
  // directory: no sample is made.
  job.dftDirectory = instruments.dft.empty() ? scratch.Path("no-dft") : instruments.dft;
  job.privateOutputs = true;
  job.format = options.format;
  job.loudness = options.loudness;
  job.keepList = ops::ListKeeping::Never;
  job.listOverwrite = Overwrite::Replace;
  job.songOverwrite = Overwrite::Replace;
  return job;
}

// The jobs of one call, made in its scratch directory once the input is there; a failure of
// the input's own checks comes back as a Failure thrown.
using JobMaker = std::function<std::vector<ops::SongJob>(const Scratch&, const Input&)>;

// A failure about the input: the input named as the caller gave it.
[[noreturn]] void RaiseAbout(const Problem& problem, const Input& input) {
  Failure f{problem, {}};
  if (f.problem.file.empty()) f.problem.file = input.path;
  NameInput(f, input);
  throw f;
}

// Makes the scratch directory, puts the input there as `fileName`, makes the jobs and runs them
// one after another, each song mixed by `threads` threads (by default as many as the library
// chooses), and removes the scratch directory, all without the lock; raises the first failure,
// or the interrupt. With `stemsOfMix`, the first job is the song's mix brought to a loudness:
// the jobs after it are its stems and take its gain, so that they still add up to it.
std::vector<Samples> RunJobs(const Source& source, const std::string& fileName,
                             std::optional<int> threads, const JobMaker& makeJobs,
                             bool stemsOfMix = false) {
  Interrupts interrupts;
  std::vector<Samples> results;
  std::optional<Failure> failure;
  Input input{source.path, "", source.name};
  const ResonaSetThreadsProc setThreads = gSetThreads;
  {
    py::gil_scoped_release release;
    try {
      const Scratch scratch;
      input = PlaceInput(source, scratch, fileName);
      std::vector<ops::SongJob> jobs = makeJobs(scratch, input);
      results.resize(jobs.size());
      if (setThreads) setThreads(threads.value_or(0));
      for (size_t i = 0; i < jobs.size() && !failure && !interrupts.Cancelled(); ++i) {
        std::optional<double> gain;
        failure = RunSong(jobs[i], interrupts, results[i], gain);
        if (stemsOfMix && i == 0)
          for (size_t j = 1; j < jobs.size(); ++j) {
            jobs[j].loudness.reset();
            jobs[j].gainDb = gain;
          }
      }
    } catch (const Failure& f) {
      failure = f;
    }
  }
  interrupts.RaiseIfCancelled();
  if (failure) {
    NameInput(*failure, input);
    throw *failure;
  }
  return results;
}

// A song job for the MIDI file `input` in the scratch directory, with the options and the drums.
ops::SongJob SongJobOf(const Instruments& instruments, const RenderOptions& options,
                       const std::vector<DrumPair>& drums, const Scratch& scratch, const Input& input) {
  ops::SongJob job = BaseJob(instruments, options, scratch);
  job.drums = drums;
  job.paths = {input.path, scratch.Path("song.lst"), scratch.Path("song.wav")};
  return job;
}

py::array Render(py::handle midi, const Instruments& instruments, const RenderOptions& options,
                 const std::vector<std::string>& drums) {
  const Source source = SourceOf(midi);
  const std::vector<DrumPair> pairs = DrumsOf(drums);
  return ToArray(RunJobs(source, "song.mid", options.threads, [&](const Scratch& scratch, const Input& input) {
    return std::vector<ops::SongJob>{SongJobOf(instruments, options, pairs, scratch, input)};
  })[0]);
}

py::dict RenderStems(py::handle midi, const Instruments& instruments, const RenderOptions& options,
                     const std::vector<std::string>& drums) {
  const Source source = SourceOf(midi);
  const std::vector<DrumPair> drumPairs = DrumsOf(drums);
  // Brought to a loudness, the mix renders first for its gain.
  const bool mixFirst = options.loudness.has_value();
  std::vector<TrackChannel> pairs;
  const auto makeJobs = [&](const Scratch& scratch, const Input& input) {
    std::optional<Problem> problem = ops::CheckMidiFile(input.path);
    if (!problem) pairs = ops::PairsPlayingNotes(input.path, problem);
    if (problem) RaiseAbout(*problem, input);
    const ops::SongJob mix = SongJobOf(instruments, options, drumPairs, scratch, input);
    std::vector<ops::SongJob> jobs;
    if (mixFirst) jobs.push_back(mix);
    const std::string& lst = mix.paths.lst;
    const std::string& wav = mix.paths.wav;
    for (const TrackChannel& pair : pairs) {
      ops::SongJob job = mix;
      job.paths = {input.path, ops::StemName(lst, pair, ".lst"), ops::StemName(wav, pair, ".wav")};
      job.stem = pair;
      job.soloScratch = ops::StemName(lst, pair, ".mid");
      jobs.push_back(job);
    }
    return jobs;
  };
  std::vector<Samples> stems = RunJobs(source, "song.mid", options.threads, makeJobs, mixFirst);
  py::dict result;
  for (size_t i = 0; i < pairs.size(); ++i)
    result[py::make_tuple(pairs[i].track, pairs[i].channel)] = ToArray(stems[i + (mixFirst ? 1 : 0)]);
  return result;
}

py::array RenderList(py::handle list, const Instruments& instruments, const RenderOptions& options) {
  const Source source = SourceOf(list);
  return ToArray(RunJobs(source, "song.lst", options.threads, [&](const Scratch& scratch, const Input& input) {
    ops::SongJob job = BaseJob(instruments, options, scratch);
    job.fromList = true;
    job.paths = {"", input.path, scratch.Path("song.wav")};
    return std::vector<ops::SongJob>{job};
  })[0]);
}

py::object MidiInfo(py::handle midi) {
  const Source source = SourceOf(midi);
  Input input{source.path, "", source.name};
  std::string json;
  std::optional<Failure> failure;
  {
    py::gil_scoped_release release;
    try {
      // A path is listed where it is; contents go to a scratch file first.
      std::optional<Scratch> scratch;
      if (source.path.empty()) input = PlaceInput(source, scratch.emplace(), "song.mid");
      const std::optional<Problem> problem =
          ops::ListMidi(input.path, input.name, ops::ListingForm::Json, [&](const std::string& piece) {
            json += piece;
            return true;
          });
      if (problem) RaiseAbout(*problem, input);
    } catch (const Failure& f) {
      failure = f;
    }
  }
  if (failure) throw *failure;
  return py::module_::import("json").attr("loads")(json);
}

// The canonical 44-byte header of a 24-bit PCM or float song, as the renderer writes it.
std::vector<uint8_t> WideHeader(const AudioFormat& format, uint32_t dataSize) {
  std::vector<uint8_t> h;
  const auto put = [&h](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) h.push_back(uint8_t(value >> (8 * i)));
  };
  const uint32_t block = uint32_t(format.channels * format.bits / 8);
  for (char c : std::string("RIFF")) h.push_back(uint8_t(c));
  put(36 + dataSize, 4);
  for (char c : std::string("WAVEfmt ")) h.push_back(uint8_t(c));
  put(16, 4);
  put(format.bits == kFloatBits ? 3 : 1, 2);
  put(uint32_t(format.channels), 2);
  put(uint32_t(format.rate), 4);
  put(uint32_t(format.rate) * block, 4);
  put(block, 2);
  put(uint32_t(format.bits), 2);
  for (char c : std::string("data")) h.push_back(uint8_t(c));
  put(dataSize, 4);
  return h;
}

void Write(const std::string& path, py::array samples, int rate) {
  AudioFormat format;
  format.rate = rate;
  if (py::isinstance<py::array_t<int16_t>>(samples)) format.bits = 16;
  else if (py::isinstance<py::array_t<uint8_t>>(samples)) format.bits = 8;
  else if (py::isinstance<py::array_t<int32_t>>(samples)) format.bits = 24;
  else if (py::isinstance<py::array_t<float>>(samples)) format.bits = kFloatBits;
  else
    throw py::type_error("samples must be int16, uint8, int32 (24-bit values) or float32 as "
                         "render returns them");
  if (samples.ndim() == 1) format.channels = 1;
  else if (samples.ndim() == 2) format.channels = int32_t(samples.shape(1));
  else throw py::value_error("samples must have the shape (frames, channels) or (frames,)");
  if (rate < 8000 || rate > 192000 || (format.channels != 1 && format.channels != 2))
    throw py::value_error("rate takes 8000 to 192000, and 1 or 2 channels");
  const std::optional<Container> container = ContainerOfName(path);
  if (!container) throw py::value_error(UnknownContainerMessage(path));
  const py::array data = py::array::ensure(samples, py::array::c_style);
  const auto* bytes = static_cast<const uint8_t*>(data.data());
  const size_t size = size_t(data.nbytes());
  // The WAV file the output job encodes into the container of the name's extension.
  const auto work = [&](const std::string& temporary, Progress&) {
    Problem problem;
    if (format.bits == 16) {
      const std::vector<uint8_t> pcm = EncodePcm(
          format, std::span<const int16_t>(reinterpret_cast<const int16_t*>(bytes), size / 2));
      if (!WriteCanonicalWavFile(temporary, format, pcm, &problem)) return ops::WorkResult::Failure(problem);
      return ops::WorkResult::Done();
    }
    if (format.bits == 8) {
      if (!WriteCanonicalWavFile(temporary, format, std::span<const uint8_t>(bytes, size), &problem))
        return ops::WorkResult::Failure(problem);
      return ops::WorkResult::Done();
    }
    std::vector<uint8_t> file;
    if (format.bits == 24) {
      file = WideHeader(format, uint32_t(size / 4 * 3));
      for (size_t i = 0; i < size / 4; ++i) {
        int32_t value;
        std::memcpy(&value, bytes + 4 * i, 4);
        value = std::clamp(value, -(1 << 23), (1 << 23) - 1);
        for (int b = 0; b < 3; ++b) file.push_back(uint8_t(uint32_t(value) >> (8 * b)));
      }
    } else {
      file = WideHeader(format, uint32_t(size));
      file.insert(file.end(), bytes, bytes + size);
    }
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    if (!out.flush()) return ops::WorkResult::Failure(Problem("Can't write WAV file " + path, path));
    return ops::WorkResult::Done();
  };
  ops::OutputJob job;
  job.target = path;
  job.overwrite = Overwrite::Replace;
  job.container = *container;
  ops::JobOutcome outcome;
  {
    py::gil_scoped_release release;
    Progress progress;
    outcome = ops::RunOutputJob(job, progress, work);
  }
  if (outcome.end != ops::JobOutcome::End::Done) {
    Problem problem = outcome.problem;
    if (problem.file.empty()) problem.file = path;
    Raise(problem);
  }
}

std::string PathText(py::handle path) {
  py::object os = py::module_::import("os");
  py::object p = os.attr("fspath")(path);
  if (!py::isinstance<py::str>(p)) p = os.attr("fsdecode")(p);
  return p.cast<std::string>();
}

}  // namespace
}  // namespace tonemill::python

PYBIND11_MODULE(tonemill, m) {
  using namespace tonemill::python;
  m.doc() = "Tonemill's songs from Python: MIDI files rendered into NumPy arrays, their stems, "
            "song lists, the MIDI listing and the WAV writer.";
  m.attr("__version__") = TONEMILL_VERSION;
  // NumPy's API is looked up once, here: looked up first by two rendering threads at once, the
  // import inside would release the interpreter's lock while holding the lookup's guard.
  py::array_t<int16_t>(0);
  py::array_t<uint8_t>(0);
  py::array_t<int32_t>(0);
  py::array_t<float>(0);
  LoadLibraries();
  gMainThread = py::module_::import("threading").attr("main_thread")().attr("ident").cast<unsigned long>();

  gErrorType = PyErr_NewExceptionWithDoc(
      "tonemill.Error",
      "A failure of a render or another operation: str() is what the command line prints; "
      "`message` the system's message, `file` and `line` what it concerns (or None), "
      "`messages` the messages shown before it.",
      nullptr, nullptr);
  m.attr("Error") = py::reinterpret_borrow<py::object>(gErrorType);
  py::register_exception_translator([](std::exception_ptr p) {
    try {
      if (p) std::rethrow_exception(p);
    } catch (const Failure& f) {
      TranslateFailure(f);
    }
  });

  py::class_<Instruments>(m, "Instruments",
                          "An instrument set: the PRG instruments and their WAV samples (and the "
                          "DFT files samples are made from). Safe to share between threads.")
      .def(py::init([](py::handle prg, py::handle wav, py::handle dft) {
             return MakeInstruments(PathText(prg), PathText(wav),
                                    dft.is_none() ? std::nullopt : std::optional(PathText(dft)));
           }),
           py::arg("prg_dir"), py::arg("wav_dir"), py::arg("dft_dir") = py::none())
      .def_static("default", &DefaultInstruments,
                  "The working directories of the settings file TM.INI, as the command line "
                  "reads them.")
      .def_static(
          "from_sf2",
          [](py::handle bank, py::handle prg, py::handle wav, int rate, bool force) {
            return ImportInstruments(PathText(bank), PathText(prg), PathText(wav), rate, force);
          },
          py::arg("path"), py::arg("prg_dir"), py::arg("wav_dir"), py::arg("rate") = 44100,
          py::arg("force") = false,
          "Imports a SoundFont 2 bank as import-sf2 does and returns its set.")
      .def_property_readonly("prg_dir", [](const Instruments& i) { return i.prg; })
      .def_property_readonly("wav_dir", [](const Instruments& i) { return i.wav; })
      .def_property_readonly("dft_dir",
                             [](const Instruments& i) {
                               return i.dft.empty() ? py::object(py::none()) : py::str(i.dft);
                             })
      .def("__repr__", [](const Instruments& i) {
        return "Instruments(prg_dir=" + py::repr(py::str(i.prg)).cast<std::string>() +
               ", wav_dir=" + py::repr(py::str(i.wav)).cast<std::string>() + ")";
      });

  const std::vector<std::string> defaultDrums{"ALL:10"};
  m.def(
      "render",
      [](py::handle midi, const Instruments& instruments, int rate, py::handle bits, int channels,
         double volume, const std::vector<std::string>& drums, std::optional<int> threads,
         std::optional<double> loudness, double truePeak) {
        return Render(midi, instruments,
                      OptionsOf(rate, bits, channels, volume, threads, loudness, truePeak), drums);
      },
      py::arg("midi"), py::arg("instruments"), py::kw_only(), py::arg("rate") = 44100,
      py::arg("bits") = 16, py::arg("channels") = 2, py::arg("volume") = 1.0,
      py::arg("drums") = defaultDrums, py::arg("threads") = py::none(),
      py::arg("loudness") = py::none(), py::arg("true_peak") = -1.0,
      "Renders a MIDI file into an array of shape (frames, channels): int16 for 16 bits, "
      "uint8 (128 is silence) for 8 bits, int32 (24-bit values) for 24, float32 for 32 or "
      "\"float\"; the samples `tonemill render` writes, brought to `loudness` (LUFS) under "
      "`true_peak` (dBTP) with one gain as --loudness does.");
  m.def(
      "render_stems",
      [](py::handle midi, const Instruments& instruments, int rate, py::handle bits, int channels,
         double volume, const std::vector<std::string>& drums, std::optional<int> threads,
         std::optional<double> loudness, double truePeak) {
        return RenderStems(midi, instruments,
                           OptionsOf(rate, bits, channels, volume, threads, loudness, truePeak),
                           drums);
      },
      py::arg("midi"), py::arg("instruments"), py::kw_only(), py::arg("rate") = 44100,
      py::arg("bits") = 16, py::arg("channels") = 2, py::arg("volume") = 1.0,
      py::arg("drums") = defaultDrums, py::arg("threads") = py::none(),
      py::arg("loudness") = py::none(), py::arg("true_peak") = -1.0,
      "Renders each (track, channel) pair that plays notes alone, as `render --stems` does; "
      "with `loudness` each stem takes the gain of the mix.");
  m.def(
      "render_list",
      [](py::handle list, const Instruments& instruments, int rate, py::handle bits, int channels,
         double volume, std::optional<int> threads, std::optional<double> loudness,
         double truePeak) {
        return RenderList(list, instruments,
                          OptionsOf(rate, bits, channels, volume, threads, loudness, truePeak));
      },
      py::arg("lst"), py::arg("instruments"), py::kw_only(), py::arg("rate") = 44100,
      py::arg("bits") = 16, py::arg("channels") = 2, py::arg("volume") = 1.0,
      py::arg("threads") = py::none(), py::arg("loudness") = py::none(),
      py::arg("true_peak") = -1.0,
      "Renders an LST song list (a path, its bytes or a binary file object) as lst2wav does.");
  m.def("midi_info", &MidiInfo, py::arg("midi"),
        "What each track and channel of a MIDI file uses, as `midscan --json` lists it.");
  m.def(
      "write",
      [](py::handle path, py::array samples, int rate) { Write(PathText(path), samples, rate); },
      py::arg("path"), py::arg("samples"), py::arg("rate"),
      "Writes samples as render returns them through the program's writers, in the container "
      "the name's extension chooses (.wav .flac .ogg .opus .mp3 .aif .aiff).");
}
