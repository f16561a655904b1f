#include "transfer/capturedimport.h"

#include "store/bulkappend.h"
#include "store/schemas.h"
#include "store/table.h"

#include <optional>

namespace px708 {

int importCapturedReadings(Table& readings, const QStringList& lines,
                           const std::function<QDateTime()>& now) {
    // One operation for the whole view, begun at the first line that is a reading: a view
    // without any touches no table.
    std::optional<BulkAppend> bulk;
    for (const QString& line : lines) {
        if (line.size() != kCapturedReadingLength)
            continue;
        if (!bulk)
            bulk.emplace(readings);
        const QDateTime stamp = now();
        RowValues row = bulk->newRow();
        row.setText(readings::tag, line);
        row.setDate(readings::Date_, stamp.date());
        row.setTime(readings::Time_, stamp.time());
        bulk->append(row);
    }
    if (!bulk)
        return 0;
    bulk->finish();
    return bulk->appended();
}

} // namespace px708
