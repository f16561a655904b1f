#pragma once
// LinkView: what the reader link needs from the window. The main window implements it; the
// link names controls by their layout names ("Memo1", "rgbaud", "Labellot", "lot"), so the
// reply catalogue can stay plain data.
//
// Thread affinity: every member is called on the main thread only, from command handlers or
// from inside the data-available handler.
//
// Texts: reply lines are byte strings (a line may end in FFh). The view turns them into
// screen text with Latin-1, one character per byte, and back the same way in text().

#include <string>
#include <string_view>

namespace px708 {

class LinkView {
public:
    virtual ~LinkView() = default;

    // Adds one line at the end of a memo: "Memo1" (port buffer), "Memo2" (current on-line
    // settings), "Memo3" (on-line readings), "Memo4" (download store), "Memo5" (dump).
    virtual void appendLine(std::string_view memo, const std::string& line) = 0;

    // Selects the item at index (from 0) of a radio group ("rgbaud", "Rgmodesave", ...).
    virtual void setRadioIndex(std::string_view group, int index) = 0;

    // Sets the caption of a label ("Labellot", "Labelfreemem", "mode", ...).
    virtual void setCaption(std::string_view label, const std::string& text) = 0;

    // Sets and reads the text of an edit ("lot", "keylot", "read", "top", "messag", ...).
    virtual void setText(std::string_view edit, const std::string& text) = 0;
    virtual std::string text(std::string_view edit) const = 0;

    // The message dialog (caption "Message"), modal. The link passes the final text
    // ("The reader returned an ERROR message. Try again.", "No read").
    virtual void showMessage(const std::string& text) = 0;

    // A plain message box ("Click on CONNECT!", "You must make a selection!").
    virtual void messageBox(const std::string& text) = 0;

    // The hourglass during long operations, and the default cursor again.
    virtual void setWaitCursor() = 0;
    virtual void restoreCursor() = 0;

    // Repaints the window at once (the connect operation does it before its paced send).
    virtual void repaintNow() {}
};

} // namespace px708
