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

// The flows that a reply row hands a line to. The window (or the transfer code behind it)
// fills them; the link only decides when they run and what happens to the reply buffer.
enum class Flow {
    // State 26: a line other than "TOK" and "TNO" is a reader clock text for Labeldt1/Labeldt2.
    do_datetime,
    // State 24: a record line, its first 32 characters, for the dump view Memo5 (the header
    // line into an empty Memo5 is the flow's business).
    dumpRecord,
    // State 30: a record line, whole, to be stored in the current readings table.
    tableRecord,
    // State 30: "NOK"; Labeldump shows the completion with the record count.
    tableDownloadCompleted,
    // State 31: "SOK"; choose the next row by rgselect and send it, or end and restore the
    // cursor.
    do_download,
    // State 32: "SOK"; the upload record counter goes up by one and the next keylot record
    // is sent. The batch ends after it.
    do_csv_download,
    // State 211: "KOK"; Label52 shows the keylot, the upload record counter becomes 9998.
    keylotSelected,
    // State 55: a line containing "MOK"; Label52 "Seek Mode set", Button70 hidden, Memocsv
    // emptied.
    seekModeSet,
};

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

    // Runs a flow for a reply line (see Flow). The reply row decides whether the line is
    // consumed; the flow itself only acts. May send commands through the link.
    virtual void runFlow(Flow flow, const std::string& line) {
        (void)flow;
        (void)line;
    }
};

} // namespace px708
