// The upload record built from a table row and from a keylot line, position by position.

#include "transfer/uploadrecord.h"

#include "store/datesettings.h"
#include "store/storeerror.h"

#include <gtest/gtest.h>

namespace px708 {
namespace {

// The PC's clock for rows without a date or time: Sunday 16 April 2023, 09:05:41.
const QDateTime kNow{QDate(2023, 4, 16), QTime(9, 5, 41)};

// A row of Saturday 15 April 2023, 14:30:05, lot 01.
UploadRow row(const char* cCode, const char* tag) {
    return {cCode ? QVariant(QString::fromLatin1(cCode)) : QVariant(),
            QVariant(QString::fromLatin1(tag)), QVariant(QStringLiteral("01")),
            QVariant(QStringLiteral("2023-04-15")), QVariant(QStringLiteral("14:30:05"))};
}

struct RecordCase {
    const char* name;
    UploadRow row;
    const char* lotForAll;
    // lot, code, date and weekday, time, the four zeros, country; blanks between the parts
    const char* expected;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
    *os << c.name;
}

class TableRecord : public ::testing::TestWithParam<RecordCase> {
protected:
    void SetUp() override { DateSettings::applyAtStartUp(0, u"/"); }
};

TEST_P(TableRecord, HoldsEachPartAtItsPosition) {
    const RecordCase& c = GetParam();
    const QString r = tableUploadRecord(c.row, QString::fromLatin1(c.lotForAll), kNow);
    EXPECT_EQ(r.size(), kUploadRecordLength) << r.toStdString();
    std::string expected = c.expected;
    std::erase(expected, ' ');
    EXPECT_EQ(r.toStdString(), expected);
}

UploadRow withLot(UploadRow r, QVariant lot) {
    r.lot = std::move(lot);
    return r;
}
UploadRow withClock(UploadRow r, QVariant date, QVariant time) {
    r.date = std::move(date);
    r.time = std::move(time);
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TableRecord,
    ::testing::Values(
        RecordCase{"code without country sent as stored", row("0", "0006E4F1A2"), "",
                   "01 0006E4F1A2 23041506 1430 0000 0000"},
        RecordCase{"country-coded national number back to hexadecimal", row("985", "012345678901"),
                   "", "01 02DFDC1C35 23041506 1430 0000 03D9"},
        RecordCase{"lot for the whole upload", row("0", "0006E4F1A2"), "07",
                   "07 0006E4F1A2 23041506 1430 0000 0000"},
        RecordCase{"one-character lot gets its 0", row("0", "0006E4F1A2"), "7",
                   "07 0006E4F1A2 23041506 1430 0000 0000"},
        RecordCase{"empty C_Code of a captured reading counts as 0", row(nullptr, "0006E4F1A2"), "",
                   "01 0006E4F1A2 23041506 1430 0000 0000"},
        RecordCase{"nine-character AVID tag padded to ten", row("0", "067291845"), "",
                   "01 0067291845 23041506 1430 0000 0000"},
        RecordCase{"row without a lot goes to lot 01", withLot(row("0", "0006E4F1A2"), {}), "",
                   "01 0006E4F1A2 23041506 1430 0000 0000"},
        RecordCase{"row lot of one character", withLot(row("0", "0006E4F1A2"), "3"), "",
                   "03 0006E4F1A2 23041506 1430 0000 0000"},
        RecordCase{"no date and no time: the PC's",
                   withClock(row("0", "0006E4F1A2"), QVariant(), QVariant()), "",
                   "01 0006E4F1A2 23041607 0905 0000 0000"},
        RecordCase{"a date stored in the short date pattern",
                   withClock(row("999", "4886718345"), QStringLiteral("31/12/2024"),
                             QStringLiteral("23:59:59")),
                   "FE", "FE 0123456789 24123102 2359 0000 03E7"}),
    [](const ::testing::TestParamInfo<RecordCase>& p) {
        std::string n = p.param.name;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch)))
                ch = '_';
        return n;
    });

struct RefusedCase {
    const char* name;
    UploadRow row;
    const char* message;
};

void PrintTo(const RefusedCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedRow : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedRow, EndsWithTheConversionMessage) {
    const RefusedCase& c = GetParam();
    try {
        const QString r = tableUploadRecord(c.row, {}, kNow);
        FAIL() << "built " << r.toStdString();
    } catch (const ConvertError& e) {
        EXPECT_EQ(e.text().toStdString(), std::string(c.message));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusedRow,
    ::testing::Values(RefusedCase{"country code not a number", row("9x5", "012345678901"),
                                  "'9x5' is not a valid integer value"},
                      RefusedCase{"negative country code", row("-1", "0006E4F1A2"),
                                  "'-1' is not a valid integer value"},
                      RefusedCase{"country-coded tag not decimal", row("985", "0006E4F1A2"),
                                  "'0006E4F1A2' is not a valid integer value"},
                      RefusedCase{"country-coded tag empty", row("985", ""),
                                  "'' is not a valid integer value"},
                      RefusedCase{"date that cannot be read",
                                  withClock(row("0", "0006E4F1A2"), QStringLiteral("2023-02-30"),
                                            QStringLiteral("14:30:05")),
                                  "'2023-02-30' is not a valid date"},
                      RefusedCase{"time that cannot be read",
                                  withClock(row("0", "0006E4F1A2"), QStringLiteral("2023-04-15"),
                                            QStringLiteral("25:61")),
                                  "'25:61' is not a valid time"}));

TEST(KeylotRecord, PairsReversedWithThePcClock) {
    // Line 0123456789, keylot 05, PC clock Sunday 16 April 2023 09:05.
    // "S", 05, 8967452301, 230416, 07, 0905, 00 and 000000.
    EXPECT_EQ(uploadCommand(keylotUploadRecord(u"0123456789", u"05", kNow)),
              "S05896745230123041607090500000000");
    EXPECT_EQ(keylotCode(u"ABCDEFGHIJKLMN"), QStringLiteral("IJGHEFCDAB"));
}

TEST(UploadCommand, KeepsOneBytePerCharacter) {
    // A character the wire cannot carry is one "?", so the record keeps its 32 bytes.
    const QString record =
        uploadRecord(u"01", u"caf\u00e9 \u20ac5 12", QDate(2023, 4, 15), QTime(14, 30), 0);
    const std::string wire = uploadCommand(record);
    EXPECT_EQ(wire.size(), 33u);
    EXPECT_EQ(wire.substr(0, 13), "S01caf\xe9 ?5 12");
}

} // namespace
} // namespace px708
