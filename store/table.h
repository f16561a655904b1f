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
// Rows are kept in stored order (rowid order); a new row goes to the end. The cursor stands on
// one row (recNo(), 0-based, -1 when the table is empty). edit() locks the table file for
// writing until post() or cancel(): another program that edits the same table meanwhile fails
// after a short busy wait with the engine's error ("tbld: database is locked"). post() is one
// transaction, on disk (write-ahead log, full synchronisation) when it returns. Moving the
// cursor while editing posts a modified row first and drops an unmodified edit.
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

#include <QObject>
#include <QString>
#include <QVariant>

#include <chrono>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace px708 {

class Database;

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

    // On an empty table edit() starts a new row (insert()).
    void edit();
    void insert();
    void append() { insert(); }
    // Stores the row being edited or inserted; does nothing in browse state.
    void post();
    // Drops the change of the row being edited or inserted.
    void cancel();
    // Deletes the current row (in insert state: cancels the new row).
    void remove();
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
    friend class Field;

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
    void checkBrowseMode();
    void beginWrite();
    void commitWrite();
    void rollbackQuietly() noexcept;
    void setState(State state);
    void setPos(int pos);
    const Row& cachedRow(int pos) const;
    std::optional<Row> readRow(qint64 rowid);
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
    std::vector<QString> columns_; // column name in the file for each field
    QString selectList_;
    mutable sql::Statement pageStmt_;

    State state_ = State::Inactive;
    std::vector<qint64> rowIds_;
    int pos_ = -1;
    int posBeforeInsert_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    bool writing_ = false;
    Row buffer_;
    std::vector<bool> assigned_;

    mutable std::vector<Page> pages_;
    mutable quint64 useCounter_ = 0;
    Row nullRow_;
};

} // namespace px708
