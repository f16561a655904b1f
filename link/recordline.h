#pragma once
// The record line: the 32-character reply line that carries one stored reading.
//
//   positions  1-2   lot number, two hexadecimal digits
//              3-12  transponder code, hexadecimal digits
//             13-28  the reader clock text: year in the century, month, day, "0" and weekday,
//                    hour, minute, second, two further digits
//             29     type code, one hexadecimal digit
//             30-32  country code, three hexadecimal digits
//
// Hexadecimal positions go through HexToInt, so a character outside "0"-"9", "A"-"F" counts as
// 0: no record is refused for it.
//
// Plain functions without state; safe on any thread.

#include <string>
#include <string_view>

namespace px708 {

inline constexpr std::size_t kRecordLineLength = 32;

// A reply line is a record line when it is longer than 31 characters.
inline bool isRecordLine(std::string_view line) {
    return line.size() >= kRecordLineLength;
}

// The type name of a type code, with its leading and trailing blank (" ISO FDX-B Non "); the
// code 3 has no name and keeps the digit "3".
std::string typeName(std::string_view typeCode);

struct RecordLine {
    std::string lot;         // positions 1-2 as sent
    std::string code;        // positions 3-12 as sent
    std::string clock;       // positions 13-28
    std::string typeCode;    // position 29 as sent
    std::string typeName;    // " Zelmar ", "3", " Unknown " ...
    std::string country;     // decimal country code without leading zeros; "0" for none
    std::string transponder; // the transponder number shown and stored
};

// Decodes the first 32 characters of a record line (the caller has checked isRecordLine).
RecordLine decodeRecordLine(std::string_view line);

// The date of the reading: day, separator, month, separator, "20" and the year; with
// dateOrder 1 the month comes first.
std::string recordDate(const RecordLine& r, int dateOrder, std::string_view separator);

// "HH:MM:SS" of the reading.
std::string recordTime(const RecordLine& r);

// The weekday number of the reading (1 Monday ... 7 Sunday; anything else when garbled).
int recordWeekday(const RecordLine& r);

// The first line of an empty dump view.
inline constexpr std::string_view kDumpHeader = "Lot.Transponder..Type....Date.......Day..Time ";

// The dump view's line of a record: the lot, one blank, the country code text (left out when
// it is "0"), the transponder number, the type name, one blank, the date, three blanks, the
// day name under the header's "Day" (the weekday digits as sent when they name no day), three
// blanks, and the time with the two further digits ("14:30:05:00").
std::string dumpLine(const RecordLine& r, int dateOrder, std::string_view separator);

} // namespace px708
