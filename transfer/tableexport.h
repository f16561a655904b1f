#pragma once
// "Export Table" of the Data page: the whole current readings table, as the grid shows it,
// written as character-separated text (CSV), an HTML table or a spreadsheet in the symbolic
// link format (SYLK).
//
// The columns, their order, titles and widths and the text of each cell are the grid's. CSV
// and HTML are written in UTF-8 (the HTML declares it in its head), SYLK in Windows-1252 with
// "?" for a character outside it; no byte-order mark. CSV doubles a double quote inside a
// value and keeps a line break inside the value's quotes (the CSV import and spreadsheets both
// read such a value back whole). HTML escapes "&", "<", ">" and '"' in titles and cells.
//
// Every export writes to a temporary file beside the target and puts it in the target's place
// only when it is complete, so a failed export (a folder that cannot be written, a full disk)
// leaves whatever file was there as it was.
//
// Thread affinity: main thread (the table's).

#include "store/schemas.h"
#include "transfer/transfererror.h"

#include <QChar>
#include <QString>
#include <QVariant>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

namespace px708 {

class Table;

enum class ExportFormat { Csv, Html, Sylk };

// The format of an item of the radio group "Export as" (rgcsv): 0 CSV, 1 HTML, 2 SYLK.
std::optional<ExportFormat> exportFormatOfItem(int item);

// The chosen name followed by ".csv", ".htm" or ".xls", whatever it already ends with.
QString exportFileName(const QString& chosen, ExportFormat format);

struct ExportColumn {
    QString title; // the grid's title ("~" breaks it: a blank in CSV, a line in HTML)
    FieldKind kind = FieldKind::String;
    int widthChars = 0;  // the grid's width in characters (SYLK)
    int widthPixels = 0; // the width on the screen (HTML)
};

// Colours as 0xRRGGBB.
struct ExportAppearance {
    QString fontName = QStringLiteral("Sans Serif");
    int fontPoints = 8;
    quint32 fontColour = 0x000000;  // the system's window-text colour
    quint32 gridColour = 0xFFFFFF;  // the system's window colour
    quint32 titleColour = 0xF0F0F0; // the system's button-face colour
};

// The rows to export, read by position (0-based).
class ExportSource {
public:
    virtual int rowCount() const = 0;
    // The grid's text of a cell: a Date_ in the short date pattern, a Time_ as "HH:mm:ss",
    // a Boolean "True" or "False", an empty field the empty text.
    virtual QString cellText(int row, int column) const = 0;
    // The cell's value: null when the field is empty, otherwise a QDate, QTime or bool for a
    // Date, Time or Boolean column, and a QString for the rest and for a stored text that does
    // not read as its column's kind.
    virtual QVariant value(int row, int column) const = 0;

protected:
    ~ExportSource() = default;
};

struct ExportOptions {
    ExportFormat format = ExportFormat::Csv;
    QChar separator;  // CSV only
    QString fileName; // the full name of the file written (the HTML title)
    ExportAppearance appearance;
};

// progress(rowsWritten, rowsTotal) runs every kTransferProgressLines rows and at the end.
using ExportProgressFn = std::function<void(int rowsWritten, int rowsTotal)>;

// Writes the export to an open device. Raises TransferError with the device's error when a
// write fails.
void writeExport(QIODevice& device, const ExportSource& source,
                 const std::vector<ExportColumn>& columns, const ExportOptions& options,
                 const ExportProgressFn& progress = {});

// Writes the export to options.fileName through a temporary file. Raises TransferError:
// "Cannot create file <name>" or "Cannot write file <name>", each with the system's reason on
// a second line; the file that was there stays as it was.
void exportToFile(const ExportSource& source, const std::vector<ExportColumn>& columns,
                  const ExportOptions& options, const ExportProgressFn& progress = {});

// The columns of a readings table as the grid shows them: the fields' display names and
// widths, and the given pixel widths (missing ones count as 0).
std::vector<ExportColumn> readingsExportColumns(const Table& readings,
                                                const std::vector<int>& pixelWidths);

// Exports every row of the readings table as stored when the export starts, without moving
// its cursor or waking its views (rows another program writes meanwhile are not in the file).
// A change of the current row not yet stored is stored first, as leaving the row would.
// Raises TransferError as exportToFile, and DatabaseError when the table is closed or cannot
// be read (nothing is written then).
void exportReadingsTable(Table& readings, const std::vector<int>& pixelWidths,
                         const ExportOptions& options, const ExportProgressFn& progress = {});

} // namespace px708
