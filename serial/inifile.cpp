#include "serial/inifile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

} // namespace

bool sameIniName(std::string_view a, std::string_view b) {
    return std::ranges::equal(
        a, b, [](unsigned char x, unsigned char y) { return std::tolower(x) == std::tolower(y); });
}

IniFile IniFile::read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {};
    std::ostringstream text;
    text << in.rdbuf();
    return parse(text.str());
}

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    std::string section;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const auto close = line.find(']');
            section = close == std::string_view::npos
                          ? std::string()
                          : std::string(trimmed(line.substr(1, close - 1)));
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        ini.entries_.push_back({section, std::string(trimmed(line.substr(0, eq))),
                                std::string(trimmed(line.substr(eq + 1)))});
    }
    return ini;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    for (const Entry& e : entries_)
        if (sameIniName(e.section, section) && sameIniName(e.key, key))
            return e.value;
    return std::nullopt;
}

std::optional<int> IniFile::intValue(std::string_view section, std::string_view key) const {
    const std::optional<std::string> text = value(section, key);
    if (!text || text->empty())
        return std::nullopt;
    std::string_view digits = *text;
    if (digits.front() == '+')
        digits.remove_prefix(1);
    int result = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return result;
}

std::vector<std::pair<std::string, std::string>> IniFile::entries(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> result;
    for (const Entry& e : entries_)
        if (sameIniName(e.section, section))
            result.emplace_back(e.key, e.value);
    return result;
}

std::filesystem::path executableFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path(ec) : exe.parent_path();
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
