#include "sim/simhex.h"

#include <algorithm>

namespace px708::sim {

namespace {

constexpr std::string_view kDigits = "0123456789ABCDEF";

int digitValue(char c) {
    const auto pos = kDigits.find(c);
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

} // namespace

bool isUpperHex(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return digitValue(c) >= 0; });
}

bool isDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string toHex(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

std::optional<std::string> fromHex(std::string_view hex) {
    if (hex.size() % 2 != 0 || !isUpperHex(hex))
        return std::nullopt;
    std::string out;
    out.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2)
        out += static_cast<char>(digitValue(hex[i]) * 16 + digitValue(hex[i + 1]));
    return out;
}

std::optional<unsigned long> hexValue(std::string_view hex) {
    if (hex.empty() || hex.size() > 15 || !isUpperHex(hex))
        return std::nullopt;
    unsigned long value = 0;
    for (const char c : hex)
        value = value * 16 + static_cast<unsigned long>(digitValue(c));
    return value;
}

std::optional<int> lotNumber(std::string_view text) {
    if (text.size() != 2)
        return std::nullopt;
    const auto value = hexValue(text);
    if (!value || *value < 0x01 || *value > 0xFE)
        return std::nullopt;
    return static_cast<int>(*value);
}

std::string lotText(int lot) {
    return toHex(std::string(1, static_cast<char>(lot)));
}

std::string printable(std::string_view bytes) {
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && c != '<') {
            out += c;
        } else {
            out += '<';
            out += toHex(std::string_view(&c, 1));
            out += '>';
        }
    }
    return out;
}

} // namespace px708::sim
