#pragma once
// Character sets of the files the utility reads and writes.
//
// Text is Unicode inside the utility. The CSV and HTML exports are written in UTF-8; the SYLK
// export in Windows-1252, since spreadsheet programs read SYLK as 8-bit text, with every
// character outside that set written as "?". Imported files are read as UTF-8 when they are
// valid UTF-8 and as Windows-1252 otherwise (files written on the original's platform), so
// that every file the utility itself writes comes back as it went out.
//
// Thread affinity: none (pure functions).

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace px708 {

enum class TextEncoding { Utf8, Windows1252 };

// True when bytes is well-formed UTF-8: no overlong forms, no surrogates, nothing above
// U+10FFFF, no sequence cut short.
bool isValidUtf8(QByteArrayView bytes);

// UTF-8 when the whole of bytes is valid UTF-8, Windows-1252 otherwise.
TextEncoding detectTextEncoding(QByteArrayView bytes);

// Length of a UTF-8 byte-order mark at the start of bytes (3 or 0).
qsizetype utf8BomLength(QByteArrayView bytes);

QString decodeText(QByteArrayView bytes, TextEncoding encoding);

// A whole text file's content: the encoding detected, a UTF-8 byte-order mark dropped.
QString decodeTextFile(QByteArrayView bytes);

// Windows-1252: the five bytes the set leaves unassigned (81h, 8Dh, 8Fh, 90h, 9Dh) read as
// the control characters of the same number, as the platform that wrote such files reads them.
QString fromWindows1252(QByteArrayView bytes);

// Appends text in Windows-1252; a character outside the set (a surrogate pair counts as one)
// becomes "?".
void appendWindows1252(QByteArray& out, QStringView text);
QByteArray toWindows1252(QStringView text);

} // namespace px708
