// The line itself: the link to the slave, pacing losses, split and delayed replies, the end of
// the program, and a PC side that closes and opens the port again.

#include "tests/sim/knownreader.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>
#include <unistd.h>

namespace simtest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string linkTarget(const std::string& path) {
    std::error_code ec;
    const auto target = fs::read_symlink(path, ec);
    return ec ? std::string() : target.string();
}

TEST(Link, PointsAtTheSlaveAndGoesAtTheEnd) {
    TempDir dir;
    const std::string link = dir.file("COM1");
    SimProcess sim({"--link", link});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(linkTarget(link), sim.slave());
    PortClient port(link);
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.ask("V", 1), std::vector<std::string>{kVersion});
    EXPECT_EQ(sim.stop(SIGTERM), 0);
    EXPECT_FALSE(fs::is_symlink(link));
}

TEST(Link, AStaleLinkIsReplaced) {
    TempDir dir;
    const std::string link = dir.file("COM1");
    fs::create_symlink("/dev/pts/does-not-exist", link);
    SimProcess sim({"--link", link});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(linkTarget(link), sim.slave());
    EXPECT_EQ(sim.stop(SIGINT), 0);
    EXPECT_FALSE(fs::is_symlink(link));
}

TEST(Link, AnOrdinaryFileIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("COM1");
    writeFile(path, "keep me");
    SimProcess sim({"--link", path});
    EXPECT_FALSE(sim.started());
    EXPECT_EQ(sim.wait(), 1);
    EXPECT_EQ(readFile(path), "keep me");
}

TEST(Link, QuitControlEndsTheProgram) {
    SimProcess sim({});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(sim.control("quit"), std::vector<std::string>{"ok"});
    EXPECT_EQ(sim.wait(), 0);
}

TEST(Link, ThePortCanBeClosedAndOpenedAgain) {
    SimProcess sim({});
    ASSERT_TRUE(sim.started());
    {
        PortClient port(sim.slave());
        EXPECT_EQ(port.ask("L", 2), (std::vector<std::string>{"03", "LOK"}));
    }
    PortClient again(sim.slave());
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(again.ask("L", 2), (std::vector<std::string>{"03", "LOK"}));
}

// With a minimum gap of 100 ms, pieces written 300 ms apart all count, and every character of a
// piece after its first is lost.
struct Paced {
    std::string name;
    std::vector<std::string> pieces;
    std::string expect;
};

std::ostream& operator<<(std::ostream& os, const Paced& p) {
    return os << p.name;
}

class MinGap : public ::testing::TestWithParam<Paced> {};

TEST_P(MinGap, CharactersArrivingTooSoonAreLost) {
    KnownReader reader(kKnownState, {"--min-gap", "100"});
    ASSERT_TRUE(reader.ready());
    reader.port->writePaced(GetParam().pieces, 300ms);
    EXPECT_EQ(reader.port->line(), GetParam().expect);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, MinGap,
    ::testing::Values(Paced{"PacedCommandIsAnswered", {"A", "B", "\r"}, "96AOK"},
                      Paced{"SecondLetterLost", {"VV", "\r"}, kVersion},
                      Paced{"UnpacedCommandLosesItsTail", {"AB96", "\r"}, "ANO"},
                      Paced{"LostCarriageReturnJoinsTheNextCommand", {"L\r", "\r"}, "03"},
                      Paced{"ModeSwitchWithDoublePause", {"\x1A", "0", "\r"}, "ZELMAR MODE"}),
    [](const auto& row) { return row.param.name; });

TEST(MinGap, WithoutAGapNothingIsLost) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    reader.port->write("AB19\rAB\r");
    EXPECT_EQ(reader.port->lines(2), (std::vector<std::string>{"19AOK", "19AOK"}));
}

TEST(ReplyShape, SplitDeliversRepliesInPieces) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.sim->control("split 4 80"), std::vector<std::string>{"ok"});
    reader.port->write("AX\r");
    std::string whole;
    std::size_t pieces = 0;
    while (whole.find('\r') == std::string::npos) {
        const std::string piece = reader.port->chunk();
        ASSERT_FALSE(piece.empty());
        EXPECT_LE(piece.size(), 4u);
        whole += piece;
        ++pieces;
    }
    EXPECT_EQ(whole, "4E4F20524541440DAOK\r");
    EXPECT_EQ(pieces, 5u);
}

TEST(ReplyShape, DelayHoldsEachReplyBack) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.sim->control("delay 300"), std::vector<std::string>{"ok"});
    const auto start = Clock::now();
    EXPECT_EQ(reader.port->ask("V", 1), std::vector<std::string>{kVersion});
    EXPECT_GE(Clock::now() - start, 300ms);
}

TEST(ReplyShape, UnknownControlIsAnError) {
    SimProcess sim({});
    ASSERT_TRUE(sim.started());
    for (const std::string bad : {"frobnicate", "split", "split x", "delay", "refuse"}) {
        const auto answer = sim.control(bad);
        ASSERT_EQ(answer.size(), 1u) << bad;
        EXPECT_EQ(answer[0].rfind("error: ", 0), 0u) << bad;
    }
}

TEST(Log, KeepsBothDirectionsAndLosses) {
    TempDir dir;
    const std::string log = dir.file("sim.log");
    {
        KnownReader reader(kKnownState, {"--log", log, "--min-gap", "100"});
        ASSERT_TRUE(reader.ready());
        reader.port->writePaced({"VX", "\r"}, 300ms);
        ASSERT_TRUE(reader.port->line());
        EXPECT_EQ(reader.sim->stop(SIGTERM), 0);
    }
    const std::string text = readFile(log);
    EXPECT_NE(text.find("<< VX"), std::string::npos) << text;
    EXPECT_NE(text.find("lost X"), std::string::npos) << text;
    EXPECT_NE(text.find(std::string(">> ") + kVersion + "<0D>"), std::string::npos) << text;
}

TEST(Control, FifoTakesControlLines) {
    TempDir dir;
    const std::string fifo = dir.file("control");
    KnownReader reader(kKnownState, {"--control", fifo});
    ASSERT_TRUE(reader.ready());
    ASSERT_TRUE(fs::is_fifo(fifo));
    {
        std::ofstream out(fifo);
        out << "refuse V\n";
    }
    // The answer goes to standard output; wait for it before sending the command.
    ASSERT_EQ(reader.sim->outputLine(), "ok");
    EXPECT_EQ(reader.port->ask("V", 1), std::vector<std::string>{"VNO"});
    EXPECT_EQ(reader.sim->stop(SIGTERM), 0);
    EXPECT_FALSE(fs::exists(fifo));
}

} // namespace
} // namespace simtest
