#include "store/tablesearch.h"

#include "store/database.h"
#include "store/sqlitehandle.h"
#include "store/table.h"

#include <algorithm>

namespace px708 {

namespace {

// Room for the whole of a table of a few million readings; only what is read is mapped in.
constexpr qint64 kMappedBytes = 512LL * 1024 * 1024;

} // namespace

TableSearch::TableSearch(const Table& table) : table_(table) {}

TableSearch::~TableSearch() {
    release();
}

void TableSearch::release() {
    connection_.reset();
    path_.clear();
}

int TableSearch::find(int fieldIndex, const QString& text, int from, Direction direction) {
    const Table& table = table_;
    table.requireOpen();
    const std::vector<qint64>& keys = table.rowIds_;
    if (text.isEmpty() || keys.empty() || fieldIndex < 0 || fieldIndex >= table.fieldCount())
        return -1;
    const int count = static_cast<int>(keys.size());
    const bool forward = direction == Direction::Forward;
    if (from < 0 || from >= count)
        from = forward ? count - 1 : 0;
    const qint64 start = keys[static_cast<std::size_t>(from)];

    // Two ranges of keys in search order: past the start up to the table's end, then round
    // from the other end up to the start itself. The engine scans the file; nothing of a row
    // but its key comes back. A text with letters is matched by LIKE, which ignores the case
    // of ASCII letters; one without (the usual decimal or upper-case hexadecimal code) by
    // instr, the quicker of the two.
    const bool letters =
        std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
    const QString column = table.quoted(table.columns_[static_cast<std::size_t>(fieldIndex)]);
    const QString match = letters ? QStringLiteral("%1 LIKE ?3 ESCAPE '\\'").arg(column)
                                  : QStringLiteral("instr(%1, ?3) > 0").arg(column);
    const QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %1 BETWEEN ?1 AND ?2 AND %3 "
                                       "ORDER BY %1 %4")
                            .arg(table.keyColumn_, table.quoted(table.tableName_), match,
                                 forward ? QStringLiteral("ASC") : QStringLiteral("DESC"));
    // Mapped into memory, the file is read in place rather than copied page by page through
    // the engine's cache: a scan of the whole table takes half the time, and less again while
    // the pages stay mapped from the last search.
    const QString path = table.db_.tablePath(table.fileName_);
    if (!connection_ || path != path_) {
        release();
        sql::Connection opened = sql::open(table.name_, path, false);
        sqlite3_busy_timeout(opened.get(), static_cast<int>(Table::kBusyTimeout.count()));
        sql::exec(table.name_, opened.get(),
                  QStringLiteral("PRAGMA mmap_size = %1").arg(kMappedBytes));
        connection_ = std::move(opened);
        path_ = path;
    }
    sql::Statement select(table.name_, connection_.get(), sql);
    QString wanted = text;
    if (letters) {
        wanted.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
            .replace(QLatin1Char('%'), QLatin1String("\\%"))
            .replace(QLatin1Char('_'), QLatin1String("\\_"));
        wanted = QLatin1Char('%') + wanted + QLatin1Char('%');
    }
    const qint64 first = keys.front();
    const qint64 last = keys.back();
    struct Range {
        qint64 low, high;
    };
    const Range ranges[2] = {forward ? Range{start + 1, last} : Range{first, start - 1},
                             forward ? Range{first, start} : Range{start, last}};
    for (const Range& range : ranges) {
        if (range.low > range.high)
            continue;
        select.reset();
        select.bindInt64(1, range.low);
        select.bindInt64(2, range.high);
        select.bind(3, wanted);
        // A key the grid does not show (a row another program added between two of ours in a
        // table without the row key) is passed over.
        while (select.step()) {
            const qint64 key = select.int64(0);
            const auto at = std::lower_bound(keys.begin(), keys.end(), key);
            if (at != keys.end() && *at == key)
                return static_cast<int>(at - keys.begin());
        }
    }
    return -1;
}

} // namespace px708
