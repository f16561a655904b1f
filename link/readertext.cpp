#include "link/readertext.h"

namespace px708 {

std::string readerHex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto code = static_cast<unsigned char>(c);
        out += digits[code >> 4];
        out += digits[code & 0x0F];
    }
    return out;
}

std::string setTextCommand(const ReaderText& text, std::string_view bytes) {
    return std::string(text.command) + readerHex(bytes) + std::string(text.terminator);
}

std::string clearTextCommand(const ReaderText& text) {
    return std::string(text.command) + std::string(text.clear);
}

} // namespace px708
