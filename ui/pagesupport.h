#pragma once
// Small helpers shared by the reader pages: texts between the screen and the wire, panel
// colours, and the window's plain message box, port buffer view and cursor.
//
// Thread affinity: main thread only.

#include "ui/pagecontext.h"

#include <QColor>
#include <QString>

#include <string>
#include <string_view>

class QEvent;
class QLineEdit;
class QWidget;

namespace px708::pages {

// The wire carries one byte per character, as Latin-1.
inline QString fromBytes(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
inline std::string toBytes(const QString& text) {
    return text.toLatin1().toStdString();
}

// True for a focus event that moves the focus between controls of the window; a window
// losing or regaining activation, or a popup opening, is no entering or leaving of a control.
bool isFocusMove(const QEvent* event);

// The lot number rule of every lot edit, when the focus leaves it: a single character gets "0"
// in front, "00" becomes "01"; anything else, the empty text included, stays.
void normaliseLotNumber(QLineEdit* edit);

// The edit shows what is typed in upper case, whether typed, pasted or set by a reply.
void forceUpperCase(QLineEdit* edit);

// Fills a panel with a colour of its own; its children keep their own roles.
void setPanelColour(QWidget* panel, const QColor& colour);

// The system colours the pages are painted in, from the application palette.
QColor buttonFaceColour();
QColor tooltipBackgroundColour();
QColor inactiveCaptionTextColour();

// The plain message box of the window ("You must make a selection!"); a modal box of its
// own when the page is hosted outside the main window.
void messageBox(PageContext& ctx, const QString& text);

// Adds a line to the port buffer view Memo1.
void traceLine(PageContext& ctx, const std::string& line);

// The hourglass and back, through the window when it offers them.
void setWaitCursor(PageContext& ctx);
void restoreCursor(PageContext& ctx);

} // namespace px708::pages
