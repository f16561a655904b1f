#include "serial/portmap.h"

#include "serial/inifile.h"

#include <charconv>

#include <mutex>

namespace px708 {

namespace {
std::mutex mapLock;
std::map<int, std::string>& portMap() {
    static std::map<int, std::string> map;
    return map;
}
} // namespace

std::map<int, std::string> readPortMap(const IniFile& ini) {
    std::map<int, std::string> result;
    for (const auto& [key, device] : ini.entries("ports")) {
        if (key.size() <= 3 || !sameIniName(std::string_view(key).substr(0, 3), "COM"))
            continue;
        int n = 0;
        const char* first = key.data() + 3;
        const char* last = key.data() + key.size();
        const auto [end, ec] = std::from_chars(first, last, n);
        if (ec == std::errc() && end == last && n > 0 && !result.contains(n))
            result[n] = device;
    }
    return result;
}

void setPortMap(std::map<int, std::string> map) {
    std::lock_guard lock(mapLock);
    portMap() = std::move(map);
}

std::string devicePathForPort(int n) {
    std::lock_guard lock(mapLock);
    auto it = portMap().find(n);
    if (it != portMap().end() && !it->second.empty())
        return it->second;
    return "/dev/ttyS" + std::to_string(n - 1);
}

} // namespace px708
