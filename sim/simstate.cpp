#include "sim/simstate.h"

#include "sim/simhex.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace px708::sim {

namespace {

constexpr std::string_view kHeader = "px708-sim-state 1";

struct Switch {
    const char* key;
    bool ReaderState::*member;
};

constexpr Switch kSwitches[] = {
    {"save", &ReaderState::save},
    {"seek", &ReaderState::seek},
    {"display", &ReaderState::decimalDisplay},
    {"trigger", &ReaderState::trigger},
    {"checkdigit", &ReaderState::checkdigit},
    {"acknak", &ReaderState::acknak},
    {"enq", &ReaderState::enq},
    {"bidirectional", &ReaderState::bidirectional},
    {"scanstore", &ReaderState::scanstore},
    {"nodecode", &ReaderState::nodecode},
};

struct Text {
    const char* key;
    std::string ReaderState::*member;
    std::size_t maxLength;
};

constexpr Text kTexts[] = {
    {"message", &ReaderState::message, kMaxTextLength},
    {"prefix", &ReaderState::prefix, kMaxTextLength},
    {"suffix", &ReaderState::suffix, kMaxTextLength},
    {"top", &ReaderState::top, kMaxCaptionLength},
    {"bottom", &ReaderState::bottom, kMaxCaptionLength},
};

constexpr std::string_view kBaudCodes[] = {"03", "12", "24", "48", "96", "19"};

Reading reading(int lot, std::string code, CivilSeconds at, char type, std::string country) {
    return Reading{lot, std::move(code), clockText(at), type, std::move(country)};
}

std::optional<long long> integer(std::string_view text) {
    if (text.empty() || text.size() > 18)
        return std::nullopt;
    const bool negative = text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || !isDigits(digits))
        return std::nullopt;
    long long value = 0;
    for (const char c : digits)
        value = value * 10 + (c - '0');
    return negative ? -value : value;
}

[[noreturn]] void fail(int lineNumber, const std::string& what) {
    throw StateError("line " + std::to_string(lineNumber) + ": " + what);
}

} // namespace

std::string Reading::line() const {
    return lotText(lot) + code + clock + type + country;
}

std::optional<Reading> Reading::fromLine(std::string_view line) {
    if (line.size() != kRecordLength)
        return std::nullopt;
    const auto lot = lotNumber(line.substr(0, 2));
    const std::string_view code = line.substr(2, 10);
    const std::string_view clock = line.substr(12, 16);
    const std::string_view typeAndCountry = line.substr(28, 4);
    if (!lot || !isUpperHex(code) || !isDigits(clock) || !isUpperHex(typeAndCountry))
        return std::nullopt;
    return Reading{*lot, std::string(code), std::string(clock), typeAndCountry[0],
                   std::string(typeAndCountry.substr(1))};
}

int ReaderState::freeMemory() const {
    return std::max(0, capacity - static_cast<int>(readings.size()));
}

std::string madeUpCode(int n) {
    // A multiplier prime to 2^24 walks through the codes without repeating; the fixed high
    // digits keep every code ten digits long with a plausible look.
    const unsigned long value =
        0x0006000000UL + (static_cast<unsigned long>(n) * 7919UL) % 0x1000000UL;
    char text[16];
    std::snprintf(text, sizeof text, "%010lX", value);
    return text;
}

int defaultFillLots(int count) {
    return std::clamp((count + 99) / 100, 1, 254);
}

void fillMemory(ReaderState& state, int count, int lots) {
    struct Kind {
        char type;
        const char* country;
    };
    static constexpr Kind kKinds[] = {
        {'5', "3D9"}, {'4', "0FA"}, {'0', "000"}, {'C', "000"}, {'5', "33A"},
        {'3', "000"}, {'8', "000"}, {'5', "3E7"}, {'4', "114"}, {'1', "000"},
    };
    count = std::clamp(count, 0, kMaxCapacity);
    lots = std::clamp(lots, 1, 254);
    const CivilSeconds start = civil(2024, 1, 1, 8, 0, 0);
    state.readings.clear();
    state.readings.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        const Kind& kind = kKinds[static_cast<std::size_t>(i) % std::size(kKinds)];
        const int lot = 1 + static_cast<int>(static_cast<long long>(i) * lots / count);
        state.readings.push_back(
            reading(lot, madeUpCode(i), start + 60LL * i, kind.type, kind.country));
    }
    state.capacity = std::max(state.capacity, count);
}

ReaderState freshState() {
    ReaderState s;
    s.lot = 3;
    s.keylot = 1;
    s.message = "NO READ";
    s.top = "PX-708";
    s.bottom = "ZELMAR";
    s.readings = {
        // ISO FDX-B animal transponders with their country codes (985, 250, 826).
        reading(1, "02DFDC1C35", civil(2023, 4, 15, 14, 30, 5), '5', "3D9"),
        reading(1, "3E6D674515", civil(2023, 4, 15, 14, 31, 12), '5', "0FA"),
        reading(1, "0000BC614E", civil(2023, 4, 15, 14, 33, 40), '4', "33A"),
        // A Zelmar code and an AVID code, neither with a country code.
        reading(1, "0006E4F1A2", civil(2023, 4, 15, 14, 35, 2), '0', "000"),
        reading(2, "0067291845", civil(2023, 5, 2, 9, 5, 17), 'C', "000"),
        reading(2, "16FEE0E52D", civil(2023, 5, 2, 9, 6, 44), '5', "114"),
        reading(2, "0006A1B2C3", civil(2023, 5, 2, 9, 8, 3), '3', "000"),
        reading(3, "00A1B2C3D4", civil(2024, 1, 7, 16, 45, 59), '8', "000"),
        reading(3, "0000003039", civil(2024, 1, 7, 16, 47, 21), '5', "3E7"),
    };
    s.store = {"0006E4F1A2", "0006A1B2C3"};
    s.queue = {"0006A1B2C3"};
    return s;
}

std::optional<std::string> transponderCode(std::string_view text) {
    if (text.size() != kCodeLength)
        return std::nullopt;
    std::string code(text);
    std::transform(code.begin(), code.end(), code.begin(), [](char c) {
        return c >= 'a' && c <= 'f' ? static_cast<char>(c - 'a' + 'A') : c;
    });
    if (!isUpperHex(code))
        return std::nullopt;
    return code;
}

std::string formatState(const ReaderState& s) {
    std::ostringstream out;
    out << kHeader << '\n';
    out << "lot " << lotText(s.lot) << '\n';
    out << "keylot " << lotText(s.keylot) << '\n';
    out << "baud " << s.baud << '\n';
    for (const auto& sw : kSwitches)
        out << sw.key << ' ' << (s.*sw.member ? 1 : 0) << '\n';
    out << "leds " << s.leds << '\n';
    out << "tone " << s.tone << '\n';
    for (const auto& text : kTexts)
        out << text.key << ' ' << toHex(s.*text.member) << '\n';
    out << "clock-offset " << s.clockOffset << '\n';
    out << "capacity " << s.capacity << '\n';
    for (const auto& r : s.readings)
        out << "reading " << r.line() << '\n';
    for (const auto& code : s.store)
        out << "store " << code << '\n';
    for (const auto& code : s.queue)
        out << "queue " << code << '\n';
    return out.str();
}

ReaderState parseState(std::string_view text) {
    ReaderState s;
    bool headerSeen = false;
    int lineNumber = 0;
    std::istringstream in{std::string(text)};
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (line.empty() || line.front() == '#')
            continue;
        if (!headerSeen) {
            if (line != kHeader)
                fail(lineNumber, "expected \"" + std::string(kHeader) + "\"");
            headerSeen = true;
            continue;
        }
        const auto space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);

        if (key == "lot" || key == "keylot") {
            const auto lot = lotNumber(value);
            if (!lot)
                fail(lineNumber, key + " must be 01 to FE");
            (key == "lot" ? s.lot : s.keylot) = *lot;
            continue;
        }
        if (key == "baud") {
            if (std::find(std::begin(kBaudCodes), std::end(kBaudCodes), value) ==
                std::end(kBaudCodes))
                fail(lineNumber, "baud must be 03, 12, 24, 48, 96 or 19");
            s.baud = value;
            continue;
        }
        if (key == "leds" || key == "tone") {
            if (value.size() != 1 || value[0] < '0' || value[0] > '3')
                fail(lineNumber, key + " must be 0 to 3");
            (key == "leds" ? s.leds : s.tone) = value[0] - '0';
            continue;
        }
        if (key == "clock-offset") {
            const auto offset = integer(value);
            if (!offset)
                fail(lineNumber, "clock-offset must be a whole number of seconds");
            s.clockOffset = *offset;
            continue;
        }
        if (key == "capacity") {
            const auto capacity = integer(value);
            if (!capacity || *capacity < 0 || *capacity > kMaxCapacity)
                fail(lineNumber, "capacity must be 0 to 65535");
            s.capacity = static_cast<int>(*capacity);
            continue;
        }
        if (key == "reading") {
            const auto r = Reading::fromLine(value);
            if (!r)
                fail(lineNumber, "not a 32-character record line");
            s.readings.push_back(*r);
            continue;
        }
        if (key == "store" || key == "queue") {
            const auto code = transponderCode(value);
            if (!code || *code != value)
                fail(lineNumber, key + " needs ten upper-case hexadecimal digits");
            (key == "store" ? s.store : s.queue).push_back(*code);
            continue;
        }
        const auto sw = std::find_if(std::begin(kSwitches), std::end(kSwitches),
                                     [&](const Switch& x) { return key == x.key; });
        if (sw != std::end(kSwitches)) {
            if (value != "0" && value != "1")
                fail(lineNumber, key + " must be 0 or 1");
            s.*sw->member = value == "1";
            continue;
        }
        const auto tx = std::find_if(std::begin(kTexts), std::end(kTexts),
                                     [&](const Text& x) { return key == x.key; });
        if (tx != std::end(kTexts)) {
            const auto bytes = fromHex(value);
            if (!bytes || bytes->size() > tx->maxLength)
                fail(lineNumber, key + " must be at most " + std::to_string(tx->maxLength) +
                                     " characters as upper-case hexadecimal pairs");
            s.*tx->member = *bytes;
            continue;
        }
        fail(lineNumber, "unknown key \"" + key + "\"");
    }
    if (!headerSeen)
        throw StateError("line 1: expected \"" + std::string(kHeader) + "\"");
    return s;
}

std::optional<ReaderState> loadState(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (errno == ENOENT)
            return std::nullopt;
        throw StateError(path + ": " + std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return parseState(text.str());
    } catch (const StateError& e) {
        throw StateError(path + " " + e.what());
    }
}

void saveState(const std::string& path, const ReaderState& state) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << formatState(state);
        out.flush();
        if (!out)
            throw StateError(temporary + ": cannot write");
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        throw StateError(path + ": " + std::strerror(error));
    }
}

} // namespace px708::sim
