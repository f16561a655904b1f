#include "serial/comerrors.h"
#include "serial/tracelog.h"
#include "tests/tracelog/scratch.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace px708 {
namespace {

using Entries = std::vector<std::pair<char, std::uint8_t>>;

Entries run(char kind, const std::string& bytes) {
    Entries e;
    for (const char c : bytes)
        e.emplace_back(kind, static_cast<std::uint8_t>(c));
    return e;
}

Entries operator+(Entries a, const Entries& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct TraceCase {
    const char* name;
    std::uint32_t size;
    Entries entries;
    bool hex;
    bool allHex;
    std::string expected;
};

class TraceFile : public test::ScratchDir, public ::testing::WithParamInterface<TraceCase> {};

TEST_P(TraceFile, WritesTheEntriesByteForByte) {
    const TraceCase& c = GetParam();
    TraceBuffer trace(c.size);
    for (const auto& [kind, byte] : c.entries)
        trace.add(kind, byte);
    trace.write(path("px708.TRC"), false, c.hex, c.allHex);
    EXPECT_EQ(contents(path("px708.TRC")), c.expected);
}

const std::string k19Items = "[00][01][02][03][04][05][06][07][08][09][0A][0B][0C][0D][0E][0F]"
                             "[10][11][12]";

INSTANTIATE_TEST_SUITE_P(
    Trace, TraceFile,
    ::testing::Values(
        TraceCase{"SendHashReceiveAOK", 10000, run('T', "#") + run('R', "AOK\r"), true, true,
                  "Transmit: \r\n[23]\r\n\r\nReceive: \r\n[41][4F][4B][0D]"},
        TraceCase{"WrapStartsAtOldestAcrossRuns", 3, run('T', "\x01\x02") + run('R', "\x03\x04"),
                  true, true, "Transmit: \r\n[02]\r\n\r\nReceive: \r\n[03][04]"},
        TraceCase{"ExactlyFullRingWritesAll", 2, run('T', "\x01") + run('R', "\x02"), true, true,
                  "Transmit: \r\n[01]\r\n\r\nReceive: \r\n[02]"},
        TraceCase{"OtherKindIsSpecial", 10000, run('X', "A") + run('T', "B"), true, true,
                  "Special-X: \r\n[41]\r\n\r\nTransmit: \r\n[42]"},
        TraceCase{"HexShowsBlankAndControlsInHex", 10000, run('R', " !~\x7f\n\xff"), true, false,
                  "Receive: \r\n[20]!~[7F][0A][FF]"},
        TraceCase{"DecimalShowsBlankAsItself", 10000,
                  run('R', std::string(" ~\x00\x09\x0a\x1f\x7f\xff", 8)), false, false,
                  "Receive: \r\n ~[0][9][10][31][127][255]"},
        TraceCase{"LineBreaksOnlyPast78Columns", 10000,
                  run('T', std::string(73, 'a') + "\xc8" + "b"), false, false,
                  "Transmit: \r\n" + std::string(73, 'a') + "[200]\r\nb"},
        TraceCase{"NewRunStartsAtColumnZero", 10000,
                  run('T', std::string(70, 'a')) + run('R', std::string(9, 'b')), false, false,
                  "Transmit: \r\n" + std::string(70, 'a') + "\r\n\r\nReceive: \r\n" +
                      std::string(9, 'b')}),
    [](const auto& row) { return std::string(row.param.name); });

class TraceDump : public test::ScratchDir {};

TEST_F(TraceDump, TwentyBytesGiveALineOf19AndALineOfOne) {
    TraceBuffer trace(10000);
    for (std::uint8_t b = 0; b < 20; ++b)
        trace.add('T', b);
    trace.write(path("t.TRC"), false, true, true);
    EXPECT_EQ(contents(path("t.TRC")), "Transmit: \r\n" + k19Items + "\r\n[13]");
}

TEST_F(TraceDump, RunsOfFullLinesBreakBeforeTheNextHeading) {
    TraceBuffer trace(10000);
    for (int i = 0; i < 19; ++i)
        trace.add('T', 'a');
    for (int i = 0; i < 20; ++i)
        trace.add('R', 'b');
    trace.write(path("t.TRC"), false, true, true);
    std::string as, bs;
    for (int i = 0; i < 19; ++i) {
        as += "[61]";
        bs += "[62]";
    }
    EXPECT_EQ(contents(path("t.TRC")),
              "Transmit: \r\n" + as + "\r\n\r\nReceive: \r\n" + bs + "\r\n[62]");
}

TEST_F(TraceDump, After10001BytesIn10000EntriesTheFileStartsWithTheSecond) {
    TraceBuffer trace(10000);
    for (int i = 0; i <= 10000; ++i)
        trace.add('T', static_cast<std::uint8_t>(i));
    trace.write(path("t.TRC"), false, true, true);
    const std::string file = contents(path("t.TRC"));
    // 10000 items of 4 columns, 19 to a line: 527 lines, 526 line ends.
    EXPECT_EQ(file.size(), 12u + 10000u * 4u + 526u * 2u);
    EXPECT_EQ(file.substr(0, 24), "Transmit: \r\n[01][02][03]");
    EXPECT_EQ(file.substr(file.size() - 26), "\r\n[0B][0C][0D][0E][0F][10]");
}

TEST_F(TraceDump, EmptyTraceWritesNoFileAndKeepsAnExistingOne) {
    TraceBuffer trace(10000);
    trace.write(path("new.TRC"), false, true, true);
    EXPECT_FALSE(exists(path("new.TRC")));

    put(path("old.TRC"), "earlier run");
    trace.add('T', 1);
    trace.clear();
    trace.write(path("old.TRC"), false, true, true);
    trace.write(path("old.TRC"), true, true, true);
    EXPECT_EQ(contents(path("old.TRC")), "earlier run");
}

TEST_F(TraceDump, AppendAddsToAnExistingFileAndDumpReplacesIt) {
    TraceBuffer trace(10000);
    trace.add('T', '#');
    put(path("a.TRC"), "earlier run");
    trace.write(path("a.TRC"), true, true, true);
    EXPECT_EQ(contents(path("a.TRC")), "earlier runTransmit: \r\n[23]");

    trace.write(path("missing.TRC"), true, true, true);
    EXPECT_EQ(contents(path("missing.TRC")), "Transmit: \r\n[23]");

    put(path("d.TRC"), "a much longer earlier run than the new one");
    trace.write(path("d.TRC"), false, true, true);
    EXPECT_EQ(contents(path("d.TRC")), "Transmit: \r\n[23]");
}

TEST(TraceBufferSize, IsCappedAndZeroRecordsNothing) {
    EXPECT_EQ(TraceBuffer(5000000).capacity(), TraceBuffer::kMaxSize);
    TraceBuffer none(0);
    none.add('T', 1);
    EXPECT_TRUE(none.empty());
}

struct WriteFailure {
    const char* name;
    std::string file; // inside the scratch folder
    int code;
    const char* message;
    bool readOnly;
    int systemError; // the errno the exception keeps
};

class UnwritableFile : public test::ScratchDir,
                       public ::testing::WithParamInterface<WriteFailure> {};

TEST_P(UnwritableFile, RaisesTheInputOutputErrorForTraceAndLog) {
    const WriteFailure& c = GetParam();
    if (c.readOnly) {
        if (geteuid() == 0)
            GTEST_SKIP() << "root writes read-only files";
        put(path(c.file), "kept");
        ASSERT_EQ(chmod(path(c.file).c_str(), 0444), 0);
    }
    std::filesystem::create_directory(path("folder"));

    TraceBuffer trace(10);
    trace.add('T', 1);
    DispatchLog log(100);
    log.add(DispatchLog::tDispatch, DispatchLog::sWriteCom, 0, 1, std::vector<std::uint8_t>{1});

    for (const bool append : {false, true}) {
        try {
            trace.write(path(c.file), append, true, true);
            ADD_FAILURE() << "trace dump did not raise";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.SystemError(), c.systemError);
        }
        try {
            log.write(path(c.file), append, true, true, "COM1");
            ADD_FAILURE() << "log dump did not raise";
        } catch (const EInOutError& e) {
            EXPECT_EQ(e.ErrorCode(), c.code);
            EXPECT_STREQ(e.what(), c.message);
            EXPECT_EQ(e.SystemError(), c.systemError);
        }
    }
    EXPECT_FALSE(trace.empty()) << "discarding the buffer is the caller's job";
    if (c.readOnly) {
        EXPECT_EQ(contents(path(c.file)), "kept");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Dump, UnwritableFile,
    ::testing::Values(
        WriteFailure{"MissingFolder", "nowhere/px708.TRC", -3, "Path not found", false, ENOENT},
        WriteFailure{"PathIsAFolder", "folder", -5, "File access denied", false, EISDIR},
        WriteFailure{"ReadOnlyFile", "ro.TRC", -5, "File access denied", true, EACCES},
        // The table has no text for this errno: the system's own, not "General failure".
        WriteFailure{"NameTooLongHasTheSystemsText", std::string(300, 'n'), comerr::ecSystemError,
                     "File name too long", false, ENAMETOOLONG}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace px708
