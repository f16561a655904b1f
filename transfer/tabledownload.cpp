#include "transfer/tabledownload.h"

#include "link/readerlink.h"
#include "link/recordline.h"
#include "store/datesettings.h"
#include "store/rowvalues.h"
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

    // Each row is durable on its own as it comes: the line brings far fewer rows a second than
    // single durable appends reach.
    RowValues row(readings_);
    row.setText(readings::Date_, QString::fromLatin1(date));
    row.setText(readings::Time_, QString::fromLatin1(recordTime(r)));
    row.setText(readings::Lot, QString::fromLatin1(r.lot));
    row.setText(readings::tag, QString::fromLatin1(r.transponder));
    row.setText(readings::C_Code, QString::fromLatin1(r.country));
    row.setText(readings::Type, QString::fromLatin1(type));
    readings_.appendRow(row);
    // Counted once stored: the count shown never includes a row that is not on disk.
    ++count_;
    link_.view().setCaption("Labeldump", std::to_string(count_) + " records");
}

void TableDownload::completed() {
    link_.view().setCaption("Labeldump", "Download completed (" + std::to_string(count_) + ")");
}

} // namespace px708
