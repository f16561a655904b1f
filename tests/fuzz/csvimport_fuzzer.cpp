// CSV import files of any kind: the character set taken, the records and the lines split into
// their values, and the Windows-1252 conversion both ways. The first byte picks the separator.

#include "transfer/csvimport.h"
#include "transfer/textencoding.h"

#include <QByteArrayView>

#include <cstdint>
#include <cstdlib>

namespace {

class CheckingSink : public px708::CsvImportSink {
public:
    void append(const px708::CsvLineValues& values) override {
        // A stored line always has its tag: padded to ten, less the AVID zero.
        if (values[1].size() < 9)
            std::abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace px708;
    if (size == 0)
        return 0;
    const QChar separator = *csvSeparatorOfItem(data[0] % 4);
    const QByteArrayView content(reinterpret_cast<const char*>(data) + 1,
                                 static_cast<qsizetype>(size - 1));
    CheckingSink sink;
    (void)importCsvContent(content, separator, sink);

    CsvRecordReader reader(content, separator);
    QString text;
    int line = 0, last = 0;
    while (reader.next(text, line)) {
        if (line <= last)
            std::abort();
        last = line;
    }
    if (reader.bytesRead() != content.size())
        std::abort();

    if (toWindows1252(fromWindows1252(content)) != content)
        std::abort();
    (void)toWindows1252(decodeTextFile(content));
    return 0;
}
