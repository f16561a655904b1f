#include "transfer/capturedimport.h"

#include "store/storeerror.h"
#include "store/table.h"
#include "tests/store/storefixture.h"

namespace px708 {
namespace {

class CapturedImport : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        table = readings();
        table->open();
    }
    QString tagAt(int pos) const { return table->displayText(pos, readings::tag); }

    std::unique_ptr<Table> table;
    const QDateTime stamp{QDate(2024, 2, 29), QTime(23, 59, 58)};
    std::function<QDateTime()> clock = [this] { return stamp; };
};

TEST_F(CapturedImport, OnlyTenCharacterLinesBecomeRowsWithThePcDateAndTime) {
    const QStringList view{QStringLiteral("0006E4F1A2"), QStringLiteral("Download completed"),
                           QStringLiteral("12345"), QString(), QStringLiteral(" 0006E4F1 ")};
    EXPECT_EQ(importCapturedReadings(*table, view, clock), 2);
    ASSERT_EQ(table->recordCount(), 2);
    EXPECT_EQ(tagAt(0), QStringLiteral("0006E4F1A2"));
    EXPECT_EQ(tagAt(1), QStringLiteral(" 0006E4F1 ")) << "blanks are kept";
    EXPECT_EQ(table->displayText(0, readings::Date_), QStringLiteral("29/02/2024"));
    EXPECT_EQ(table->displayText(0, readings::Time_), QStringLiteral("23:59:58"));
    for (int field :
         {readings::C_Code, readings::Type, readings::Lot, readings::Alpha, readings::Comment})
        EXPECT_TRUE(table->storedValue(0, field).isNull()) << field;
}

TEST_F(CapturedImport, ImportingTwiceKeepsTheDuplicates) {
    const QStringList view{QStringLiteral("0006E4F1A2")};
    importCapturedReadings(*table, view, clock);
    importCapturedReadings(*table, view, clock);
    EXPECT_EQ(table->recordCount(), 2);
    EXPECT_EQ(tagAt(1), QStringLiteral("0006E4F1A2"));
}

TEST_F(CapturedImport, ClosedTableEndsWithTheStoreError) {
    table->close();
    EXPECT_THROW(importCapturedReadings(*table, {QStringLiteral("0006E4F1A2")}, clock),
                 DatabaseError);
}

} // namespace
} // namespace px708
