#include "store/table.h"

#include "store/bulkappend.h"
#include "store/database.h"
#include "store/rowvalues.h"
#include "store/storeerror.h"

#include <QStringList>

#include <algorithm>

namespace px708 {
namespace {

constexpr std::size_t kCachedPages = 16;
// A row's fields are told apart in a 64-bit mask (RowValues, the prepared INSERTs).
constexpr std::size_t kMaxFields = 64;

const QString kRowDeleted = QStringLiteral("the row was deleted by another program");
const QString kChangedNotStored =
    QStringLiteral("the row was changed by another program and your change was not stored: "
                   "cancel the edit to see the row as it is now");
const QString kDeletedNotStored =
    QStringLiteral("the row was deleted by another program and your change was not stored: "
                   "cancel the edit");
const QString kChangedNotDeleted =
    QStringLiteral("the row was changed by another program and was not deleted: "
                   "refresh to see the table as it is now");
const QString kChangedShownNow =
    QStringLiteral("the row was changed by another program: it is shown as it is now; "
                   "edit it again");
const QString kBusy =
    QStringLiteral("the table is busy with a transfer: try again when it has ended");

// The type a declared column type stands for, by SQLite's affinity rules and the names the
// store writes (BOOLEAN, DATE, TIME).
QString declaredKindName(const QString& declared) {
    const QString t = declared.trimmed().toUpper();
    if (t.contains(QLatin1String("BOOL")))
        return fieldKindName(FieldKind::Boolean);
    if (t.contains(QLatin1String("INT")))
        return fieldKindName(FieldKind::Integer);
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")))
        return fieldKindName(FieldKind::String);
    if (t == QLatin1String("DATETIME") || t == QLatin1String("TIMESTAMP"))
        return QStringLiteral("DateTime");
    if (t == QLatin1String("DATE"))
        return fieldKindName(FieldKind::Date);
    if (t == QLatin1String("TIME"))
        return fieldKindName(FieldKind::Time);
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")))
        return QStringLiteral("Float");
    if (t.isEmpty() || t.contains(QLatin1String("BLOB")))
        return QStringLiteral("Blob");
    return QStringLiteral("Unknown");
}

} // namespace

Table::Table(Database& db, const QString& componentName, std::span<const FieldDef> fields,
             QObject* parent)
    : QObject(parent), db_(db), name_(componentName) {
    int index = 0;
    for (const FieldDef& def : fields)
        fields_.push_back(std::unique_ptr<Field>(new Field(this, def, index++)));
    if (fields_.size() > kMaxFields)
        fail(QStringLiteral("a table of more than %1 fields").arg(kMaxFields));
    nullRow_.assign(fields_.size(), QVariant());
    pages_.reserve(kCachedPages);
}

Table::~Table() {
    if (bulk_)
        bulk_->endQuietly();
    try {
        close();
    } catch (...) {
        closeHandles();
    }
}

void Table::fail(const QString& message) const {
    throw DatabaseError(name_, message);
}

void Table::requireOpen() const {
    if (state_ == State::Inactive)
        fail(QStringLiteral("Cannot perform this operation on a closed table"));
}

void Table::setFileName(const QString& fileName) {
    if (isOpen())
        fail(QStringLiteral("Cannot change the file name of an open table"));
    fileName_ = fileName;
}

void Table::setExclusive(bool exclusive) {
    if (isOpen())
        fail(QStringLiteral("Cannot change the use of an open table"));
    exclusive_ = exclusive;
}

Field* Table::findField(QStringView name) {
    for (auto& f : fields_)
        if (f->fieldName().compare(name, Qt::CaseInsensitive) == 0)
            return f.get();
    return nullptr;
}

Field& Table::fieldByName(QStringView name) {
    if (Field* f = findField(name))
        return *f;
    fail(QStringLiteral("Field '%1' not found").arg(name));
}

const Field& Table::fieldByName(QStringView name) const {
    return const_cast<Table*>(this)->fieldByName(name);
}

QString Table::quoted(const QString& identifier) const {
    QString q = identifier;
    q.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + q + QLatin1Char('"');
}

void Table::closeHandles() noexcept {
    pageStmt_ = sql::Statement();
    insertStmts_.clear();
    beginStmt_ = sql::Statement();
    commitStmt_ = sql::Statement();
    // The connection goes before the file lock: see TableFileLock.
    conn_.reset();
    lock_.release();
    writing_ = false;
}

void Table::open() {
    if (isOpen())
        return;
    if (!db_.connected())
        fail(QStringLiteral("the database is not connected"));
    if (fileName_.isEmpty())
        fail(QStringLiteral("no table file name"));
    const QString path = db_.tablePath(fileName_);
    std::vector<qint64> loaded;
    try {
        lock_ = TableFileLock(
            name_, path, exclusive_ ? TableFileLock::Mode::Exclusive : TableFileLock::Mode::Shared);
        conn_ = sql::open(name_, path, false);
        sqlite3_busy_timeout(conn_.get(), static_cast<int>(kBusyTimeout.count()));
        {
            sql::Statement mode(name_, conn_.get(), QStringLiteral("PRAGMA journal_mode=WAL"));
            if (!mode.step() || mode.text(0).compare(QLatin1String("wal"), Qt::CaseInsensitive))
                fail(QStringLiteral("cannot keep a write-ahead log for %1").arg(path));
        }
        sql::exec(name_, conn_.get(), QStringLiteral("PRAGMA synchronous=FULL"));
        {
            sql::Statement tables(
                name_, conn_.get(),
                QStringLiteral("SELECT name FROM sqlite_schema WHERE type = "
                               "'table' AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'"));
            QStringList names;
            while (tables.step())
                names << tables.text(0);
            if (names.size() != 1)
                fail(names.isEmpty() ? QStringLiteral("%1 holds no table").arg(path)
                                     : QStringLiteral("%1 holds more than one table").arg(path));
            tableName_ = names.front();
        }
        bindFields();
        QStringList select{keyColumn_};
        for (const QString& c : columns_)
            select << quoted(c);
        selectList_ = select.join(QStringLiteral(", "));
        pageStmt_ = sql::Statement(name_, conn_.get(),
                                   QStringLiteral("SELECT %1 FROM %2 WHERE %3 BETWEEN ?1 AND ?2 "
                                                  "ORDER BY %3")
                                       .arg(selectList_, quoted(tableName_), keyColumn_));
        loaded = readRowIds();
    } catch (...) {
        closeHandles();
        throw;
    }
    emit aboutToReset();
    pages_.clear();
    rowIds_ = std::move(loaded);
    state_ = State::Browse;
    pos_ = rowIds_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = rowIds_.empty();
    emit resetDone();
    emit stateChanged(state_);
    emit currentRowChanged(pos_);
}

void Table::bindFields() {
    sql::Statement info(name_, conn_.get(),
                        QStringLiteral("PRAGMA table_info(%1)").arg(quoted(tableName_)));
    std::vector<std::pair<QString, QString>> columns; // name, declared type
    QStringList primaryKey;
    QString primaryKeyType;
    while (info.step()) {
        columns.emplace_back(info.text(1), info.text(2));
        if (info.int64(5) > 0) {
            primaryKey << info.text(1);
            primaryKeyType = info.text(2);
        }
    }
    // A single INTEGER PRIMARY KEY is the engine's row id under a name of its own, which
    // VACUUM keeps; without one the row id is all there is.
    keyColumn_ = primaryKey.size() == 1 &&
                         primaryKeyType.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0
                     ? quoted(primaryKey.front())
                     : QStringLiteral("rowid");
    columns_.clear();
    for (const auto& f : fields_) {
        auto it = std::find_if(columns.begin(), columns.end(), [&](const auto& c) {
            return c.first.compare(f->fieldName(), Qt::CaseInsensitive) == 0;
        });
        if (it == columns.end())
            fail(QStringLiteral("Field '%1' not found").arg(f->fieldName()));
        const QString expected = fieldKindName(f->kind());
        const QString actual = declaredKindName(it->second);
        if (expected != actual)
            fail(QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                     .arg(f->fieldName(), expected, actual));
        columns_.push_back(it->first);
    }
}

std::vector<qint64> Table::readRowIds() const {
    sql::Statement ids(
        name_, conn_.get(),
        QStringLiteral("SELECT %2 FROM %1 ORDER BY %2").arg(quoted(tableName_), keyColumn_));
    std::vector<qint64> loaded;
    loaded.reserve(rowIds_.size());
    while (ids.step())
        loaded.push_back(ids.int64(0));
    return loaded;
}

void Table::close() {
    if (!isOpen())
        return;
    if (bulk_)
        bulk_->endQuietly();
    if (state_ == State::Edit || state_ == State::Insert)
        cancel();
    emit aboutToReset();
    closeHandles();
    rowIds_.clear();
    rowIds_.shrink_to_fit();
    pages_.clear();
    state_ = State::Inactive;
    pos_ = -1;
    bof_ = eof_ = true;
    emit resetDone();
    emit stateChanged(state_);
    emit currentRowChanged(pos_);
}

int Table::recordCount() const {
    return static_cast<int>(rowIds_.size()) + (state_ == State::Insert ? 1 : 0);
}

void Table::setState(State state) {
    if (state_ == state)
        return;
    state_ = state;
    emit stateChanged(state_);
}

void Table::setPos(int pos) {
    const bool moved = pos != pos_;
    pos_ = pos;
    if (moved)
        emit currentRowChanged(pos_);
}

void Table::addPendingText(PendingText* holder) {
    if (std::find(pendingTexts_.begin(), pendingTexts_.end(), holder) == pendingTexts_.end())
        pendingTexts_.push_back(holder);
}

void Table::removePendingText(PendingText* holder) {
    std::erase(pendingTexts_, holder);
}

void Table::writePendingTexts() noexcept {
    // A copy: a holder may remove itself while it writes.
    const std::vector<PendingText*> holders = pendingTexts_;
    for (PendingText* holder : holders)
        holder->writePendingText();
}

void Table::refuseWhileBusy() const {
    if (bulk_)
        fail(kBusy);
}

void Table::checkBrowseMode() {
    requireOpen();
    writePendingTexts();
    if (state_ == State::Edit || state_ == State::Insert) {
        if (modified())
            post();
        else
            cancel();
    }
}

void Table::first() {
    checkBrowseMode();
    setPos(rowIds_.empty() ? -1 : 0);
    bof_ = true;
    eof_ = rowIds_.empty();
}

void Table::last() {
    checkBrowseMode();
    setPos(static_cast<int>(rowIds_.size()) - 1);
    eof_ = true;
    bof_ = rowIds_.empty();
}

void Table::next() {
    checkBrowseMode();
    if (pos_ + 1 < static_cast<int>(rowIds_.size())) {
        setPos(pos_ + 1);
        eof_ = false;
    } else {
        eof_ = true;
    }
    bof_ = rowIds_.empty();
}

void Table::prior() {
    checkBrowseMode();
    if (pos_ > 0) {
        setPos(pos_ - 1);
        bof_ = false;
    } else {
        bof_ = true;
    }
    eof_ = rowIds_.empty();
}

void Table::moveTo(int pos) {
    checkBrowseMode();
    if (rowIds_.empty()) {
        setPos(-1);
        bof_ = eof_ = true;
        return;
    }
    setPos(std::clamp(pos, 0, static_cast<int>(rowIds_.size()) - 1));
    bof_ = eof_ = false;
}

void Table::beginWrite() {
    if (writing_)
        return;
    // Prepared once: a download begins and commits a transaction for every row.
    if (!beginStmt_.valid())
        beginStmt_ = sql::Statement(name_, conn_.get(), QStringLiteral("BEGIN IMMEDIATE"));
    beginStmt_.step();
    beginStmt_.reset();
    writing_ = true;
}

void Table::commitWrite() {
    if (!commitStmt_.valid())
        commitStmt_ = sql::Statement(name_, conn_.get(), QStringLiteral("COMMIT"));
    commitStmt_.step();
    commitStmt_.reset();
    writing_ = false;
}

void Table::rollbackQuietly() noexcept {
    if (conn_ && sqlite3_get_autocommit(conn_.get()) == 0)
        sqlite3_exec(conn_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    writing_ = false;
}

std::optional<Table::Row> Table::readRow(qint64 rowid) {
    pageStmt_.reset();
    pageStmt_.bindInt64(1, rowid);
    pageStmt_.bindInt64(2, rowid);
    std::optional<Row> row;
    try {
        if (pageStmt_.step()) {
            row.emplace(fields_.size());
            for (std::size_t i = 0; i < fields_.size(); ++i)
                (*row)[i] = pageStmt_.value(static_cast<int>(i) + 1);
        }
    } catch (...) {
        pageStmt_.reset();
        throw;
    }
    pageStmt_.reset();
    return row;
}

void Table::readRows(std::vector<Row>& rows, int fromPos, int lastPos) const {
    pageStmt_.reset();
    pageStmt_.bindInt64(1, rowIds_[static_cast<std::size_t>(fromPos)]);
    pageStmt_.bindInt64(2, rowIds_[static_cast<std::size_t>(lastPos)]);
    try {
        int j = fromPos;
        while (j <= lastPos && pageStmt_.step()) {
            const qint64 key = pageStmt_.int64(0);
            while (j <= lastPos && rowIds_[static_cast<std::size_t>(j)] < key)
                ++j;
            if (j <= lastPos && rowIds_[static_cast<std::size_t>(j)] == key) {
                Row& row = rows[static_cast<std::size_t>(j - fromPos)];
                for (std::size_t i = 0; i < fields_.size(); ++i)
                    row[i] = pageStmt_.value(static_cast<int>(i) + 1);
                ++j;
            }
        }
    } catch (...) {
        pageStmt_.reset();
        throw;
    }
    pageStmt_.reset();
}

const Table::Row& Table::cachedRow(int pos) const {
    const int pageIndex = pos / kPageRows;
    const int offset = pos - pageIndex * kPageRows;
    const int firstPos = pageIndex * kPageRows;
    const int lastPos = std::min(static_cast<int>(rowIds_.size()), firstPos + kPageRows) - 1;
    auto slot = std::find_if(pages_.begin(), pages_.end(),
                             [&](const Page& p) { return p.index == pageIndex; });
    if (slot != pages_.end()) {
        slot->lastUse = ++useCounter_;
        if (offset < static_cast<int>(slot->rows.size()))
            return slot->rows[static_cast<std::size_t>(offset)];
        // Rows were appended to a short last page: read the new ones only, so that a download
        // showing each new row costs one row's read, not a page's.
        const int from = firstPos + static_cast<int>(slot->rows.size());
        std::vector<Row> more(static_cast<std::size_t>(lastPos - from + 1), nullRow_);
        readRows(more, from, lastPos);
        slot->rows.insert(slot->rows.end(), std::make_move_iterator(more.begin()),
                          std::make_move_iterator(more.end()));
        return slot->rows[static_cast<std::size_t>(offset)];
    }
    Page page;
    page.index = pageIndex;
    page.lastUse = ++useCounter_;
    page.rows.assign(static_cast<std::size_t>(lastPos - firstPos + 1), nullRow_);
    readRows(page.rows, firstPos, lastPos);
    if (pages_.size() >= kCachedPages) {
        slot = std::min_element(pages_.begin(), pages_.end(),
                                [](const Page& a, const Page& b) { return a.lastUse < b.lastUse; });
        *slot = std::move(page);
    } else {
        pages_.push_back(std::move(page));
        slot = pages_.end() - 1;
    }
    return slot->rows[static_cast<std::size_t>(offset)];
}

void Table::dropPagesFrom(int pos) const {
    const int pageIndex = pos / kPageRows;
    std::erase_if(pages_, [&](const Page& p) { return p.index >= pageIndex; });
}

void Table::updateCachedRow(int pos, const Row& row) const {
    const int pageIndex = pos / kPageRows;
    const auto offset = static_cast<std::size_t>(pos - pageIndex * kPageRows);
    for (Page& p : pages_)
        if (p.index == pageIndex && offset < p.rows.size())
            p.rows[offset] = row;
}

const QVariant& Table::currentValue(int fieldIndex) const {
    requireOpen();
    const auto i = static_cast<std::size_t>(fieldIndex);
    if (state_ == State::Edit || state_ == State::Insert)
        return buffer_.at(i);
    if (pos_ < 0)
        return nullRow_.at(i);
    return cachedRow(pos_).at(i);
}

void Table::writeValue(int fieldIndex, const QVariant& stored) {
    requireOpen();
    if (state_ != State::Edit && state_ != State::Insert)
        fail(QStringLiteral("Table is not in edit or insert mode"));
    const auto i = static_cast<std::size_t>(fieldIndex);
    buffer_.at(i) = stored;
    assigned_.at(i) = true;
    emit rowsChanged(pos_, pos_);
}

bool Table::modified() const {
    return std::find(assigned_.begin(), assigned_.end(), true) != assigned_.end();
}

QVariant Table::storedValue(int pos, int fieldIndex) const {
    requireOpen();
    const auto i = static_cast<std::size_t>(fieldIndex);
    if ((state_ == State::Edit || state_ == State::Insert) && pos == pos_)
        return buffer_.at(i);
    if (pos < 0 || pos >= static_cast<int>(rowIds_.size()))
        return {};
    return cachedRow(pos).at(i);
}

QString Table::displayText(int pos, int fieldIndex) const {
    return field(fieldIndex).textOf(storedValue(pos, fieldIndex));
}

void Table::edit() {
    requireOpen();
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    refuseWhileBusy();
    if (rowIds_.empty()) {
        insert();
        return;
    }
    // No lock is taken: the row is read as it is now, and post() checks that nobody changed
    // it meanwhile.
    const Row shown = cachedRow(pos_);
    std::optional<Row> fresh = readRow(rowIds_[static_cast<std::size_t>(pos_)]);
    if (!fresh)
        fail(kRowDeleted);
    if (*fresh != shown) {
        // The operator would type into values he has not seen (or, where VACUUM renumbered a
        // table without the row key, into another row): show the row first.
        updateCachedRow(pos_, *fresh);
        emit rowsChanged(pos_, pos_);
        fail(kChangedShownNow);
    }
    original_ = *fresh;
    buffer_ = std::move(*fresh);
    assigned_.assign(fields_.size(), false);
    setState(State::Edit);
    emit rowsChanged(pos_, pos_);
}

void Table::insert() {
    checkBrowseMode();
    refuseWhileBusy();
    buffer_.assign(fields_.size(), QVariant());
    assigned_.assign(fields_.size(), false);
    posBeforeInsert_ = pos_;
    const int newPos = static_cast<int>(rowIds_.size());
    emit rowsAboutToBeAppended(newPos, newPos);
    state_ = State::Insert;
    pos_ = newPos;
    bof_ = eof_ = false;
    emit rowsAppended();
    emit stateChanged(state_);
    emit currentRowChanged(pos_);
}

sql::Statement& Table::insertStatement(std::uint64_t mask) {
    auto it = insertStmts_.find(mask);
    if (it != insertStmts_.end())
        return it->second;
    QString sql;
    if (mask == 0) {
        sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(tableName_));
    } else {
        QStringList names, marks;
        for (std::size_t i = 0; i < fields_.size(); ++i) {
            if ((mask >> i) & 1U) {
                names << quoted(columns_[i]);
                marks << QStringLiteral("?");
            }
        }
        sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quoted(tableName_), names.join(QStringLiteral(", ")),
                       marks.join(QStringLiteral(", ")));
    }
    return insertStmts_.emplace(mask, sql::Statement(name_, conn_.get(), sql)).first->second;
}

qint64 Table::insertValues(const std::vector<QVariant>& values, std::uint64_t mask) {
    sql::Statement& insertRow = insertStatement(mask);
    try {
        int n = 1;
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if ((mask >> i) & 1U)
                insertRow.bind(n++, values[i]);
        insertRow.step();
    } catch (...) {
        insertRow.reset();
        throw;
    }
    insertRow.reset();
    return sqlite3_last_insert_rowid(conn_.get());
}

void Table::post() {
    requireOpen();
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    refuseWhileBusy();
    std::vector<std::size_t> changed;
    std::uint64_t mask = 0;
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        if (assigned_[i]) {
            changed.push_back(i);
            mask |= std::uint64_t{1} << i;
        }
    }
    if (state_ == State::Edit && changed.empty()) {
        setState(State::Browse);
        emit rowsChanged(pos_, pos_);
        return;
    }
    beginWrite();
    qint64 newRowId = 0;
    try {
        if (state_ == State::Edit) {
            const qint64 key = rowIds_[static_cast<std::size_t>(pos_)];
            // Read under the write lock: the row must still be the one the operator edited.
            const std::optional<Row> stored = readRow(key);
            if (!stored)
                fail(kDeletedNotStored);
            if (*stored != original_)
                fail(kChangedNotStored);
            QStringList sets;
            for (std::size_t i : changed)
                sets << quoted(columns_[i]) + QStringLiteral(" = ?");
            sql::Statement update(
                name_, conn_.get(),
                QStringLiteral("UPDATE %1 SET %2 WHERE %3 = ?")
                    .arg(quoted(tableName_), sets.join(QStringLiteral(", ")), keyColumn_));
            int n = 1;
            for (std::size_t i : changed)
                update.bind(n++, buffer_[i]);
            update.bindInt64(n, key);
            update.step();
        } else {
            newRowId = insertValues(buffer_, mask);
        }
        commitWrite();
    } catch (...) {
        rollbackQuietly();
        throw;
    }

    if (state_ == State::Edit) {
        updateCachedRow(pos_, buffer_);
        setState(State::Browse);
        emit rowsChanged(pos_, pos_);
        return;
    }
    if (rowIds_.empty() || newRowId > rowIds_.back()) {
        rowIds_.push_back(newRowId);
        setState(State::Browse);
        emit rowsChanged(pos_, pos_);
        return;
    }
    // Another program removed rows at the end of a table without the row key, so the engine
    // reused a row id: read the ids again to keep stored order.
    std::vector<qint64> reloaded;
    try {
        reloaded = readRowIds();
    } catch (...) {
        reloaded = rowIds_;
        reloaded.push_back(newRowId);
        std::sort(reloaded.begin(), reloaded.end());
    }
    emit aboutToReset();
    state_ = State::Browse;
    rowIds_ = std::move(reloaded);
    pages_.clear();
    const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), newRowId);
    pos_ = static_cast<int>(it - rowIds_.begin());
    emit resetDone();
    emit stateChanged(state_);
    emit currentRowChanged(pos_);
}

void Table::cancel() {
    requireOpen();
    if (state_ == State::Edit) {
        rollbackQuietly();
        setState(State::Browse);
        // Show the row as it is stored now: after a refused post it is another program's, or
        // gone.
        std::optional<Row> fresh;
        try {
            fresh = readRow(rowIds_[static_cast<std::size_t>(pos_)]);
        } catch (const StoreError&) {
            // The cached values stay; the next read reports the failure.
            emit rowsChanged(pos_, pos_);
            return;
        }
        if (fresh) {
            updateCachedRow(pos_, *fresh);
            emit rowsChanged(pos_, pos_);
            return;
        }
        const int removed = pos_;
        emit rowsAboutToBeRemoved(removed, removed);
        rowIds_.erase(rowIds_.begin() + removed);
        dropPagesFrom(removed);
        pos_ = rowIds_.empty() ? -1 : std::min(removed, static_cast<int>(rowIds_.size()) - 1);
        bof_ = eof_ = rowIds_.empty();
        emit rowsRemoved();
        emit currentRowChanged(pos_);
    } else if (state_ == State::Insert) {
        rollbackQuietly();
        const int pending = pos_;
        emit rowsAboutToBeRemoved(pending, pending);
        state_ = State::Browse;
        pos_ = rowIds_.empty()
                   ? -1
                   : std::clamp(posBeforeInsert_, 0, static_cast<int>(rowIds_.size()) - 1);
        bof_ = eof_ = rowIds_.empty();
        emit rowsRemoved();
        emit stateChanged(state_);
        emit currentRowChanged(pos_);
    }
}

void Table::remove() {
    requireOpen();
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    refuseWhileBusy();
    if (rowIds_.empty())
        fail(QStringLiteral("Cannot perform this operation on an empty table"));
    // The row the operator sees: the one read when the edit began, else the one shown.
    const Row seen = state_ == State::Edit ? original_ : cachedRow(pos_);
    const qint64 key = rowIds_[static_cast<std::size_t>(pos_)];
    beginWrite();
    try {
        const std::optional<Row> stored = readRow(key);
        if (!stored)
            fail(kRowDeleted);
        if (*stored != seen)
            fail(kChangedNotDeleted);
        sql::Statement del(
            name_, conn_.get(),
            QStringLiteral("DELETE FROM %1 WHERE %2 = ?").arg(quoted(tableName_), keyColumn_));
        del.bindInt64(1, key);
        del.step();
        commitWrite();
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    const int removed = pos_;
    emit rowsAboutToBeRemoved(removed, removed);
    rowIds_.erase(rowIds_.begin() + removed);
    dropPagesFrom(removed);
    state_ = State::Browse;
    pos_ = rowIds_.empty() ? -1 : std::min(removed, static_cast<int>(rowIds_.size()) - 1);
    bof_ = eof_ = rowIds_.empty();
    emit rowsRemoved();
    emit stateChanged(state_);
    emit currentRowChanged(pos_);
}

void Table::appendRow(const RowValues& row, AfterAppend after) {
    if (&row.table() != this)
        fail(QStringLiteral("the row's values belong to another table"));
    checkBrowseMode();
    refuseWhileBusy();
    beginWrite();
    qint64 key = 0;
    try {
        key = insertValues(row.storedValues(), row.setMask());
        commitWrite();
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    takeAppendedKeys({key}, after);
}

void Table::takeAppendedKeys(const std::vector<qint64>& keys, AfterAppend after) {
    if (keys.empty())
        return;
    if (rowIds_.empty() || keys.front() > rowIds_.back()) {
        const int first = static_cast<int>(rowIds_.size());
        const int last = first + static_cast<int>(keys.size()) - 1;
        emit rowsAboutToBeAppended(first, last);
        // The cached pages stay good: a short last page reads the new rows when asked.
        rowIds_.insert(rowIds_.end(), keys.begin(), keys.end());
        emit rowsAppended();
    } else {
        // Another program removed rows at the end of a table without the row key and the
        // engine reused their ids: read the ids again to keep stored order.
        const qint64 current = pos_ >= 0 ? rowIds_[static_cast<std::size_t>(pos_)] : -1;
        std::vector<qint64> reloaded;
        try {
            reloaded = readRowIds();
        } catch (...) {
            reloaded = rowIds_;
            reloaded.insert(reloaded.end(), keys.begin(), keys.end());
            std::sort(reloaded.begin(), reloaded.end());
        }
        emit aboutToReset();
        rowIds_ = std::move(reloaded);
        pages_.clear();
        const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), current);
        pos_ =
            std::min(static_cast<int>(it - rowIds_.begin()), static_cast<int>(rowIds_.size()) - 1);
        emit resetDone();
        emit currentRowChanged(pos_);
    }
    if (after == AfterAppend::MoveToRow) {
        moveToKey(keys.back());
    } else if (pos_ < 0) {
        setPos(0);
        bof_ = eof_ = false;
    }
}

void Table::moveToKey(qint64 key) {
    if (rowIds_.empty())
        return;
    const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), key);
    setPos(std::min(static_cast<int>(it - rowIds_.begin()), static_cast<int>(rowIds_.size()) - 1));
    bof_ = eof_ = false;
}

void Table::reloadKeys() noexcept {
    std::vector<qint64> reloaded;
    try {
        reloaded = readRowIds();
    } catch (...) {
        // The file cannot be read: keep the keys; the next operation reports the failure.
        return;
    }
    const qint64 current = pos_ >= 0 ? rowIds_[static_cast<std::size_t>(pos_)] : -1;
    emit aboutToReset();
    rowIds_ = std::move(reloaded);
    pages_.clear();
    if (rowIds_.empty()) {
        pos_ = -1;
    } else {
        const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), current);
        pos_ =
            std::min(static_cast<int>(it - rowIds_.begin()), static_cast<int>(rowIds_.size()) - 1);
    }
    bof_ = eof_ = rowIds_.empty();
    emit resetDone();
    emit currentRowChanged(pos_);
}

void Table::empty() {
    requireOpen();
    refuseWhileBusy();
    if (!exclusive_)
        fail(QStringLiteral("the table must be open for exclusive use to be emptied"));
    if (state_ == State::Edit || state_ == State::Insert)
        cancel();
    beginWrite();
    try {
        sql::exec(name_, conn_.get(), QStringLiteral("DELETE FROM %1").arg(quoted(tableName_)));
        commitWrite();
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    emit aboutToReset();
    rowIds_.clear();
    pages_.clear();
    pos_ = -1;
    bof_ = eof_ = true;
    emit resetDone();
    emit currentRowChanged(pos_);
}

void Table::refresh() {
    checkBrowseMode();
    refuseWhileBusy();
    const qint64 current = pos_ >= 0 ? rowIds_[static_cast<std::size_t>(pos_)] : -1;
    std::vector<qint64> reloaded = readRowIds();
    emit aboutToReset();
    rowIds_ = std::move(reloaded);
    pages_.clear();
    if (rowIds_.empty()) {
        pos_ = -1;
    } else {
        const auto it = std::lower_bound(rowIds_.begin(), rowIds_.end(), current);
        pos_ =
            std::min(static_cast<int>(it - rowIds_.begin()), static_cast<int>(rowIds_.size()) - 1);
    }
    bof_ = eof_ = rowIds_.empty();
    emit resetDone();
    emit currentRowChanged(pos_);
}

void Table::setBooleanInAllRows(int fieldIndex, bool value) {
    checkBrowseMode();
    refuseWhileBusy();
    const Field& f = field(fieldIndex);
    if (f.kind() != FieldKind::Boolean)
        fail(QStringLiteral("Field '%1' is not a Boolean field").arg(f.fieldName()));
    beginWrite();
    try {
        sql::Statement update(
            name_, conn_.get(),
            QStringLiteral("UPDATE %1 SET %2 = ?")
                .arg(quoted(tableName_), quoted(columns_[static_cast<std::size_t>(fieldIndex)])));
        update.bindInt64(1, value ? 1 : 0);
        update.step();
        commitWrite();
    } catch (...) {
        rollbackQuietly();
        throw;
    }
    pages_.clear();
    if (!rowIds_.empty())
        emit rowsChanged(0, static_cast<int>(rowIds_.size()) - 1);
    last();
}

QString Table::integrityCheck() {
    requireOpen();
    sql::Statement check(name_, conn_.get(), QStringLiteral("PRAGMA integrity_check"));
    QStringList lines;
    while (check.step())
        lines << check.text(0);
    return lines.join(QLatin1Char('\n'));
}

} // namespace px708
