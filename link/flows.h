#pragma once
// The reply flows: the reply catalogue hands a line to a flow when the row it matched says so;
// whoever owns the work behind the flow (the transfer code for downloads and uploads, a page for
// what only changes its view) registers a handler with the link's FlowTable.
//
// Thread affinity: main thread only, like the link that runs them.

#include <array>
#include <functional>
#include <map>
#include <string>

namespace px708 {

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

inline constexpr std::array kAllFlows = {
    Flow::do_datetime, Flow::dumpRecord,      Flow::tableRecord,    Flow::tableDownloadCompleted,
    Flow::do_download, Flow::do_csv_download, Flow::keylotSelected, Flow::seekModeSet,
};

using FlowHandler = std::function<void(const std::string& line)>;

class FlowTable {
public:
    // Makes handler the one run for flow (an empty handler removes it); returns the one it
    // replaces, so a caller that borrows a flow can give it back.
    FlowHandler set(Flow flow, FlowHandler handler);
    // Runs the handler of flow with line; a flow without a handler does nothing. The handler
    // may send commands through the link and may replace handlers, its own included.
    void run(Flow flow, const std::string& line) const;
    bool has(Flow flow) const;

private:
    std::map<Flow, FlowHandler> handlers_;
};

} // namespace px708
