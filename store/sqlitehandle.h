#pragma once
// Thin owners of SQLite's handles, used inside the store only. Every failure is raised as a
// DatabaseError of the given component with the engine's text and extended code.
//
// Thread affinity: a handle is used by one thread at a time (the main thread in the program).

#include <QString>
#include <QVariant>

#include <sqlite3.h>

#include <memory>

namespace px708::sql {

struct ConnectionCloser {
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, ConnectionCloser>;

struct StatementFinalizer {
    void operator()(sqlite3_stmt* stmt) const noexcept { sqlite3_finalize(stmt); }
};

// The engine's text for the last failure on db (or for rc when there is no connection).
QString engineText(sqlite3* db, int rc);

[[noreturn]] void raise(const QString& component, sqlite3* db, int rc);

// Opens an existing file for reading and writing (never creates it), or a new one when
// create is true.
Connection open(const QString& component, const QString& path, bool create);

// Runs SQL that returns no rows (several statements allowed).
void exec(const QString& component, sqlite3* db, const QString& sql);

class Statement {
public:
    Statement() = default;
    Statement(const QString& component, sqlite3* db, const QString& sql);

    bool valid() const { return stmt_ != nullptr; }

    void bind(int index, const QVariant& value);
    void bindInt64(int index, qint64 value);

    // True while a row is there; false when done. Raises on failure.
    bool step();
    void reset();

    qint64 int64(int column) const;
    QString text(int column) const;
    QVariant value(int column) const;

private:
    QString component_;
    sqlite3* db_ = nullptr;
    std::unique_ptr<sqlite3_stmt, StatementFinalizer> stmt_;
};

} // namespace px708::sql
