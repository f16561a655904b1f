#include "ui/valuelabel.h"

#include <QTextDocumentFragment>

TValueLabel::TValueLabel(QWidget* parent) : QLabel(parent) {}

QString TValueLabel::shownText() const {
    const QString shown = text();
    if (textFormat() == Qt::RichText ||
        (textFormat() == Qt::AutoText && Qt::mightBeRichText(shown)))
        return QTextDocumentFragment::fromHtml(shown).toPlainText();
    return shown;
}

QString TValueLabel::fieldName() const {
    if (!captionLabel_.isEmpty())
        if (const auto* caption = window()->findChild<const QLabel*>(captionLabel_))
            if (const QString name = caption->text().remove(QLatin1Char('&')); !name.isEmpty())
                return name;
    return accessibleDescription();
}
