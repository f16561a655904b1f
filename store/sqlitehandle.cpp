#include "store/sqlitehandle.h"

#include "store/storeerror.h"

namespace px708::sql {

QString engineText(sqlite3* db, int rc) {
    if (db != nullptr && sqlite3_errcode(db) != SQLITE_OK)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(rc));
}

void raise(const QString& component, sqlite3* db, int rc) {
    const int code = db != nullptr ? sqlite3_extended_errcode(db) : rc;
    throw DatabaseError(component, engineText(db, rc), code);
}

Connection open(const QString& component, const QString& path, bool create) {
    sqlite3* raw = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) |
                      SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_EXRESCODE;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK) {
        const QString text = engineText(raw, rc);
        const int code = raw != nullptr ? sqlite3_extended_errcode(raw) : rc;
        throw DatabaseError(component, QStringLiteral("%1 (%2)").arg(text, path), code);
    }
    return db;
}

void exec(const QString& component, sqlite3* db, const QString& sql) {
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        raise(component, db, rc);
}

Statement::Statement(const QString& component, sqlite3* db, const QString& sql)
    : component_(component), db_(db) {
    sqlite3_stmt* raw = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(db, utf8.constData(), static_cast<int>(utf8.size()),
                                      SQLITE_PREPARE_PERSISTENT, &raw, nullptr);
    stmt_.reset(raw);
    if (rc != SQLITE_OK)
        raise(component_, db_, rc);
}

void Statement::bind(int index, const QVariant& value) {
    int rc = SQLITE_OK;
    if (value.isNull()) {
        rc = sqlite3_bind_null(stmt_.get(), index);
    } else {
        switch (value.typeId()) {
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::Bool:
        case QMetaType::UInt:
            rc = sqlite3_bind_int64(stmt_.get(), index, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(stmt_.get(), index, value.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = value.toByteArray();
            rc = sqlite3_bind_blob64(stmt_.get(), index, bytes.constData(),
                                     static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray utf8 = value.toString().toUtf8();
            rc = sqlite3_bind_text64(stmt_.get(), index, utf8.constData(),
                                     static_cast<sqlite3_uint64>(utf8.size()), SQLITE_TRANSIENT,
                                     SQLITE_UTF8);
        }
        }
    }
    if (rc != SQLITE_OK)
        raise(component_, db_, rc);
}

void Statement::bindInt64(int index, qint64 value) {
    const int rc = sqlite3_bind_int64(stmt_.get(), index, value);
    if (rc != SQLITE_OK)
        raise(component_, db_, rc);
}

bool Statement::step() {
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    // Reset at once, so the statement holds no read transaction open after a failure.
    sqlite3_reset(stmt_.get());
    raise(component_, db_, rc);
}

void Statement::reset() {
    sqlite3_reset(stmt_.get());
    sqlite3_clear_bindings(stmt_.get());
}

qint64 Statement::int64(int column) const {
    return sqlite3_column_int64(stmt_.get(), column);
}

QString Statement::text(int column) const {
    const auto* data = reinterpret_cast<const char*>(sqlite3_column_text(stmt_.get(), column));
    const int size = sqlite3_column_bytes(stmt_.get(), column);
    return data != nullptr ? QString::fromUtf8(data, size) : QString();
}

QVariant Statement::value(int column) const {
    switch (sqlite3_column_type(stmt_.get(), column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(sqlite3_column_int64(stmt_.get(), column));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt_.get(), column));
    case SQLITE_TEXT:
        return QVariant(text(column));
    case SQLITE_BLOB: {
        const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt_.get(), column));
        return QVariant(QByteArray(data, sqlite3_column_bytes(stmt_.get(), column)));
    }
    default:
        return {};
    }
}

} // namespace px708::sql
