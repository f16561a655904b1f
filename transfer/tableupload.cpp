#include "transfer/tableupload.h"

#include "link/readerlink.h"
#include "store/schemas.h"
#include "store/table.h"
#include "transfer/uploadrecord.h"

namespace px708 {

TableUpload::TableUpload(ReaderLink& link, Table& readings, Clock now)
    : link_(link), readings_(readings), now_(std::move(now)) {
    link_.flows().set(Flow::do_download, [this](const std::string&) { recordStored(); });
    connect(&readings_, &Table::rowsAboutToBeRemoved, this,
            [this](int first, int last) { rowsRemoved(first, last); });
}

TableUpload::~TableUpload() {
    link_.flows().set(Flow::do_download, {});
}

int TableUpload::storedRows() const {
    if (!readings_.isOpen())
        return 0;
    const int n = readings_.recordCount();
    return readings_.state() == Table::State::Insert ? n - 1 : n;
}

bool TableUpload::flaggedAt(int pos) const {
    const Field& flagged = readings_.field(readings::Flagged);
    return flagged.textOf(readings_.storedValue(pos, readings::Flagged)) == u"True";
}

int TableUpload::nextFlagged(int from) const {
    const int rows = storedRows();
    for (int pos = from; pos < rows; ++pos)
        if (flaggedAt(pos))
            return pos;
    return -1;
}

bool TableUpload::tableStillOurs() const {
    return readings_.isOpen() && readings_.fileName() == fileName_;
}

void TableUpload::rowsRemoved(int first, int last) {
    if (!active_ || pos_ < first)
        return;
    // The row sent last is gone, or rows before it: the walk goes on from the row that now
    // stands where the next one stood.
    pos_ = pos_ > last ? pos_ - (last - first + 1) : first - 1;
}

void TableUpload::start(UploadChoice choice, const QString& lot) {
    if (!link_.activeport())
        return;
    link_.setState(kState);
    link_.clearReplyBuffer();
    choice_ = choice;
    lot_ = lot;
    fileName_ = readings_.fileName();
    stored_ = 0;
    active_ = false;
    pos_ = -1;
    link_.view().setCaption("Labeldump", {});

    int first = -1;
    switch (choice) {
    case UploadChoice::All:
        // An empty table has nothing to send, and that is no error.
        first = storedRows() > 0 ? 0 : -1;
        break;
    case UploadChoice::FlaggedOnly:
        first = nextFlagged(0);
        break;
    case UploadChoice::SingleRecord:
        first = readings_.isOpen() && readings_.recNo() < storedRows() ? readings_.recNo() : -1;
        break;
    }
    if (first < 0)
        return;
    active_ = true;
    pos_ = first;
    do_download();
}

void TableUpload::do_download() {
    send(pos_);
}

void TableUpload::send(int pos) {
    link_.view().setWaitCursor();
    link_.setState(kState);
    try {
        const UploadRow row{
            readings_.storedValue(pos, readings::C_Code), readings_.storedValue(pos, readings::tag),
            readings_.storedValue(pos, readings::Lot), readings_.storedValue(pos, readings::Date_),
            readings_.storedValue(pos, readings::Time_)};
        link_.sendit(uploadCommand(tableUploadRecord(row, lot_, now_())));
    } catch (...) {
        active_ = false;
        link_.view().restoreCursor();
        throw;
    }
}

void TableUpload::recordStored() {
    if (!active_) {
        link_.view().restoreCursor();
        return;
    }
    ++stored_;
    link_.view().setCaption("Labeldump", std::to_string(stored_) + " records sent");
    if (choice_ == UploadChoice::SingleRecord || !tableStillOurs()) {
        finish();
        return;
    }
    int next = pos_ + 1;
    if (choice_ == UploadChoice::FlaggedOnly)
        next = nextFlagged(next);
    if (next < 0 || next >= storedRows()) {
        finish();
        return;
    }
    pos_ = next;
    do_download();
}

void TableUpload::finish() {
    active_ = false;
    link_.view().restoreCursor();
    link_.view().setCaption("Labeldump", "Upload completed (" + std::to_string(stored_) + ")");
}

} // namespace px708
