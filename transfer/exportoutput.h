#pragma once
// The writers' side of an export (internal to transfer/): text collected in a buffer,
// encoded and written to the device in blocks, and the three formats' writers.
//
// Thread affinity: that of the device.

#include "transfer/tableexport.h"
#include "transfer/textencoding.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringEncoder>

namespace px708::exporting {

class ExportOutput {
public:
    ExportOutput(QIODevice& device, TextEncoding encoding) : device_(device), encoding_(encoding) {
        text_.reserve(kTextBlock + 4096);
        bytes_.reserve(kByteBlock + 3 * (kTextBlock + 4096));
    }
    // Text to append to; call written() after each piece.
    QString& text() { return text_; }
    // The encoded bytes, for a writer that writes them itself: text collected so far is
    // encoded first. Call written() after each piece, as for text().
    QByteArray& bytes() {
        encode();
        return bytes_;
    }
    // Encodes the text collected once it fills a small block (which stays in the processor's
    // cache), and writes the bytes once they fill a large one.
    void written() {
        if (text_.size() >= kTextBlock)
            encode();
        if (bytes_.size() >= kByteBlock)
            writeBytes();
    }
    // Writes everything collected. Raises TransferError with the device's error when a write
    // fails.
    void flush() {
        encode();
        writeBytes();
    }

private:
    static constexpr qsizetype kTextBlock = 4 * 1024;
    static constexpr qsizetype kByteBlock = 256 * 1024;

    void encode();
    void writeBytes();

    QIODevice& device_;
    TextEncoding encoding_;
    QStringEncoder utf8_{QStringEncoder::Utf8};
    QString text_;
    QByteArray bytes_;
};

// The rows are written in order; progress as writeExport.
void writeCsv(ExportOutput& out, const ExportSource& source,
              const std::vector<ExportColumn>& columns, QChar separator,
              const ExportProgressFn& progress);
void writeHtml(ExportOutput& out, const ExportSource& source,
               const std::vector<ExportColumn>& columns, const ExportOptions& options,
               const ExportProgressFn& progress);
void writeSylk(ExportOutput& out, const ExportSource& source,
               const std::vector<ExportColumn>& columns, const ExportAppearance& appearance,
               const ExportProgressFn& progress);

// Runs progress every kTransferProgressLines rows and after the last.
class ProgressEvery {
public:
    ProgressEvery(const ExportProgressFn& progress, int total)
        : progress_(progress), total_(total) {}
    void rowDone(int written) {
        if (progress_ && (written % kEvery == 0 || written == total_))
            progress_(written, total_);
    }
    void finished() {
        if (progress_ && total_ == 0)
            progress_(0, 0);
    }

private:
    static constexpr int kEvery = 512;
    const ExportProgressFn& progress_;
    int total_;
};

} // namespace px708::exporting
