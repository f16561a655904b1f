// Reply interpretation, line by line: each row feeds one completed line into the interpreter
// in a command state and compares what the window was told and what becomes of the line.

#include "link/catalogue.h"
#include "link/readerlink.h"
#include "tests/link/recordingview.h"

#include <gtest/gtest.h>

#include <ostream>

namespace px708 {

void PrintTo(Disposal d, std::ostream* os) {
    switch (d) {
    case Disposal::leave:
        *os << "leave";
        return;
    case Disposal::consume:
        *os << "consume";
        return;
    case Disposal::consumeRecord:
        *os << "consumeRecord";
        return;
    case Disposal::consumeAndEnd:
        *os << "consumeAndEnd";
        return;
    }
}

namespace {

using test::RecordingView;

constexpr const char* kRefused = "x";

using test::kRecord;
const std::string kRecordAndMore = kRecord + "ZZ";

struct Case {
    const char* name;
    std::int32_t state;
    std::string line;
    std::map<std::string, std::string> edits; // preset edit texts
    std::vector<std::string> events;
    Disposal disposal;
    std::string refusal = {};
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class Interpretation : public ::testing::TestWithParam<Case> {};

TEST_P(Interpretation, AppliesTheRowOfTheState) {
    const Case& c = GetParam();
    RecordingView view;
    FlowTable flows;
    view.recordFlows(flows);
    view.edits = c.edits;
    const Verdict v = interpretLine(c.state, c.line, view, flows);
    EXPECT_EQ(view.events, c.events);
    EXPECT_EQ(v.disposal, c.disposal);
    EXPECT_EQ(v.refusalMessage, c.refusal);
}

const Case kCases[] = {
    // Save and seek: the digits come back seek first, then save; ON is item 0.
    {"save_off_seek_on_after_M10",
     5,
     "10MOK",
     {},
     {"radio Rgmodesave 1", "radio rgmodeseek 0"},
     Disposal::consume},
    {"save_on_seek_off",
     5,
     "01MOK",
     {},
     {"radio Rgmodesave 0", "radio rgmodeseek 1"},
     Disposal::consume},
    {"save_seek_refused", 5, "MNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"save_seek_unknown_stays", 5, "MOK", {}, {}, Disposal::leave},
    // Baud rate.
    {"baud_9600", 7, "96AOK", {}, {"radio rgbaud 4"}, Disposal::consume},
    {"baud_19200", 7, "19AOK", {}, {"radio rgbaud 5"}, Disposal::consume},
    {"baud_300", 7, "03AOK", {}, {"radio rgbaud 0"}, Disposal::consume},
    {"96aok_stays_in_the_buffer", 7, "96aok", {}, {}, Disposal::leave},
    {"baud_refused", 7, "ANO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"refusal_with_leftover_prefix_is_no_refusal", 7, "xANO", {}, {}, Disposal::leave},
    // Display and trigger.
    {"hex_display", 20, "0JOK", {}, {"radio rghexdec 0"}, Disposal::consume},
    {"decimal_display", 20, "1JOK", {}, {"radio rghexdec 1"}, Disposal::consume},
    {"ff_ended_line_matches_nothing", 20, "0JOK\xFF", {}, {}, Disposal::leave},
    {"trigger_on", 23, "1POK", {}, {"radio rgtrigger 0"}, Disposal::consume},
    {"trigger_off", 23, "0POK", {}, {"radio rgtrigger 1"}, Disposal::consume},
    {"trigger_refused", 23, "PNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    // Lot and keylot: the caption either way, the number from any other line.
    {"lot_3F", 22, "3F", {}, {"caption Labellot Current Lot No", "text lot 3F"}, Disposal::consume},
    {"lot_LOK_restores_caption_only",
     22,
     "LOK",
     {},
     {"caption Labellot Current Lot No"},
     Disposal::consume},
    {"lot_refused", 22, "LNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"keylot_A5_first_two",
     21,
     "A5xyz",
     {},
     {"caption Labelkeylot Current KeyLot No", "text keylot A5"},
     Disposal::consume},
    {"keylot_KOK", 21, "KOK", {}, {"caption Labelkeylot Current KeyLot No"}, Disposal::consume},
    // Clear lots: every line restores the cursor, the refusal too.
    {"lots_cleared",
     17,
     "COK",
     {},
     {"caption Labellots Lots cleared", "cursor default"},
     Disposal::consume},
    {"clear_lots_other_line", 17, "C?", {}, {"cursor default"}, Disposal::consume},
    {"clear_lots_refused_restores_cursor",
     17,
     "CNO",
     {},
     {"cursor default"},
     Disposal::consumeAndEnd,
     kRefused},
    // Free memory, version, transponder.
    {"1A2B_is_6699_free", 18, "1A2B", {}, {"caption Labelfreemem 6699 free"}, Disposal::consume},
    {"0400_is_1024_free", 18, "0400", {}, {"caption Labelfreemem 1024 free"}, Disposal::consume},
    {"garbled_free_memory_shows_garbled_number",
     18,
     "zz",
     {},
     {"caption Labelfreemem 0 free"},
     Disposal::consume},
    {"free_memory_refused", 18, "FNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"version_first_16",
     25,
     "PX708 V2.10 2023 build",
     {},
     {"caption Labelversion PX708 V2.10 2023"},
     Disposal::consume},
    {"version_short_line_whole", 25, "V1", {}, {"caption Labelversion V1"}, Disposal::consume},
    {"transponder_first_10", 19, "0006A1B2C3XY", {}, {"text read 0006A1B2C3"}, Disposal::consume},
    {"INO_is_no_read", 19, "INO", {}, {}, Disposal::consumeAndEnd, "No read"},
    // Captions.
    {"top_caption_set", 27, "XOK", {}, {"text top Caption set"}, Disposal::consume},
    {"top_caption_refused", 27, "XNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"bottom_caption_set", 28, "anything", {}, {"text bottom Caption set"}, Disposal::consume},
    // LEDs and tone.
    {"leds_set", 29, "ZOK", {}, {"caption Labelz Parameters set"}, Disposal::consume},
    {"leds_other_line_consumed", 29, "Z?", {}, {}, Disposal::consume},
    // Clock.
    {"clock_set", 26, "TOK", {}, {"caption Labeldt1 Time and Date set"}, Disposal::consume},
    {"clock_text_to_do_datetime",
     26,
     "2304150614300500",
     {},
     {"flow do_datetime 2304150614300500"},
     Disposal::consume},
    {"clock_refused", 26, "TNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    // Hexadecimal texts.
    {"4E4F0DAOK_appends_NO",
     14,
     "4E4F0DAOK",
     {{"messag", "AB"}},
     {"text messag ABNO"},
     Disposal::consume},
    {"message_AOK_alone_empties_and_ends",
     14,
     "AOK",
     {{"messag", "AB"}},
     {"text messag "},
     Disposal::consumeAndEnd},
    {"message_without_AOK_stays", 14, "4E4F", {}, {}, Disposal::leave},
    {"message_refused", 14, "ANO", {{"messag", "AB"}}, {}, Disposal::consumeAndEnd, kRefused},
    {"3E3EAOK_appends_prefix", 15, "3E3EAOK", {}, {"text prefix >>"}, Disposal::consume},
    {"prefix_AOK_alone_empties",
     15,
     "AOK",
     {{"prefix", "ID:"}},
     {"text prefix "},
     Disposal::consumeAndEnd},
    {"suffix_0D0AAOK_gives_carriage_return",
     16,
     "0D0AAOK",
     {},
     {"text suffix \r"},
     Disposal::consume},
    {"suffix_high_code_kept", 16, "E90DAOK", {}, {"text suffix \xE9"}, Disposal::consume},
    {"suffix_AOK_inside_short_line",
     16,
     "1AOK",
     {{"suffix", "s"}},
     {"text suffix s"},
     Disposal::consume},
    // Dump view: record lines leave their first 32 characters.
    {"dump_record",
     24,
     kRecordAndMore,
     {},
     {"flow dumpRecord " + kRecord},
     Disposal::consumeRecord},
    {"dump_31_characters_stays", 24, kRecord.substr(0, 31), {}, {}, Disposal::leave},
    {"dump_completed", 24, "NOK", {}, {"memo Memo5 Download completed"}, Disposal::consume},
    {"dump_refused", 24, "NNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    // Table download: the flows; "NOK" stays.
    {"table_record", 30, kRecord, {}, {"flow tableRecord " + kRecord}, Disposal::consume},
    {"table_completed_stays", 30, "NOK", {}, {"flow tableDownloadCompleted NOK"}, Disposal::leave},
    {"table_short_line_stays", 30, "0123", {}, {}, Disposal::leave},
    // Uploads.
    {"upload_next_record", 31, "SOK", {}, {"flow do_download SOK"}, Disposal::consume},
    {"upload_refused_restores_cursor",
     31,
     "SNO",
     {},
     {"cursor default"},
     Disposal::consumeAndEnd,
     kRefused},
    {"upload_other_stays", 31, "S?", {}, {}, Disposal::leave},
    {"keylot_record_accepted_ends_batch",
     32,
     "SOK",
     {},
     {"flow do_csv_download SOK"},
     Disposal::consumeAndEnd},
    {"online_settings_line_to_Memo2", 32, "AC1", {}, {"memo Memo2 AC1"}, Disposal::consume},
    {"keylot_record_refused", 32, "SNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"keylot_selected", 211, "KOK", {}, {"flow keylotSelected KOK"}, Disposal::consume},
    {"keylot_selection_refused", 211, "KNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"seek_mode_contains_MOK", 55, "01MOK", {}, {"flow seekModeSet 01MOK"}, Disposal::consume},
    {"seek_mode_refused", 55, "MNO", {}, {}, Disposal::consumeAndEnd, kRefused},
    {"seek_mode_other_stays", 55, "01", {}, {}, Disposal::leave},
    // Mode switching and states without replies.
    {"mode_switch_discards", 99, "ANO", {}, {}, Disposal::consume},
    {"unknown_state_leaves", 11, "1AOK", {}, {}, Disposal::leave},
};

INSTANTIATE_TEST_SUITE_P(Rows, Interpretation, ::testing::ValuesIn(kCases),
                         [](const auto& row) { return std::string(row.param.name); });

// The six on/off parameters share one pattern; the states and groups are the page's.
struct OnOff {
    std::int32_t state;
    const char* group;
    const char* prefix;
};

class OnOffFamily : public ::testing::TestWithParam<OnOff> {};

TEST_P(OnOffFamily, OnIsItemZeroOffIsItemOne) {
    const OnOff& p = GetParam();
    const std::string group = p.group;
    RecordingView view;
    const FlowTable flows;
    EXPECT_EQ(interpretLine(p.state, "1AOK", view, flows).disposal, Disposal::consume);
    EXPECT_EQ(interpretLine(p.state, "0AOK", view, flows).disposal, Disposal::consume);
    EXPECT_EQ(interpretLine(p.state, "1aok", view, flows).disposal, Disposal::leave);
    EXPECT_EQ(interpretLine(p.state, "ANO", view, flows).refusalMessage, kRefused);
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"radio " + group + " 0", "radio " + group + " 1"}));

    bool listed = false;
    for (const OnOffParameter& param : onOffParameters())
        listed = listed ||
                 (param.state == p.state && param.group == p.group && param.prefix == p.prefix);
    EXPECT_TRUE(listed) << "Read and Set of " << p.group << " need its prefix and state";
}

INSTANTIATE_TEST_SUITE_P(Parameters, OnOffFamily,
                         ::testing::Values(OnOff{6, "rgcheckdigit", "AC"}, OnOff{8, "rgack", "AF"},
                                           OnOff{9, "rgenq", "AE"}, OnOff{10, "rgbi", "AG"},
                                           OnOff{12, "rgscan", "AH"},
                                           OnOff{13, "rgmessage", "AI"}));

struct Hex {
    const char* text;
    std::int64_t value;
};

class HexToIntRows : public ::testing::TestWithParam<Hex> {};

TEST_P(HexToIntRows, Converts) {
    EXPECT_EQ(HexToInt(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HexToIntRows,
    ::testing::Values(Hex{"1F", 31}, Hex{"00A", 10}, Hex{"1f", 16}, Hex{"FE", 254}, Hex{"fe", 0},
                      Hex{"", 0}, Hex{"3E7", 999}, Hex{"1 2", 258},
                      // Sixteen digits fill the 64 bits; more wrap around rather than overflow.
                      Hex{"FFFFFFFFFFFFFFFF", -1}, Hex{"10000000000000000", 0}));

} // namespace
} // namespace px708
