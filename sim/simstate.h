#pragma once
// Everything the virtual reader keeps between commands and between runs, and its state file.
// Plain values; not thread-safe (the simulator's loop is the only user).

#include "sim/simclock.h"

#include <deque>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace px708::sim {

// One stored reading, as the reader sends it in a 32-character record line: lot (2), code (10),
// clock text (16), type code (1), country code (3).
struct Reading {
    int lot = 1;
    std::string code;    // ten upper-case hexadecimal digits
    std::string clock;   // sixteen digits, the reader clock text
    char type = '0';     // one upper-case hexadecimal digit
    std::string country; // three upper-case hexadecimal digits

    std::string line() const;
    // A record line or upload record: exactly 32 characters, lot 01 to FE, hexadecimal code,
    // type and country, and a clock text of 16 digits. Anything else gives nothing.
    static std::optional<Reading> fromLine(std::string_view line);

    bool operator==(const Reading&) const = default;
};

constexpr std::size_t kCodeLength = 10;
constexpr std::size_t kRecordLength = 32;
constexpr std::size_t kMaxTextLength = 32;    // message, prefix, suffix
constexpr std::size_t kMaxCaptionLength = 16; // top and bottom display lines
constexpr int kMaxCapacity = 0xFFFF;          // free memory is four hexadecimal digits

struct ReaderState {
    int lot = 1;
    int keylot = 1;
    std::string baud = "96"; // "03", "12", "24", "48", "96" or "19"
    bool save = true;
    bool seek = false;
    bool decimalDisplay = false;
    bool trigger = true;
    int leds = 0; // 0 none, 1 red, 2 green, 3 red and green
    int tone = 0; // 0 quiet, 1 key, 2 OK, 3 NO
    bool checkdigit = false;
    bool acknak = false;
    bool enq = true;
    bool bidirectional = false;
    bool scanstore = false;
    bool nodecode = true;
    std::string message; // raw bytes, without the terminator
    std::string prefix;
    std::string suffix;
    std::string top;
    std::string bottom;
    CivilSeconds clockOffset = 0; // reader clock minus the PC's local clock
    int capacity = 2000;          // readings the memory holds
    std::vector<Reading> readings;
    std::deque<std::string> store; // the on-line download store, oldest first
    std::deque<std::string> queue; // transponders that the next "I" commands find, first first

    int freeMemory() const;
    bool operator==(const ReaderState&) const = default;
};

struct StateError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A reader as it leaves the factory, with a few lots of realistic readings.
ReaderState freshState();

// A memory full of made-up readings, for demonstrations and for load: count readings spread
// over the lots 01 to lots in consecutive blocks (so a dump of all lots comes in storing
// order), each with a code of its own (madeUpCode), a type and country code taken in turn from
// the kinds the reader knows (ISO FDX-B with country codes, Zelmar, AVID, type 3, FECAVA,
// unknown), and a clock one minute after the one before. Replaces the readings held and raises
// the capacity to hold them. count is 0 to kMaxCapacity, lots 1 to 254 and at most count
// (fewer lots are used when there are fewer readings).
void fillMemory(ReaderState& state, int count, int lots);

// The lots fillMemory uses when none are named: blocks of 100 readings, at most 254 lots.
int defaultFillLots(int count);

// The n-th made-up transponder code: ten upper-case hexadecimal digits, distinct for every n
// below 2^24.
std::string madeUpCode(int n);

// A transponder code as the control accepts it: ten hexadecimal digits (lower case is raised).
std::optional<std::string> transponderCode(std::string_view text);

std::string formatState(const ReaderState& state);
// Throws StateError naming the line for unknown keys and malformed values.
ReaderState parseState(std::string_view text);

// Nothing when the file does not exist; throws StateError when it cannot be read or parsed.
std::optional<ReaderState> loadState(const std::string& path);
// Writes a temporary file beside path and renames it over path, so a crash never leaves half a
// state. Throws StateError on failure.
void saveState(const std::string& path, const ReaderState& state);

} // namespace px708::sim
