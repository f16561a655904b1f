#include "transfer/textencoding.h"

#include <array>

namespace px708 {
namespace {

// 80h to 9Fh; the unassigned bytes map to the control character of the same number.
constexpr std::array<char16_t, 32> kHigh1252{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char windows1252Byte(char16_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kHigh1252.size(); ++i)
        if (kHigh1252[i] == c)
            return static_cast<char>(0x80 + i);
    return '?';
}

} // namespace

bool isValidUtf8(QByteArrayView bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            ++p;
            continue;
        }
        int more = 0;
        unsigned char lowest = 0x80, highest = 0xBF; // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            more = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            more = 2;
            if (b == 0xE0)
                lowest = 0xA0; // overlong
            else if (b == 0xED)
                highest = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            more = 3;
            if (b == 0xF0)
                lowest = 0x90; // overlong
            else if (b == 0xF4)
                highest = 0x8F; // above U+10FFFF
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        if (p[1] < lowest || p[1] > highest)
            return false;
        for (int i = 2; i <= more; ++i)
            if ((p[i] & 0xC0) != 0x80)
                return false;
        p += more + 1;
    }
    return true;
}

TextEncoding detectTextEncoding(QByteArrayView bytes) {
    return isValidUtf8(bytes) ? TextEncoding::Utf8 : TextEncoding::Windows1252;
}

qsizetype utf8BomLength(QByteArrayView bytes) {
    return bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
}

QString fromWindows1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (const char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        *out++ = (b >= 0x80 && b < 0xA0) ? kHigh1252[b - 0x80] : char16_t(b);
    }
    return text;
}

QString decodeText(QByteArrayView bytes, TextEncoding encoding) {
    return encoding == TextEncoding::Utf8 ? QString::fromUtf8(bytes) : fromWindows1252(bytes);
}

QString decodeTextFile(QByteArrayView bytes) {
    const TextEncoding encoding = detectTextEncoding(bytes);
    if (encoding == TextEncoding::Utf8)
        bytes = bytes.sliced(utf8BomLength(bytes));
    return decodeText(bytes, encoding);
}

void appendWindows1252(QByteArray& out, QStringView text) {
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* p = out.data() + start;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < 0x80) {
            *p++ = static_cast<char>(c);
        } else if (QChar::isHighSurrogate(c) && i + 1 < text.size() &&
                   text[i + 1].isLowSurrogate()) {
            *p++ = '?';
            ++i;
        } else {
            *p++ = windows1252Byte(c);
        }
    }
    out.resize(p - out.data());
}

QByteArray toWindows1252(QStringView text) {
    QByteArray out;
    appendWindows1252(out, text);
    return out;
}

} // namespace px708
