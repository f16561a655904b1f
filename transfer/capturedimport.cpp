#include "transfer/capturedimport.h"

#include "store/schemas.h"
#include "store/table.h"

namespace px708 {

int importCapturedReadings(Table& readings, const QStringList& lines,
                           const std::function<QDateTime()>& now) {
    int stored = 0;
    for (const QString& line : lines) {
        if (line.size() != kCapturedReadingLength)
            continue;
        const QDateTime stamp = now();
        readings.append();
        try {
            readings.field(readings::tag).setAsString(line);
            readings.field(readings::Date_).setAsDate(stamp.date());
            readings.field(readings::Time_).setAsTime(stamp.time());
            readings.post();
        } catch (...) {
            readings.cancel();
            throw;
        }
        ++stored;
    }
    return stored;
}

} // namespace px708
