// Keylot list files of any kind: the file decoded as the keylot import decodes it, its list of
// codes, and the upload record and command of every code. Every code is the first ten
// characters of a line of the file, every record keeps its layout (the keylot, the code's five
// pairs reversed, the date and time, the country code 0) and every command its 33 bytes.
//
// Input: the first byte picks the keylot (its two hexadecimal digits); the rest is the file.

#include "transfer/keylotupload.h"
#include "transfer/textencoding.h"
#include "transfer/textlines.h"
#include "transfer/uploadrecord.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDateTime>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        fprintf(stderr, "finding: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace px708;
    if (size == 0)
        return 0;
    static const QDateTime now(QDate(2023, 4, 16), QTime(9, 5, 30));
    const QString keylot = QStringLiteral("%1").arg(data[0], 2, 16, QLatin1Char('0')).toUpper();
    const QByteArrayView file(reinterpret_cast<const char*>(data) + 1,
                              static_cast<qsizetype>(size - 1));
    const QString text = decodeTextFile(file);
    const QStringList lines = splitLines(text);
    const QStringList codes = KeylotUpload::keylotList(text);
    check(codes.size() <= lines.size(), "more codes than lines");
    qsizetype line = 0;
    for (const QString& code : codes) {
        check(code.size() == kUploadCodeLength, "a code that is not ten characters");
        // The codes come in the order of their lines, each the start of one.
        while (line < lines.size() && !lines[line].startsWith(code))
            ++line;
        check(line < lines.size(), "a code that starts no line");
        ++line;

        const QString reversed = keylotCode(code);
        check(reversed.size() == kUploadCodeLength, "a reversed code of another length");
        for (int pair = 0; pair < 5; ++pair)
            check(reversed.mid(2 * pair, 2) == code.mid(8 - 2 * pair, 2),
                  "the pairs are not reversed");
        const QString record = keylotUploadRecord(code, keylot, now);
        check(record.size() == kUploadRecordLength, "a record that is not 32 characters");
        check(record.left(2) == keylot, "the keylot is not in positions 1-2");
        check(record.mid(2, 10) == reversed, "the code is not in positions 3-12");
        check(record.mid(12) == QLatin1String("2304160709050000") + QLatin1String("0000"),
              "the date, time and country code moved");
        check(uploadCommand(record).size() == 1 + std::size_t(kUploadRecordLength),
              "a command that is not 33 bytes");
    }
    return 0;
}
