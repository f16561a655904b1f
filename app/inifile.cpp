#include "inifile.h"

#include "paths.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>

namespace px708 {

namespace {

std::string_view trimmed(std::string_view s) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = s.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

std::optional<std::string> readIniValue(const std::filesystem::path& iniPath,
                                        std::string_view section, std::string_view key) {
    std::ifstream in(iniPath);
    std::string line;
    bool inSection = false;
    while (std::getline(in, line)) {
        const std::string_view text = trimmed(line);
        if (text.empty() || text.front() == ';' || text.front() == '#')
            continue;
        if (text.front() == '[') {
            const auto close = text.find(']');
            inSection = close != std::string_view::npos &&
                        sameName(trimmed(text.substr(1, close - 1)), section);
            continue;
        }
        const auto eq = text.find('=');
        if (inSection && eq != std::string_view::npos && sameName(trimmed(text.substr(0, eq)), key))
            return std::string(trimmed(text.substr(eq + 1)));
    }
    return std::nullopt;
}

} // namespace

std::optional<int> readIniInt(const std::filesystem::path& iniPath, const std::string& section,
                              const std::string& key) {
    const std::optional<std::string> value = readIniValue(iniPath, section, key);
    if (!value || value->empty())
        return std::nullopt;
    std::string_view digits = *value;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int result = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return result;
}

ModeSettings readModeSettings(const std::filesystem::path& iniPath) {
    ModeSettings settings;
    if (const auto pause = readIniInt(iniPath, "mode", "pause"))
        settings.pause = std::chrono::milliseconds(*pause);
    if (const auto extra = readIniInt(iniPath, "mode", "extra"))
        settings.extra = *extra;
    return settings;
}

std::filesystem::path locateIniFile() {
    std::error_code ec;
    auto beside = executableFolder() / "px708.ini";
    if (std::filesystem::exists(beside, ec))
        return beside;
    std::filesystem::path config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        config = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        config = std::filesystem::path(home) / ".config";
    return config / "px708" / "px708.ini";
}

} // namespace px708
