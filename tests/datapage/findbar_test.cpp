// The find bar of the Data page: Ctrl+F, typing part of a tag, Enter and Shift+Enter.

#include "tests/datapage/datapagefixture.h"
#include "ui/findbar.h"
#include "ui/valuelabel.h"

#include <QLineEdit>

#include <ostream>

namespace {

using namespace datapagetest;

struct FindStep {
    enum Key { Type, Enter, ShiftEnter };
    Key key;
    const char* typed; // for Type: the text typed after clearing the box
    int row;           // the row the grid and the table stand on afterwards
    bool notFound;
};

struct FindCase {
    const char* name;
    std::vector<FindStep> steps;
};

void PrintTo(const FindCase& c, std::ostream* os) {
    *os << c.name;
}

class FindBarTest : public testing::TestWithParam<FindCase> {
protected:
    void SetUp() override {
        Operator::addReadings(1, {{"000000000001", "a", false, {}},
                                  {"985000000123", "b", false, {}},
                                  {"000000012300", "c", false, {}},
                                  {"0000000000A1", "d", false, {}},
                                  {"000000000999", "e", false, {}}});
        op.start();
        op.selectPage(px708::page::data);
        op.grid()->setFocus();
        op.grid()->setCurrentIndex(op.grid()->model()->index(0, 1));
    }
    TFindBar* bar() { return op.form->findChild<TFindBar*>(QStringLiteral("findBar")); }

    Operator op;
};

TEST_P(FindBarTest, MovesTheGridToTheRowsWhoseTagContainsTheText) {
    QTest::keyClick(op.grid(), Qt::Key_F, Qt::ControlModifier);
    ASSERT_NE(bar(), nullptr);
    ASSERT_TRUE(bar()->isVisible());
    QLineEdit* text = bar()->findText();
    ASSERT_TRUE(waitFor([&] { return text->hasFocus(); }));
    int step = 0;
    for (const FindStep& s : GetParam().steps) {
        SCOPED_TRACE(step++);
        switch (s.key) {
        case FindStep::Type:
            text->clear();
            QTest::keyClicks(text, QString::fromLatin1(s.typed));
            break;
        case FindStep::Enter:
            QTest::keyClick(text, Qt::Key_Return);
            break;
        case FindStep::ShiftEnter:
            QTest::keyClick(text, Qt::Key_Return, Qt::ShiftModifier);
            break;
        }
        EXPECT_EQ(op.grid()->currentIndex().row(), s.row);
        EXPECT_EQ(op.tbld().recNo(), s.row);
        EXPECT_EQ(bar()->findStatus()->text(), s.notFound ? "Not found" : "");
    }
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_FALSE(bar()->isVisible());
    EXPECT_TRUE(op.grid()->hasFocus());
}

using S = FindStep;
INSTANTIATE_TEST_SUITE_P(
    Finds, FindBarTest,
    testing::Values(
        FindCase{"typing_stays_on_a_row_that_still_matches",
                 {{S::Type, "1", 0, false}, {S::Type, "12", 1, false}, {S::Type, "123", 1, false}}},
        FindCase{"enter_goes_on_and_wraps_round",
                 {{S::Type, "123", 1, false},
                  {S::Enter, nullptr, 2, false},
                  {S::Enter, nullptr, 1, false}}},
        FindCase{"shift_enter_goes_back_and_wraps_round",
                 {{S::Type, "00000000", 0, false},
                  {S::ShiftEnter, nullptr, 4, false},
                  {S::ShiftEnter, nullptr, 3, false}}},
        FindCase{"letters_match_in_either_case", {{S::Type, "a1", 3, false}}},
        FindCase{"not_found_leaves_the_row", {{S::Type, "777", 0, true}}}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
