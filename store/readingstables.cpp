#include "store/readingstables.h"

#include "store/schemas.h"
#include "store/storeerror.h"
#include "store/table.h"

namespace px708 {

QString readingsTableFileName(int n) {
    return QStringLiteral("%1data.db").arg(n);
}

int readingsTableNumber(const QString& fileName) {
    for (int n = 1; n <= kReadingsTableCount; ++n)
        if (fileName == readingsTableFileName(n))
            return n;
    return 0;
}

std::optional<PanelColour> readingsPanelColour(int n) {
    switch (n) {
    case 2:
        return PanelColour{210, 230, 210};
    case 3:
        return PanelColour{245, 220, 197};
    case 4:
        return PanelColour{255, 255, 204};
    case 5:
        return PanelColour{213, 243, 255};
    case 6:
        return PanelColour{240, 206, 253};
    default:
        return std::nullopt;
    }
}

void selectReadingsTable(Table& tbld, int n) {
    tbld.close();
    tbld.setExclusive(false);
    tbld.setFileName(readingsTableFileName(n));
    tbld.open();
}

EmptyTableResult emptyReadingsTable(Table& tbld) {
    auto reopenShared = [&] {
        tbld.close();
        tbld.setExclusive(false);
        tbld.open();
    };
    tbld.close();
    tbld.setExclusive(true);
    try {
        tbld.open();
    } catch (const DatabaseError&) {
        reopenShared();
        return EmptyTableResult::NotExclusive;
    }
    try {
        tbld.empty();
    } catch (const DatabaseError&) {
        try {
            reopenShared();
        } catch (const DatabaseError&) {
            // The removal's error is the one to report; the table stays closed.
        }
        throw;
    }
    reopenShared();
    return EmptyTableResult::Emptied;
}

void cancelAllFlags(Table& tbld) {
    tbld.setBooleanInAllRows(readings::Flagged, false);
}

} // namespace px708
