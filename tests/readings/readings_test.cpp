// The pages that bring the reader's readings in, against a scripted reader on a
// pseudo-terminal: the dump into Memo5, live readings and the download store, the on-line
// settings texts and switches, the imports of captured readings, and the download strip of
// the page "Data". Also the mends of the text views and one table pinning every radio group of
// the reader pages.

#include "link/catalogue.h"
#include "link/readerlink.h"
#include "store/schemas.h"
#include "tests/readings/readingsfixture.h"
#include "ui/radiogroup.h"

#include <QClipboard>
#include <QGuiApplication>

#include <functional>

namespace readingstest {
namespace {

using px708::page::data;
using px708::page::onlineSettings3;
using px708::page::onlineSettings4;
using px708::page::settings1;
using px708::page::zelmarSettings2;

const std::string kToZelmar = "\x1A"
                              "0\r";
const std::string kToOnline = "\x1A"
                              "1\r";
const QString kSelectionNeeded = QStringLiteral("You must make a selection!");

struct CaseName {
    template <class Info> std::string operator()(const Info& row) const { return row.param.name; }
};

class ReadingsTest : public testing::Test {
protected:
    void SetUp() override { startWindow(op, peer.slavePath()); }
    void TearDown() override { op.stop(); }

    // Changes to the page and waits for its mode command; what is sent next counts from there.
    void enter(int page) {
        op.selectPage(page);
        const std::string& mode = page == onlineSettings3 ? kToOnline : kToZelmar;
        ASSERT_TRUE(waitFor([&] { return peer.received().ends_with(mode); }));
        mark = peer.received().size();
    }
    std::string sent() const { return peer.received().substr(mark); }
    // Waits until exactly bytes have been sent since the mark.
    testing::AssertionResult sendsExactly(const std::string& bytes) {
        waitFor([&] { return sent().size() >= bytes.size(); }, 2s);
        if (sent() == bytes)
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << "sent " << testing::PrintToString(sent())
                                           << ", expected " << testing::PrintToString(bytes);
    }
    testing::AssertionResult sends(const std::string& wire) { return sendsExactly(wire + "\r"); }
    void markNow() { mark = peer.received().size(); }
    // The reader sends bytes; returns once the port buffer view has as many lines as expected.
    void reader(const std::string& bytes, int memo1Lines) {
        peer.write(bytes);
        ASSERT_TRUE(waitFor([&] { return memoLines(op, "Memo1").size() >= memo1Lines; }))
            << "the window took " << memoLines(op, "Memo1").size() << " lines, state "
            << op.link().state();
    }
    px708::Table& tbld() { return op.form->tbld(); }

    uitest::PtyMaster peer;
    Operator op;
    std::size_t mark = 0;
};

// Lot 01, 15/04/2023 (a Saturday) 14:30:05, the further digits 00.
std::string stored(const std::string& code, const std::string& type, const std::string& country,
                   const std::string& lot = "01") {
    return record(lot, code, "2304150614300500", type, country);
}

TEST_F(ReadingsTest, DumpShowsAHeaderThenReadableLinesWithTheDay) {
    enter(zelmarSettings2);
    op.click("Button39");
    ASSERT_TRUE(sends("N"));
    reader(stored("0123456789", "4", "3E7") + "\r" + stored("0006A1B2C3", "0", "000") + "\r" +
               stored("0123456789", "C", "000") + "\r" + stored("0123456789", "3", "000") +
               "\rNOK\r",
           5);
    EXPECT_EQ(
        memoLines(op, "Memo5"),
        (QStringList{"Lot.Transponder..Type....Date.......Day..Time ",
                     "01 999004886718345 ISO FDX-B Non  15/04/2023   Saturday   14:30:05:00",
                     "01 0006A1B2C3 Zelmar  15/04/2023   Saturday   14:30:05:00",
                     "01 123456789 AVID  15/04/2023   Saturday   14:30:05:00",
                     "01 01234567893 15/04/2023   Saturday   14:30:05:00", "Download completed"}));

    // A lot dump goes below, without a second header.
    op.type("dump", "7");
    op.leave();
    markNow();
    op.click("Button40");
    ASSERT_TRUE(sends("N07"));
    reader(stored("0000003039", "5", "3E7", "07") + "\rNOK\r", 7);
    const QStringList lines = memoLines(op, "Memo5");
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(lines[6], "07 999000000012345 ISO FDX-B Anm  15/04/2023   Saturday   14:30:05:00");
    EXPECT_EQ(lines[7], "Download completed");
}

TEST_F(ReadingsTest, EveryReceivedLineIsALineTheEmptyOneIncluded) {
    enter(onlineSettings3);
    reader("\r12345\r\r", 3);
    EXPECT_EQ(memoLines(op, "Memo3"), (QStringList{"", "12345", ""}));
    EXPECT_EQ(memoLines(op, "Memo1"), (QStringList{"", "12345", ""}));
    op.click("Button5");
    EXPECT_TRUE(memoLines(op, "Memo3").isEmpty());
    reader("\rX\r", 5);
    EXPECT_EQ(memoLines(op, "Memo3"), (QStringList{"", "X"}))
        << "the first line after Clear Memo is kept when it is empty";
}

struct PasteCase {
    const char* name;
    QString clipboard;
    QString line;
};

class PasteClipboard : public ReadingsTest, public testing::WithParamInterface<PasteCase> {};

TEST_P(PasteClipboard, AddsExactlyOneLineToTheDump) {
    enter(zelmarSettings2);
    // An empty clipboard first: the empty line is the dump view's first line.
    QGuiApplication::clipboard()->clear();
    op.click("Button61");
    QGuiApplication::clipboard()->setText(GetParam().clipboard);
    op.click("Button61");
    EXPECT_EQ(memoLines(op, "Memo5"), (QStringList{QString(), GetParam().line}));
}

INSTANTIATE_TEST_SUITE_P(Readings, PasteClipboard,
                         testing::Values(PasteCase{"OneLine", "985000012345678", "985000012345678"},
                                         PasteCase{"LineBreaksBecomeBlanks",
                                                   "0006A1B2C3\r\n0006E4F1A2\nAB\rC",
                                                   "0006A1B2C3 0006E4F1A2 AB C"},
                                         PasteCase{"TrailingBreak", "0006A1B2C3\n", "0006A1B2C3 "},
                                         PasteCase{"Empty", "", ""}),
                         CaseName());

// Every radio group of the reader pages: caption, items in their order, and the selection at
// start (the window's settings record holds 9600 baud and day-first dates).
struct GroupCase {
    const char* name;
    int page;
    QString title;
    QStringList items;
    int preset;
};

class RadioGroups : public ReadingsTest, public testing::WithParamInterface<GroupCase> {};

TEST_P(RadioGroups, HoldTheirItemsInOrderWithThePreset) {
    const GroupCase& c = GetParam();
    enter(c.page);
    auto* group = op.control<TRadioGroup>(c.name);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->title(), c.title);
    EXPECT_EQ(group->items(), c.items);
    EXPECT_EQ(group->itemIndex(), c.preset);
    for (int i = 0; i < c.items.size(); ++i)
        EXPECT_EQ(group->button(i)->text(), c.items[i]) << "the buttons show the items in order";
}

const QStringList kRates{"300", "1200", "2400", "4800", "9600", "19200"};

INSTANTIATE_TEST_SUITE_P(
    Readings, RadioGroups,
    testing::Values(
        GroupCase{"rgbaud", settings1, "Reader BAUD rate", kRates, 4},
        GroupCase{"rgbaudp", settings1, "Program BAUD rate", kRates, 4},
        GroupCase{"rgdt", settings1, "Date Format", {"DD/MM/YYYY", "MM/DD/YYYY"}, 0},
        GroupCase{
            "Rgmodesave", settings1, "Save Mode Setting", {"Save Mode ON", "Save Mode OFF"}, -1},
        GroupCase{
            "rgmodeseek", settings1, "Seek Mode Setting", {"Seek Mode ON", "Seek Mode OFF"}, -1},
        GroupCase{"rghexdec", settings1, "Display Setting", {"Hex Display", "Decimal Display"}, -1},
        GroupCase{"rgtrigger", settings1, "Trigger Status", {"Trigger ON", "Trigger OFF"}, -1},
        GroupCase{"Rgled", settings1, "LEDs", {"No LEDs", "Red", "Green", "Red +Green"}, 0},
        GroupCase{"rgled2", settings1, "Tone", {"Quiet", "Key", "OK", "NO"}, 0},
        GroupCase{
            "rgmessage", onlineSettings4, "No Decode Message", {"Message ON", "Message OFF"}, -1},
        GroupCase{"rgack", onlineSettings4, "ACK/NAK parameter", {"ACK/NAK ON", "ACK/NAK OFF"}, -1},
        GroupCase{"rgbi",
                  onlineSettings4,
                  "BiDirectional State",
                  {"BiDirectional  ON", "BiDirectional OFF"},
                  -1},
        GroupCase{
            "rgscan", onlineSettings4, "Scan + Store", {"Scan + Store ON", "Scan + Store OFF"}, -1},
        GroupCase{"rgenq", onlineSettings4, "ENQ parameter", {"Enq Param ON", "Enq Param OFF"}, -1},
        GroupCase{"rgcheckdigit",
                  onlineSettings4,
                  "Checkdigit Setting",
                  {"Checkdigit ON", "Checkdigit OFF"},
                  -1}),
    CaseName());

// A command of "On-Line Settings(4)": what the operator does, the wire form, the reader's
// answer and what the page shows then.
struct SettingCase {
    const char* name;
    std::function<void(Operator&)> operate;
    std::string wire;
    std::string answer;
    std::function<void(Operator&)> check;
};

class OnlineSettings : public ReadingsTest, public testing::WithParamInterface<SettingCase> {};

TEST_P(OnlineSettings, SendTheWireFormAndShowTheAnswer) {
    const SettingCase& c = GetParam();
    enter(onlineSettings4);
    c.operate(op);
    ASSERT_TRUE(sends(c.wire));
    reader(c.answer + "\r", 1);
    c.check(op);
}

std::function<void(Operator&)> shows(const char* edit, const QString& text) {
    return [edit, text](Operator& o) { EXPECT_EQ(o.text(edit), text); };
}

std::vector<SettingCase> onlineSettingCases() {
    std::vector<SettingCase> cases = {
        {"MessageSetIsHexWithCR",
         [](Operator& o) {
             o.type("messag", "NO READ");
             o.click("Button19");
         },
         "AX4E4F20524541440D", "AOK", shows("messag", "")},
        {"MessageReadEmptiesThenDecodes",
         [](Operator& o) {
             o.type("messag", "old");
             o.click("Button18");
             EXPECT_EQ(o.text("messag"), "") << "emptied before the answer";
         },
         "AX", "4E4F0DAOK", shows("messag", "NO")},
        {"MessageClearReader", [](Operator& o) { o.click("Button65"); }, "AX00", "AOK",
         shows("messag", "")},
        {"PrefixSetHasNoTerminator",
         [](Operator& o) {
             o.type("prefix", "ID:");
             o.click("Button23");
         },
         "AP49443A", "AOK", shows("prefix", "")},
        {"PrefixRead", [](Operator& o) { o.click("Button22"); }, "AP", "3E3EAOK",
         shows("prefix", ">>")},
        {"PrefixReadEmpty", [](Operator& o) { o.click("Button22"); }, "AP", "AOK",
         shows("prefix", "")},
        {"PrefixClearReader", [](Operator& o) { o.click("Button44"); }, "AP00", "AOK",
         shows("prefix", "")},
        {"SuffixEnterPressesSet",
         [](Operator& o) {
             o.type("suffix", "!");
             // A character above 7Fh, as a keyboard layout with accents gives it.
             o.control<QLineEdit>("suffix")->insert(QString::fromLatin1("\xE9"));
             QTest::keyClick(o.control<QLineEdit>("suffix"), Qt::Key_Return);
         },
         "AS21E90D", "AOK", shows("suffix", "")},
        {"SuffixReadKeepsTheCarriageReturnOut", [](Operator& o) { o.click("Button24"); }, "AS",
         "0D0AAOK", shows("suffix", "\r")},
        {"SuffixClearReader", [](Operator& o) { o.click("Button43"); }, "AS0D", "AOK",
         shows("suffix", "")},
    };
    // The six switches: Set of ON sends "1", Read answered "0AOK" shows OFF.
    for (const px708::OnOffParameter& p : px708::onOffParameters()) {
        const std::string group(p.group), read(p.readButton), set(p.setButton), prefix(p.prefix);
        cases.push_back({p.group.data(),
                         [group, set](Operator& o) {
                             o.choose(group.c_str(), 0);
                             o.click(set.c_str());
                         },
                         prefix + "1", "1AOK",
                         [group](Operator& o) { EXPECT_EQ(o.index(group.c_str()), 0); }});
        cases.push_back({p.readButton.data(), [read](Operator& o) { o.click(read.c_str()); },
                         prefix, "0AOK",
                         [group](Operator& o) { EXPECT_EQ(o.index(group.c_str()), 1); }});
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Readings, OnlineSettings, testing::ValuesIn(onlineSettingCases()),
                         CaseName());

TEST_F(ReadingsTest, SwitchSetWithoutSelectionAsksForOneAndSendsNothing) {
    enter(onlineSettings4);
    for (const px708::OnOffParameter& p : px708::onOffParameters())
        op.click(std::string(p.setButton).c_str());
    ASSERT_EQ(op.dialogs.shown().size(), px708::onOffParameters().size());
    for (const auto& d : op.dialogs.shown())
        EXPECT_EQ(d.text, kSelectionNeeded);
    EXPECT_TRUE(sendsExactly(""));
}

TEST_F(ReadingsTest, TextEditsTakeThirtyTwoCharactersAndARefusalKeepsThem) {
    enter(onlineSettings4);
    op.type("prefix", QString(40, QLatin1Char('P')));
    EXPECT_EQ(op.text("prefix"), QString(32, QLatin1Char('P')));
    op.click("Button23");
    std::string hex;
    for (int i = 0; i < 32; ++i)
        hex += "50";
    ASSERT_TRUE(sends("AP" + hex));
    reader("ANO\r", 1);
    ASSERT_TRUE(waitFor([&] { return !op.dialogs.shown().empty(); }));
    EXPECT_EQ(op.dialogs.shown().back().text, pagestest::kRefusalText);
    EXPECT_EQ(op.text("prefix"), QString(32, QLatin1Char('P')));
}

TEST_F(ReadingsTest, FetchReadingsAsksWithEnqUntilTheAckThenLiveReadingsShowAgain) {
    enter(onlineSettings3);
    op.click("Button21");
    ASSERT_TRUE(sendsExactly("\x05")) << "a lone ENQ: no pause, no carriage return";
    EXPECT_EQ(op.link().state(), 4);
    reader("0006A1B2C3\r", 1);
    ASSERT_TRUE(sendsExactly("\x05\x05")) << "the reading asks for the next one";
    reader("\x06", 1);
    ASSERT_TRUE(waitFor([&] { return memoLines(op, "Memo4").size() == 2; }));
    EXPECT_EQ(memoLines(op, "Memo4"), (QStringList{"0006A1B2C3", "Download completed"}));
    EXPECT_EQ(op.link().state(), 0);
    reader("0006E4F1A2\r", 2);
    EXPECT_EQ(memoLines(op, "Memo3"), QStringList{"0006E4F1A2"});
    EXPECT_TRUE(sendsExactly("\x05\x05")) << "nothing more was asked";
}

TEST_F(ReadingsTest, FetchReadingsWithThePortClosedInStateZeroAsksToConnect) {
    enter(onlineSettings3);
    op.form->Com1().setOpen(false);
    op.click("Button21");
    ASSERT_EQ(op.dialogs.shown().size(), 1u);
    EXPECT_EQ(op.dialogs.shown()[0].text, "Click on CONNECT!");
    EXPECT_EQ(op.link().state(), 0);
}

TEST_F(ReadingsTest, ImportStoresTheTenCharacterLinesAndLeavesTheViewAlone) {
    enter(onlineSettings3);
    reader("0006E4F1A2\rDownload completed\r12345\r\r 0006E4F1 \r", 5);
    const QStringList before = memoLines(op, "Memo3");
    const QDate today = QDate::currentDate();
    op.click("Button52");
    ASSERT_EQ(tbld().recordCount(), 2);
    EXPECT_EQ(tbld().displayText(0, px708::readings::tag), "0006E4F1A2");
    EXPECT_EQ(tbld().displayText(1, px708::readings::tag), " 0006E4F1 ");
    const QDate stored = tbld().storedValue(0, px708::readings::Date_).toDate();
    EXPECT_TRUE(stored == today || stored == today.addDays(1)) << stored.toString().toStdString();
    EXPECT_EQ(memoLines(op, "Memo3"), before);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

    op.click("Button52");
    EXPECT_EQ(tbld().recordCount(), 4) << "importing twice keeps both";
    EXPECT_EQ(tbld().displayText(3, px708::readings::tag), " 0006E4F1 ");

    // The download store's view is empty: nothing is stored and the cursor is left alone.
    op.click("Button54");
    EXPECT_EQ(tbld().recordCount(), 4);
    EXPECT_EQ(op.form->dataPage()->model().rowCount(), 4) << "the grid shows the rows";
}

struct LotCase {
    const char* name;
    QString typed;
    QString shown; // after leaving the edit
    std::string wire;
};

class DownloadStrip : public ReadingsTest, public testing::WithParamInterface<LotCase> {};

TEST_P(DownloadStrip, NormalisesTheLotAndAsksForItsRecords) {
    const LotCase& c = GetParam();
    enter(data);
    op.type("datalot", c.typed);
    op.leave();
    EXPECT_EQ(op.text("datalot"), c.shown);
    op.click("Button53");
    EXPECT_TRUE(sends(c.wire));
    EXPECT_EQ(op.text("Labeldump"), "");
    EXPECT_EQ(op.link().state(), 30);
}

INSTANTIATE_TEST_SUITE_P(Readings, DownloadStrip,
                         testing::Values(LotCase{"OneDigit", "7", "07", "N07"},
                                         LotCase{"DoubleZero", "00", "01", "N01"},
                                         LotCase{"Empty", "", "", "N"},
                                         LotCase{"LowerCaseLetter", "a", "0A", "N0A"},
                                         LotCase{"TwoCharactersAtMost", "FE1", "FE", "NFE"}),
                         CaseName());

TEST_F(ReadingsTest, DownloadCountsTheRowsAndShowsTheCompletion) {
    enter(data);
    op.type("datalot", "1");
    op.click("Button53");
    ASSERT_TRUE(sends("N01"));
    reader(stored("0123456789", "4", "3E7") + "\r", 1);
    ASSERT_TRUE(waitFor([&] { return op.text("Labeldump") == "1 records"; }));
    reader(stored("0006A1B2C3", "0", "000") + "\r" + stored("0123456789", "C", "000") + "\rNOK\r",
           4);
    ASSERT_TRUE(waitFor([&] { return op.text("Labeldump") == "Download completed (3)"; }))
        << op.text("Labeldump").toStdString();
    EXPECT_EQ(op.form->dataPage()->model().rowCount(), 3);
    EXPECT_EQ(tbld().displayText(2, px708::readings::tag), "123456789");

    // Pressing again starts the count over; the rows stay.
    markNow();
    op.click("Button53");
    ASSERT_TRUE(sends("N01"));
    EXPECT_EQ(op.text("Labeldump"), "");
    reader(stored("0123456789", "4", "3E7") + "\r", 5);
    ASSERT_TRUE(waitFor([&] { return op.text("Labeldump") == "1 records"; }));
    EXPECT_EQ(tbld().recordCount(), 4);
}

} // namespace
} // namespace readingstest
