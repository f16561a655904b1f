#include "link/catalogue.h"

#include "link/readerlink.h"

#include <algorithm>

namespace px708 {

namespace {

constexpr std::string_view kRefusal = "x";

Effect select(std::string_view group, int index) {
    return {Act::selectIndex, group, {}, index};
}
Effect caption(std::string_view label, std::string_view text) {
    return {Act::setCaption, label, text};
}
Effect text(std::string_view edit, std::string_view value) {
    return {Act::setText, edit, value};
}
Effect flow(Flow f, int firstCharacters = 0) {
    return {Act::runFlow, {}, {}, firstCharacters, f};
}

// Save and seek come back in the order they were sent: the seek digit, then the save digit.
std::vector<ReplyRow> saveSeekRows() {
    std::vector<ReplyRow> rows;
    for (const char* reply : {"11MOK", "01MOK", "10MOK", "00MOK"}) {
        const int seek = reply[0] == '1' ? 0 : 1;
        const int save = reply[1] == '1' ? 0 : 1;
        rows.push_back({Match::exact,
                        reply,
                        {select("Rgmodesave", save), select("rgmodeseek", seek)},
                        Disposal::consume});
    }
    return rows;
}

std::vector<ReplyRow> baudRows() {
    std::vector<ReplyRow> rows;
    static const std::string replies[] = {
        std::string(kBaudCodes[0]) + "AOK", std::string(kBaudCodes[1]) + "AOK",
        std::string(kBaudCodes[2]) + "AOK", std::string(kBaudCodes[3]) + "AOK",
        std::string(kBaudCodes[4]) + "AOK", std::string(kBaudCodes[5]) + "AOK"};
    for (int i = 0; i < 6; ++i)
        rows.push_back({Match::exact, replies[i], {select("rgbaud", i)}, Disposal::consume});
    return rows;
}

// The three texts read back as hexadecimal character codes: "AOK" alone empties the edit and
// ends the batch; a line containing "AOK" carries the codes before its last `drop` characters.
std::vector<ReplyRow> hexTextRows(std::string_view edit, int drop) {
    return {
        {Match::exact, "AOK", {text(edit, "")}, Disposal::consumeAndEnd},
        {Match::contains, "AOK", {{Act::decodeHexText, edit, {}, drop}}, Disposal::consume},
    };
}

// The lot and keylot reads: the caption comes back either way; any line but the bare
// acknowledgement also carries the number in its first two characters.
std::vector<ReplyRow> numberRows(std::string_view ok, std::string_view label,
                                 std::string_view captionText, std::string_view edit) {
    return {
        {Match::exact, ok, {caption(label, captionText)}, Disposal::consume},
        {Match::any,
         {},
         {caption(label, captionText), {Act::textFromLine, edit, {}, 2}},
         Disposal::consume},
    };
}

std::vector<StateReplies> buildCatalogue() {
    std::vector<StateReplies> c = {
        {5, "MNO", kRefusal, OnRefusal::dialog, saveSeekRows(), Unmatched::left},
        {7, "ANO", kRefusal, OnRefusal::dialog, baudRows(), Unmatched::left},
        {14, "ANO", kRefusal, OnRefusal::dialog, hexTextRows("messag", 4), Unmatched::left},
        {15, "ANO", kRefusal, OnRefusal::dialog, hexTextRows("prefix", 3), Unmatched::left},
        {16, "ANO", kRefusal, OnRefusal::dialog, hexTextRows("suffix", 4), Unmatched::left},
        {17,
         "CNO",
         kRefusal,
         OnRefusal::restoreCursor,
         {
             {Match::exact,
              "COK",
              {caption("Labellots", "Lots cleared"), {Act::restoreCursor}},
              Disposal::consume},
             {Match::any, {}, {{Act::restoreCursor}}, Disposal::consume},
         },
         Unmatched::consumed},
        {18,
         "FNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::any, {}, {{Act::freeMemory, "Labelfreemem"}}, Disposal::consume}},
         Unmatched::consumed},
        {19,
         "INO",
         "No read",
         OnRefusal::dialog,
         {{Match::any, {}, {{Act::textFromLine, "read", {}, 10}}, Disposal::consume}},
         Unmatched::consumed},
        {20,
         "JNO",
         kRefusal,
         OnRefusal::dialog,
         {
             {Match::exact, "0JOK", {select("rghexdec", 0)}, Disposal::consume},
             {Match::exact, "1JOK", {select("rghexdec", 1)}, Disposal::consume},
         },
         Unmatched::left},
        {21, "KNO", kRefusal, OnRefusal::dialog,
         numberRows("KOK", "Labelkeylot", "Current KeyLot No", "keylot"), Unmatched::consumed},
        {22, "LNO", kRefusal, OnRefusal::dialog,
         numberRows("LOK", "Labellot", "Current Lot No", "lot"), Unmatched::consumed},
        {23,
         "PNO",
         kRefusal,
         OnRefusal::dialog,
         {
             {Match::exact, "1POK", {select("rgtrigger", 0)}, Disposal::consume},
             {Match::exact, "0POK", {select("rgtrigger", 1)}, Disposal::consume},
         },
         Unmatched::left},
        {24,
         "NNO",
         kRefusal,
         OnRefusal::dialog,
         {
             {Match::recordLine, {}, {flow(Flow::dumpRecord, 32)}, Disposal::consumeRecord},
             {Match::exact,
              "NOK",
              {{Act::appendFixed, "Memo5", "Download completed"}},
              Disposal::consume},
         },
         Unmatched::left},
        {25,
         "VNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::any, {}, {{Act::captionFromLine, "Labelversion", {}, 16}}, Disposal::consume}},
         Unmatched::consumed},
        {26,
         "TNO",
         kRefusal,
         OnRefusal::dialog,
         {
             {Match::exact, "TOK", {caption("Labeldt1", "Time and Date set")}, Disposal::consume},
             {Match::any, {}, {flow(Flow::do_datetime)}, Disposal::consume},
         },
         Unmatched::consumed},
        {27,
         "XNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::any, {}, {text("top", "Caption set")}, Disposal::consume}},
         Unmatched::consumed},
        {28,
         "YNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::any, {}, {text("bottom", "Caption set")}, Disposal::consume}},
         Unmatched::consumed},
        {29,
         "ZNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::exact, "ZOK", {caption("Labelz", "Parameters set")}, Disposal::consume}},
         Unmatched::consumed},
        // The table download leaves "NOK" in the buffer; the next command clears it.
        {30,
         "NNO",
         kRefusal,
         OnRefusal::dialog,
         {
             {Match::recordLine, {}, {flow(Flow::tableRecord)}, Disposal::consume},
             {Match::exact, "NOK", {flow(Flow::tableDownloadCompleted)}, Disposal::leave},
         },
         Unmatched::left},
        {31,
         "SNO",
         kRefusal,
         OnRefusal::restoreCursor,
         {{Match::exact, "SOK", {flow(Flow::do_download)}, Disposal::consume}},
         Unmatched::left},
        // "AA" lists the on-line settings in this state; the keylot upload shares it.
        {32,
         "SNO",
         kRefusal,
         OnRefusal::dialog,
         {
             {Match::exact, "SOK", {flow(Flow::do_csv_download)}, Disposal::consumeAndEnd},
             {Match::any, {}, {{Act::appendLine, "Memo2"}}, Disposal::consume},
         },
         Unmatched::consumed},
        {55,
         "MNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::contains, "MOK", {flow(Flow::seekModeSet)}, Disposal::consume}},
         Unmatched::left},
        // Mode switching: the answer is shown in the port buffer and discarded.
        {99, {}, {}, OnRefusal::dialog, {}, Unmatched::consumed},
        {211,
         "KNO",
         kRefusal,
         OnRefusal::dialog,
         {{Match::exact, "KOK", {flow(Flow::keylotSelected)}, Disposal::consume}},
         Unmatched::left},
    };
    for (const OnOffParameter& p : onOffParameters()) {
        c.push_back({p.state,
                     "ANO",
                     kRefusal,
                     OnRefusal::dialog,
                     {
                         {Match::exact, "1AOK", {select(p.group, 0)}, Disposal::consume},
                         {Match::exact, "0AOK", {select(p.group, 1)}, Disposal::consume},
                     },
                     Unmatched::left});
    }
    std::sort(c.begin(), c.end(),
              [](const StateReplies& a, const StateReplies& b) { return a.state < b.state; });
    return c;
}

bool matches(const ReplyRow& row, const std::string& line) {
    switch (row.match) {
    case Match::exact:
        return line == row.reply;
    case Match::contains:
        return line.find(row.reply) != std::string::npos;
    case Match::recordLine:
        return line.size() > 31;
    case Match::any:
        return true;
    }
    return false;
}

std::string decodeHexPairs(std::string_view line, int drop) {
    const auto n = line.size() > static_cast<std::size_t>(drop) ? line.size() - drop : 0;
    std::string out;
    for (std::size_t i = 0; i + 1 < n; i += 2)
        out.push_back(static_cast<char>(HexToInt(line.substr(i, 2)) % 256));
    return out;
}

void apply(const Effect& e, const std::string& line, LinkView& view, const FlowTable& flows) {
    const std::string_view l = line;
    switch (e.act) {
    case Act::selectIndex:
        view.setRadioIndex(e.control, e.number);
        break;
    case Act::setCaption:
        view.setCaption(e.control, std::string(e.text));
        break;
    case Act::setText:
        view.setText(e.control, std::string(e.text));
        break;
    case Act::textFromLine:
        view.setText(e.control, std::string(l.substr(0, e.number)));
        break;
    case Act::captionFromLine:
        view.setCaption(e.control, std::string(l.substr(0, e.number)));
        break;
    case Act::freeMemory:
        view.setCaption(e.control, std::to_string(HexToInt(l.substr(0, 4))) + " free");
        break;
    case Act::appendLine:
        view.appendLine(e.control, line);
        break;
    case Act::appendFixed:
        view.appendLine(e.control, std::string(e.text));
        break;
    case Act::decodeHexText:
        view.setText(e.control, view.text(e.control) + decodeHexPairs(l, e.number));
        break;
    case Act::restoreCursor:
        view.restoreCursor();
        break;
    case Act::runFlow:
        flows.run(e.flow, e.number > 0 ? line.substr(0, e.number) : line);
        break;
    }
}

} // namespace

std::span<const OnOffParameter> onOffParameters() {
    static constexpr OnOffParameter table[] = {
        {"AC", 6, "rgcheckdigit", "Button7", "Button8"},
        {"AF", 8, "rgack", "Button4", "Button11"},
        {"AE", 9, "rgenq", "Button6", "Button9"},
        {"AG", 10, "rgbi", "Button12", "Button13"},
        {"AH", 12, "rgscan", "Button14", "Button15"},
        {"AI", 13, "rgmessage", "Button16", "Button17"},
    };
    return table;
}

const std::vector<StateReplies>& replyCatalogue() {
    static const std::vector<StateReplies> catalogue = buildCatalogue();
    return catalogue;
}

const StateReplies* repliesFor(std::int32_t state) {
    const auto& c = replyCatalogue();
    const auto it =
        std::lower_bound(c.begin(), c.end(), state,
                         [](const StateReplies& entry, std::int32_t s) { return entry.state < s; });
    return it != c.end() && it->state == state ? &*it : nullptr;
}

Verdict matchLine(std::int32_t state, const std::string& line) {
    const StateReplies* entry = repliesFor(state);
    if (entry == nullptr)
        return {};
    if (!entry->refusal.empty() && line == entry->refusal)
        return {Disposal::consumeAndEnd, entry, nullptr, true, entry->refusalMessage};
    for (const ReplyRow& row : entry->rows) {
        if (matches(row, line))
            return {row.disposal, entry, &row, false, {}};
    }
    return {entry->unmatched == Unmatched::consumed ? Disposal::consume : Disposal::leave,
            entry,
            nullptr,
            false,
            {}};
}

void applyVerdict(const Verdict& verdict, const std::string& line, LinkView& view,
                  const FlowTable& flows) {
    if (verdict.refused) {
        if (verdict.entry->onRefusal == OnRefusal::restoreCursor)
            view.restoreCursor();
        return;
    }
    if (verdict.row == nullptr)
        return;
    for (const Effect& e : verdict.row->effects)
        apply(e, line, view, flows);
}

Verdict interpretLine(std::int32_t state, const std::string& line, LinkView& view,
                      const FlowTable& flows) {
    const Verdict v = matchLine(state, line);
    applyVerdict(v, line, view, flows);
    return v;
}

} // namespace px708
