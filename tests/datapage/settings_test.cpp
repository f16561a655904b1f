#include "store/settingsrecord.h"
#include "tests/datapage/datapagefixture.h"
#include "ui/formsetup.h"
#include "ui/radiogroup.h"

#include <QLabel>
#include <QRadioButton>
#include <QSpinBox>

#include <filesystem>

namespace {

using namespace datapagetest;
using px708::DateSettings;
using px708::Table;
namespace col = px708::readings;

void chooseItem(TRadioGroup* group, int index) {
    QRadioButton* r = group->button(index);
    ASSERT_NE(r, nullptr);
    QTest::mouseClick(r, Qt::LeftButton, {}, QPoint(8, r->height() / 2));
    ASSERT_TRUE(r->isChecked());
}

struct FirstRun {
    const char* name;
    const char* storedSeparator; // a settings record there before the start, or nullptr
    int separatorItem;           // -1: left as the dialog opens
    int orderItem;
    bool enter; // Enter instead of a click on OK
    const char* separator;
    const char* order;
    const char* pattern;
};

class FirstRunTest : public testing::TestWithParam<FirstRun> {};

TEST_P(FirstRunTest, AsksOnceAndStoresTheAnswers) {
    const FirstRun& c = GetParam();
    Operator op(uitest::Workspace::Database::FirstRun);
    if (c.storedSeparator) {
        px708::Database db;
        db.connect();
        Table tblc(db, QStringLiteral("tblc"), px708::settingsSchema());
        tblc.setFileName(QStringLiteral("config.db"));
        tblc.open();
        tblc.edit();
        tblc.fieldByName(u"separator").setAsString(QString::fromLatin1(c.storedSeparator));
        tblc.post();
    }
    int setups = 0;
    bool escapeEndedIt = false;
    op.dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        auto* setup = qobject_cast<TFormsetup*>(&d);
        if (!setup)
            return std::nullopt;
        ++setups;
        EXPECT_EQ(setup->windowTitle(), "Setup");
        EXPECT_EQ(setup->size(), QSize(406, 328));
        EXPECT_FALSE(setup->windowFlags() & Qt::WindowCloseButtonHint);
        EXPECT_FALSE(setup->windowFlags() & Qt::WindowSystemMenuHint);
        EXPECT_EQ(setup->rg1()->itemIndex(), 0);
        EXPECT_EQ(setup->rg2()->itemIndex(), 0);
        EXPECT_EQ(setup->separatorResult(), "");
        setup->show();
        QTest::keyClick(setup, Qt::Key_Escape);
        escapeEndedIt = !setup->isVisible();
        if (c.separatorItem >= 0)
            chooseItem(setup->rg1(), c.separatorItem);
        if (c.orderItem >= 0)
            chooseItem(setup->rg2(), c.orderItem);
        if (c.enter)
            QTest::keyClick(setup->findChild<QPushButton*>("BitBtn1"), Qt::Key_Return);
        else
            QTest::mouseClick(setup->findChild<QPushButton*>("BitBtn1"), Qt::LeftButton);
        EXPECT_FALSE(setup->isVisible());
        return setup->result();
    });
    op.start();
    EXPECT_EQ(setups, 1);
    EXPECT_FALSE(escapeEndedIt) << "Escape must not end the Setup dialog";
    EXPECT_EQ(op.tblc().fieldByName(u"separator").asString(), c.separator);
    EXPECT_EQ(op.tblc().fieldByName(u"ddmmyy").asString(), c.order);
    EXPECT_EQ(DateSettings::shortDatePattern(), c.pattern);
    EXPECT_TRUE(op.dialogs.errorBoxes().empty());
    if (!c.storedSeparator) {
        EXPECT_EQ(op.control<QLabel>("Label2")->text(), "Alpha")
            << "a new installation names the fields as the captions";
        // A new installation starts on COM1 at 9600 baud: Setup, then the window with the
        // port open, and no port to choose on the way.
        EXPECT_EQ(op.tblc().fieldByName(u"port").asInteger(), 1);
        EXPECT_EQ(op.tblc().fieldByName(u"progbaud").asInteger(), 9600);
        EXPECT_TRUE(op.form->Com1().Open());
        EXPECT_EQ(op.form->Com1().ComNumber(), 1);
        EXPECT_EQ(op.form->Com1().Baud(), 9600);
        QStringList shown;
        for (const uitest::ShownDialog& d : op.dialogs.shown())
            shown << d.className;
        EXPECT_EQ(shown, QStringList{QStringLiteral("TFormsetup")});
    }
    op.restart();
    EXPECT_EQ(setups, 1) << "asked on the first run only";
    EXPECT_EQ(DateSettings::shortDatePattern(), c.pattern);
}

INSTANTIATE_TEST_SUITE_P(Answers, FirstRunTest,
                         testing::Values(FirstRun{"Enter_without_touching_anything", nullptr, -1,
                                                  -1, true, "/", "0", "dd/MM/yyyy"},
                                         FirstRun{"hyphen_and_month_first", nullptr, 1, 1, false,
                                                  "-", "1", "MM-dd-yyyy"},
                                         FirstRun{"separator_stored_but_no_order", ".", 2, 0, false,
                                                  ".", "0", "dd.MM.yyyy"}),
                         [](const auto& p) { return std::string(p.param.name); });

class SettingsPageTest : public testing::Test {
protected:
    void SetUp() override {
        Operator::addReadings(1, {{"000000000001", "a", true, QDate(2023, 4, 15)}});
        op.start(ports());
        op.selectPage(px708::page::settings1);
        ASSERT_TRUE(op.form->Com1().Open());
    }
    std::string ports() const { return "COM2=" + second.slavePath() + "\n"; }
    TRadioGroup* group(const char* name) { return op.control<TRadioGroup>(name); }

    Operator op;
    uitest::PtyMaster second;
};

struct PortEntry {
    const char* name;
    const char* typed;
    int port;
};

class PortEditorTest : public SettingsPageTest, public testing::WithParamInterface<PortEntry> {};

TEST_P(PortEditorTest, LeavingStoresTheNumberAndReopensThePort) {
    auto* spin = op.control<QSpinBox>("PortSpinEdit1");
    EXPECT_EQ(spin->value(), 1);
    QTest::mouseClick(spin, Qt::LeftButton, {}, QPoint(6, spin->height() / 2));
    EXPECT_EQ(op.tblc().state(), Table::State::Edit) << "entering edits the settings record";
    spin->selectAll();
    QTest::keyClicks(spin, GetParam().typed);
    op.leave();
    EXPECT_EQ(op.tblc().state(), Table::State::Browse);
    EXPECT_EQ(op.tblc().fieldByName(u"port").asInteger(), GetParam().port);
    EXPECT_TRUE(op.form->Com1().Open());
    EXPECT_EQ(op.form->Com1().ComNumber(), GetParam().port);
    // The port was closed even when the number stayed: that first close wrote the trace.
    EXPECT_TRUE(std::filesystem::exists(op.workspace.root() / "px708.TRC"));
    op.restart(ports());
    EXPECT_EQ(op.form->Com1().ComNumber(), GetParam().port);
    EXPECT_TRUE(op.form->Com1().Open());
}

INSTANTIATE_TEST_SUITE_P(Numbers, PortEditorTest,
                         testing::Values(PortEntry{"another_port", "2", 2},
                                         PortEntry{"the_same_port", "1", 1}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(SettingsPageTest, ProgramBaudRateReopensThePortAndIsKeptAtClose) {
    EXPECT_EQ(group("rgbaudp")->itemIndex(), 4) << "9600 stored";
    EXPECT_EQ(op.form->Com1().Baud(), 9600);
    chooseItem(group("rgbaudp"), 5);
    EXPECT_TRUE(op.form->Com1().Open());
    EXPECT_EQ(op.form->Com1().Baud(), 19200);
    EXPECT_EQ(op.tblc().state(), Table::State::Edit) << "not stored by the change itself";
    op.restart(ports());
    EXPECT_EQ(group("rgbaudp")->itemIndex(), 5) << "the operator's choice survives the close";
    EXPECT_EQ(op.form->Com1().Baud(), 19200);
}

TEST_F(SettingsPageTest, DateSeparatorAndFormat) {
    EXPECT_EQ(op.control<QLineEdit>("DBEdit1")->text(), "/");
    EXPECT_EQ(op.control<QLineEdit>("DBEdit1")->maxLength(), 1);
    EXPECT_EQ(group("rgdt")->itemIndex(), 0);

    // A new separator is used at once; the pattern keeps its order.
    op.type("DBEdit1", ".");
    EXPECT_EQ(DateSettings::dateSeparator(), ".");
    EXPECT_EQ(op.tblc().state(), Table::State::Edit);
    EXPECT_EQ(op.cell(0, col::Date_), "15.04.2023");

    // The date format is stored at once, with the pending separator.
    chooseItem(group("rgdt"), 1);
    EXPECT_EQ(op.tblc().state(), Table::State::Browse);
    EXPECT_EQ(op.tblc().fieldByName(u"ddmmyy").asInteger(), 1);
    EXPECT_EQ(DateSettings::dateOrder(), 1);
    EXPECT_EQ(op.cell(0, col::Date_), "04.15.2023");
    EXPECT_EQ(op.control<QDateEdit>("RecDatePicker1")->text(), "04.15.2023");
    op.restart(ports());
    EXPECT_EQ(DateSettings::shortDatePattern(), "MM.dd.yyyy");
    EXPECT_TRUE(op.dialogs.shown().empty()) << "no Setup, no error";

    // An empty separator stored brings the Setup back at the next start.
    op.selectPage(px708::page::settings1);
    op.type("DBEdit1", "");
    EXPECT_EQ(DateSettings::dateSeparator(), "");
    chooseItem(group("rgdt"), 0);
    EXPECT_EQ(op.cell(0, col::Date_), "15042023");
    int setups = 0;
    op.dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        if (auto* setup = qobject_cast<TFormsetup*>(&d)) {
            ++setups;
            setup->BitBtn1Click();
        }
        return std::nullopt;
    });
    op.restart(ports());
    EXPECT_EQ(setups, 1);
    EXPECT_EQ(op.tblc().fieldByName(u"separator").asString(), "/");
}

} // namespace
