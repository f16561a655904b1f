#include "inifile.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <fstream>

namespace {

using namespace std::chrono_literals;

struct IniCase {
    const char* name;
    const char* content; // nullptr: no file at all
    std::chrono::milliseconds pause;
    int extra;
};

class ModeSettingsTest : public testing::TestWithParam<IniCase> {};

TEST_P(ModeSettingsTest, ReadsPauseAndExtraOrTheirDefaults) {
    const IniCase& c = GetParam();
    QTemporaryDir dir;
    const std::filesystem::path ini = dir.path().toStdString() + "/px708.ini";
    if (c.content)
        std::ofstream(ini) << c.content;
    const px708::ModeSettings settings = px708::readModeSettings(ini);
    EXPECT_EQ(settings.pause, c.pause);
    EXPECT_EQ(settings.extra, c.extra);
}

INSTANTIATE_TEST_SUITE_P(
    Ini, ModeSettingsTest,
    testing::Values(
        IniCase{"NoFile", nullptr, 150ms, 0}, IniCase{"EmptyFile", "", 150ms, 0},
        IniCase{"BothKeys", "[mode]\npause=40\nextra=1\n", 40ms, 1},
        IniCase{"OtherSectionIgnored", "[other]\npause=40\nextra=1\n[mode]\n", 150ms, 0},
        IniCase{"NamesIgnoreCase", "[MODE]\nPause=40\nEXTRA=1\n", 40ms, 1},
        IniCase{"BlanksAroundValues", "[ mode ]\r\n pause = 40 \r\nextra= 2\r\n", 40ms, 2},
        IniCase{"NotAnIntegerGivesDefault", "[mode]\npause=fast\nextra=1x\n", 150ms, 0},
        IniCase{"EmptyValueGivesDefault", "[mode]\npause=\nextra=\n", 150ms, 0},
        IniCase{"PortsSectionBesideMode", "[ports]\nCOM1=/dev/pts/9\n[mode]\npause=5\n", 5ms, 0},
        IniCase{"CommentsSkipped", "; pause=1\n[mode]\n# extra=1\npause=7\n", 7ms, 0}),
    [](const testing::TestParamInfo<IniCase>& row) { return std::string(row.param.name); });

} // namespace
