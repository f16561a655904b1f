#include "transfer/textlines.h"

#include "transfer/textencoding.h"
#include "transfer/transfererror.h"

#include <QFile>

namespace px708 {

QStringList splitLines(QStringView text) {
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start).toString());
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start).toString());
    return lines;
}

QString readTextFile(const QString& path) {
    QFile file(path);
    const auto unreadable = [&] {
        return TransferError(
            QStringLiteral("Cannot open file %1\n%2").arg(path, file.errorString()));
    };
    if (!file.open(QIODevice::ReadOnly))
        throw unreadable();
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw unreadable();
    return decodeTextFile(bytes);
}

} // namespace px708
