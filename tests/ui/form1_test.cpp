#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "serial/portprobe.h"
#include "tests/ui/uitestsupport.h"
#include "ui/errorbox.h"
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

#include <filesystem>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;
using uitest::waitFor;

const std::string kToZelmar = "\x1A"
                              "0\r";
const std::string kToOnline = "\x1A"
                              "1\r";

// The window started against a pseudo-terminal mapped as COM1, with a 5 ms pause.
class WindowTest : public testing::Test {
protected:
    void start(const std::string& modeSection = "extra=0\n") {
        workspace.writeIni("[mode]\npause=5\n" + modeSection +
                           "\n[ports]\nCOM1=" + peer.slavePath() + "\n");
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_TRUE(form->Com1().Open()) << "COM1 did not open on " << peer.slavePath();
    }
    void TearDown() override {
        form.reset();
        px708::setPortMap({});
    }

    QWidget* control(const char* name) const {
        return form->findChild<QWidget*>(QString::fromLatin1(name));
    }
    QString modeLabel() const { return form->findChild<QLabel*>(QStringLiteral("mode"))->text(); }
    QPushButton* button(const char* name) const {
        return qobject_cast<QPushButton*>(control(name));
    }
    QPlainTextEdit* memo1() const { return qobject_cast<QPlainTextEdit*>(control("Memo1")); }

    // An operator's page change (a click on the tab).
    void changePage(int index) { form->Page()->setCurrentIndex(index); }

    // What the utility sent since mark, once a "Set to ZELMAR Mode" pressed afterwards has
    // arrived: the fence proves that nothing else is still on its way.
    std::string sentBeforeFence(std::size_t mark) {
        const int stateBefore = form->link().state();
        const QString labelBefore = modeLabel();
        button("Button29")->click();
        EXPECT_TRUE(waitFor([&] {
            const std::string r = peer.received();
            return r.size() >= mark + kToZelmar.size() && r.ends_with(kToZelmar);
        }));
        form->link().setState(stateBefore);
        form->setCaption("mode", labelBefore.toStdString());
        const std::string r = peer.received();
        return r.substr(mark, r.size() - mark - kToZelmar.size());
    }

    uitest::Workspace workspace;
    uitest::PtyMaster peer;
    uitest::DialogRecorder dialogs;
    std::unique_ptr<TForm1> form;
};

TEST_F(WindowTest, FrameMatchesTheOriginal) {
    start();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Zelmar PX-708"));
    EXPECT_EQ(form->size(), QSize(802, 586));
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(form->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(form->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form->link().pause(), 5ms);
    EXPECT_EQ(form->Page()->currentIndex(), px708::page::cover);
    EXPECT_EQ(modeLabel(), QStringLiteral("currently OFF line"));
    EXPECT_EQ(control("Panel35")->palette().color(QPalette::Window), QColor(240, 251, 255));

    const struct {
        const char* name;
        const char* caption;
        bool visible;
    } buttons[] = {{"Button29", "Set to ZELMAR Mode", true},
                   {"Button32", "Set to ON-LINE Mode", true},
                   {"BitBtn2", "Connect", false},
                   {"BitBtn4", "Help", true},
                   {"BitBtn3", "Manual", true},
                   {"BitBtn1", "&Close", true}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(b.name);
        ASSERT_NE(button(b.name), nullptr);
        EXPECT_EQ(button(b.name)->text(), QString::fromLatin1(b.caption));
        EXPECT_EQ(button(b.name)->isVisible(), b.visible);
    }

    // The close button stays at the right edge when the window grows.
    QWidget* strip = control("Panel2");
    const int rightGap = strip->width() - button("BitBtn1")->geometry().right();
    form->resize(1000, 700);
    QCoreApplication::processEvents();
    EXPECT_EQ(strip->width() - button("BitBtn1")->geometry().right(), rightGap);
    EXPECT_EQ(strip->height(), 50);
}

struct PageSetCase {
    const char* name;
    const char* modeSection;
    QStringList shownTabs;
};

class PageSetTest : public WindowTest, public testing::WithParamInterface<PageSetCase> {};

TEST_P(PageSetTest, ShowsTheTabsInTheirFixedOrder) {
    start(GetParam().modeSection);
    QTabWidget* page = form->Page();
    const QStringList captions = {"Cover",
                                  "Settings (1)",
                                  "Zelmar Mode Settings (2)",
                                  "On-Line Settings (3)",
                                  "On-Line Settings(4)",
                                  "Data",
                                  "Keylot Upload",
                                  "ComPort Buffer",
                                  "Manual"};
    ASSERT_EQ(page->count(), captions.size());
    QStringList shown;
    for (int i = 0; i < page->count(); ++i) {
        EXPECT_EQ(page->tabText(i), captions[i]) << "page " << i;
        if (page->isTabVisible(i))
            shown << page->tabText(i);
    }
    EXPECT_EQ(shown, GetParam().shownTabs);
}

const QStringList kSixTabs = {
    "Cover", "Settings (1)",  "Zelmar Mode Settings (2)", "On-Line Settings (3)",
    "Data",  "ComPort Buffer"};
const QStringList kSevenTabs = {"Cover",
                                "Settings (1)",
                                "Zelmar Mode Settings (2)",
                                "On-Line Settings (3)",
                                "On-Line Settings(4)",
                                "Data",
                                "ComPort Buffer"};

INSTANTIATE_TEST_SUITE_P(Extra, PageSetTest,
                         testing::Values(PageSetCase{"NoExtraKey", "", kSixTabs},
                                         PageSetCase{"ExtraZero", "extra=0\n", kSixTabs},
                                         PageSetCase{"ExtraOne", "extra=1\n", kSevenTabs},
                                         PageSetCase{"ExtraTwo", "extra=2\n", kSixTabs},
                                         PageSetCase{"ExtraNotANumber", "extra=yes\n", kSixTabs}),
                         [](const testing::TestParamInfo<PageSetCase>& row) {
                             return std::string(row.param.name);
                         });

struct PageChangeCase {
    const char* name;
    int from; // the page the operator was on before; -1 stays on Cover
    int to;
    std::string wire;
    const char* label;
    int state;
};

class PageChangeTest : public WindowTest, public testing::WithParamInterface<PageChangeCase> {};

TEST_P(PageChangeTest, SendsTheModeCommandOfThePage) {
    const PageChangeCase& c = GetParam();
    start("extra=1\n");
    if (c.from >= 0) {
        changePage(c.from);
        sentBeforeFence(0);
    }
    // The Data page's progress label is cleared on every page change.
    auto* labeldump = form->findChild<QLabel*>(QStringLiteral("Labeldump"));
    if (!labeldump) {
        labeldump = new QLabel(form->pageSheet(px708::page::data));
        labeldump->setObjectName(QStringLiteral("Labeldump"));
    }
    labeldump->setText(QStringLiteral("Download completed (3)"));

    const std::size_t mark = peer.received().size();
    changePage(c.to);
    EXPECT_EQ(modeLabel(), QString::fromLatin1(c.label));
    EXPECT_EQ(form->link().state(), c.state);
    EXPECT_TRUE(labeldump->text().isEmpty());
    EXPECT_EQ(sentBeforeFence(mark), c.wire);
    EXPECT_TRUE(dialogs.shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Pages, PageChangeTest,
    testing::Values(PageChangeCase{"SettingsPutsZelmarMode", -1, px708::page::settings1, kToZelmar,
                                   "currently Zelmar mode", 99},
                    PageChangeCase{"ZelmarSettingsPutsZelmarMode", -1, px708::page::zelmarSettings2,
                                   kToZelmar, "currently Zelmar mode", 99},
                    PageChangeCase{"OnlineSettings3PutsOnlineModeAndLiveState", -1,
                                   px708::page::onlineSettings3, kToOnline,
                                   "currently on-line mode", 0},
                    PageChangeCase{"OnlineSettings4PutsZelmarMode", -1,
                                   px708::page::onlineSettings4, kToZelmar, "currently Zelmar mode",
                                   99},
                    PageChangeCase{"DataPutsZelmarMode", -1, px708::page::data, kToZelmar,
                                   "currently Zelmar mode", 99},
                    PageChangeCase{"DataAfterSettingsSendsAgain", px708::page::settings1,
                                   px708::page::data, kToZelmar, "currently Zelmar mode", 99},
                    PageChangeCase{"CoverSendsNothingButReadsOffLine", px708::page::onlineSettings3,
                                   px708::page::cover, "", "currently OFF line", 0},
                    PageChangeCase{"ComPortBufferKeepsModeAndLabel", px708::page::onlineSettings3,
                                   px708::page::comPortBuffer, "", "currently on-line mode", 0}),
    [](const testing::TestParamInfo<PageChangeCase>& row) { return std::string(row.param.name); });

TEST_F(WindowTest, StartUpSelectsCoverWithoutSendingAnything) {
    start();
    EXPECT_EQ(sentBeforeFence(0), "");
    EXPECT_EQ(form->link().state(), 0);
}

struct ModeButtonCase {
    const char* name;
    const char* button;
    std::string wire;
    const char* label;
};

class ModeButtonTest : public WindowTest, public testing::WithParamInterface<ModeButtonCase> {};

TEST_P(ModeButtonTest, SendsItsModeInStateModeSwitch) {
    const ModeButtonCase& c = GetParam();
    start();
    changePage(px708::page::onlineSettings3);
    ASSERT_TRUE(waitFor([&] { return peer.received() == kToOnline; }));
    button(c.button)->click();
    EXPECT_EQ(modeLabel(), QString::fromLatin1(c.label));
    // After either button the state is the mode switch's, not the live readings'.
    EXPECT_EQ(form->link().state(), 99);
    EXPECT_TRUE(waitFor([&] { return peer.received() == kToOnline + c.wire; })) << peer.received();
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, ModeButtonTest,
    testing::Values(ModeButtonCase{"ZelmarButton", "Button29", kToZelmar, "currently Zelmar mode"},
                    ModeButtonCase{"OnlineButton", "Button32", kToOnline,
                                   "currently on-line mode"}),
    [](const testing::TestParamInfo<ModeButtonCase>& row) { return std::string(row.param.name); });

struct ClosedPortCase {
    const char* name;
    const char* before; // button pressed while the port is still open, or nullptr
    int beforePage;     // page selected while the port is still open, or -1
    const char* press;  // button pressed on the closed port, or nullptr
    int select;         // page selected on the closed port when no button is pressed
    const char* label;
};

class ClosedPortTest : public WindowTest, public testing::WithParamInterface<ClosedPortCase> {};

TEST_P(ClosedPortTest, LabelStaysAndTheErrorIsShown) {
    const ClosedPortCase& c = GetParam();
    start();
    if (c.before)
        button(c.before)->click();
    if (c.beforePage >= 0)
        changePage(c.beforePage);
    form->Com1().setOpen(false);
    dialogs.clear();

    if (c.press)
        button(c.press)->click();
    else
        changePage(c.select);
    EXPECT_EQ(modeLabel(), QString::fromLatin1(c.label));
    EXPECT_EQ(form->link().state(), 99);
    const auto boxes = dialogs.errorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("Device not open"));
    EXPECT_EQ(boxes[0].title, QCoreApplication::applicationName());
}

INSTANTIATE_TEST_SUITE_P(
    Closed, ClosedPortTest,
    testing::Values(
        ClosedPortCase{"ZelmarButtonAfterOnline", "Button32", -1, "Button29", -1,
                       "currently on-line mode"},
        ClosedPortCase{"OnlineButtonAfterZelmar", "Button29", -1, "Button32", -1,
                       "currently Zelmar mode"},
        // Connect writes "currently OFF line" before it sends; the failed send leaves that.
        ClosedPortCase{"ConnectOnDataAfterOnline", nullptr, px708::page::onlineSettings3, nullptr,
                       px708::page::data, "currently OFF line"}),
    [](const testing::TestParamInfo<ClosedPortCase>& row) { return std::string(row.param.name); });

struct EchoCase {
    const char* name;
    int state;
    std::string bytes;
    QString lastLine;
};

class PortBufferTest : public WindowTest, public testing::WithParamInterface<EchoCase> {};

TEST_P(PortBufferTest, EchoesEveryLineThePeerSends) {
    const EchoCase& c = GetParam();
    start();
    form->link().setState(c.state);
    peer.write(c.bytes);
    EXPECT_TRUE(waitFor([&] {
        const QStringList lines = memo1()->toPlainText().split(QLatin1Char('\n'));
        return !memo1()->toPlainText().isEmpty() && lines.last() == c.lastLine;
    })) << memo1()->toPlainText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Echo, PortBufferTest,
    testing::Values(EchoCase{"LiveReading", 0, "982000123456789\r", "982000123456789"},
                    EchoCase{"AnswerToAModeSwitch", 99, "0OK\r", "0OK"},
                    // Each byte is one character of the line, as Latin-1.
                    EchoCase{"BytesAboveAscii", 99, "caf\xE9\r", QString::fromUtf8("café")}),
    [](const testing::TestParamInfo<EchoCase>& row) { return std::string(row.param.name); });

TEST_F(PortBufferTest, ClearMemoEmptiesThePortBuffer) {
    start();
    peer.write("ABC\r");
    ASSERT_TRUE(waitFor([&] { return memo1()->toPlainText() == QStringLiteral("ABC"); }));
    button("Button58")->click();
    EXPECT_TRUE(memo1()->toPlainText().isEmpty());
}

TEST_F(WindowTest, ClosingWritesTraceAndLogIntoTheCurrentFolder) {
    start();
    button("Button29")->click();
    peer.write("0OK\r");
    ASSERT_TRUE(waitFor([&] { return memo1()->toPlainText() == QStringLiteral("0OK"); }));
    const auto trace = workspace.root() / "px708.TRC";
    const auto log = workspace.root() / "px708.LOG";
    EXPECT_FALSE(std::filesystem::exists(trace));

    form->close();
    EXPECT_FALSE(form->Com1().Open());
    ASSERT_TRUE(std::filesystem::exists(trace));
    ASSERT_TRUE(std::filesystem::exists(log));
    EXPECT_GT(std::filesystem::file_size(trace), 0u);
    EXPECT_GT(std::filesystem::file_size(log), 0u);
    EXPECT_TRUE(dialogs.shown().empty());
}

TEST_F(WindowTest, ClosingWithAnUnwritableCurrentFolderStillClosesThePort) {
    start();
    button("Button29")->click();
    peer.write("0OK\r");
    ASSERT_TRUE(waitFor([&] { return memo1()->toPlainText() == QStringLiteral("0OK"); }));
    // The current folder goes away under the running program; root writes into read-only
    // folders, so a removed one is what makes both dumps fail for everyone.
    const auto gone = workspace.root() / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);

    form->close();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Com1().Open());
    EXPECT_FALSE(form->Com1().ShuttingDown());
    EXPECT_TRUE(px708::ComPortAvailable(peer.slavePath())) << "the device was released";
    const auto boxes = dialogs.errorBoxes();
    ASSERT_EQ(boxes.size(), 1u) << "the first failure is reported, once";
    EXPECT_EQ(boxes[0].text, QStringLiteral("Path not found"));
}

TEST_F(WindowTest, LostDeviceIsReportedOnceAndThePortEndsClosed) {
    start();
    peer.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !dialogs.errorBoxes().empty(); }));
    EXPECT_FALSE(form->Com1().Open());
    // The next command reports the closed port; no second report of the loss comes first.
    button("Button29")->click();
    const auto boxes = dialogs.errorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("COM1"))) << boxes[0].text.toStdString();
    EXPECT_EQ(boxes[1].text, QStringLiteral("Device not open"));
}

TEST_F(WindowTest, ExceptionInReplyHandlingGoesToTheErrorBoxAndReceivingGoesOn) {
    start();
    form->link().flows().set(px708::Flow::do_datetime, [](const std::string&) {
        throw std::runtime_error("bad clock text");
    });
    form->link().setState(26);
    peer.write("2301150311223300\r");
    ASSERT_TRUE(waitFor([&] { return !dialogs.errorBoxes().empty(); }));
    EXPECT_EQ(dialogs.errorBoxes()[0].text, QStringLiteral("bad clock text"));
    form->link().setState(99);
    peer.write("later\r");
    EXPECT_TRUE(waitFor([&] { return memo1()->toPlainText().endsWith(QStringLiteral("later")); }));
}

TEST_F(WindowTest, RefusalShowsTheMessageDialog) {
    start();
    form->link().show_message("x");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    EXPECT_EQ(dialogs.shown()[0].className, QStringLiteral("TFormmessage"));
    EXPECT_EQ(dialogs.shown()[0].title, QStringLiteral("Message"));
    EXPECT_EQ(dialogs.shown()[0].text,
              QStringLiteral("The reader returned an ERROR message. Try again."));
}

TEST_F(WindowTest, PortNumberZeroAsksForAPort) {
    start();
    form->Com1().setOpen(false);
    uitest::PtyMaster second;
    px708::setPortMap({{1, peer.slavePath()}, {7, second.slavePath()}});
    QStringList offered;
    dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        auto* combo = d.findChild<QComboBox*>();
        if (!combo)
            return std::nullopt;
        for (int i = 0; i < combo->count(); ++i)
            offered << combo->itemText(i);
        combo->setCurrentIndex(combo->findText(QStringLiteral("COM7")));
        return QDialog::Accepted;
    });
    form->Com1().setComNumber(0);
    form->Com1().setOpen(true);
    EXPECT_TRUE(form->Com1().Open());
    EXPECT_TRUE(offered.contains(QStringLiteral("COM7"))) << offered.join(' ').toStdString();
    button("Button29")->click();
    EXPECT_TRUE(waitFor([&] { return second.received() == kToZelmar; }));
    form.reset();
}

TEST_F(WindowTest, CancelledPortChoiceLeavesThePortClosed) {
    start();
    form->Com1().setOpen(false);
    dialogs.setAnswer([](QDialog& d) -> std::optional<int> {
        if (d.findChild<QComboBox*>())
            return QDialog::Rejected;
        return std::nullopt;
    });
    form->Com1().setComNumber(0);
    // The start-up's own opening path: the error reaches the standard error box.
    px708::guarded(form.get(), [&] { form->Com1().setOpen(true); });
    EXPECT_FALSE(form->Com1().Open());
    const auto boxes = dialogs.errorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text,
              QStringLiteral("The ComNumber property of the TComPort has not been set"));
}

struct PageKeyCase {
    const char* name;
    int from;
    bool backwards;
    const char* focus; // control holding the focus, or nullptr for the tab row
    int to;
};

class PageKeyTest : public WindowTest, public testing::WithParamInterface<PageKeyCase> {};

TEST_P(PageKeyTest, CtrlTabStepsThroughTheShownTabs) {
    const PageKeyCase& c = GetParam();
    start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    form->selectPage(c.from);
    QWidget* target = c.focus ? control(c.focus) : form->Page()->tabBar();
    target->setFocus();
    const auto modifiers = c.backwards ? Qt::ControlModifier | Qt::ShiftModifier
                                       : Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::keyClick(target, c.backwards ? Qt::Key_Backtab : Qt::Key_Tab, modifiers);
    EXPECT_EQ(form->Page()->currentIndex(), c.to);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, PageKeyTest,
    testing::Values(PageKeyCase{"SkipsHiddenOnlineSettings4", px708::page::onlineSettings3, false,
                                nullptr, px708::page::data},
                    PageKeyCase{"SkipsHiddenKeylotUpload", px708::page::data, false, nullptr,
                                px708::page::comPortBuffer},
                    PageKeyCase{"WrapsPastHiddenManual", px708::page::comPortBuffer, false, nullptr,
                                px708::page::cover},
                    PageKeyCase{"BackwardsFromCover", px708::page::cover, true, nullptr,
                                px708::page::comPortBuffer},
                    PageKeyCase{"FromInsideThePortBuffer", px708::page::comPortBuffer, false,
                                "Memo1", px708::page::cover},
                    PageKeyCase{"FromTheTopStrip", px708::page::cover, false, "Button29",
                                px708::page::settings1}),
    [](const testing::TestParamInfo<PageKeyCase>& row) { return std::string(row.param.name); });

TEST_F(WindowTest, TabWalksTheTopStripInOrder) {
    start();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    button("Button29")->setFocus();
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    EXPECT_EQ(order, (QStringList{"Button29", "Button32", "BitBtn4", "BitBtn3", "BitBtn1",
                                  "qt_tabwidget_tabbar"}));
}

TEST_F(WindowTest, EveryTextViewEditAndGridHasAnAccessibleName) {
    start("extra=1\n");
    QStringList unnamed;
    for (QWidget* w : form->findChildren<QWidget*>()) {
        const bool holdsData =
            qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QTextEdit*>(w) ||
            qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QAbstractItemView*>(w) ||
            (qobject_cast<QLineEdit*>(w) && !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) &&
             !qobject_cast<QComboBox*>(w->parentWidget()));
        if (!holdsData || qobject_cast<QComboBox*>(w->parentWidget()))
            continue;
        // Named by its own accessible name or by the label it is the buddy of.
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (!iface || iface->text(QAccessible::Name).isEmpty())
            unnamed << w->objectName();
    }
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QStringLiteral(", ")).toStdString();
}

} // namespace
