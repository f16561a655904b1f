#pragma once
// "Download table to Reader": rows of the current readings table go into the reader's memory,
// one upload record per command ("S" and the record, command state 31). The reader answers
// "SOK" when it has stored a record; the link hands that to this object through
// Flow::do_download, and the next row is sent: every row ("All"), the next flagged row
// ("Flagged only"), or none ("Single record"). "SNO" ends the upload in the link (error dialog,
// default cursor); the rows sent before it stay in the reader.
//
// The upload walks the table on a position of its own and reads the rows without moving the
// table's cursor, so the operator may go on browsing and editing while a long upload runs. A
// row the operator deletes meanwhile is skipped over correctly; a table closed or replaced by
// another one ends the upload at the next "SOK". A row being edited is sent with the values the
// operator sees; a new row not yet stored is not sent.
//
// The wait cursor shows from the first record until the upload ends; Labeldump counts the
// records the reader has taken ("<n> records sent") and shows "Upload completed (<n>)" at the
// end.
//
// Thread affinity: main thread only. The link and the table must outlive this object.

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>

namespace px708 {

class ReaderLink;
class Table;

// The items of rgselect.
enum class UploadChoice { All = 0, FlaggedOnly = 1, SingleRecord = 2 };

class TableUpload : public QObject {
public:
    using Clock = std::function<QDateTime()>;
    static constexpr int kState = 31;

    // Registers Flow::do_download with the link; the destructor removes it. now stands in for
    // an empty date or time of a row.
    TableUpload(ReaderLink& link, Table& readings, Clock now = &QDateTime::currentDateTime);
    ~TableUpload() override;
    TableUpload(const TableUpload&) = delete;
    TableUpload& operator=(const TableUpload&) = delete;

    // Button55Click, with the item of rgselect and the text of datalot2 (empty: each row's own
    // lot). Sets state 31 and clears the reply buffer, chooses the first row and sends it;
    // sends nothing when there is no row to send (an empty table, no flagged row). A row whose
    // record cannot be built, or a send the port refuses, ends the upload with the error
    // (ConvertError "'<text>' is not a valid integer value", "... is not a valid date", the
    // port's error) after the default cursor is restored.
    void start(UploadChoice choice, const QString& lot);

    // Sends the row at the upload's position as one upload record.
    void do_download();

    // "SOK" in state 31: the next row, or the end of the upload. Errors as for start().
    void recordStored();

    // The records the reader has taken in this upload.
    int stored() const { return stored_; }
    // The position of the row sent last; -1 before the first.
    int position() const { return pos_; }

private:
    // Rows stored in the table; a new row being inserted is not one yet.
    int storedRows() const;
    bool flaggedAt(int pos) const;
    // The first flagged row at from or after it; -1 when there is none.
    int nextFlagged(int from) const;
    bool tableStillOurs() const;
    void finish();
    void send(int pos);
    void rowsRemoved(int first, int last);

    ReaderLink& link_;
    Table& readings_;
    Clock now_;
    UploadChoice choice_ = UploadChoice::All;
    QString lot_;
    QString fileName_;
    bool active_ = false;
    int pos_ = -1;
    int stored_ = 0;
};

} // namespace px708
