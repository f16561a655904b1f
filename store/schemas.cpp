#include "store/schemas.h"

#include <QStringList>

namespace px708 {

QString fieldKindName(FieldKind kind) {
    switch (kind) {
    case FieldKind::String:
        return QStringLiteral("String");
    case FieldKind::Integer:
        return QStringLiteral("Integer");
    case FieldKind::Boolean:
        return QStringLiteral("Boolean");
    case FieldKind::Date:
        return QStringLiteral("Date");
    case FieldKind::Time:
        return QStringLiteral("Time");
    }
    return QStringLiteral("Unknown");
}

QString createTableSql(const QString& tableName, std::span<const FieldDef> fields) {
    // The row's own identity: an alias of the engine's row id that VACUUM keeps, never given
    // to a second row (AUTOINCREMENT), and no field, so neither shown nor exported.
    QStringList columns{QStringLiteral("\"%1\" INTEGER PRIMARY KEY AUTOINCREMENT")
                            .arg(QString::fromLatin1(kRowKeyColumn))};
    for (const FieldDef& f : fields) {
        QString type;
        switch (f.kind) {
        case FieldKind::String:
            type = QStringLiteral("VARCHAR(%1)").arg(f.width);
            break;
        case FieldKind::Integer:
            type = QStringLiteral("INTEGER");
            break;
        case FieldKind::Boolean:
            type = QStringLiteral("BOOLEAN");
            break;
        case FieldKind::Date:
            type = QStringLiteral("DATE");
            break;
        case FieldKind::Time:
            type = QStringLiteral("TIME");
            break;
        }
        columns << QStringLiteral("\"%1\" %2").arg(QString::fromLatin1(f.name), type);
    }
    return QStringLiteral("CREATE TABLE \"%1\" (%2)")
        .arg(tableName, columns.join(QStringLiteral(", ")));
}

} // namespace px708
