// px708.ini contents of any kind: the mode settings and the port map read from them.

#include "link/modesettings.h"
#include "serial/inifile.h"
#include "serial/portmap.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace px708;
    const IniFile ini = IniFile::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    (void)readModeSettings(ini);
    (void)readPortMap(ini);
    return 0;
}
