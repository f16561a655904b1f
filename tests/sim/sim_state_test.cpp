// The state file: what is written reads back as the same reader, bad files are refused with the
// line that is wrong, and a reader kept in a file between runs comes back as it was left.

#include "sim/simstate.h"
#include "tests/sim/knownreader.h"

#include <gtest/gtest.h>

#include <csignal>

namespace simtest {
namespace {

using px708::sim::formatState;
using px708::sim::freshState;
using px708::sim::parseState;
using px708::sim::ReaderState;
using px708::sim::StateError;

ReaderState unusual() {
    ReaderState s = freshState();
    s.lot = 0xFE;
    s.keylot = 0x0A;
    s.baud = "19";
    s.seek = true;
    s.save = false;
    s.enq = false;
    s.leds = 3;
    s.tone = 2;
    s.message = "";
    s.prefix = std::string("\x01\xFF"
                           "a b",
                           5); // control and high bytes, blanks
    s.suffix = "\n";
    s.top = " padded  ";
    s.clockOffset = -86400 * 400 - 7;
    s.capacity = 0;
    s.store.clear();
    s.queue = {"0000000000", "FFFFFFFFFF"};
    return s;
}

TEST(StateFile, RoundTripKeepsEveryValue) {
    for (const ReaderState& s : {freshState(), unusual(), ReaderState{}}) {
        const std::string text = formatState(s);
        EXPECT_EQ(parseState(text), s) << text;
    }
}

TEST(StateFile, FreshReaderHasTheRealisticReadings) {
    const ReaderState s = freshState();
    auto has = [&](char type, const std::string& country) {
        return std::any_of(s.readings.begin(), s.readings.end(), [&](const auto& r) {
            return r.type == type && (country.empty() || r.country == country);
        });
    };
    EXPECT_TRUE(has('5', "3D9")); // ISO FDX-B with a country code
    EXPECT_TRUE(has('C', "000")); // AVID
    EXPECT_TRUE(has('3', ""));
    EXPECT_TRUE(has('0', "000")); // country code 000
    for (const auto& r : s.readings)
        EXPECT_EQ(px708::sim::Reading::fromLine(r.line()), r) << r.line();
}

struct BadFile {
    std::string name;
    std::string text;
    std::string line; // the line the error names
};

std::ostream& operator<<(std::ostream& os, const BadFile& b) {
    return os << b.name;
}

class StateFileError : public ::testing::TestWithParam<BadFile> {};

TEST_P(StateFileError, NamesTheLine) {
    try {
        parseState(GetParam().text);
        ADD_FAILURE() << "accepted";
    } catch (const StateError& e) {
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().line + ":", 0), 0u) << e.what();
    }
}

const std::string kHead = "px708-sim-state 1\n";

INSTANTIATE_TEST_SUITE_P(
    Reader, StateFileError,
    ::testing::Values(BadFile{"NoHeader", "lot 01\n", "line 1"}, BadFile{"EmptyFile", "", "line 1"},
                      BadFile{"UnknownKey", kHead + "colour red\n", "line 2"},
                      BadFile{"LotOutOfRange", kHead + "# comment\nlot FF\n", "line 3"},
                      BadFile{"BaudCode", kHead + "baud 97\n", "line 2"},
                      BadFile{"SwitchNotBinary", kHead + "save 2\n", "line 2"},
                      BadFile{"TextOddHex", kHead + "prefix 414\n", "line 2"},
                      BadFile{"CaptionTooLong", kHead + "top " + std::string(34, '4') + "\n",
                              "line 2"},
                      BadFile{"ShortReading", kHead + "reading 0102DFDC1C35\n", "line 2"},
                      BadFile{"StoreLowerCase", kHead + "store 0006e4f1a2\n", "line 2"},
                      BadFile{"CapacityTooLarge", kHead + "capacity 65536\n", "line 2"},
                      BadFile{"OffsetNotANumber", kHead + "clock-offset 1h\n", "line 2"}),
    [](const auto& row) { return row.param.name; });

TEST(StateFile, MissingFileIsAFreshReaderSavedAtOnce) {
    TempDir dir;
    const std::string path = dir.file("new-state.txt");
    SimProcess sim({"--state", path});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(parseState(readFile(path)), freshState());
}

TEST(StateFile, AnUnreadableStateStopsTheProgram) {
    TempDir dir;
    const std::string path = dir.file("state.txt");
    writeFile(path, "not a state\n");
    SimProcess sim({"--state", path});
    EXPECT_FALSE(sim.started());
    EXPECT_EQ(sim.wait(), 1);
    EXPECT_EQ(readFile(path), "not a state\n");
}

// Changes made over the line are in the file as soon as they are answered, and a new run of the
// program starts from them.
TEST(StateFile, ReaderComesBackAsItWasLeft) {
    TempDir dir;
    const std::string path = dir.file("state.txt");
    writeFile(path, kKnownState);
    const std::string record = "05896745230123041607090500000000";
    {
        SimProcess sim({"--state", path});
        ASSERT_TRUE(sim.started());
        PortClient port(sim.slave());
        EXPECT_EQ(port.ask("L0A", 1), std::vector<std::string>{"LOK"});
        EXPECT_EQ(port.ask("AB19", 1), std::vector<std::string>{"19AOK"});
        EXPECT_EQ(port.ask("AP3E3E", 1), std::vector<std::string>{"AOK"});
        EXPECT_EQ(port.ask("XDEMO", 1), std::vector<std::string>{"XOK"});
        EXPECT_EQ(port.ask("T2304150614300500", 1), std::vector<std::string>{"TOK"});
        EXPECT_EQ(port.ask("S" + record, 1), std::vector<std::string>{"SOK"});
        EXPECT_EQ(port.ask("I", 1), std::vector<std::string>{"0006A1B2C3"});
        const ReaderState saved = parseState(readFile(path));
        EXPECT_EQ(saved.lot, 0x0A);
        EXPECT_EQ(saved.top, "DEMO");
        sim.stop(SIGKILL); // nothing more is saved at the end
    }
    SimProcess sim({"--state", path});
    ASSERT_TRUE(sim.started());
    PortClient port(sim.slave());
    EXPECT_EQ(port.ask("L", 2), (std::vector<std::string>{"0A", "LOK"}));
    EXPECT_EQ(port.ask("AB", 1), std::vector<std::string>{"19AOK"});
    EXPECT_EQ(port.ask("AP", 1), std::vector<std::string>{"3E3EAOK"});
    EXPECT_EQ(port.ask("N05", 2), (std::vector<std::string>{record, "NOK"}));
    EXPECT_EQ(port.ask("I", 1), std::vector<std::string>{"16FEE0E52D"});
    const auto clock = port.ask("T", 1);
    ASSERT_EQ(clock.size(), 1u);
    EXPECT_EQ(clock[0].substr(0, 10), "2304150614");
}

TEST(StateFile, StateControlPrintsTheFileFormat) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    const auto lines = reader.sim->control("state");
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "ok");
    std::string text;
    for (const auto& l : lines)
        if (l.rfind("mode ", 0) != 0 && l.rfind("clock ", 0) != 0 && l != "ok")
            text += l + "\n";
    EXPECT_EQ(parseState(text), parseState(kKnownState));
    EXPECT_NE(std::find(lines.begin(), lines.end(), "mode zelmar"), lines.end());
}

} // namespace
} // namespace simtest
