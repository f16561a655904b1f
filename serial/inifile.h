#pragma once
// px708.ini: read once at start-up, never written. IniFile is the one reader of it: the mode
// settings (pause, extra) and the [ports] map both take their values from one IniFile, so that
// every section and key name matches without regard to case, everywhere alike.
//
// The file is looked for next to the executable, else as $XDG_CONFIG_HOME/px708/px708.ini
// (~/.config/px708/px708.ini when the variable is unset or empty). A missing file reads as
// empty. Lines starting with ';' or '#' are comments; blanks around names and values are
// dropped. When a key occurs twice in a section, the first one counts.
//
// Thread affinity: an IniFile is a plain value; read it anywhere.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace px708 {

class IniFile {
public:
    IniFile() = default;

    // Reads the whole file; a file that cannot be read gives an empty IniFile.
    static IniFile read(const std::filesystem::path& path);
    // Parses text as the contents of an ini file.
    static IniFile parse(std::string_view text);

    // The value of key in section, or nothing when either is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The integer value, or nothing when missing, empty or not an integer.
    std::optional<int> intValue(std::string_view section, std::string_view key) const;
    // Every key of a section with its value, in file order (names as written).
    std::vector<std::pair<std::string, std::string>> entries(std::string_view section) const;

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Entry> entries_;
};

// Names compare without regard to ASCII case.
bool sameIniName(std::string_view a, std::string_view b);

// The folder of the running executable.
std::filesystem::path executableFolder();

// The px708.ini the program reads: next to the executable when it exists there, else the one
// under the configuration folder (which need not exist).
std::filesystem::path locateIniFile();

} // namespace px708
