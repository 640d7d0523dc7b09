#include "settings.h"

#include "platform/filelock.h"
#include "platform/library.h"
#include "tonemill/files/paths.h"
#include "tonemill/files/outputfile.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <unistd.h>
#include <vector>

namespace tonemill {
namespace {

constexpr const char* kIniName = "TM.INI";

struct Key {
  const char* section;
  const char* name;
  std::string Settings::*field;
};

// In the order of the fresh file: Temp comes before WAV.
const Key kKeys[] = {
    {"Directories", "MID", &Settings::MID},          {"Directories", "LST", &Settings::LST},
    {"Directories", "Song", &Settings::Song},        {"Directories", "PRG", &Settings::PRG},
    {"Directories", "Temp", &Settings::Temp},        {"Directories", "WAV", &Settings::WAV},
    {"Directories", "DFT", &Settings::DFT},          {"External", "textEditor", &Settings::textEditor},
    {"External", "Vespera", &Settings::Vespera},     {"External", "Lyrovox", &Settings::Lyrovox},
};

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r"), b = s.find_last_not_of(" \t\r");
  return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

bool SameName(const std::string& a, const std::string& b) { return LowerCase(a) == LowerCase(b); }

// The lines of an INI file, looked up without regard to case as the platform's INI routines do.
class IniLines {
 public:
  bool Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines_.push_back(line);
    }
    return true;
  }
  std::optional<std::string> Get(const std::string& section, const std::string& key) const {
    std::optional<size_t> at = Find(section, key);
    if (!at) return std::nullopt;
    const std::string& line = lines_[*at];
    return Trim(line.substr(line.find('=') + 1));
  }
  void Set(const std::string& section, const std::string& key, const std::string& value) {
    const std::string line = key + "=" + value;
    if (std::optional<size_t> at = Find(section, key)) {
      lines_[*at] = line;
      return;
    }
    std::optional<size_t> header = SectionStart(section);
    if (!header) {
      lines_.push_back("[" + section + "]");
      lines_.push_back(line);
      return;
    }
    size_t end = *header + 1;
    while (end < lines_.size() && Trim(lines_[end]).rfind('[', 0) != 0) ++end;
    lines_.insert(lines_.begin() + std::ptrdiff_t(end), line);
  }
  std::string Text() const {
    std::string text;
    for (const auto& l : lines_) text += l + "\r\n";
    return text;
  }

 private:
  std::optional<size_t> SectionStart(const std::string& section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
      std::string t = Trim(lines_[i]);
      if (t.size() >= 2 && t.front() == '[' && t.back() == ']' &&
          SameName(Trim(t.substr(1, t.size() - 2)), section))
        return i;
    }
    return std::nullopt;
  }
  std::optional<size_t> Find(const std::string& section, const std::string& key) const {
    std::optional<size_t> start = SectionStart(section);
    if (!start) return std::nullopt;
    for (size_t i = *start + 1; i < lines_.size(); ++i) {
      std::string t = Trim(lines_[i]);
      if (t.rfind('[', 0) == 0) break;
      size_t eq = t.find('=');
      if (eq != std::string::npos && SameName(Trim(t.substr(0, eq)), key)) return i;
    }
    return std::nullopt;
  }
  std::vector<std::string> lines_;
};

std::string FreshText(const Settings& s) {
  std::string text;
  const char* section = "";
  for (const Key& k : kKeys) {
    if (std::string(section) != k.section) {
      section = k.section;
      text += std::string("[") + section + "]\r\n";
    }
    text += std::string(k.name) + "=" + s.*k.field + "\r\n";
  }
  return text;
}

std::string DirectoryFromEnvironment(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  if (value && *value) return WithBackslash(value);
  const char* home = std::getenv("HOME");
  return WithBackslash(std::string(home && *home ? home : ".") + "/" + fallback);
}

}  // namespace

SettingsLocation LocateSettings() {
  SettingsLocation l;
  if (const char* home = std::getenv("TONEMILL_HOME"); home && *home) {
    l.programDirectory = l.dataDirectory = WithBackslash(home);
    l.iniPath = l.programDirectory + kIniName;
    return l;
  }
  l.programDirectory = ProgramDirectory();
  if (::access(l.programDirectory.c_str(), W_OK) == 0) {
    l.dataDirectory = l.programDirectory;
    l.iniPath = l.programDirectory + kIniName;
    return l;
  }
  const std::string config = DirectoryFromEnvironment("XDG_CONFIG_HOME", ".config") + "tonemill/";
  l.dataDirectory = DirectoryFromEnvironment("XDG_DATA_HOME", ".local/share") + "tonemill/";
  l.iniPath = config + kIniName;
  return l;
}

Settings DefaultSettings(const SettingsLocation& location) {
  Settings s;
  for (const Key& k : kKeys)
    if (std::string(k.section) == "Directories") s.*k.field = location.dataDirectory + k.name;
  s.textEditor = "NOTEPAD.EXE";
  s.Vespera = location.programDirectory + "VS.EXE";
  s.Lyrovox = location.programDirectory + "LX.EXE";
  return s;
}

bool LoadSettings(const SettingsLocation& location, Settings& settings, std::string& error,
                  std::vector<std::string>* missingDirectories) {
  const Settings defaults = DefaultSettings(location);
  IniLines ini;
  if (!ini.Read(location.iniPath)) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(location.iniPath).parent_path(), ec);
    // The directories first, so that whoever reads the new file finds them.
    for (const Key& k : kKeys)
      if (std::string(k.section) == "Directories")
        std::filesystem::create_directories(defaults.*k.field, ec);
    // Linked into place: a process starting at the same moment sees no file or a whole one.
    const AtomicWrite fresh = WriteFileAtomically(location.iniPath, FreshText(defaults), false);
    if (fresh == AtomicWrite::Written) {
      settings = defaults;
      return true;
    }
    if (fresh == AtomicWrite::Failed || !ini.Read(location.iniPath)) {
      error = "Can't create settings file " + location.iniPath;
      return false;
    }
  }
  for (const Key& k : kKeys) {
    const bool directory = std::string(k.section) == "Directories";
    const std::optional<std::string> value = ini.Get(k.section, k.name);
    if (!value && directory && missingDirectories) missingDirectories->push_back(k.name);
    settings.*k.field = value.value_or(directory ? k.name : defaults.*k.field);
  }
  return true;
}

namespace {

bool SaveKeys(const SettingsLocation& location, const Settings* loaded, const Settings& settings) {
  const platform::FileLock lock = platform::FileLock::Acquire(location.iniPath);
  if (!lock.IsHeld()) return false;
  IniLines ini;
  ini.Read(location.iniPath);
  bool changed = false;
  for (const Key& k : kKeys)
    if (!loaded || loaded->*k.field != settings.*k.field || !ini.Get(k.section, k.name)) {
      ini.Set(k.section, k.name, settings.*k.field);
      changed = true;
    }
  return !changed || ReplaceFileAtomically(location.iniPath, ini.Text());
}

}  // namespace

bool SaveSettings(const SettingsLocation& location, const Settings& settings) {
  return SaveKeys(location, nullptr, settings);
}

bool SaveSettings(const SettingsLocation& location, const Settings& loaded, const Settings& settings) {
  return SaveKeys(location, &loaded, settings);
}

namespace {

bool IsDirectoryKey(const Key& k) { return std::string(k.section) == "Directories"; }

// The folder as one spelling: absolute, normal, no trailing separator.
std::filesystem::path Folder(const std::string& path) {
  std::filesystem::path p = std::filesystem::path(path).lexically_normal();
  if (p.has_relative_path() && !p.has_filename()) p = p.parent_path();
  return p;
}

bool Within(const std::filesystem::path& inner, const std::filesystem::path& outer) {
  const std::filesystem::path relative = inner.lexically_relative(outer);
  return !relative.empty() && *relative.begin() != "..";
}

}  // namespace

std::optional<std::string> MovedFolderOf(const SettingsLocation& location, const Settings& settings) {
  const std::filesystem::path own = Folder(location.dataDirectory);
  if (Folder(std::filesystem::path(location.iniPath).parent_path().string()) != own) return std::nullopt;
  std::optional<std::filesystem::path> other;
  for (const Key& k : kKeys) {
    if (!IsDirectoryKey(k)) continue;
    const std::filesystem::path directory = Folder(settings.*k.field);
    if (!directory.is_absolute() || !SameName(directory.filename().string(), k.name) ||
        Within(directory, own))
      return std::nullopt;
    if (other && directory.parent_path() != *other) return std::nullopt;
    other = directory.parent_path();
  }
  std::error_code ec;
  if (!other || std::filesystem::equivalent(*other, own, ec)) return std::nullopt;
  return WithBackslash(other->string());
}

std::string MovedFolderMessage(const std::string& oldFolder, const SettingsLocation& location) {
  return location.iniPath + " names the directories in " + oldFolder +
         ", not those of its own folder " + location.dataDirectory +
         ": the folder seems to have been copied or moved";
}

void UseLocalDirectories(const SettingsLocation& location, Settings& settings) {
  const Settings defaults = DefaultSettings(location);
  std::error_code ec;
  for (const Key& k : kKeys)
    if (IsDirectoryKey(k)) {
      settings.*k.field = defaults.*k.field;
      std::filesystem::create_directories(settings.*k.field, ec);
    }
}

std::map<std::string, std::string> ReadSettingsKeys(const SettingsLocation& location, const std::string& section,
                                                    const std::vector<std::string>& keys) {
  std::map<std::string, std::string> values;
  IniLines ini;
  if (!ini.Read(location.iniPath)) return values;
  for (const std::string& key : keys)
    if (std::optional<std::string> value = ini.Get(section, key)) values[key] = *value;
  return values;
}

bool SaveSettingsKeys(const SettingsLocation& location, const std::string& section,
                      const std::vector<std::pair<std::string, std::string>>& values) {
  if (values.empty()) return true;
  const platform::FileLock lock = platform::FileLock::Acquire(location.iniPath);
  if (!lock.IsHeld()) return false;
  IniLines ini;
  ini.Read(location.iniPath);
  for (const auto& [key, value] : values) ini.Set(section, key, value);
  return ReplaceFileAtomically(location.iniPath, ini.Text());
}

}  // namespace tonemill
