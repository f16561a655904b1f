#pragma once
// The upload record: 32 characters sent after "S" for the reader to store as one reading. Its
// layout is that of the record line the reader sends back, with the country code where the
// record line has the type:
//
//   positions  1-2   lot
//              3-12  transponder code, ten characters
//             13-20  year within the century, month, day, "0" and the weekday (1 Monday ...
//                    7 Sunday)
//             21-24  hour, minute
//             25-28  "0000": the seconds and the two further digits are not sent
//             29-32  country code, four upper-case hexadecimal digits
//
// The table upload fills it from a row of a readings table, the keylot upload from a line of a
// keylot list with the PC's clock.
//
// Plain functions without state; safe on any thread.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QTime>
#include <QVariant>

#include <string>

namespace px708 {

inline constexpr qsizetype kUploadRecordLength = 32;
inline constexpr qsizetype kUploadCodeLength = 10;

// Assembles the record from its parts and cuts it to 32 characters. The weekday comes from
// the date; the seconds are not sent.
QString uploadRecord(QStringView lot, QStringView code, QDate date, QTime time, unsigned country);

// The wire form of a record: "S" and the record, one byte per character ("?" for a character
// that is not Latin-1), so the command keeps its length whatever the text held.
std::string uploadCommand(const QString& record);

// What the table upload reads of one row: the stored values of C_Code, tag, Lot, Date_ and
// Time_ (null when empty).
struct UploadRow {
    QVariant cCode;
    QVariant tag;
    QVariant lot;
    QVariant date;
    QVariant time;
};

// The upload record of a table row. lotForAll is the lot typed for the whole upload (datalot2);
// when it is empty the row's Lot is used, else "01"; a lot of one character gets "0" in front,
// as the lot edits do. now stands in for an empty date or time.
//
// C_Code read as a whole number (empty counts as 0) goes to positions 29-32. When it is above 0
// the tag is the decimal national number, sent as ten hexadecimal digits; otherwise the tag's
// first ten characters are sent as stored, a shorter tag (an AVID code of nine) padded on the
// left with "0" so the record keeps its layout.
//
// Raises ConvertError "'<text>' is not a valid integer value" for a C_Code or (country-coded)
// tag that is not a whole number in range, "'<text>' is not a valid date" and "'<text>' is not a
// valid time" for a stored date or time that cannot be read.
QString tableUploadRecord(const UploadRow& row, QStringView lotForAll, const QDateTime& now);

// The transponder code of a keylot line: its first ten characters as five pairs in reverse
// order (characters 9-10, 7-8, 5-6, 3-4, 1-2).
QString keylotCode(QStringView line);

// The upload record of a keylot line: the keylot, the reversed code, the PC's date and time and
// the country code 0.
QString keylotUploadRecord(QStringView line, QStringView keylot, const QDateTime& now);

} // namespace px708
