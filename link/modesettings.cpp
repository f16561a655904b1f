#include "link/modesettings.h"

#include "serial/inifile.h"

namespace px708 {

ModeSettings readModeSettings(const IniFile& ini) {
    ModeSettings settings;
    if (const auto pause = ini.intValue("mode", "pause"))
        settings.pause = std::chrono::milliseconds(*pause);
    if (const auto extra = ini.intValue("mode", "extra"))
        settings.extra = *extra;
    return settings;
}

} // namespace px708
