#include "library.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>
#include <utility>

namespace platform {
namespace {

struct OrdinalEntry {
  const char* library;
  int ordinal;
  const char* symbol;
};

// The export tables. Ordinals are the interface the program calls through.
constexpr std::array<OrdinalEntry, 7> kOrdinals{{
    {"RESONA.DLL", 1, "vocode"},
    {"RESONA.DLL", 2, "wavecho"},
    {"RESONA.DLL", 3, "wavflange"},
    {"RESONA.DLL", 4, "wavreverb"},
    {"RESONA.DLL", 5, "LSTtoWAV"},
    {"DFT.DLL", 1, "DFTtoWAV"},
    {"DFT.DLL", 2, "WAVtoDFT"},
}};

// Libraries that accept a pump take it through this extra export right after loading.
constexpr const char* kPumpExport[][2] = {{"RESONA.DLL", "ResonaSetPump"}};

std::string Upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::string SharedObjectName(const std::string& name) {
  std::string base = name;
  size_t dot = base.rfind('.');
  if (dot != std::string::npos) base.resize(dot);
  for (char& c : base) c = char(std::tolower(static_cast<unsigned char>(c)));
  return "lib" + base + ".so";
}

std::string ExecutableDirectory() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string path(buffer, size_t(n));
  return path.substr(0, path.rfind('/') + 1);
}

std::string LoadErrorMessage(const std::string& name) {
  return "Can't load library file " + name + "!";
}

std::string MissingExportMessage(const std::string& name, int ordinal) {
  return "Can't find function " + std::to_string(ordinal) + " in library file " + name + "!";
}

BoundLibrary::~BoundLibrary() { Free(); }

BoundLibrary::BoundLibrary(BoundLibrary&& other) noexcept
    : name_(std::move(other.name_)), handle_(std::exchange(other.handle_, nullptr)) {}

BoundLibrary& BoundLibrary::operator=(BoundLibrary&& other) noexcept {
  if (this != &other) {
    Free();
    name_ = std::move(other.name_);
    handle_ = std::exchange(other.handle_, nullptr);
  }
  return *this;
}

BoundLibrary BoundLibrary::Load(const std::string& name, PumpFunction pump, void* pumpContext) {
  BoundLibrary lib;
  lib.name_ = Upper(name);
  std::string object = SharedObjectName(lib.name_);
  // Once loaded, a library stays for the life of the process: what it keeps for the process
  // (the renderer's kept samples) must not vanish with it. Freeing the handle only gives up
  // this binding.
  constexpr int kFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
  lib.handle_ = ::dlopen((ExecutableDirectory() + object).c_str(), kFlags);
  if (!lib.handle_) lib.handle_ = ::dlopen(object.c_str(), kFlags);
  if (!lib.handle_) return lib;
  for (const auto& entry : kPumpExport) {
    if (lib.name_ != entry[0]) continue;
    using SetPump = void (*)(PumpFunction, void*);
    if (auto set = reinterpret_cast<SetPump>(::dlsym(lib.handle_, entry[1])))
      set(pump, pumpContext);
  }
  return lib;
}

void* BoundLibrary::Export(int ordinal) const {
  if (!handle_) return nullptr;
  auto it = std::find_if(kOrdinals.begin(), kOrdinals.end(), [&](const OrdinalEntry& e) {
    return name_ == e.library && e.ordinal == ordinal;
  });
  if (it == kOrdinals.end()) return nullptr;
  return ::dlsym(handle_, it->symbol);
}

void BoundLibrary::Free() {
  if (handle_) ::dlclose(handle_);
  handle_ = nullptr;
}

}  // namespace platform
