#include "ui/downloadstrip.h"

#include "transfer/tabledownload.h"
#include "ui/datapage.h"
#include "ui/pagesupport.h"

#include <QEvent>
#include <QFont>
#include <QLineEdit>
#include <QPushButton>

#include <exception>

using namespace px708::pages;

namespace {

// The lot edits' rule: a lone character gets a "0" in front, "00" becomes "01".
QString normalisedLot(QString text) {
    if (text.size() == 1)
        text.prepend(QLatin1Char('0'));
    if (text == QLatin1String("00"))
        text = QStringLiteral("01");
    return text;
}

} // namespace

TDownloadStrip::TDownloadStrip(TDataPage* page, px708::TableDownload& download, PageContext& ctx)
    : QObject(page), ctx_(ctx), download_(download),
      Button53_(page->findChild<QPushButton*>(QStringLiteral("Button53"))),
      datalot_(page->findChild<QLineEdit*>(QStringLiteral("datalot"))) {
    datalot_->setMaxLength(2);
    QFont digits = datalot_->font();
    digits.setPixelSize(16);
    digits.setBold(true);
    datalot_->setFont(digits);
    QPalette red = datalot_->palette();
    red.setColor(QPalette::Text, Qt::red);
    datalot_->setPalette(red);
    // Letters show in upper case, whether typed, pasted or set.
    connect(datalot_, &QLineEdit::textChanged, this, [this](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int caret = datalot_->cursorPosition();
        datalot_->setText(upper);
        datalot_->setCursorPosition(caret);
    });
    datalot_->installEventFilter(this);
    connect(Button53_, &QPushButton::clicked, this, [this] {
        try {
            Button53Click();
        } catch (const std::exception& e) {
            if (ctx_.showException)
                ctx_.showException(e);
        }
    });
}

void TDownloadStrip::datalotExit() {
    const QString text = normalisedLot(datalot_->text());
    if (text != datalot_->text())
        datalot_->setText(text);
}

void TDownloadStrip::Button53Click() {
    // A click by the keyboard's space bar or by an accessibility action leaves the focus in
    // the edit: normalise all the same, so the lot sent is the one a mouse click would send.
    datalotExit();
    download_.start(toBytes(datalot_->text()));
}

bool TDownloadStrip::eventFilter(QObject* watched, QEvent* event) {
    if (watched == datalot_ && event->type() == QEvent::FocusOut && isFocusMove(event))
        datalotExit();
    return QObject::eventFilter(watched, event);
}
