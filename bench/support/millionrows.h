#pragma once
// The million-row readings table the benchmarks open: tags 000000000001 to 000001000000 in
// order, lots 01 to FE in turn, every other row flagged, all read on 15/04/2023 at 14:30:05.
// Filled in one transaction straight through SQLite, since a million posts through a Table
// would take longer than the benchmarks themselves.

#include <QString>

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace px708::bench {

inline constexpr int kMillion = 1000000;

// Whether every row carries a text in Alpha ("animal 1", "animal 2", ...) or leaves it empty.
enum class AlphaText { Empty, Numbered };

// Fills the readings table, already made by the store, of the table file at path.
inline void fillMillionReadings(const QString& path, AlphaText alpha) {
    const bool numbered = alpha == AlphaText::Numbered;
    const std::string sql =
        "BEGIN; WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " +
        std::to_string(kMillion) + ") INSERT INTO readings(C_Code, tag, Type, Lot, Flagged, " +
        (numbered ? "Alpha, " : "") +
        "Date_, Time_) SELECT '985', printf('%012d', i), 'ISO FDX-B Non', "
        "printf('%02X', i % 254 + 1), i % 2, " +
        (numbered ? "'animal ' || i, " : "") + "'2023-04-15', '14:30:05' FROM n; COMMIT;";
    sqlite3* raw = nullptr;
    sqlite3_open(path.toUtf8().constData(), &raw);
    const int rc = sqlite3_exec(raw, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(raw);
    if (rc != SQLITE_OK)
        throw std::runtime_error("cannot fill the million-row table");
}

} // namespace px708::bench
