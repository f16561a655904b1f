#include "transfer/tabledownload.h"

#include "link/readerlink.h"
#include "link/recordline.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"

namespace px708 {

namespace {
constexpr std::int32_t kTableDownloadState = 30;
}

TableDownload::TableDownload(ReaderLink& link, Table& readings) : link_(link), readings_(readings) {
    link_.flows().set(Flow::tableRecord, [this](const std::string& line) { storeRecord(line); });
    link_.flows().set(Flow::tableDownloadCompleted, [this](const std::string&) { completed(); });
}

TableDownload::~TableDownload() {
    link_.flows().set(Flow::tableRecord, {});
    link_.flows().set(Flow::tableDownloadCompleted, {});
}

void TableDownload::start(std::string_view lot) {
    link_.view().setCaption("Labeldump", {});
    count_ = 0;
    link_.command(kTableDownloadState, "N" + std::string(lot.substr(0, 3)));
}

void TableDownload::storeRecord(const std::string& line) {
    const RecordLine r = decodeRecordLine(line);
    const std::string date =
        recordDate(r, DateSettings::dateOrder(), DateSettings::dateSeparator().toStdString());
    // The type name without its leading blank; the code 3 has no name and stores nothing.
    const std::string type = r.typeName == "3" ? std::string() : r.typeName.substr(1);

    Table& t = readings_;
    t.append();
    try {
        t.field(readings::Date_).setAsString(QString::fromLatin1(date));
        t.field(readings::Time_).setAsString(QString::fromLatin1(recordTime(r)));
        t.field(readings::Lot).setAsString(QString::fromLatin1(r.lot));
        t.field(readings::tag).setAsString(QString::fromLatin1(r.transponder));
        t.field(readings::C_Code).setAsString(QString::fromLatin1(r.country));
        t.field(readings::Type).setAsString(QString::fromLatin1(type));
        t.post();
    } catch (...) {
        // A row that cannot be stored is not left half made in the table's edit buffer.
        if (t.isOpen())
            t.cancel();
        throw;
    }
    // Counted once stored: the count shown never includes a row that is not on disk.
    ++count_;
    link_.view().setCaption("Labeldump", std::to_string(count_) + " records");
}

void TableDownload::completed() {
    link_.view().setCaption("Labeldump", "Download completed (" + std::to_string(count_) + ")");
}

} // namespace px708
