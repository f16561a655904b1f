// The two reader pages against a scripted reader on a pseudo-terminal: the exact bytes of
// every command, the page after each reply, refusals, input errors, and the edit rules.

#include "store/datesettings.h"
#include "tests/pages/pagesfixture.h"
#include "ui/settingspage.h"

#include <QClipboard>
#include <QDateEdit>
#include <QGuiApplication>

#include <QAbstractSpinBox>
#include <QRadioButton>

#include <functional>
#include <set>
#include <vector>

namespace {

using namespace pagestest;
using px708::page::settings1;
using px708::page::zelmarSettings2;

// Test names from the rows' own names.
struct CaseName {
    template <class Info> std::string operator()(const Info& row) const { return row.param.name; }
};

class PagesTest : public testing::Test {
protected:
    void SetUp() override { op.start(peer.slavePath()); }
    void TearDown() override { op.stop(); }

    // Changes to the page and waits for its mode command; what is sent next is measured from
    // there.
    void enter(int page) {
        op.selectPage(page);
        ASSERT_TRUE(waitFor([&] { return peer.received().ends_with(kToZelmar); }));
        mark = peer.received().size();
    }
    std::string sent() const { return peer.received().substr(mark); }
    // Waits until exactly the command and its carriage return have arrived.
    ::testing::AssertionResult sends(const std::string& wire) {
        waitFor([&] { return sent().size() >= wire.size() + 1; }, 2s);
        if (sent() == wire + "\r")
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "sent " << testing::PrintToString(sent())
                                             << ", expected " << testing::PrintToString(wire);
    }
    // The reader answers one line; returns once the window has handled it (every handled
    // line is echoed into the port buffer view first, in the same delivery).
    void answer(const std::string& line) {
        const int before = op.control<QPlainTextEdit>("Memo1")->blockCount();
        const bool wasEmpty = op.text("Memo1").isEmpty();
        peer.write(line + "\r");
        ASSERT_TRUE(waitFor([&] {
            auto* memo = op.control<QPlainTextEdit>("Memo1");
            return wasEmpty ? !memo->toPlainText().isEmpty() : memo->blockCount() > before;
        })) << "the window did not take "
            << line << "; state " << op.link().state() << ", reply buffer "
            << testing::PrintToString(op.link().replyBuffer()) << ", port open "
            << op.form->Com1().Open() << ", taken later "
            << waitFor([&] { return !op.text("Memo1").isEmpty(); }, 5s);
    }
    void markNow() { mark = peer.received().size(); }

    uitest::PtyMaster peer;
    Operator op;
    std::size_t mark = 0;
};

// One command of a page: what the operator does, what goes out, what the reader answers and
// what the page shows then.
struct CommandCase {
    const char* name;
    int page;
    std::function<void(Operator&)> operate;
    std::string wire;
    std::vector<std::string> replies;
    std::function<void(Operator&)> check;
};

std::ostream& operator<<(std::ostream& os, const CommandCase& c) {
    return os << c.name;
}

class PageCommands : public PagesTest, public testing::WithParamInterface<CommandCase> {};

TEST_P(PageCommands, SendsItsWireFormAndShowsTheReply) {
    const CommandCase& c = GetParam();
    enter(c.page);
    c.operate(op);
    ASSERT_TRUE(sends(c.wire));
    for (const std::string& r : c.replies)
        answer(r);
    c.check(op);
    EXPECT_TRUE(op.dialogs.shown().empty()) << op.dialogs.shown().front().text.toStdString();
}

const std::vector<CommandCase> kCommands = {
    {"BaudRead19200",
     settings1,
     [](Operator& o) { o.click("Button10"); },
     "AB",
     {"19AOK"},
     [](Operator& o) { EXPECT_EQ(o.index("rgbaud"), 5); }},
    {"BaudSet19200KeepsIt",
     settings1,
     [](Operator& o) {
         o.choose("rgbaud", 5);
         o.click("Button3");
     },
     "AB19",
     {"19AOK"},
     [](Operator& o) { EXPECT_EQ(o.index("rgbaud"), 5); }},
    {"BaudSetPreset9600",
     settings1,
     [](Operator& o) { o.click("Button3"); },
     "AB96",
     {"96AOK"},
     [](Operator& o) { EXPECT_EQ(o.index("rgbaud"), 4); }},
    {"BaudLowerCaseReplyStaysInBuffer",
     settings1,
     [](Operator& o) {
         o.choose("rgbaud", 0);
         o.click("Button10");
     },
     "AB",
     {"96aok"},
     [](Operator& o) {
         EXPECT_EQ(o.index("rgbaud"), 0);
         EXPECT_EQ(o.link().replyBuffer(), "96aok");
     }},
    {"SaveSeekRead10ShowsSaveOffSeekOn",
     settings1,
     [](Operator& o) { o.click("Button1"); },
     "M",
     {"10MOK"},
     [](Operator& o) {
         EXPECT_EQ(o.index("Rgmodesave"), 1);
         EXPECT_EQ(o.index("rgmodeseek"), 0);
     }},
    {"SaveSeekSetSendsSeekDigitFirst",
     settings1,
     [](Operator& o) {
         o.choose("Rgmodesave", 1);
         o.choose("rgmodeseek", 0);
         o.click("Button2");
     },
     "M10",
     {"10MOK"},
     [](Operator& o) {
         EXPECT_EQ(o.index("Rgmodesave"), 1);
         EXPECT_EQ(o.index("rgmodeseek"), 0);
     }},
    {"SaveSeekSetBothOn",
     settings1,
     [](Operator& o) {
         o.choose("Rgmodesave", 0);
         o.choose("rgmodeseek", 0);
         o.click("Button2");
     },
     "M11",
     {"11MOK"},
     [](Operator& o) { EXPECT_EQ(o.index("Rgmodesave"), 0); }},
    {"DisplayReadDecimal",
     settings1,
     [](Operator& o) { o.click("Button30"); },
     "J",
     {"1JOK"},
     [](Operator& o) { EXPECT_EQ(o.index("rghexdec"), 1); }},
    {"DisplaySetHexSendsZero",
     settings1,
     [](Operator& o) {
         o.choose("rghexdec", 0);
         o.click("Button31");
     },
     "J0",
     {"0JOK"},
     [](Operator& o) { EXPECT_EQ(o.index("rghexdec"), 0); }},
    {"TriggerReadOff",
     settings1,
     [](Operator& o) { o.click("Button37"); },
     "P",
     {"0POK"},
     [](Operator& o) { EXPECT_EQ(o.index("rgtrigger"), 1); }},
    {"LedsPresetQuietNoLeds",
     settings1,
     [](Operator& o) { o.click("Button57"); },
     "Z00",
     {"ZOK"},
     [](Operator& o) { EXPECT_EQ(o.text("Labelz"), "Parameters set"); }},
    {"LedsGreenToneOk",
     settings1,
     [](Operator& o) {
         o.choose("Rgled", 2);
         o.choose("rgled2", 2);
         o.click("Button57");
     },
     "Z22",
     {"ZOK"},
     [](Operator& o) { EXPECT_EQ(o.text("Labelz"), "Parameters set"); }},
    {"LedsRedGreenToneNo",
     settings1,
     [](Operator& o) {
         o.choose("Rgled", 3);
         o.choose("rgled2", 3);
         o.click("Button57");
     },
     "Z33",
     {},
     [](Operator& o) { EXPECT_EQ(o.text("Labelz"), "."); }},
    {"OnlineSettingsListedInMemo2",
     settings1,
     [](Operator& o) { o.click("Button20"); },
     "AA",
     {"AC0", "AF1", "SOK"},
     [](Operator& o) { EXPECT_EQ(o.text("Memo2"), "AC0\nAF1"); }},
    {"ClockReadDayFirst",
     settings1,
     [](Operator& o) { o.click("Button49"); },
     "T",
     {"2304150614300500"},
     [](Operator& o) {
         EXPECT_EQ(o.text("Labeldt1"), "15/04/2023 Saturday");
         EXPECT_EQ(o.text("Labeldt2"), "14:30:05 ");
     }},
    {"ClockSetAnsweredTok",
     settings1,
     [](Operator& o) { o.click("Button49"); },
     "T",
     {"TOK"},
     [](Operator& o) {
         EXPECT_EQ(o.text("Labeldt1"), "Time and Date set");
         EXPECT_EQ(o.text("Labeldt2"), "");
     }},
    {"LotReadTwoLines",
     zelmarSettings2,
     [](Operator& o) {
         o.click("Button34");
         EXPECT_EQ(o.text("Labellot"), "Checking Lot No..");
     },
     "L",
     {"05", "LOK"},
     [](Operator& o) {
         EXPECT_EQ(o.text("lot"), "05");
         EXPECT_EQ(o.text("Labellot"), "Current Lot No");
     }},
    {"LotTypedLowerCaseIsNormalisedAndSent",
     zelmarSettings2,
     [](Operator& o) {
         o.type("lot", "a");
         EXPECT_EQ(o.text("lot"), "A");
         o.click("Button33");
     },
     "L0A",
     {"LOK"},
     [](Operator& o) { EXPECT_EQ(o.text("lot"), "0A"); }},
    {"KeylotZeroZeroBecomesOne",
     zelmarSettings2,
     [](Operator& o) {
         o.type("keylot", "00");
         o.click("Button35");
     },
     "K01",
     {"KOK"},
     [](Operator& o) { EXPECT_EQ(o.text("Labelkeylot"), "Current KeyLot No"); }},
    {"KeylotRead",
     zelmarSettings2,
     [](Operator& o) {
         o.click("Button36");
         EXPECT_EQ(o.text("Labelkeylot"), "Checking KeyLot No..");
     },
     "K",
     {"3F"},
     [](Operator& o) {
         EXPECT_EQ(o.text("keylot"), "3F");
         EXPECT_EQ(o.text("Labelkeylot"), "Current KeyLot No");
     }},
    {"ClearLotsWithHourglass",
     zelmarSettings2,
     [](Operator& o) {
         o.click("Button26");
         EXPECT_EQ(o.text("Labellots"), "Clearing Lots ...");
         ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
         EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
     },
     "C",
     {"COK"},
     [](Operator& o) {
         EXPECT_EQ(o.text("Labellots"), "Lots cleared");
         EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
     }},
    {"FreeMemory0400",
     zelmarSettings2,
     [](Operator& o) {
         o.click("Button27");
         EXPECT_EQ(o.text("Labelfreemem"), "Checking memory");
     },
     "F",
     {"0400"},
     [](Operator& o) { EXPECT_EQ(o.text("Labelfreemem"), "1024 free"); }},
    {"FreeMemory1A2B",
     zelmarSettings2,
     [](Operator& o) { o.click("Button27"); },
     "F",
     {"1A2B"},
     [](Operator& o) { EXPECT_EQ(o.text("Labelfreemem"), "6699 free"); }},
    {"VersionFirstSixteen",
     zelmarSettings2,
     [](Operator& o) {
         o.click("Button42");
         EXPECT_EQ(o.text("Labelversion"), "Checking version");
     },
     "V",
     {"PX-708 V2.10 2023 extra"},
     [](Operator& o) { EXPECT_EQ(o.text("Labelversion"), "PX-708 V2.10 202"); }},
    {"ReadTransponderToClipboard",
     zelmarSettings2,
     [](Operator& o) {
         o.click("Button28");
         EXPECT_EQ(o.text("read"), "scanning..");
     },
     "I",
     {"0006A1B2C3"},
     [](Operator& o) {
         EXPECT_EQ(o.text("read"), "0006A1B2C3");
         o.click("Button60");
         EXPECT_EQ(QGuiApplication::clipboard()->text(), "0006A1B2C3");
     }},
    {"TopCaptionSixteen",
     zelmarSettings2,
     [](Operator& o) {
         o.type("top", "ABCDEFGHIJKLMNOPQ"); // the seventeenth is refused by the edit
         o.click("Button51");
     },
     "XABCDEFGHIJKLMNOP",
     {"XOK"},
     [](Operator& o) { EXPECT_EQ(o.text("top"), "Caption set"); }},
    {"BottomCaption",
     zelmarSettings2,
     [](Operator& o) {
         o.type("bottom", "Farm 7");
         o.click("Button50");
     },
     "YFarm 7",
     {"YOK"},
     [](Operator& o) { EXPECT_EQ(o.text("bottom"), "Caption set"); }},
    {"DumpAll",
     zelmarSettings2,
     [](Operator& o) { o.click("Button39"); },
     "N",
     {"NOK"},
     [](Operator& o) { EXPECT_EQ(o.text("Memo5"), "Download completed"); }},
    {"DumpLotSevenBecomes07",
     zelmarSettings2,
     [](Operator& o) {
         o.type("dump", "7");
         o.click("Button40");
     },
     "N07",
     {},
     [](Operator& o) { EXPECT_EQ(o.text("dump"), "07"); }},
    {"DumpLotZeroZeroBecomes01",
     zelmarSettings2,
     [](Operator& o) {
         o.type("dump", "00");
         o.click("Button40");
     },
     "N01",
     {},
     [](Operator&) {}},
};

INSTANTIATE_TEST_SUITE_P(Pages, PageCommands, testing::ValuesIn(kCommands), CaseName());

// Refusals: the error dialog, and nothing on the page changes (a caption set before sending
// stays).
struct RefusalCase {
    const char* name;
    int page;
    const char* button;
    std::string refusal;
    QString dialogText;
    const char* control; // a control that keeps its text
    QString keeps;
};

std::ostream& operator<<(std::ostream& os, const RefusalCase& c) {
    return os << c.name;
}

class PageRefusals : public PagesTest, public testing::WithParamInterface<RefusalCase> {};

TEST_P(PageRefusals, ShowTheErrorDialogAndChangeNothing) {
    const RefusalCase& c = GetParam();
    enter(c.page);
    op.click(c.button);
    const int state = op.link().state();
    answer(c.refusal);
    ASSERT_EQ(op.dialogs.shown().size(), 1u);
    EXPECT_EQ(op.dialogs.shown()[0].className, "TFormmessage");
    EXPECT_EQ(op.dialogs.shown()[0].text, c.dialogText);
    EXPECT_EQ(op.text(c.control), c.keeps);
    EXPECT_EQ(op.link().state(), state);
    EXPECT_EQ(op.link().replyBuffer(), "");
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageRefusals,
    testing::Values(RefusalCase{"LotCaptionStays", zelmarSettings2, "Button34", "LNO", kRefusalText,
                                "Labellot", "Checking Lot No.."},
                    RefusalCase{"ClearLotsRestoresCursor", zelmarSettings2, "Button26", "CNO",
                                kRefusalText, "Labellots", "Clearing Lots ..."},
                    RefusalCase{"NoRead", zelmarSettings2, "Button28", "INO", "No read", "read",
                                "scanning.."},
                    RefusalCase{"CaptionKeepsText", zelmarSettings2, "Button51", "XNO",
                                kRefusalText, "top", ""},
                    RefusalCase{"ClockLabelsKeepTexts", settings1, "Button49", "TNO", kRefusalText,
                                "Labeldt1", ""},
                    RefusalCase{"LedsLabelKeepsDot", settings1, "Button57", "ZNO", kRefusalText,
                                "Labelz", "."}),
    CaseName());

TEST_F(PagesTest, SaveSeekRefusalKeepsTheSelection) {
    enter(settings1);
    op.choose("Rgmodesave", 0);
    op.choose("rgmodeseek", 1);
    op.click("Button2");
    ASSERT_TRUE(sends("M01"));
    answer("MNO");
    EXPECT_EQ(op.index("Rgmodesave"), 0);
    EXPECT_EQ(op.index("rgmodeseek"), 1);
    ASSERT_EQ(op.dialogs.shown().size(), 1u);
}

// Input the handlers refuse: the plain message box, nothing sent, the state unchanged.
struct InputCase {
    const char* name;
    int page;
    std::function<void(Operator&)> operate;
    QString message;
};

std::ostream& operator<<(std::ostream& os, const InputCase& c) {
    return os << c.name;
}

class PageInputErrors : public PagesTest, public testing::WithParamInterface<InputCase> {};

TEST_P(PageInputErrors, RefuseWithAMessageAndSendNothing) {
    const InputCase& c = GetParam();
    enter(c.page);
    const int state = op.link().state();
    c.operate(op);
    ASSERT_EQ(op.dialogs.shown().size(), 1u);
    EXPECT_EQ(op.dialogs.shown()[0].className, "QMessageBox");
    EXPECT_EQ(op.dialogs.shown()[0].text, c.message);
    EXPECT_EQ(op.link().state(), state);
    op.click("Button29"); // a fence: once its command is in, nothing else is on the way
    ASSERT_TRUE(waitFor([&] { return sent().ends_with(kToZelmar); }));
    EXPECT_EQ(sent(), kToZelmar);
}

const QString kSelect = QStringLiteral("You must make a selection!");
const QString kDateTime = QStringLiteral("You must provide a valid Date and Time!");

INSTANTIATE_TEST_SUITE_P(
    Pages, PageInputErrors,
    testing::Values(InputCase{"DisplayWithoutSelection", settings1,
                              [](Operator& o) { o.click("Button31"); }, kSelect},
                    InputCase{"SaveSeekWithoutSeek", settings1,
                              [](Operator& o) {
                                  o.choose("Rgmodesave", 0);
                                  o.click("Button2");
                              },
                              kSelect},
                    InputCase{"SaveSeekWithoutSave", settings1,
                              [](Operator& o) {
                                  o.choose("rgmodeseek", 1);
                                  o.click("Button2");
                              },
                              kSelect},
                    InputCase{"UserClockWithoutTime", settings1,
                              [](Operator& o) { o.click("Button66"); }, kDateTime},
                    InputCase{"UserClockSevenCharacters", settings1,
                              [](Operator& o) {
                                  o.control<QLineEdit>("pickert")->setText("9:05:00");
                                  o.click("Button66");
                              },
                              kDateTime},
                    InputCase{"EmptyLot", zelmarSettings2, [](Operator& o) { o.click("Button33"); },
                              "You must enter a Lot number!"},
                    InputCase{"EmptyKeylot", zelmarSettings2,
                              [](Operator& o) { o.click("Button35"); },
                              "You must enter a Keylot number!"}),
    CaseName());

TEST_F(PagesTest, AtStartTheUnsetGroupsShowNoSelection) {
    enter(settings1);
    for (const char* g : {"Rgmodesave", "rgmodeseek", "rghexdec", "rgtrigger"})
        EXPECT_EQ(op.index(g), -1) << g;
    EXPECT_EQ(op.index("rgbaud"), 4);
    EXPECT_EQ(op.index("Rgled"), 0);
    EXPECT_EQ(op.index("rgled2"), 0);
    EXPECT_EQ(op.text("Labelz"), ".");
    EXPECT_EQ(op.text("Labellot"), "Current Lot No");
    EXPECT_EQ(op.text("Labelkeylot"), "Current KeyLot No");
}

TEST_F(PagesTest, DisplaySetAfterAReadSendsTheReadValue) {
    enter(settings1);
    op.click("Button30");
    ASSERT_TRUE(sends("J"));
    answer("1JOK");
    markNow();
    op.click("Button31");
    EXPECT_TRUE(sends("J1"));
}

TEST_F(PagesTest, OnlineSettingsReadsPileUpUntilClearMemo) {
    enter(settings1);
    op.click("Button20");
    ASSERT_TRUE(sends("AA"));
    answer("AC0");
    markNow();
    op.click("Button20");
    ASSERT_TRUE(sends("AA"));
    answer("AC1");
    EXPECT_EQ(op.text("Memo2"), "AC0\nAC1");
    op.click("Button47");
    EXPECT_EQ(op.text("Memo2"), "");
}

TEST_F(PagesTest, SecondCaptionSetSendsCaptionSet) {
    enter(zelmarSettings2);
    op.type("top", "0123456789ABCDEF");
    op.click("Button51");
    ASSERT_TRUE(sends("X0123456789ABCDEF"));
    answer("XOK");
    markNow();
    op.click("Button51");
    EXPECT_TRUE(sends("XCaption set"));
}

TEST_F(PagesTest, PasteClipboardAddsALineToTheDump) {
    enter(zelmarSettings2);
    QGuiApplication::clipboard()->setText("985000012345678");
    op.click("Button61");
    op.click("Button61");
    EXPECT_EQ(op.text("Memo5"), "985000012345678\n985000012345678");
    op.click("Button62");
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "985000012345678\n985000012345678");
    op.click("Button41");
    EXPECT_EQ(op.text("Memo5"), "");
}

TEST_F(PagesTest, ClearLotsOnAClosedPortShowsTheErrorAndRestoresTheCursor) {
    enter(zelmarSettings2);
    op.form->Com1().setOpen(false);
    op.click("Button26");
    ASSERT_EQ(op.dialogs.errorBoxes().size(), 1u);
    EXPECT_EQ(op.link().state(), 17);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// The clock set from the PC's clock: the command, and the trace line in the port buffer.
struct PcClockCase {
    const char* name;
    QDateTime now;
    int dateOrder;
    std::string separator;
    std::string wire;
    QString trace;
};

std::ostream& operator<<(std::ostream& os, const PcClockCase& c) {
    return os << c.name;
}

class PcClock : public PagesTest, public testing::WithParamInterface<PcClockCase> {};

TEST_P(PcClock, SendsTheClockTextAndTracesIt) {
    const PcClockCase& c = GetParam();
    px708::DateSettings::applyAtStartUp(c.dateOrder, QString::fromStdString(c.separator));
    auto* page = op.form->findChild<TSettingsPage*>();
    ASSERT_NE(page, nullptr);
    page->setClock([now = c.now] { return now; });
    enter(settings1);
    op.click("Button48");
    ASSERT_TRUE(sends(c.wire));
    EXPECT_TRUE(op.text("Memo1").endsWith(c.trace)) << op.text("Memo1").toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PcClock,
    testing::Values(
        PcClockCase{"Saturday", QDateTime(QDate(2023, 4, 15), QTime(14, 30, 5)), 0, "/",
                    "T2304150614300500", "T2304150614300500---15/04/2023 14:30:0514:30:05"},
        PcClockCase{"SundayIsSeven", QDateTime(QDate(2023, 4, 16), QTime(0, 0, 7)), 1, "-",
                    "T2304160700000700", "T2304160700000700---04-16-2023 00:00:0700:00:07"},
        PcClockCase{"NewYearMonday", QDateTime(QDate(2024, 1, 1), QTime(23, 59, 59)), 0, ".",
                    "T2401010123595900", "T2401010123595900---01.01.2024 23:59:5923:59:59"}),
    CaseName());

TEST_F(PagesTest, ClockReadMonthFirstWithHyphen) {
    px708::DateSettings::applyAtStartUp(1, u"-");
    enter(settings1);
    op.click("Button49");
    ASSERT_TRUE(sends("T"));
    answer("2304150614300500");
    EXPECT_EQ(op.text("Labeldt1"), "04-15-2023 Saturday");
    EXPECT_EQ(op.text("Labeldt2"), "14:30:05 ");
}

TEST_F(PagesTest, UserClockSendsTheEnteredDateAndTime) {
    enter(settings1);
    op.control<QDateEdit>("Pickerd")->setDate(QDate(2023, 4, 15));
    op.type("pickert", "143005");
    EXPECT_EQ(op.text("pickert"), "14:30:05");
    op.click("Button66");
    ASSERT_TRUE(sends("T2304150614300500"));
    EXPECT_TRUE(op.text("Memo1").endsWith("T2304150614300500------15/04/202314:30:05"))
        << op.text("Memo1").toStdString();
}

// The time entry: what typing leaves in the field, and where the caret stands.
struct TimeEntryCase {
    const char* name;
    std::vector<int> keys; // characters, or Qt keys above 0xff
    QString text;
    int caret;
};

std::ostream& operator<<(std::ostream& os, const TimeEntryCase& c) {
    return os << c.name;
}

class TimeEntry : public PagesTest, public testing::WithParamInterface<TimeEntryCase> {};

TEST_P(TimeEntry, FiltersAndChecksWhatIsTyped) {
    const TimeEntryCase& c = GetParam();
    enter(settings1);
    auto* edit = op.control<QLineEdit>("pickert");
    QTest::mouseClick(edit, Qt::LeftButton);
    for (int k : c.keys) {
        if (k > 0xff)
            QTest::keyClick(edit, static_cast<Qt::Key>(k));
        else
            QTest::keyClick(edit, static_cast<char>(k));
    }
    EXPECT_EQ(edit->text(), c.text);
    EXPECT_EQ(edit->cursorPosition(), c.caret);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, TimeEntry,
    testing::Values(TimeEntryCase{"FullTime", {'2', '3', '5', '9', '0', '7'}, "23:59:07", 8},
                    TimeEntryCase{"HourDigitAboveTwo", {'3'}, "", 0},
                    TimeEntryCase{"HourAbove23", {'2', '4'}, "", 0},
                    TimeEntryCase{"Minutes65Refused", {'1', '2', '6', '5'}, "12:", 3},
                    TimeEntryCase{"Seconds60Refused", {'1', '2', '3', '0', '6', '0'}, "12:30:", 6},
                    TimeEntryCase{"LettersDiscarded", {'1', 'a', '2', ' ', '3'}, "12:3", 4},
                    TimeEntryCase{"BackspaceDiscarded", {'1', '2', Qt::Key_Backspace}, "12:", 3},
                    TimeEntryCase{"SlashAsHourRefused", {'/'}, "", 0},
                    TimeEntryCase{"DotAsMinuteRefused", {'0', '9', '.', '5'}, "09:", 3}),
    CaseName());

// Lot edits when the focus leaves them.
struct LotEditCase {
    const char* edit;
    QString typed;
    QString left;
};

std::ostream& operator<<(std::ostream& os, const LotEditCase& c) {
    return os << c.edit << " " << c.typed.toStdString();
}

class LotEdits : public PagesTest, public testing::WithParamInterface<LotEditCase> {};

TEST_P(LotEdits, NormaliseWhenLeft) {
    const LotEditCase& c = GetParam();
    enter(zelmarSettings2);
    op.type(c.edit, c.typed);
    op.leave();
    EXPECT_EQ(op.text(c.edit), c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, LotEdits,
    testing::Values(LotEditCase{"lot", "a", "0A"}, LotEditCase{"lot", "00", "01"},
                    LotEditCase{"lot", "ff", "FF"}, LotEditCase{"lot", "g1", "G1"},
                    LotEditCase{"lot", "123", "12"}, LotEditCase{"keylot", "00", "01"},
                    LotEditCase{"keylot", "b", "0B"}, LotEditCase{"dump", "a", "0a"},
                    LotEditCase{"dump", "0", "01"}));

} // namespace

// The date picker of the user-defined clock: a two-digit year falls in 1950-2049.
struct TwoDigitYearCase {
    const char* typed; // day, month and year digits, the year with two
    QDate date;
};

std::ostream& operator<<(std::ostream& os, const TwoDigitYearCase& c) {
    return os << c.typed;
}

class DatePicker : public PagesTest, public testing::WithParamInterface<TwoDigitYearCase> {};

TEST_P(DatePicker, TakesTwoDigitYearsInTheCenturyAroundTwoThousand) {
    enter(settings1);
    auto* picker = op.control<QDateEdit>("Pickerd");
    QTest::mouseClick(picker, Qt::LeftButton, {}, QPoint(4, picker->height() / 2));
    picker->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(picker, GetParam().typed);
    op.leave();
    EXPECT_EQ(picker->date(), GetParam().date);
}

INSTANTIATE_TEST_SUITE_P(Pages, DatePicker,
                         testing::Values(TwoDigitYearCase{"150423", QDate(2023, 4, 15)},
                                         TwoDigitYearCase{"010149", QDate(2049, 1, 1)},
                                         TwoDigitYearCase{"311250", QDate(1950, 12, 31)},
                                         TwoDigitYearCase{"150770", QDate(1970, 7, 15)}));

// Keyboard: Tab alone reaches every control of a page, and every edit, memo and number box
// tells assistive technology what it holds.
class PageKeyboard : public PagesTest, public testing::WithParamInterface<int> {};

TEST_P(PageKeyboard, TabReachesEveryControl) {
    enter(GetParam());
    QWidget* page = op.form->Page()->currentWidget();
    std::set<QString> wanted;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page))
            continue;
        if (qobject_cast<QAbstractButton*>(w) && !qobject_cast<QRadioButton*>(w))
            wanted.insert(w->objectName());
        else if (qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parent()))
            wanted.insert(w->objectName());
        else if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                 qobject_cast<TRadioGroup*>(w))
            wanted.insert(w->objectName());
        if ((qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parent())) ||
            qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w)) {
            EXPECT_FALSE(w->accessibleName().isEmpty()) << w->objectName().toStdString();
        }
    }
    std::set<QString> reached;
    QWidget* first = op.control<QWidget>(GetParam() == settings1 ? "PortSpinEdit1" : "lot");
    first->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 200; ++i) {
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(f, nullptr);
        if (auto* group = qobject_cast<TRadioGroup*>(f->parentWidget()))
            reached.insert(group->objectName());
        reached.insert(f->objectName());
        QTest::keyClick(f, Qt::Key_Tab);
    }
    for (const QString& name : wanted)
        EXPECT_TRUE(reached.count(name)) << name.toStdString() << " is not reached with Tab";
}

INSTANTIATE_TEST_SUITE_P(Pages, PageKeyboard, testing::Values(settings1, zelmarSettings2));
