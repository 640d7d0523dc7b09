// Binding of the system's shared libraries: a library is named by the file name the program
// has always used ("RESONA.DLL", "DFT.DLL"), found next to the executable or on the library
// path, and its exports are looked up by ordinal.
#pragma once

#include <string>

namespace platform {

using PumpFunction = void (*)(void* context);

class BoundLibrary {
 public:
  BoundLibrary() = default;
  ~BoundLibrary();
  BoundLibrary(BoundLibrary&& other) noexcept;
  BoundLibrary& operator=(BoundLibrary&& other) noexcept;
  BoundLibrary(const BoundLibrary&) = delete;
  BoundLibrary& operator=(const BoundLibrary&) = delete;

  // Loads the library and registers the host's pump with it (when it takes one).
  // On failure the result is not loaded and `LoadErrorMessage` gives the system's message.
  static BoundLibrary Load(const std::string& name, PumpFunction pump = nullptr,
                           void* pumpContext = nullptr);
  bool IsLoaded() const { return handle_ != nullptr; }
  // The export with this ordinal, or nullptr when the library does not have it.
  void* Export(int ordinal) const;
  void Free();

 private:
  std::string name_;
  void* handle_ = nullptr;
};

// "Can't load library file RESONA.DLL!"
std::string LoadErrorMessage(const std::string& name);
// The message for an ordinal the library does not export.
std::string MissingExportMessage(const std::string& name, int ordinal);
// The shared object that stands for a library name ("RESONA.DLL" -> "libresona.so").
std::string SharedObjectName(const std::string& name);
// The directory of the running executable, with a trailing "/".
std::string ExecutableDirectory();

}  // namespace platform
