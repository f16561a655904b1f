#pragma once
// "Download to Database": the reader's stored readings of one lot or of all lots become rows
// of the current readings table. start() sends "N" with the lot in command state 30; the link
// then hands every record line to this object through Flow::tableRecord, and "NOK" through
// Flow::tableDownloadCompleted.
//
// Every record is its own durable post: a cable pulled or a program killed in the middle of a
// download keeps every row counted before it. The label Labeldump carries the count:
// "<n> records" while the rows come in, "Download completed (<n>)" at "NOK". A row is counted
// once its post has returned, so the count shown is never ahead of the table.
//
// Thread affinity: main thread only. The link and the table must outlive this object; the
// table is whichever readings table is open when a record arrives.

#include <string>
#include <string_view>

namespace px708 {

class ReaderLink;
class Table;

class TableDownload {
public:
    // Registers the two flows with the link; the destructor removes them.
    TableDownload(ReaderLink& link, Table& readings);
    ~TableDownload();
    TableDownload(const TableDownload&) = delete;
    TableDownload& operator=(const TableDownload&) = delete;

    // Button53Click after the lot edit was normalised: Labeldump emptied and the count set to
    // 0 first (before any port check), then state 30 and "N" followed by the first three
    // characters of lot (an empty lot asks for all lots). A send error goes to the caller.
    void start(std::string_view lot);

    // The rows stored by the current download.
    int count() const { return count_; }

    // One record line in state 30: the row is appended and posted, then counted and the count
    // shown. A row that cannot be stored is dropped from the edit buffer, is not counted, and
    // the store's error goes to the caller.
    void storeRecord(const std::string& line);
    // "NOK" in state 30.
    void completed();

private:
    ReaderLink& link_;
    Table& readings_;
    int count_ = 0;
};

} // namespace px708
