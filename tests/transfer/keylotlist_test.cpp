// The keylot list read from a file: line ends, the ten-character codes, and the two character
// sets a keylot file may come in.

#include "transfer/keylotupload.h"
#include "transfer/textencoding.h"
#include "transfer/textlines.h"
#include "transfer/transfererror.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace px708 {
namespace {

TEST(TextLines, EndAtCrLfOrTheirPair) {
    EXPECT_EQ(splitLines(u"a\r\nb\rc\nd"), (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines(u"a\n\nb\r\n"), (QStringList{"a", "", "b"})) << "no line after the end";
    EXPECT_EQ(splitLines(u"a\n\r"), (QStringList{"a", ""})) << "LF then CR is two line ends";
    EXPECT_TRUE(splitLines(u"").isEmpty());
}

class KeylotFile : public ::testing::Test {
protected:
    QString write(const QByteArray& bytes) {
        const QString path = dir.filePath(QStringLiteral("keylot.csv"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(KeylotFile, TenCharacterCodesOfEveryLineLongEnough) {
    EXPECT_EQ(KeylotUpload::keylotList(QStringLiteral("0123456789ABC\r\n12345\r\n\r\n9876543210")),
              (QStringList{"0123456789", "9876543210"}));
}

TEST_F(KeylotFile, TextComesBackAsItWentOutInEitherCharacterSet) {
    // "café €5" and three more characters make a line of ten.
    const QString line = QStringLiteral("caf\u00e9 \u20ac5 12");
    ASSERT_EQ(line.size(), 10);
    for (const QByteArray& bytes :
         {line.toUtf8(), "\xEF\xBB\xBF" + line.toUtf8(), toWindows1252(line)}) {
        const QString path = write(bytes + "\r\n");
        EXPECT_EQ(KeylotUpload::keylotList(readTextFile(path)), QStringList{line})
            << bytes.toHex().toStdString();
    }
}

TEST_F(KeylotFile, MissingFileNamesItself) {
    const QString path = dir.filePath(QStringLiteral("none.csv"));
    try {
        readTextFile(path);
        FAIL() << "read a missing file";
    } catch (const TransferError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("Cannot open file %1\nNo such file or directory").arg(path));
    }
}

} // namespace
} // namespace px708
