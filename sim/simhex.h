#pragma once
// Hexadecimal helpers of the virtual reader: its texts travel as two upper-case digits per
// character, and its codes, lots and counts are upper-case hexadecimal.
// Pure functions; usable from any thread.

#include <optional>
#include <string>
#include <string_view>

namespace px708::sim {

// True when every character is one of 0-9 or A-F (upper case only, as the reader writes them).
bool isUpperHex(std::string_view text);

// True when every character is a decimal digit.
bool isDigits(std::string_view text);

// Each byte as two upper-case hexadecimal digits ("A" gives "41").
std::string toHex(std::string_view bytes);

// The bytes of an even run of upper-case hexadecimal digits; nothing for anything else.
std::optional<std::string> fromHex(std::string_view hex);

// Value of an upper-case hexadecimal run (empty or invalid text gives nothing).
std::optional<unsigned long> hexValue(std::string_view hex);

// A lot number as the reader accepts it: two upper-case hexadecimal digits, 01 to FE.
std::optional<int> lotNumber(std::string_view text);
std::string lotText(int lot);

// Printable form of bytes for transcripts and listings: control and non-ASCII bytes as <0D>.
std::string printable(std::string_view bytes);

} // namespace px708::sim
