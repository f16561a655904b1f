// The virtual reader under load: a memory filled with made-up readings over many lots and
// dumped at full speed, a download store filled for the ENQ loop, on-line readings on demand.

#include "sim/simclock.h"
#include "sim/simstate.h"
#include "tests/sim/knownreader.h"

#include <gtest/gtest.h>

#include <set>

namespace simtest {
namespace {

using px708::sim::civil;
using px708::sim::clockText;

constexpr char kEnq = '\x05';
constexpr char kAck = '\x06';

TEST(FillMemory, MadeUpReadingsAreDistinctValidAndInLotBlocks) {
    px708::sim::ReaderState state = px708::sim::freshState();
    px708::sim::fillMemory(state, 1000, 7);
    ASSERT_EQ(state.readings.size(), 1000u);
    EXPECT_EQ(state.capacity, 2000) << "a capacity that holds them is kept";

    std::set<std::string> codes;
    std::set<char> types;
    std::set<std::string> countries;
    int lot = 1;
    for (const auto& r : state.readings) {
        // Every made-up reading is a record line the reader itself would accept back.
        ASSERT_EQ(px708::sim::Reading::fromLine(r.line()), r) << r.line();
        ASSERT_GE(r.lot, lot) << "lots come in consecutive blocks";
        lot = r.lot;
        codes.insert(r.code);
        types.insert(r.type);
        countries.insert(r.country);
    }
    EXPECT_EQ(lot, 7);
    EXPECT_EQ(codes.size(), 1000u);
    EXPECT_EQ(types, (std::set<char>{'0', '1', '3', '4', '5', '8', 'C'}));
    EXPECT_TRUE(countries.contains("000") && countries.contains("3E7"));
    // The clock moves on a minute a reading and carries the right weekday.
    EXPECT_EQ(state.readings[0].clock, clockText(civil(2024, 1, 1, 8, 0, 0)));
    EXPECT_EQ(state.readings[999].clock, clockText(civil(2024, 1, 1, 8, 0, 0) + 999 * 60));

    px708::sim::fillMemory(state, 70000, 300);
    EXPECT_EQ(state.readings.size(), 65535u) << "no more than four hexadecimal digits count";
    EXPECT_EQ(state.readings.back().lot, 254);
    EXPECT_EQ(state.capacity, 65535);
}

TEST(FillMemory, ControlLineReplacesTheMemoryAndTheDumpServesIt) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    EXPECT_EQ(reader.sim->control("fill 1000 10"),
              std::vector<std::string>{"ok 1000 readings in lots 01 to 0A"});
    EXPECT_EQ(reader.port->ask("F", 1), std::vector<std::string>{"0000"});
    const auto lot5 = reader.port->ask("N05", 101);
    ASSERT_EQ(lot5.size(), 101u);
    for (std::size_t i = 0; i < 100; ++i)
        ASSERT_EQ(lot5[i].substr(0, 2), "05") << lot5[i];
    EXPECT_EQ(lot5[100], "NOK");
    // The file holds the new memory at once.
    EXPECT_NE(readFile(reader.statePath()).find("capacity 1000\n"), std::string::npos);
    for (const char* bad : {"fill", "fill x", "fill 10 0", "fill 10 255", "fill 65536"})
        EXPECT_TRUE(reader.sim->control(bad).back().starts_with("error: ")) << bad;
    EXPECT_EQ(reader.sim->control("fill 0"), std::vector<std::string>{"ok memory empty"});
    EXPECT_EQ(reader.port->ask("N", 1), std::vector<std::string>{"NOK"});
}

TEST(FillMemory, OptionFillsAtStartAndTenThousandRecordsComeAtFullSpeed) {
    KnownReader reader(kKnownState, {"--fill", "10000"});
    ASSERT_TRUE(reader.ready());
    reader.port->write("N\r");
    std::set<std::string> codes;
    std::string lastLot = "01";
    for (int i = 0; i < 10000; ++i) {
        const auto line = reader.port->line();
        ASSERT_TRUE(line && line->size() == 32) << "record " << i;
        ASSERT_GE(line->substr(0, 2), lastLot);
        lastLot = line->substr(0, 2);
        codes.insert(line->substr(2, 10));
    }
    EXPECT_EQ(reader.port->line(), "NOK");
    EXPECT_EQ(lastLot, "64") << "100 lots of 100";
    EXPECT_EQ(codes.size(), 10000u);
}

TEST(OnDemand, BurstSendsLiveReadingsAndFillstoreFeedsTheEnqLoop) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    ASSERT_EQ(reader.port->ask("\x1A"
                               "1",
                               1),
              std::vector<std::string>{"ON-LINE MODE"});
    EXPECT_EQ(reader.sim->control("burst 3").back(), "ok 3 transponders: sent");
    const auto live = reader.port->lines(3);
    ASSERT_EQ(live.size(), 3u);
    EXPECT_EQ(std::set<std::string>(live.begin(), live.end()).size(), 3u);
    for (const auto& l : live)
        EXPECT_EQ(l.size(), 10u) << l;

    EXPECT_EQ(reader.sim->control("fillstore 3"),
              std::vector<std::string>{"ok 5 readings in the download store"});
    std::vector<std::string> fetched;
    for (;;) {
        reader.port->write(std::string(1, kEnq));
        const auto b = reader.port->byte();
        ASSERT_TRUE(b);
        if (*b == kAck)
            break;
        const auto rest = reader.port->line();
        ASSERT_TRUE(rest);
        fetched.push_back(std::string(1, *b) + *rest);
    }
    ASSERT_EQ(fetched.size(), 5u);
    EXPECT_EQ(fetched[0], "0006E4F1A2") << "the store keeps its order: the old ones first";
    EXPECT_EQ(fetched[2], live[0]) << "made-up codes are numbered the same way";
}

TEST(OnDemand, BurstInZelmarModeStoresTheReadings) {
    KnownReader reader;
    ASSERT_TRUE(reader.ready());
    EXPECT_EQ(reader.sim->control("burst 2").back(), "ok 2 transponders: stored in lot 03");
    const auto lot3 = reader.port->ask("N03", 3);
    ASSERT_EQ(lot3.size(), 3u);
    EXPECT_EQ(lot3[2], "NOK");
}

} // namespace
} // namespace simtest
