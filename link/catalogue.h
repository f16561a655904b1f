#pragma once
// The reply catalogue: for every command state, the refusal and the replies it accepts, each
// with its effect on named controls and whether the line is consumed. A completed reply line
// in the command regime is matched against its state's entry:
//   1. the refusal, compared with the whole line: the error dialog (or "No read"), the buffer
//      cleared, the batch ended;
//   2. the rows in their order, each compared exactly (case-sensitive), by substring, as a
//      record line (more than 31 characters) or matching any line;
//   3. no row matched: the line stays in the reply buffer, unless the state consumes every
//      line.
//
// Thread affinity: the tables are immutable; interpretLine writes the view, so it runs on the
// main thread.

#include "link/flows.h"
#include "link/linkview.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace px708 {

enum class Match {
    exact,      // the line equals the reply
    contains,   // the line contains the reply
    recordLine, // the line is longer than 31 characters
    any,        // every line
};

enum class Act {
    selectIndex,     // radio group `control` gets item `number`
    setCaption,      // label `control` shows `text`
    setText,         // edit `control` gets `text`
    textFromLine,    // edit `control` gets the line's first `number` characters
    captionFromLine, // label `control` shows the line's first `number` characters
    freeMemory,      // label `control`: HexToInt of the first 4 characters, then " free"
    appendLine,      // memo `control` gets the line
    appendFixed,     // memo `control` gets `text`
    decodeHexText,   // edit `control` gets appended the hexadecimal pairs before the last
                     // `number` characters (a last unpaired digit is ignored)
    restoreCursor,   // the default mouse cursor
    runFlow,         // the flow `flow` with the line, or its first `number` characters
                     // when `number` is not 0
};

// What becomes of the line in the reply buffer.
enum class Disposal {
    leave,         // stays and prefixes the next line
    consume,       // the buffer is cleared
    consumeRecord, // the first 32 characters leave the buffer, the rest stays
    consumeAndEnd, // cleared, and the rest of the batch stays unread in the port
};

struct Effect {
    Act act;
    std::string_view control{};
    std::string_view text{};
    int number = 0;
    Flow flow = Flow::do_datetime;
};

struct ReplyRow {
    Match match;
    std::string_view reply; // unused for recordLine and any
    std::vector<Effect> effects;
    Disposal disposal;
};

// Besides the dialog, a refusal may have to give back the default cursor that its command set.
enum class OnRefusal { dialog, restoreCursor };

// What becomes of a line that matches no row: left in the buffer, or consumed in the states
// that take every line as their answer.
enum class Unmatched { left, consumed };

struct StateReplies {
    std::int32_t state;
    std::string_view refusal;        // empty: the state has none
    std::string_view refusalMessage; // "x" for the standard refusal text, or its own text
    OnRefusal onRefusal;
    std::vector<ReplyRow> rows;
    Unmatched unmatched;
};

// The six on/off parameters of the page "On-Line Settings(4)": Read sends the prefix, Set the
// prefix and "1" for item 0 (ON) or "0" for item 1 (OFF); "1AOK" selects item 0, "0AOK" item 1.
struct OnOffParameter {
    std::string_view prefix;
    std::int32_t state;
    std::string_view group;
    std::string_view readButton;
    std::string_view setButton;
};
std::span<const OnOffParameter> onOffParameters();

// The reader baud-rate codes of `rgbaud` items 0 to 5 (300 ... 19200), sent after "AB" and
// returned before "AOK".
inline constexpr std::string_view kBaudCodes[] = {"03", "12", "24", "48", "96", "19"};

// The whole catalogue, ordered by state.
const std::vector<StateReplies>& replyCatalogue();

// The entry of one state, or nullptr when the state has no replies of its own (a line in
// such a state is left in the buffer).
const StateReplies* repliesFor(std::int32_t state);

struct Verdict {
    Disposal disposal = Disposal::leave;
    const StateReplies* entry = nullptr; // the state's entry, if it has one
    const ReplyRow* row = nullptr;       // the matching row; none for a refusal or no match
    bool refused = false;
    std::string_view refusalMessage; // for a refusal: "x" or the refusal's own text
};

// Matches one completed line (the whole reply buffer) against its state's entry. Touches
// nothing.
Verdict matchLine(std::int32_t state, const std::string& line);

// Writes the verdict's effects to the view: the matching row's, or for a refusal the cursor
// where the state restores it. The refusal's dialog is left to the caller, which clears the
// reply buffer first: a modal dialog, like a flow, may handle a further delivery in its event
// loop, and its bytes must not join a line that is already taken.
void applyVerdict(const Verdict& verdict, const std::string& line, LinkView& view,
                  const FlowTable& flows);

// matchLine and applyVerdict in one.
Verdict interpretLine(std::int32_t state, const std::string& line, LinkView& view,
                      const FlowTable& flows);

} // namespace px708
