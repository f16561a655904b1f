// The two reader pages end to end against the virtual reader px708-sim on a pseudo-terminal:
// what the operator sets is what the reader keeps and reads back.

#include "tests/pages/pagesfixture.h"

#include <QDateEdit>
#include <QRegularExpression>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace pagestest;
using px708::page::settings1;
using px708::page::zelmarSettings2;

// px708-sim as a child process; control lines go to its standard input.
class VirtualReader {
public:
    explicit VirtualReader(const std::filesystem::path& folder) : link_(folder / "ttyPX708") {
        int in[2];
        if (::pipe2(in, O_CLOEXEC) != 0)
            throw std::runtime_error("no pipe");
        const std::string out = (folder / "sim.out").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
        const std::string state = (folder / "reader.state").string();
        const std::string log = (folder / "sim.log").string();
        const std::string link = link_.string();
        std::vector<std::string> args = {PX708_SIM_PATH, "--link", link, "--state",
                                         state,          "--log",  log};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const int rc = posix_spawn(&pid_, PX708_SIM_PATH, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        control_ = in[1];
        if (rc != 0)
            throw std::runtime_error("px708-sim did not start");
        if (!waitFor([&] { return std::filesystem::exists(link_); }, 5s))
            throw std::runtime_error("px708-sim made no link");
    }
    ~VirtualReader() {
        send("quit");
        ::close(control_);
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_)
                return;
            std::this_thread::sleep_for(10ms);
        }
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
    VirtualReader(const VirtualReader&) = delete;
    VirtualReader& operator=(const VirtualReader&) = delete;

    std::string device() const { return link_.string(); }
    void send(const std::string& controlLine) {
        const std::string l = controlLine + "\n";
        if (::write(control_, l.data(), l.size()) != static_cast<ssize_t>(l.size()))
            throw std::runtime_error("control line not written");
        // The reader takes control lines between the bytes of the line; give it the moment.
        std::this_thread::sleep_for(50ms);
    }

private:
    std::filesystem::path link_;
    pid_t pid_ = -1;
    int control_ = -1;
};

// What a row of the round trips reaches: the operator's hands, the reader's control input,
// and the port buffer view that shows when the reader has answered.
struct SimHands {
    Operator& op;
    VirtualReader& reader;

    // Waits until the reader's answer line has been taken by the window.
    bool answered(const char* memo1Line) {
        return waitFor([&] { return op.text("Memo1").split('\n').contains(memo1Line); }, 5s);
    }
    void clearPortBuffer() { op.control<QPlainTextEdit>("Memo1")->clear(); }
};

// One round trip with the reader: the operator's actions, then what the page shows once the
// reader has answered.
struct RoundTrip {
    const char* name;
    int page;
    std::function<void(SimHands&, Operator&)> operate;
    std::function<void(Operator&)> check;
};

std::ostream& operator<<(std::ostream& os, const RoundTrip& c) {
    return os << c.name;
}

class ReaderRoundTrips : public testing::TestWithParam<RoundTrip> {
protected:
    void SetUp() override {
        reader = std::make_unique<VirtualReader>(op.workspace.root());
        op.start(reader->device());
    }
    void TearDown() override {
        if (HasFailure()) {
            std::ifstream log(op.workspace.root() / "sim.log");
            std::cerr << "port buffer:\n"
                      << op.text("Memo1").toStdString() << "\nreader:\n"
                      << log.rdbuf() << "\n";
        }
        op.stop();
        reader.reset();
    }

    Operator op;
    std::unique_ptr<VirtualReader> reader;
};

TEST_P(ReaderRoundTrips, ThePageShowsWhatTheReaderKeeps) {
    const RoundTrip& c = GetParam();
    op.selectPage(c.page);
    SimHands hands{op, *reader};
    // An operator waits for the reader to settle into its mode: an answer that comes after
    // the next command has gone out is taken as that command's reply.
    ASSERT_TRUE(hands.answered("ZELMAR MODE"));
    hands.clearPortBuffer();
    c.operate(hands, op);
    c.check(op);
}

const QRegularExpression
    kClockDate(QStringLiteral("^\\d\\d/\\d\\d/20\\d\\d (Monday|Tuesday|Wednesday|Thursday|Friday|"
                              "Saturday|Sunday)$"));
const QRegularExpression kClockTime(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d $"));

const std::vector<RoundTrip> kRoundTrips = {
    {"LotSetThenRead", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         o.type("lot", "3");
         o.click("Button33");
         ASSERT_TRUE(t.answered("LOK"));
         o.type("lot", "");
         t.clearPortBuffer();
         o.click("Button34");
         ASSERT_TRUE(t.answered("LOK"));
     },
     [](Operator& o) {
         EXPECT_EQ(o.text("lot"), "03");
         EXPECT_EQ(o.text("Labellot"), "Current Lot No");
     }},
    {"KeylotSetThenRead", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         o.type("keylot", "fe");
         o.click("Button35");
         ASSERT_TRUE(t.answered("KOK"));
         o.type("keylot", "");
         t.clearPortBuffer();
         o.click("Button36");
         ASSERT_TRUE(t.answered("KOK"));
     },
     [](Operator& o) { EXPECT_EQ(o.text("keylot"), "FE"); }},
    {"ClearLotsThenFreeMemory", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         o.click("Button26");
         ASSERT_TRUE(t.answered("COK"));
         o.click("Button27");
         ASSERT_TRUE(o.shows("Labelfreemem", "2000 free"));
     },
     [](Operator& o) {
         EXPECT_EQ(o.text("Labellots"), "Lots cleared");
         EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
     }},
    {"SoftwareVersion", zelmarSettings2, [](SimHands&, Operator& o) { o.click("Button42"); },
     [](Operator& o) { EXPECT_TRUE(o.shows("Labelversion", "PX-708 SIM V1.00")); }},
    {"ReadTransponderQueued", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         t.reader.send("queue 0006A1B2C3");
         o.click("Button28");
     },
     [](Operator& o) { EXPECT_TRUE(o.shows("read", "0006A1B2C3")); }},
    {"ReadTransponderNothingRead", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         t.reader.send("refuse I");
         o.click("Button28");
         ASSERT_TRUE(t.answered("INO"));
     },
     [](Operator& o) {
         ASSERT_EQ(o.dialogs.shown().size(), 1u);
         EXPECT_EQ(o.dialogs.shown()[0].text, "No read");
         EXPECT_EQ(o.text("read"), "scanning..");
     }},
    {"LotRefused", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         t.reader.send("refuse L");
         o.click("Button34");
         ASSERT_TRUE(t.answered("LNO"));
     },
     [](Operator& o) {
         ASSERT_EQ(o.dialogs.shown().size(), 1u);
         EXPECT_EQ(o.dialogs.shown()[0].text, kRefusalText);
         EXPECT_EQ(o.text("Labellot"), "Checking Lot No..");
     }},
    {"TopCaption", zelmarSettings2,
     [](SimHands&, Operator& o) {
         o.type("top", "ZELMAR FARM 12");
         o.click("Button51");
     },
     [](Operator& o) { EXPECT_TRUE(o.shows("top", "Caption set")); }},
    {"DumpAllEndsWithCompletion", zelmarSettings2,
     [](SimHands& t, Operator& o) {
         o.click("Button39");
         ASSERT_TRUE(t.answered("NOK"));
     },
     [](Operator& o) { EXPECT_TRUE(o.text("Memo5").endsWith("Download completed")); }},
    {"BaudSetThenRead", settings1,
     [](SimHands& t, Operator& o) {
         o.choose("rgbaud", 5);
         o.click("Button3");
         ASSERT_TRUE(t.answered("19AOK"));
         o.choose("rgbaud", 0);
         t.clearPortBuffer();
         o.click("Button10");
         ASSERT_TRUE(t.answered("19AOK"));
     },
     [](Operator& o) { EXPECT_EQ(o.index("rgbaud"), 5); }},
    {"SaveSeekSetThenRead", settings1,
     [](SimHands& t, Operator& o) {
         o.choose("Rgmodesave", 1);
         o.choose("rgmodeseek", 0);
         o.click("Button2");
         ASSERT_TRUE(t.answered("10MOK"));
         o.choose("Rgmodesave", 0);
         o.choose("rgmodeseek", 1);
         t.clearPortBuffer();
         o.click("Button1");
         ASSERT_TRUE(t.answered("10MOK"));
     },
     [](Operator& o) {
         EXPECT_EQ(o.index("Rgmodesave"), 1);
         EXPECT_EQ(o.index("rgmodeseek"), 0);
     }},
    {"DisplaySetDecimalThenRead", settings1,
     [](SimHands& t, Operator& o) {
         o.choose("rghexdec", 1);
         o.click("Button31");
         ASSERT_TRUE(t.answered("1JOK"));
         o.choose("rghexdec", 0);
         t.clearPortBuffer();
         o.click("Button30");
         ASSERT_TRUE(t.answered("1JOK"));
     },
     [](Operator& o) { EXPECT_EQ(o.index("rghexdec"), 1); }},
    {"TriggerRead", settings1, [](SimHands&, Operator& o) { o.click("Button37"); },
     [](Operator& o) { EXPECT_TRUE(waitFor([&] { return o.index("rgtrigger") == 0; }, 3s)); }},
    {"LedsAndTone", settings1,
     [](SimHands&, Operator& o) {
         o.choose("Rgled", 2);
         o.choose("rgled2", 2);
         o.click("Button57");
     },
     [](Operator& o) { EXPECT_TRUE(o.shows("Labelz", "Parameters set")); }},
    {"OnlineSettingsListed", settings1, [](SimHands&, Operator& o) { o.click("Button20"); },
     [](Operator& o) { EXPECT_TRUE(waitFor([&] { return !o.text("Memo2").isEmpty(); }, 3s)); }},
    {"ClockSetFromThePcThenRead", settings1,
     [](SimHands& t, Operator& o) {
         o.click("Button48");
         ASSERT_TRUE(t.answered("TOK"));
         EXPECT_EQ(o.text("Labeldt1"), "Time and Date set");
         o.click("Button49");
         ASSERT_TRUE(waitFor([&] { return kClockTime.match(o.text("Labeldt2")).hasMatch(); }));
     },
     [](Operator& o) {
         EXPECT_TRUE(kClockDate.match(o.text("Labeldt1")).hasMatch())
             << o.text("Labeldt1").toStdString();
     }},
    {"UserClockThenRead", settings1,
     [](SimHands& t, Operator& o) {
         o.control<QDateEdit>("Pickerd")->setDate(QDate(2023, 4, 15));
         o.type("pickert", "143005");
         o.click("Button66");
         ASSERT_TRUE(t.answered("TOK"));
         o.click("Button49");
         ASSERT_TRUE(waitFor([&] { return kClockTime.match(o.text("Labeldt2")).hasMatch(); }));
     },
     [](Operator& o) {
         EXPECT_EQ(o.text("Labeldt1"), "15/04/2023 Saturday");
         EXPECT_TRUE(o.text("Labeldt2").startsWith("14:3")) << o.text("Labeldt2").toStdString();
     }},
};

INSTANTIATE_TEST_SUITE_P(Sim, ReaderRoundTrips, testing::ValuesIn(kRoundTrips),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
