#include "transfer/tableexport.h"

#include "store/datesettings.h"
#include "store/field.h"
#include "store/storeerror.h"
#include "store/table.h"
#include "store/tablesnapshot.h"
#include "transfer/exportoutput.h"

#include <QFileInfo>
#include <QSaveFile>

namespace px708 {

namespace exporting {

void ExportOutput::encode() {
    if (text_.isEmpty())
        return;
    if (encoding_ == TextEncoding::Utf8) {
        const qsizetype start = bytes_.size();
        bytes_.resize(start + utf8_.requiredSpace(text_.size()));
        char* end = utf8_.appendToBuffer(bytes_.data() + start, text_);
        bytes_.resize(end - bytes_.data());
    } else {
        appendWindows1252(bytes_, text_);
    }
    text_.resize(0); // keeps the buffer
}

void ExportOutput::writeBytes() {
    // A disk that fills up in the middle of a block takes part of it without an error; the
    // write of the rest then fails with the system's reason ("No space left on device").
    qsizetype done = 0;
    while (done < bytes_.size()) {
        const qint64 n = device_.write(bytes_.constData() + done, bytes_.size() - done);
        if (n <= 0)
            throw TransferError(device_.errorString());
        done += n;
    }
    bytes_.resize(0);
}

} // namespace exporting

namespace {

// The rows of a table's snapshot as an export source: the grid's texts, and the values by the
// fields' kinds.
class SnapshotSource : public ExportSource {
public:
    explicit SnapshotSource(const TableSnapshot& snapshot) : snapshot_(snapshot) {}

    int rowCount() const override { return snapshot_.rowCount(); }
    QString cellText(int row, int column) const override {
        return snapshot_.displayText(row, column);
    }
    QVariant value(int row, int column) const override {
        const QVariant stored = snapshot_.storedValue(row, column);
        if (stored.isNull())
            return {};
        const Field& field = snapshot_.field(column);
        switch (field.kind()) {
        case FieldKind::Boolean: {
            const QString text = field.textOf(stored);
            if (text == QLatin1String("True"))
                return true;
            if (text == QLatin1String("False"))
                return false;
            return text;
        }
        case FieldKind::Date: {
            const QString s = stored.toString();
            QDate date = QDate::fromString(s, Qt::ISODate);
            if (!date.isValid())
                date = DateSettings::parseDate(s).value_or(QDate());
            return date.isValid() ? QVariant(date) : QVariant(field.textOf(stored));
        }
        case FieldKind::Time: {
            const QString s = stored.toString();
            QTime time = QTime::fromString(s, Qt::ISODate);
            if (!time.isValid())
                time = DateSettings::parseTime(s).value_or(QTime());
            return time.isValid() ? QVariant(time) : QVariant(field.textOf(stored));
        }
        case FieldKind::String:
        case FieldKind::Integer:
            break;
        }
        return field.textOf(stored);
    }

private:
    const TableSnapshot& snapshot_;
};

} // namespace

std::optional<ExportFormat> exportFormatOfItem(int item) {
    switch (item) {
    case 0:
        return ExportFormat::Csv;
    case 1:
        return ExportFormat::Html;
    case 2:
        return ExportFormat::Sylk;
    default:
        return std::nullopt;
    }
}

QString exportFileName(const QString& chosen, ExportFormat format) {
    switch (format) {
    case ExportFormat::Csv:
        return chosen + QStringLiteral(".csv");
    case ExportFormat::Html:
        return chosen + QStringLiteral(".htm");
    case ExportFormat::Sylk:
        return chosen + QStringLiteral(".xls");
    }
    return chosen;
}

void writeExport(QIODevice& device, const ExportSource& source,
                 const std::vector<ExportColumn>& columns, const ExportOptions& options,
                 const ExportProgressFn& progress) {
    using namespace exporting;
    const TextEncoding encoding =
        options.format == ExportFormat::Sylk ? TextEncoding::Windows1252 : TextEncoding::Utf8;
    ExportOutput out(device, encoding);
    switch (options.format) {
    case ExportFormat::Csv:
        writeCsv(out, source, columns, options.separator, progress);
        break;
    case ExportFormat::Html:
        writeHtml(out, source, columns, options, progress);
        break;
    case ExportFormat::Sylk:
        writeSylk(out, source, columns, options.appearance, progress);
        break;
    }
    out.flush();
}

void exportToFile(const ExportSource& source, const std::vector<ExportColumn>& columns,
                  const ExportOptions& options, const ExportProgressFn& progress) {
    const QString& name = options.fileName;
    QSaveFile file(name);
    // Unbuffered: the writers collect large blocks themselves, and every failing write then
    // reaches the file with the system's reason rather than a late flush without one.
    if (QFileInfo(name).isDir() || !file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const QString reason =
            QFileInfo(name).isDir() ? QStringLiteral("Is a directory") : file.errorString();
        throw TransferError(QStringLiteral("Cannot create file %1\n%2").arg(name, reason));
    }
    try {
        writeExport(file, source, columns, options, progress);
    } catch (const TransferError& e) {
        file.cancelWriting();
        throw TransferError(QStringLiteral("Cannot write file %1\n%2").arg(name, e.text()));
    } catch (const StoreError& e) {
        file.cancelWriting();
        throw TransferError(QStringLiteral("Cannot write file %1\n%2").arg(name, e.text()));
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        throw TransferError(
            QStringLiteral("Cannot write file %1\n%2").arg(name, file.errorString()));
}

std::vector<ExportColumn> readingsExportColumns(const Table& readings,
                                                const std::vector<int>& pixelWidths) {
    std::vector<ExportColumn> columns;
    for (int c = 0; c < readings.fieldCount(); ++c) {
        const Field& f = readings.field(c);
        const auto at = static_cast<std::size_t>(c);
        columns.push_back({f.displayName(), f.kind(), f.displayWidth(),
                           at < pixelWidths.size() ? pixelWidths[at] : 0});
    }
    return columns;
}

void exportReadingsTable(Table& readings, const std::vector<int>& pixelWidths,
                         const ExportOptions& options, const ExportProgressFn& progress) {
    readings.checkBrowseMode();
    const TableSnapshot snapshot(readings);
    const SnapshotSource source(snapshot);
    exportToFile(source, readingsExportColumns(readings, pixelWidths), options, progress);
}

} // namespace px708
