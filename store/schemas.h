#pragma once
// The fields of the two kinds of table: the readings tables 1data.db to 6data.db and the
// settings table config.db. A Table binds these fields by name when it opens its file; the
// widths are the program's own (text written to a field is cut to its width, whatever the
// file declares).

#include <QString>

#include <array>
#include <span>

namespace px708 {

enum class FieldKind { String, Integer, Boolean, Date, Time };

struct FieldDef {
    const char* name;
    FieldKind kind;
    int width;         // characters, for String fields; 0 otherwise
    const char* title; // the default display label (grid title)
    int gridChars;     // grid column width in characters (readings fields)
};

// The type's name as the binding errors show it ("String", "Integer", "Boolean", ...).
QString fieldKindName(FieldKind kind);

// Readings table fields, in the order of the grid's columns.
inline constexpr std::array<FieldDef, 11> kReadingsFields{{
    {"C_Code", FieldKind::String, 3, "C_Code", 3},
    {"tag", FieldKind::String, 12, "Tag ID", 13},
    {"Type", FieldKind::String, 13, "Type", 13},
    {"Lot", FieldKind::String, 3, "Lot", 3},
    {"Flagged", FieldKind::Boolean, 0, "Flag", 5},
    {"Alpha", FieldKind::String, 30, "Alpha", 30},
    {"Bravo", FieldKind::String, 30, "Bravo", 30},
    {"Charly", FieldKind::String, 30, "Charly", 30},
    {"Date_", FieldKind::Date, 0, "Date_", 10},
    {"Time_", FieldKind::Time, 0, "Time_", 10},
    {"Comment", FieldKind::String, 250, "Comment", 250},
}};

// Indexes of the readings fields (positions in kReadingsFields and grid columns).
namespace readings {
inline constexpr int C_Code = 0, tag = 1, Type = 2, Lot = 3, Flagged = 4, Alpha = 5, Bravo = 6,
                     Charly = 7, Date_ = 8, Time_ = 9, Comment = 10;
}

// Settings table fields, in their stored order.
inline constexpr std::array<FieldDef, 18> kSettingsFields{{
    {"port", FieldKind::Integer, 0, "port", 0},
    {"baud", FieldKind::Integer, 0, "baud", 0},
    {"no_read", FieldKind::String, 30, "no_read", 0},
    {"prefix", FieldKind::String, 31, "prefix", 0},
    {"suffix", FieldKind::String, 31, "suffix", 0},
    {"progbaud", FieldKind::Integer, 0, "progbaud", 0},
    {"ddmmyy", FieldKind::Integer, 0, "ddmmyy", 0},
    {"separator", FieldKind::String, 1, "separator", 0},
    {"field1", FieldKind::String, 20, "field1", 0},
    {"field2", FieldKind::String, 20, "field2", 0},
    {"field3", FieldKind::String, 20, "field3", 0},
    {"field4", FieldKind::String, 20, "field4", 0},
    {"field5", FieldKind::String, 20, "field5", 0},
    {"field6", FieldKind::String, 20, "field6", 0},
    {"field7", FieldKind::String, 20, "field7", 0},
    {"field8", FieldKind::String, 20, "field8", 0},
    {"field0", FieldKind::String, 20, "field0", 0},
    {"field9", FieldKind::String, 20, "field9", 0},
}};

inline std::span<const FieldDef> readingsSchema() {
    return kReadingsFields;
}
inline std::span<const FieldDef> settingsSchema() {
    return kSettingsFields;
}

inline constexpr const char* kSettingsFileName = "config.db";
inline constexpr int kReadingsTableCount = 6;

// The hidden row key of the tables this program creates (see Table).
inline constexpr const char* kRowKeyColumn = "RowKey";

// The SQL that creates a table of these fields, after the hidden row key, in a new file (a new
// installation only).
QString createTableSql(const QString& tableName, std::span<const FieldDef> fields);

} // namespace px708
