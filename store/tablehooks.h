#pragma once
// Small types shared by the Table and the code that works beside its cursor.

namespace px708 {

// Where the cursor goes when rows are appended outside it (Table::appendRow, BulkAppend).
enum class AfterAppend {
    MoveToRow,  // to the last new row, as appending through the cursor leaves it
    KeepCursor, // stays on its row
};

// Text the operator typed for the current row that has not reached the row yet (a time being
// typed in the record panel). The table asks for it before anything moves its cursor, appends
// a row or starts a bulk operation, so that it is never dropped unseen.
class PendingText {
public:
    // Writes the pending text into the current row (starting its edit when needed). Must not
    // move the cursor. A text the field cannot take is reported to the operator by the
    // implementation (it cannot be stored); it does not stop the move.
    virtual void writePendingText() noexcept = 0;

protected:
    ~PendingText() = default;
};

} // namespace px708
