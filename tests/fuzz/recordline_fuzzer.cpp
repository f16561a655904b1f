// Record lines, the transponder number and the clock texts from arbitrary bytes.

#include "link/clocktext.h"
#include "link/readerlink.h"
#include "link/recordline.h"

#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace px708;
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    (void)HexToInt(line);
    (void)typeName(line.substr(0, 1));
    if (isRecordLine(line)) {
        const RecordLine r = decodeRecordLine(line);
        (void)recordDate(r, 0, "/");
        (void)recordDate(r, 1, "");
        (void)recordTime(r);
        (void)dayName(recordWeekday(r));
    }
    (void)clockDisplay(line, size % 3, line.substr(0, size % 2));
    (void)timeEntryCheck(line);
    return 0;
}
