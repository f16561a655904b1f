// The link over a real pseudo-terminal: a TComPort opened on the slave, the reader scripted
// on the master, deliveries received through the Qt event loop.

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "tests/link/recordingview.h"
#include "tests/support/ptypeer.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>

using namespace std::chrono_literals;

namespace px708 {
namespace {

using test::PtyPeer;
using test::RecordingView;
using test::settle;
using test::waitFor;

constexpr int kPort = 7;
const std::string kRefusalShown = "message " + std::string(kRefusalText);
using test::kRecord;

class LinkOverPty : public ::testing::Test {
protected:
    void SetUp() override {
        setPortMap({{kPort, peer.slavePath()}});
        port.setComNumber(kPort);
        port.setBaud(9600);
        port.OnTriggerAvail = [this](TComPort& cp, std::uint16_t n) {
            ++deliveries;
            link.Com1TriggerAvail(cp, n);
        };
        port.setOpen(true);
        link.setPause(0ms);
        view.recordFlows(link.flows());
    }

    // Writes one batch as the reader and waits until the port has announced it.
    void deliver(std::string_view bytes) {
        const int before = deliveries;
        peer.write(bytes);
        ASSERT_TRUE(waitFor([&] { return deliveries > before; })) << "no delivery";
        settle(60ms);
    }

    PtyPeer peer;
    TComPort port;
    RecordingView view;
    ReaderLink link{port, view};
    int deliveries = 0;
};

struct Batch {
    std::string bytes;
    std::vector<std::string> memo1After; // the port buffer view once the batch is handled
};

struct AssemblyCase {
    const char* name;
    std::int32_t state;
    bool fetchFirst; // start with "Fetch Readings" instead of only setting the state
    std::vector<Batch> batches;
    std::vector<std::string> events;
    std::int32_t finalState;
    std::string finalBuffer;
    std::size_t enqSent;
};

void PrintTo(const AssemblyCase& c, std::ostream* os) {
    *os << c.name;
}

class LineAssembly : public LinkOverPty, public ::testing::WithParamInterface<AssemblyCase> {};

TEST_P(LineAssembly, AssemblesAndHandsOnLines) {
    const AssemblyCase& c = GetParam();
    if (c.fetchFirst)
        link.fetchReadings();
    else
        link.setState(c.state);
    ASSERT_EQ(link.state(), c.state);
    for (std::size_t i = 0; i < c.batches.size(); ++i) {
        deliver(c.batches[i].bytes);
        EXPECT_EQ(view.lines("Memo1"), c.batches[i].memo1After) << "after batch " << i;
    }
    EXPECT_EQ(view.events, c.events);
    EXPECT_EQ(link.state(), c.finalState);
    EXPECT_EQ(link.replyBuffer(), c.finalBuffer);
    ASSERT_TRUE(peer.waitForBytes(c.enqSent, 500ms));
    settle(30ms);
    const std::string sent = peer.received();
    EXPECT_EQ(std::count(sent.begin(), sent.end(), '\x05'), static_cast<long>(c.enqSent));
    EXPECT_EQ(sent.size(), c.enqSent) << "only ENQ bytes go out";
}

const AssemblyCase kAssembly[] = {
    {"lines_split_over_batches_in_state_22",
     22,
     false,
     {{"05\r", {"05"}}, {"LOK\r", {"05", "LOK"}}},
     {"caption Labellot Current Lot No", "text lot 05", "caption Labellot Current Lot No"},
     22,
     "",
     0},
    {"line_completes_only_at_the_carriage_return",
     20,
     false,
     {{"0JOK", {}}, {"\r", {"0JOK"}}},
     {"radio rghexdec 0"},
     20,
     "",
     0},
    {"FF_completes_a_line_that_stays_in_the_buffer",
     20,
     false,
     {{"0JOK\xFF", {"0JOK\xFF"}}},
     {},
     20,
     "0JOK\xFF",
     0},
    {"unmatched_line_prefixes_the_next",
     7,
     false,
     {{"96aok\r", {"96aok"}}, {"96AOK\r", {"96aok", "96aok96AOK"}}},
     {},
     7,
     "96aok96AOK",
     0},
    {"two_carriage_returns_give_an_empty_live_line",
     0,
     false,
     {{"12345\r\r", {"12345", ""}}},
     {"memo Memo3 12345", "memo Memo3 "},
     0,
     "",
     0},
    {"FF_is_no_line_end_for_live_readings",
     0,
     false,
     {{"12\xFF"
       "34\r",
       {"12\xFF"
        "34"}}},
     {"memo Memo3 12\xFF"
      "34"},
     0,
     "",
     0},
    {"lone_ACK_ends_the_download_store",
     4,
     false,
     {{"\x06", {}}},
     {"memo Memo4 Download completed"},
     0,
     "",
     0},
    {"ACK_leaves_the_rest_of_the_batch_unread",
     4,
     false,
     {{"\x06"
       "55\r",
       {}},
      {"66\r", {"55", "66"}}},
     {"memo Memo4 Download completed", "memo Memo3 55", "memo Memo3 66"},
     0,
     "",
     0},
    {"short_store_line_asks_for_nothing_and_is_joined",
     4,
     false,
     {{"ABC\r", {"ABC"}}, {"DEF\r", {"ABC", "ABCDEF"}}},
     {"memo Memo4 ABC", "memo Memo4 ABCDEF"},
     4,
     "ABCDEF",
     0},
    {"reading_asks_for_the_next_until_ACK",
     4,
     true,
     {{"0006A1B2C3\r", {"0006A1B2C3"}}, {"\x06", {"0006A1B2C3"}}},
     {"memo Memo4 0006A1B2C3", "memo Memo4 Download completed"},
     0,
     "",
     2},
    {"MNO_then_01MOK_in_one_batch_leaves_01MOK_unread",
     5,
     false,
     {{"MNO\r01MOK\r", {"MNO"}}, {"11MOK\r", {"MNO", "01MOK", "11MOK"}}},
     {kRefusalShown, "radio Rgmodesave 0", "radio rgmodeseek 1", "radio Rgmodesave 0",
      "radio rgmodeseek 0"},
     5,
     "",
     0},
    {"mode_switch_shows_and_discards", 99, false, {{"Z0OK\rxy\r", {"Z0OK", "xy"}}}, {}, 99, "", 0},
    {"AOK_alone_empties_the_text_and_ends_the_batch",
     14,
     false,
     {{"AOK\r4142AOK\r", {"AOK"}}, {"\r", {"AOK", "4142AOK", ""}}},
     {"text messag ", "text messag A"},
     14,
     "",
     0},
    {"accepted_keylot_record_ends_the_batch",
     32,
     false,
     {{"SOK\rX\r", {"SOK"}}, {"Y\r", {"SOK", "X", "Y"}}},
     {"flow do_csv_download SOK", "memo Memo2 X", "memo Memo2 Y"},
     32,
     "",
     0},
    {"dump_record_leaves_what_follows_its_32_characters",
     24,
     false,
     {{kRecord + "NOK\r", {kRecord + "NOK"}}, {"\r", {kRecord + "NOK", "NOK"}}},
     {"flow dumpRecord " + kRecord, "memo Memo5 Download completed"},
     24,
     "",
     0},
};

INSTANTIATE_TEST_SUITE_P(Cases, LineAssembly, ::testing::ValuesIn(kAssembly),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(LinkOverPty, FlowMaySendTheNextCommandFromInsideTheHandler) {
    view.onFlow = [this](Flow f, const std::string&) {
        if (f == Flow::do_download)
            link.command(31, "S2");
    };
    link.command(31, "S1");
    ASSERT_TRUE(peer.waitForBytes(3, 1000ms));
    deliver("SOK\r");
    ASSERT_TRUE(peer.waitForBytes(6, 1000ms));
    EXPECT_EQ(peer.received(), "S1\rS2\r");
    EXPECT_EQ(link.state(), 31);
    EXPECT_EQ(link.replyBuffer(), "");
}

// A modal dialog or a flow runs a nested event loop; once the port's delivery limit has passed,
// the next delivery is handled inside it, before the outer handler returns.
TEST_F(LinkOverPty, DeliveryDuringTheRefusalDialogIsNotJoinedToTheRefusedLine) {
    link.setState(5);
    view.onMessage = [this] {
        const int outer = deliveries;
        peer.write("11MOK\r");
        ASSERT_TRUE(waitFor([&] { return deliveries > outer; }, 8000ms));
        settle(60ms);
    };
    deliver("MNO\r01MOK\r");
    EXPECT_EQ(view.lines("Memo1"), (std::vector<std::string>{"MNO", "01MOK", "11MOK"}));
    EXPECT_EQ(view.events,
              (std::vector<std::string>{kRefusalShown, "radio Rgmodesave 0", "radio rgmodeseek 1",
                                        "radio Rgmodesave 0", "radio rgmodeseek 0"}));
    EXPECT_EQ(link.replyBuffer(), "");
}

TEST_F(LinkOverPty, HandlerStopsQuietlyWhenANestedDeliveryTookItsBytes) {
    link.setState(31);
    view.onFlow = [this](Flow f, const std::string&) {
        if (f != Flow::do_download)
            return;
        const int outer = deliveries;
        peer.write("Y\r");
        ASSERT_TRUE(waitFor([&] { return deliveries > outer; }, 8000ms));
        settle(60ms);
    };
    EXPECT_NO_THROW(deliver("SOK\rX\r"));
    EXPECT_EQ(view.lines("Memo1"), (std::vector<std::string>{"SOK", "X", "XY"}));
    EXPECT_EQ(link.replyBuffer(), "XY");
}

// Pacing: the pause after every character, twice the pause when the marker is in the
// command, none after the carriage return.
struct PacingCase {
    const char* name;
    std::string command;
    int pausesExpected; // in units of the pause
};

void PrintTo(const PacingCase& c, std::ostream* os) {
    *os << c.name;
}

class Pacing : public LinkOverPty, public ::testing::WithParamInterface<PacingCase> {};

TEST_P(Pacing, SleepsThePauseAfterEveryCharacter) {
    const PacingCase& c = GetParam();
    constexpr auto pause = 40ms;
    link.setPause(pause);
    const auto start = std::chrono::steady_clock::now();
    link.sendit(c.command);
    const auto took = std::chrono::steady_clock::now() - start;

    const std::string wire = c.command + "\r";
    ASSERT_TRUE(peer.waitForBytes(wire.size(), 2000ms));
    EXPECT_EQ(peer.received(), wire);

    const auto expected = c.pausesExpected * pause;
    if (expected == 0ms) {
        EXPECT_LT(took, pause);
        return;
    }
    const double ratio = std::chrono::duration<double>(took) / expected;
    EXPECT_GE(ratio, 0.98);
    EXPECT_LE(ratio, 1.8);
    // Seen from the reader: the carriage return follows the first character by the pauses.
    const auto times = peer.arrivals();
    const double spread = std::chrono::duration<double>(times.back() - times.front()) / expected;
    EXPECT_GE(spread, 0.8);
    EXPECT_LE(spread, 1.8);
}

INSTANTIATE_TEST_SUITE_P(Commands, Pacing,
                         ::testing::Values(PacingCase{"one_character", "T", 1},
                                           PacingCase{"five_characters", "ABCDE", 5},
                                           PacingCase{"marker_doubles_the_pause",
                                                      "\x1A"
                                                      "0",
                                                      4},
                                           PacingCase{"marker_anywhere_doubles", "AB\x1A", 6},
                                           PacingCase{"empty_sends_the_carriage_return_alone", "",
                                                      0}),
                         [](const auto& row) { return std::string(row.param.name); });

// The mode operations: wire form at the reader, command state and the label `mode`.
enum class ModeAction { connect, zelmar, online };

struct ModeCase {
    const char* name;
    ModeAction action;
    int page;
    std::string wire;
    std::int32_t state;
    std::vector<std::string> labels;
};

void PrintTo(const ModeCase& c, std::ostream* os) {
    *os << c.name;
}

std::string_view run(ReaderLink& link, const ModeCase& c) {
    switch (c.action) {
    case ModeAction::connect:
        return link.connectForPage(c.page);
    case ModeAction::zelmar:
        return link.setZelmarMode();
    case ModeAction::online:
        return link.setOnlineMode();
    }
    return {};
}

class ModeCommands : public LinkOverPty, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(ModeCommands, SendMarkerAndDigit) {
    const ModeCase& c = GetParam();
    link.command(22, "L");
    ASSERT_TRUE(peer.waitForBytes(2, 1000ms));
    deliver("3");
    const std::string_view label = run(link, c);
    EXPECT_EQ(label, c.labels.back());
    EXPECT_EQ(view.captions["mode"], c.labels);
    EXPECT_EQ(link.state(), c.state);
    EXPECT_EQ(link.replyBuffer(), "3") << "the mode operations keep the reply buffer";
    const std::string expected = "L\r" + c.wire;
    ASSERT_TRUE(peer.waitForBytes(expected.size(), 1000ms));
    settle(30ms);
    EXPECT_EQ(peer.received(), expected);
}

const std::string kOff(kModeOffLine), kZelmar(kModeZelmar), kOnline(kModeOnline);

INSTANTIATE_TEST_SUITE_P(
    Operations, ModeCommands,
    ::testing::Values(
        ModeCase{"connect_settings",
                 ModeAction::connect,
                 page::settings1,
                 "\x1A"
                 "0\r",
                 99,
                 {kOff, kZelmar}},
        ModeCase{"connect_zelmar_page",
                 ModeAction::connect,
                 page::zelmarSettings2,
                 "\x1A"
                 "0\r",
                 99,
                 {kOff, kZelmar}},
        ModeCase{"connect_online_settings_4",
                 ModeAction::connect,
                 page::onlineSettings4,
                 "\x1A"
                 "0\r",
                 99,
                 {kOff, kZelmar}},
        ModeCase{"connect_data",
                 ModeAction::connect,
                 page::data,
                 "\x1A"
                 "0\r",
                 99,
                 {kOff, kZelmar}},
        ModeCase{"connect_keylot",
                 ModeAction::connect,
                 page::keylotUpload,
                 "\x1A"
                 "0\r",
                 99,
                 {kOff, kZelmar}},
        ModeCase{"connect_online_readings",
                 ModeAction::connect,
                 page::onlineSettings3,
                 "\x1A"
                 "1\r",
                 0,
                 {kOff, kOnline}},
        ModeCase{"connect_cover_sends_nothing", ModeAction::connect, page::cover, "", 22, {kOff}},
        ModeCase{"zelmar_button",
                 ModeAction::zelmar,
                 0,
                 "\x1A"
                 "0\r",
                 99,
                 {kZelmar}},
        ModeCase{"online_button_sets_99",
                 ModeAction::online,
                 0,
                 "\x1A"
                 "1\r",
                 99,
                 {kOnline}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(LinkOverPty, AfterTheOnlineButtonReadingsShowOnlyInThePortBuffer) {
    link.connectForPage(page::onlineSettings3);
    link.setZelmarMode();
    link.setOnlineMode();
    deliver("0006A1B2C3\r");
    EXPECT_EQ(view.lines("Memo1"), std::vector<std::string>{"0006A1B2C3"});
    EXPECT_TRUE(view.lines("Memo3").empty());
    EXPECT_EQ(link.replyBuffer(), "");
}

TEST_F(LinkOverPty, ConnectToAZelmarPageTakesTwoDoubledPauses) {
    link.setPause(40ms);
    const auto start = std::chrono::steady_clock::now();
    link.connectForPage(page::data);
    const double ratio =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start) / (4 * 40ms);
    EXPECT_GE(ratio, 0.98);
    EXPECT_LE(ratio, 1.8);
}

// A closed port: the guards and what a failed send leaves behind.
class ClosedPort : public ::testing::Test {
protected:
    // As on the window: a closed port does not open itself on a write.
    void SetUp() override { port.setAutoOpen(false); }

    TComPort port;
    RecordingView view;
    ReaderLink link{port, view};
};

TEST_F(ClosedPort, ConnectKeepsTheOffLineLabelWhenTheSendFails) {
    EXPECT_THROW(link.connectForPage(page::settings1), EComPortException);
    EXPECT_EQ(view.captions["mode"], std::vector<std::string>{kOff});
    EXPECT_EQ(link.state(), 99);
}

TEST_F(ClosedPort, ModeButtonKeepsTheLabelWhenTheSendFails) {
    EXPECT_THROW(link.setOnlineMode(), EComPortException);
    EXPECT_TRUE(view.captions["mode"].empty());
}

TEST_F(ClosedPort, CommandSetsTheStateBeforeTheSendFails) {
    link.setState(99);
    EXPECT_THROW(link.command(18, "F"), ECommNotOpen);
    EXPECT_EQ(link.state(), 18);
}

TEST_F(ClosedPort, FetchInStateZeroAsksToConnect) {
    EXPECT_FALSE(link.activeport_online());
    EXPECT_NO_THROW(link.fetchReadings());
    EXPECT_EQ(view.events,
              (std::vector<std::string>{"box Click on CONNECT!", "box Click on CONNECT!"}));
    EXPECT_EQ(link.state(), 0);
    EXPECT_TRUE(link.activeport());
}

TEST_F(ClosedPort, FetchInAnotherStateGoesToThePort) {
    link.setState(22);
    EXPECT_TRUE(link.activeport_online());
    EXPECT_THROW(link.fetchReadings(), ECommNotOpen);
    EXPECT_TRUE(view.events.empty());
}

TEST_F(ClosedPort, ShowMessageReplacesOnlyTheMarkerText) {
    link.show_message("x");
    link.show_message("No read");
    link.show_message("X");
    EXPECT_EQ(view.events,
              (std::vector<std::string>{kRefusalShown, "message No read", "message X"}));
}

} // namespace
} // namespace px708

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
