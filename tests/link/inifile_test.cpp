#include "link/modesettings.h"
#include "serial/inifile.h"
#include "serial/portmap.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

using namespace std::chrono_literals;

struct IniCase {
    const char* name;
    const char* content; // nullptr: no file at all
    std::chrono::milliseconds pause;
    int extra;
    std::map<int, std::string> ports;
};

class IniFileTest : public testing::TestWithParam<IniCase> {};

// The mode settings and the port map come from one reading of the file, so names match alike.
TEST_P(IniFileTest, ModeSettingsAndPortsFromOneReading) {
    const IniCase& c = GetParam();
    const std::filesystem::path ini =
        std::filesystem::path(testing::TempDir()) / (std::string("px708-") + c.name + ".ini");
    std::filesystem::remove(ini);
    if (c.content)
        std::ofstream(ini) << c.content;
    const px708::IniFile file = px708::IniFile::read(ini);
    const px708::ModeSettings settings = px708::readModeSettings(file);
    EXPECT_EQ(settings.pause, c.pause);
    EXPECT_EQ(settings.extra, c.extra);
    EXPECT_EQ(px708::readPortMap(file), c.ports);
}

INSTANTIATE_TEST_SUITE_P(
    Ini, IniFileTest,
    testing::Values(
        IniCase{"NoFile", nullptr, 150ms, 0, {}}, IniCase{"EmptyFile", "", 150ms, 0, {}},
        IniCase{"BothKeys", "[mode]\npause=40\nextra=1\n", 40ms, 1, {}},
        IniCase{"OtherSectionIgnored", "[other]\npause=40\nextra=1\n[mode]\n", 150ms, 0, {}},
        IniCase{"NamesIgnoreCase",
                "[MODE]\nPause=40\nEXTRA=1\n[Ports]\ncom3=/dev/ttyUSB0\n",
                40ms,
                1,
                {{3, "/dev/ttyUSB0"}}},
        IniCase{"BlanksAroundValues",
                "[ mode ]\r\n pause = 40 \r\nextra= 2\r\n[ports]\r\nCOM2 = "
                "/dev/x \r\n",
                40ms,
                2,
                {{2, "/dev/x"}}},
        IniCase{"NotAnIntegerGivesDefault", "[mode]\npause=fast\nextra=1x\n", 150ms, 0, {}},
        IniCase{"EmptyValueGivesDefault", "[mode]\npause=\nextra=\n", 150ms, 0, {}},
        IniCase{"PortsSectionBesideMode",
                "[ports]\nCOM1=/dev/pts/9\n[mode]\npause=5\n",
                5ms,
                0,
                {{1, "/dev/pts/9"}}},
        IniCase{"PortKeysThatNameNoPort",
                "[ports]\nCOM=/a\nCOM0=/b\nCOMx=/c\nCOM-1=/d\nLPT1=/e\nCOM12=/f\nCOM12=/g\n",
                150ms,
                0,
                {{12, "/f"}}},
        IniCase{"CommentsSkipped", "; pause=1\n[mode]\n# extra=1\npause=7\n", 7ms, 0, {}}),
    [](const testing::TestParamInfo<IniCase>& row) { return std::string(row.param.name); });

} // namespace
