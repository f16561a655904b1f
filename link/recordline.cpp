#include "link/recordline.h"

#include "link/clocktext.h"
#include "link/readerlink.h"

namespace px708 {

std::string typeName(std::string_view typeCode) {
    switch (HexToInt(typeCode)) {
    case 0:
        return " Zelmar ";
    case 3:
        return "3";
    case 4:
        return " ISO FDX-B Non ";
    case 5:
        return " ISO FDX-B Anm ";
    case 8:
        return " FECAVA ";
    case 12:
        return " AVID ";
    default:
        return " Unknown ";
    }
}

RecordLine decodeRecordLine(std::string_view line) {
    line = line.substr(0, kRecordLineLength);
    RecordLine r;
    r.lot = std::string(line.substr(0, 2));
    r.code = std::string(line.substr(2, 10));
    r.clock = std::string(line.substr(12, 16));
    r.typeCode = std::string(line.substr(28, 1));
    r.typeName = typeName(r.typeCode);
    r.country = std::to_string(HexToInt(line.substr(29, 3)));

    std::string number = r.code;
    // AVID codes have nine digits: the reader pads them in front.
    if (r.typeName == " AVID " && !number.empty())
        number.erase(0, 1);
    if (r.country != "0") {
        number = std::to_string(static_cast<std::uint64_t>(HexToInt(number)));
        if (number.size() < 12)
            number.insert(0, 12 - number.size(), '0');
    }
    r.transponder = std::move(number);
    return r;
}

std::string recordDate(const RecordLine& r, int dateOrder, std::string_view separator) {
    const std::string_view clock = r.clock;
    const std::string year = "20" + std::string(clock.substr(0, 2));
    const std::string month(clock.substr(2, 2));
    const std::string day(clock.substr(4, 2));
    const std::string sep(separator);
    return dateOrder == 1 ? month + sep + day + sep + year : day + sep + month + sep + year;
}

std::string recordTime(const RecordLine& r) {
    const std::string_view clock = r.clock;
    return std::string(clock.substr(8, 2)) + ":" + std::string(clock.substr(10, 2)) + ":" +
           std::string(clock.substr(12, 2));
}

int recordWeekday(const RecordLine& r) {
    const std::string_view day = std::string_view(r.clock).substr(6, 2);
    if (day.size() != 2 || day[0] < '0' || day[0] > '9' || day[1] < '0' || day[1] > '9')
        return 0;
    return (day[0] - '0') * 10 + (day[1] - '0');
}

} // namespace px708

namespace px708 {

std::string dumpLine(const RecordLine& r, int dateOrder, std::string_view separator) {
    const std::string_view clock = r.clock;
    std::string day(dayName(recordWeekday(r)));
    if (day.empty())
        day = std::string(clock.substr(6, 2));
    std::string out = r.lot;
    out += ' ';
    if (r.country != "0")
        out += r.country;
    out += r.transponder;
    out += r.typeName;
    out += ' ';
    out += recordDate(r, dateOrder, separator);
    out += "   ";
    out += day;
    out += "   ";
    out += recordTime(r);
    out += ':';
    out += clock.substr(14, 2);
    return out;
}

} // namespace px708
