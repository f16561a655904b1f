#include "ui/pagesupport.h"

#include "ui/modal.h"

#include <QApplication>
#include <QFocusEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QWidget>

namespace px708::pages {

namespace {
LinkView* windowView(PageContext& ctx) {
    return dynamic_cast<LinkView*>(ctx.mainWindow);
}
} // namespace

bool isFocusMove(const QEvent* event) {
    if (event->type() != QEvent::FocusIn && event->type() != QEvent::FocusOut)
        return false;
    const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

void normaliseLotNumber(QLineEdit* edit) {
    QString text = edit->text();
    if (text.size() == 1)
        text.prepend(QLatin1Char('0'));
    if (text == QLatin1String("00"))
        text = QStringLiteral("01");
    if (text != edit->text())
        edit->setText(text);
}

void forceUpperCase(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString& text) {
        const QString upper = text.toUpper();
        if (upper == text)
            return;
        const int caret = edit->cursorPosition();
        edit->setText(upper);
        edit->setCursorPosition(caret);
    });
}

void setPanelColour(QWidget* panel, const QColor& colour) {
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, colour);
    panel->setPalette(palette);
    panel->setAutoFillBackground(true);
}

QColor buttonFaceColour() {
    return QApplication::palette().color(QPalette::Button);
}

QColor tooltipBackgroundColour() {
    return QApplication::palette().color(QPalette::ToolTipBase);
}

QColor inactiveCaptionTextColour() {
    // The palette has no caption roles; the light shade of an inactive window stands in, so
    // that the black texts on the panel stay readable.
    return QApplication::palette().color(QPalette::Inactive, QPalette::Midlight);
}

void messageBox(PageContext& ctx, const QString& text) {
    if (LinkView* view = windowView(ctx)) {
        view->messageBox(toBytes(text));
        return;
    }
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok,
                    ctx.mainWindow);
    runModal(box);
}

void traceLine(PageContext& ctx, const std::string& line) {
    if (LinkView* view = windowView(ctx))
        view->appendLine("Memo1", line);
}

void setWaitCursor(PageContext& ctx) {
    if (LinkView* view = windowView(ctx))
        view->setWaitCursor();
    else
        QApplication::setOverrideCursor(Qt::WaitCursor);
}

void restoreCursor(PageContext& ctx) {
    if (LinkView* view = windowView(ctx)) {
        view->restoreCursor();
        return;
    }
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

} // namespace px708::pages
