#pragma once
// A table of the store and its cursor: the settings table (tblc) and the readings table
// (tbld) are each one Table, opened on a file of the database folder by name.
//
// Opening binds the table's fields by name to the columns of the file's single table and
// fails with "Field '<name>' not found" or "Type mismatch for field '<name>', expecting:
// <type> actual: <type>" (each prefixed by the component's name and ": "). Shared use takes
// flock(LOCK_SH) on the file, exclusive use flock(LOCK_EX); neither waits, so a table that
// another program holds the other way fails to open at once.
//
// Rows are kept in stored order (key order); a new row goes to the end. A row is known by its
// key: the hidden integer primary key of the tables this program creates (RowKey, never a
// field, so never shown nor exported), which another program's VACUUM leaves as it is and
// which is never given to a second row; a table file made before it has the engine's row id
// instead. Editing and deleting act on the key and check that the row is still the one the
// operator sees, so a renumbered or reused row id never makes them touch another row.
//
// The cursor stands on one row (recNo(), 0-based, -1 when the table is empty). edit() takes no
// lock: it reads the row afresh and the operator may type for as long as he likes while other
// programs read, append and change other rows. post() is one short write transaction that
// reads the row again and stores the change only if nobody changed or deleted the row
// meanwhile; otherwise it refuses with DatabaseError ("the row was changed by another program
// ...") and the row stays in edit with the operator's values. cancel() drops the change and
// shows the row as it is stored now. Every post is on disk (write-ahead log, full
// synchronisation) when it returns. Moving the cursor while editing first asks the registered
// PendingText holders for the text still in their editors, then posts a modified row and drops
// an unmodified edit (checkBrowseMode()).
//
// Many rows at once go through BulkAppend (one transaction, the views told once); the
// exporters read through a TableSnapshot, which neither moves the cursor nor wakes the views.
//
// While inserting, the new row is shown at the end: recordCount() counts it and recNo() is
// its position until post() stores it or cancel() drops it.
//
// The grid reads rows by position through storedValue()/displayText() without moving the
// cursor. Opening reads the row ids only (8 bytes a row); rows are fetched in pages of 256 by
// row id and a few pages are cached, so a table of a million rows opens and scrolls at once.
// Rows another program adds or removes appear at the next refresh() or opening. A fetch can
// fail like any engine call (the file gone, a disk error): a model over the grid catches
// StoreError in data() and shows the cell empty.
//
// Every failure of the engine or the file raises DatabaseError; a value a field cannot take
// raises ConvertError. A failed post() leaves the row in edit or insert state with its values.
//
// Thread affinity: main thread only. The signals are emitted synchronously, "about to"
// signals before the change and the others after it, so a QAbstractItemModel can forward them.

#include "store/field.h"
#include "store/filelock.h"
#include "store/schemas.h"
#include "store/sqlitehandle.h"
#include "store/tablehooks.h"

#include <QObject>
#include <QString>
#include <QVariant>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace px708 {

class BulkAppend;
class Database;
class RowValues;
class TableSnapshot;

class Table : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };
    Q_ENUM(State)

    // How long an operation waits for a table that another program is writing.
    static constexpr std::chrono::milliseconds kBusyTimeout{500};
    static constexpr int kPageRows = 256;

    Table(Database& db, const QString& componentName, std::span<const FieldDef> fields,
          QObject* parent = nullptr);
    ~Table() override;

    const QString& componentName() const { return name_; }

    // File name within the database folder ("1data.db"); set while closed.
    void setFileName(const QString& fileName);
    const QString& fileName() const { return fileName_; }
    // Exclusive use for the next open; set while closed.
    void setExclusive(bool exclusive);
    bool exclusive() const { return exclusive_; }

    void open();
    // Drops an unposted change; does nothing when closed.
    void close();
    bool isOpen() const { return state_ != State::Inactive; }
    State state() const { return state_; }

    int fieldCount() const { return static_cast<int>(fields_.size()); }
    Field& field(int index) { return *fields_.at(static_cast<std::size_t>(index)); }
    const Field& field(int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
    // Raises DatabaseError "<component>: Field '<name>' not found".
    Field& fieldByName(QStringView name);
    const Field& fieldByName(QStringView name) const;
    Field* findField(QStringView name);

    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int recNo() const { return pos_; }
    // True when the table is empty, or after next() on the last row / last().
    bool eof() const { return eof_; }
    // True when the table is empty, or after first() / prior() on the first row.
    bool bof() const { return bof_; }

    void first();
    void next();
    void prior();
    void last();
    // Moves to the row at pos (clamped to the rows there are).
    void moveTo(int pos);

    // Writes the operator's pending text, then posts a modified row being edited or inserted
    // and drops an unmodified edit; every move does this first.
    void checkBrowseMode();

    // On an empty table edit() starts a new row (insert()). Raises DatabaseError "the row was
    // deleted by another program" when the row is gone, and "the row was changed by another
    // program: it is shown as it is now; ..." when it differs from what the views showed
    // (they are told of its new values; the next edit() goes ahead).
    void edit();
    void insert();
    void append() { insert(); }
    // Stores the row being edited or inserted; does nothing in browse state. Refuses a row that
    // another program changed or deleted since edit() (see above).
    void post();
    // Drops the change of the row being edited or inserted; an edited row is read afresh.
    void cancel();
    // Deletes the current row (in insert state: cancels the new row; in edit state: drops the
    // change first). Refuses, deleting nothing, when the stored row is no longer the one the
    // operator sees (changed or deleted by another program).
    void remove();
    // Appends one row outside the cursor as one durable transaction (on disk when it returns),
    // with the pending change posted first as append() would; the views hear of the new row
    // once. For rows that must be durable one by one, such as a download from the reader; a
    // whole batch goes through BulkAppend instead. Raises DatabaseError when the engine refuses
    // the row (nothing is stored then).
    void appendRow(const RowValues& row, AfterAppend after = AfterAppend::MoveToRow);
    // Removes every row; the table must be open for exclusive use.
    void empty();
    // Reads the row ids again, keeping the cursor on its row where it still exists.
    void refresh();
    // Sets a Boolean field in every row in one transaction, leaving the cursor on the last row.
    void setBooleanInAllRows(int fieldIndex, bool value);
    // True when a field was written since edit() or insert().
    bool modified() const;

    // The stored value of a field in the row at pos, without moving the cursor; the row being
    // edited or inserted shows its pending values. A row that another program deleted reads
    // as null.
    QVariant storedValue(int pos, int fieldIndex) const;
    QString displayText(int pos, int fieldIndex) const;

    // SQLite's integrity check of the open file ("ok" when sound).
    QString integrityCheck();

    // True when the open file has the hidden row key (a table made before it has not).
    bool hasRowKey() const { return keyColumn_ != QLatin1String("rowid"); }
    // True while a BulkAppend runs on the table.
    bool busy() const { return bulk_ != nullptr; }

    // Editors whose typed text the table asks for before its cursor moves (see PendingText).
    // A holder removes itself before it is destroyed.
    void addPendingText(PendingText* holder);
    void removePendingText(PendingText* holder);

signals:
    void stateChanged(px708::Table::State state);
    void currentRowChanged(int pos);
    // The shown values of rows first..last changed (last inclusive).
    void rowsChanged(int first, int last);
    void rowsAboutToBeAppended(int first, int last);
    void rowsAppended();
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved();
    void aboutToReset();
    void resetDone();

private:
    friend class BulkAppend;
    friend class Field;
    friend class TableSearch;
    friend class TableSnapshot;

    using Row = std::vector<QVariant>;
    struct Page {
        int index = -1;
        quint64 lastUse = 0;
        std::vector<Row> rows;
    };

    [[noreturn]] void fail(const QString& message) const;
    void requireOpen() const;
    void bindFields();
    std::vector<qint64> readRowIds() const;
    void refuseWhileBusy() const;
    void writePendingTexts() noexcept;
    void beginWrite();
    void commitWrite();
    void rollbackQuietly() noexcept;
    void setState(State state);
    void setPos(int pos);
    const Row& cachedRow(int pos) const;
    // Reads the rows at positions fromPos..lastPos (inclusive) into rows[0..]; a row that
    // another program deleted stays as it is in rows.
    void readRows(std::vector<Row>& rows, int fromPos, int lastPos) const;
    std::optional<Row> readRow(qint64 rowid);
    sql::Statement& insertStatement(std::uint64_t mask);
    // Runs the INSERT of the set values (the others keep the column's default); the new key.
    qint64 insertValues(const std::vector<QVariant>& values, std::uint64_t mask);
    // The views hear of rows appended outside the cursor (keys in the order appended).
    void takeAppendedKeys(const std::vector<qint64>& keys, AfterAppend after);
    // Moves the cursor to the row of key (or the next row after it), without posting.
    void moveToKey(qint64 key);
    // Reads the keys again after rows this program believed stored were rolled back.
    void reloadKeys() noexcept;
    void closeHandles() noexcept;
    void dropPagesFrom(int pos) const;
    void updateCachedRow(int pos, const Row& row) const;
    const QVariant& currentValue(int fieldIndex) const;
    void writeValue(int fieldIndex, const QVariant& stored);
    QString quoted(const QString& identifier) const;

    Database& db_;
    QString name_;
    std::vector<std::unique_ptr<Field>> fields_;
    QString fileName_;
    bool exclusive_ = false;

    TableFileLock lock_;
    sql::Connection conn_;
    QString tableName_;
    QString keyColumn_ = QStringLiteral("rowid"); // quoted key column, or rowid
    std::vector<QString> columns_;                // column name in the file for each field
    QString selectList_;
    mutable sql::Statement pageStmt_;
    std::map<std::uint64_t, sql::Statement> insertStmts_;
    sql::Statement beginStmt_;
    sql::Statement commitStmt_;

    State state_ = State::Inactive;
    std::vector<qint64> rowIds_;
    int pos_ = -1;
    int posBeforeInsert_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    bool writing_ = false;
    Row buffer_;
    Row original_; // the row as read by edit(), to find another program's change at post()
    std::vector<bool> assigned_;
    BulkAppend* bulk_ = nullptr;
    std::vector<PendingText*> pendingTexts_;

    mutable std::vector<Page> pages_;
    mutable quint64 useCounter_ = 0;
    Row nullRow_;
};

} // namespace px708
