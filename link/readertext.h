#pragma once
// The three texts of the reader's on-line settings: the no-decode message (sent when a scan
// finds no transponder), the prefix and the suffix of every reading sent in on-line mode.
// They travel as hexadecimal text: each character becomes two upper-case hexadecimal digits
// of its 8-bit code ("A" is "41", a blank "20", codes above 7Fh included). A set of the
// message or the suffix ends with "0D", the carriage return; the prefix has no terminator.
// Reading a text back is a row of the reply catalogue (states 14, 15, 16).
//
// Plain data and functions without state; safe on any thread.

#include <cstdint>
#include <string>
#include <string_view>

namespace px708 {

struct ReaderText {
    std::string_view command;    // "AX", "AP", "AS"
    std::int32_t state;          // 14, 15, 16
    std::string_view edit;       // "messag", "prefix", "suffix"
    std::string_view terminator; // after the encoded text of a set: "0D", or nothing
    std::string_view clear;      // what "Clear Reader" sends after the command
};

inline constexpr ReaderText kMessageText{"AX", 14, "messag", "0D", "00"};
inline constexpr ReaderText kPrefixText{"AP", 15, "prefix", "", "00"};
inline constexpr ReaderText kSuffixText{"AS", 16, "suffix", "0D", "0D"};

// The longest text an edit takes.
inline constexpr int kReaderTextMaxLength = 32;

// Each byte as two upper-case hexadecimal digits.
std::string readerHex(std::string_view bytes);

// The wire form of "Set": the command, the encoded text, the terminator. An empty text sends
// the command and the terminator alone.
std::string setTextCommand(const ReaderText& text, std::string_view bytes);

// The wire form of "Clear Reader".
std::string clearTextCommand(const ReaderText& text);

} // namespace px708
