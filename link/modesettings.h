#pragma once
// The [mode] section of px708.ini: the pause after every character of a command and whether
// the page "On-Line Settings(4)" is shown. A missing key, or a value that is not an integer,
// gives the default.
//
// Thread affinity: none (a plain value).

#include <chrono>

namespace px708 {

class IniFile;

struct ModeSettings {
    std::chrono::milliseconds pause{150}; // [mode] pause
    int extra = 0;                        // [mode] extra; 1 shows "On-Line Settings(4)"
};

ModeSettings readModeSettings(const IniFile& ini);

} // namespace px708
