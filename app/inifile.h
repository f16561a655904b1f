#pragma once
// px708.ini: read once at start-up, never written.
//
// The file is looked for next to the executable, else as $XDG_CONFIG_HOME/px708/px708.ini
// (~/.config/px708/px708.ini when the variable is unset or empty). Section and key names match
// without regard to case. A missing file, section or key, or a value that is not an integer,
// gives the default.
//
// Thread affinity: none (plain functions without shared state).

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

namespace px708 {

struct ModeSettings {
    std::chrono::milliseconds pause{150}; // [mode] pause
    int extra = 0;                        // [mode] extra; 1 shows "On-Line Settings(4)"
};

// The integer value of key in section, or nothing when it is missing or not an integer.
std::optional<int> readIniInt(const std::filesystem::path& iniPath, const std::string& section,
                              const std::string& key);

ModeSettings readModeSettings(const std::filesystem::path& iniPath);

// The px708.ini the program reads: next to the executable when it exists there, else the one
// under the configuration folder (which need not exist).
std::filesystem::path locateIniFile();

} // namespace px708
