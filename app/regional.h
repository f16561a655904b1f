#pragma once
// The process-wide date and time settings: made at start-up, the date part changed by the date
// format controls. Owned by the main window for the whole run.
//
// Patterns are in Qt's notation ("dd/MM/yyyy", "HH:mm:ss"): "MM" is the month in a date.
//
// Thread affinity: main thread only.

#include <string>
#include <string_view>

namespace px708 {

struct RegionalSettings {
    int dateOrder = 0;               // 0 day before month, 1 month before day
    std::string dateSeparator = "/"; // at most one character; may be empty
    std::string shortDatePattern = "dd/MM/yyyy";
    std::string shortTimePattern = "HH:mm:ss";
    std::string longTimePattern = "HH:mm:ss";
    char timeSeparator = ':';
};

// The short date pattern for a date order and separator: order 0 gives day, separator, month,
// separator, four-digit year; order 1 month first; any other order keeps current.
std::string buildShortDatePattern(int dateOrder, std::string_view separator,
                                  std::string_view current);

} // namespace px708
