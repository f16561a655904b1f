// What a screen reader is told about the window, read through Qt's accessible interfaces (the
// AT-SPI check in tests/accessibility reads the same from outside the process).

#include "link/readerlink.h"
#include "serial/portmap.h"
#include "store/table.h"
#include "tests/ui/uitestsupport.h"
#include "ui/datapage.h"
#include "ui/form1.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>

#include <memory>

namespace {

class AccessibilityTest : public testing::Test {
protected:
    void start(const std::string& extra) {
        workspace.writeIni("[mode]\npause=1\nextra=" + extra +
                           "\n\n[ports]\nCOM1=" + peer.slavePath() + "\n");
        form = std::make_unique<TForm1>();
        form->ensurePages();
        form->show();
    }
    void TearDown() override {
        form.reset();
        px708::setPortMap({});
    }
    QAccessibleInterface* of(const char* name) const {
        QObject* o = form->findChild<QObject*>(QString::fromLatin1(name));
        EXPECT_NE(o, nullptr) << name;
        return o ? QAccessible::queryAccessibleInterface(o) : nullptr;
    }

    uitest::Workspace workspace;
    uitest::PtyMaster peer;
    uitest::DialogRecorder dialogs;
    std::unique_ptr<TForm1> form;
};

TEST_F(AccessibilityTest, TheMainWindowIsAWindowNamedByItsTitle) {
    start("0");
    QAccessibleInterface* window = QAccessible::queryAccessibleInterface(form.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->role(), QAccessible::Window);
    EXPECT_EQ(window->text(QAccessible::Name), QStringLiteral("Zelmar PX-708"));
}

struct ShownTabsCase {
    const char* name;
    const char* extra;
    QStringList tabs;
};

class ShownTabsTest : public AccessibilityTest,
                      public testing::WithParamInterface<ShownTabsCase> {};

TEST_P(ShownTabsTest, HiddenPagesAreNoPageTabs) {
    start(GetParam().extra);
    QAccessibleInterface* bar = QAccessible::queryAccessibleInterface(form->Page()->tabBar());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->role(), QAccessible::PageTabList);
    QStringList offered;
    for (int i = 0; i < bar->childCount(); ++i) {
        QAccessibleInterface* tab = bar->child(i);
        ASSERT_NE(tab, nullptr);
        EXPECT_EQ(tab->role(), QAccessible::PageTab);
        EXPECT_EQ(bar->indexOfChild(tab), i);
        offered << tab->text(QAccessible::Name);
    }
    EXPECT_EQ(offered, GetParam().tabs);

    // Pressing the tab of "Data" selects page 5, whose index counts the hidden pages too.
    const int data = static_cast<int>(offered.indexOf(QStringLiteral("Data")));
    ASSERT_GE(data, 0);
    QAccessibleInterface* tab = bar->child(data);
    tab->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(form->Page()->currentIndex(), px708::page::data);
    EXPECT_TRUE(tab->state().selected);
}

INSTANTIATE_TEST_SUITE_P(
    Extra, ShownTabsTest,
    testing::Values(ShownTabsCase{"without_extra",
                                  "0",
                                  {"Cover", "Settings (1)", "Zelmar Mode Settings (2)",
                                   "On-Line Settings (3)", "Data", "ComPort Buffer"}},
                    ShownTabsCase{"with_extra",
                                  "1",
                                  {"Cover", "Settings (1)", "Zelmar Mode Settings (2)",
                                   "On-Line Settings (3)", "On-Line Settings(4)", "Data",
                                   "ComPort Buffer"}}),
    [](const auto& p) { return std::string(p.param.name); });

struct ValueLabelCase {
    const char* name;
    const char* label;
    const char* value;
    const char* field;
};

class ValueLabelTest : public AccessibilityTest,
                       public testing::WithParamInterface<ValueLabelCase> {};

TEST_P(ValueLabelTest, IsReadAsTheValueItShowsAndDescribedByItsField) {
    const ValueLabelCase& c = GetParam();
    start("0");
    auto* label = form->findChild<QLabel*>(QString::fromLatin1(c.label));
    ASSERT_NE(label, nullptr);
    label->setText(QString::fromLatin1(c.value));
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(label);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), QString::fromLatin1(c.value));
    EXPECT_EQ(iface->text(QAccessible::Description), QString::fromLatin1(c.field));
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(0, text->characterCount()), QString::fromLatin1(c.value));
}

INSTANTIATE_TEST_SUITE_P(
    Labels, ValueLabelTest,
    testing::Values(ValueLabelCase{"lots_cleared", "Labellots", "Lots cleared", "Clear Lots"},
                    ValueLabelCase{"free_memory", "Labelfreemem", "1991 free", "Free Memory"},
                    ValueLabelCase{"reader_date", "Labeldt1", "15/04/2023", "Reader date"},
                    ValueLabelCase{"download_count", "Labeldump", "Download completed (3)",
                                   "Download progress"},
                    ValueLabelCase{"tag_of_the_current_row", "DBText1", "000000000001", "Tag ID"},
                    ValueLabelCase{"mode", "mode", "currently Zelmar mode", "Reader mode"}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(AccessibilityTest, RecordEditsAreNamedByTheFieldNamesTheOperatorGave) {
    start("0");
    const auto giveNames = [&](const QString& tag, const QString& alpha) {
        px708::Table& settings = form->tblc();
        settings.edit();
        settings.fieldByName(u"field0").setAsString(tag);
        settings.fieldByName(u"field2").setAsString(alpha);
        settings.post();
        form->dataPage()->do_fieldnames();
    };
    giveNames(QStringLiteral("Chip"), QStringLiteral("Weight"));
    EXPECT_EQ(of("RecEdit3")->text(QAccessible::Name), QStringLiteral("Weight"));
    EXPECT_EQ(of("DBText1")->text(QAccessible::Description), QStringLiteral("Chip"));
    // A field without a name of the operator's is heard by its own caption.
    giveNames(QString(), QString());
    EXPECT_EQ(of("RecEdit3")->text(QAccessible::Name), QStringLiteral("Alpha"));
    EXPECT_EQ(of("DBText1")->text(QAccessible::Description), QStringLiteral("Tag ID"));
}

} // namespace
