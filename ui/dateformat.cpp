#include "ui/dateformat.h"

#include "store/datesettings.h"

QString dateEditFormat() {
    const QString pattern = px708::DateSettings::shortDatePattern();
    const QString separator = px708::DateSettings::dateSeparator();
    QString quotedSeparator;
    if (separator == QLatin1String("'"))
        quotedSeparator = QStringLiteral("''");
    else if (!separator.isEmpty())
        quotedSeparator = QLatin1Char('\'') + separator + QLatin1Char('\'');
    QString out;
    bool inQuote = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\''))
            inQuote = !inQuote;
        if (c == QLatin1Char('/') && !inQuote)
            out += quotedSeparator;
        else
            out += c;
    }
    return out;
}
