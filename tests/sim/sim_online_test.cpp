// On-line mode: readings sent as they are made, and the download store served one reading per
// ENQ until a lone ACK.

#include "tests/sim/knownreader.h"

#include <gtest/gtest.h>

namespace simtest {
namespace {

constexpr char kEnq = '\x05';
constexpr char kAck = '\x06';

// The known reader with an empty download store (and no transponders waiting for "I").
std::string withoutStore() {
    const std::string state = kKnownState;
    return state.substr(0, state.find("\nstore ") + 1);
}

void goOnline(KnownReader& reader) {
    ASSERT_EQ(reader.port->ask("\x1A"
                               "1",
                               1),
              std::vector<std::string>{"ON-LINE MODE"});
}

TEST(DownloadStore, EachEnqGivesTheNextReadingThenAck) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    goOnline(reader);
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->line(), "0006E4F1A2");
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->line(), "0000BC614E");
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->byte(), kAck);
    // The store stays empty: the next ENQ is answered with ACK again, and nothing else came.
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->chunk(), std::string(1, kAck));
}

TEST(DownloadStore, StoreControlAddsAReading) {
    KnownReader reader(withoutStore());
    ASSERT_TRUE(reader.ready());
    goOnline(reader);
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->byte(), kAck);
    ASSERT_EQ(reader.sim->control("store 0006a1b2c3"), std::vector<std::string>{"ok"});
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->line(), "0006A1B2C3");
}

TEST(DownloadStore, EnqIsIgnoredInZelmarMode) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    reader.port->write(std::string(1, kEnq));
    // ENQ is no part of a command either: "V" right after it is answered as usual.
    EXPECT_EQ(reader.port->ask("V", 1), std::vector<std::string>{kVersion});
    goOnline(reader);
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->line(), "0006E4F1A2");
}

struct Live {
    std::string name;
    std::vector<std::string> setup; // text settings answered "AOK", sent in Zelmar mode
    std::string control;
    std::string expectLine;
};

std::ostream& operator<<(std::ostream& os, const Live& l) {
    return os << l.name;
}

class LiveReading : public ::testing::TestWithParam<Live> {};

TEST_P(LiveReading, IsSentAtOnceAsALine) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    for (const auto& c : GetParam().setup)
        ASSERT_EQ(reader.port->ask(c, 1), std::vector<std::string>{"AOK"}) << c;
    goOnline(reader);
    ASSERT_EQ(reader.sim->control(GetParam().control).size(), 1u);
    EXPECT_EQ(reader.port->line(), GetParam().expectLine);
}

INSTANTIATE_TEST_SUITE_P(Reader, LiveReading,
                         ::testing::Values(Live{"PlainCode", {}, "read 0006A1B2C3", "0006A1B2C3"},
                                           Live{"WithPrefixAndSuffix",
                                                {"AP49443A", "AS230D"},
                                                "read 0006A1B2C3",
                                                "ID:0006A1B2C3#"},
                                           Live{"NoDecodeMessage", {}, "read", "NO READ"}),
                         [](const auto& row) { return row.param.name; });

TEST(LiveReading, ScanAndStoreKeepsACopyInTheDownloadStore) {
    KnownReader reader(withoutStore());
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.port->ask("AH1", 1), std::vector<std::string>{"1AOK"});
    goOnline(reader);
    ASSERT_EQ(reader.sim->control("read 16FEE0E52D"),
              std::vector<std::string>{"ok sent and kept in the download store"});
    EXPECT_EQ(reader.port->line(), "16FEE0E52D");
    reader.port->write(std::string(1, kEnq));
    EXPECT_EQ(reader.port->line(), "16FEE0E52D");
}

TEST(LiveReading, NoDecodeMessageOffSendsNothing) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.port->ask("AI0", 1), std::vector<std::string>{"0AOK"});
    goOnline(reader);
    ASSERT_EQ(reader.sim->control("read"), std::vector<std::string>{"ok no transponder"});
    ASSERT_EQ(reader.sim->control("read 0006A1B2C3").size(), 1u);
    EXPECT_EQ(reader.port->line(), "0006A1B2C3");
}

} // namespace
} // namespace simtest
