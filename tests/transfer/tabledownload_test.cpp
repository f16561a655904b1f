// "Download to Database" through the link over a pseudo-terminal: the reader scripted on the
// master, the rows stored in a real readings table.

#include "transfer/tabledownload.h"

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "store/table.h"
#include "tests/link/recordingview.h"
#include "tests/store/storefixture.h"
#include "tests/support/ptypeer.h"

#include <chrono>

using namespace std::chrono_literals;

namespace px708 {
namespace {

constexpr int kPort = 9;

std::string record(const std::string& code, const std::string& type, const std::string& country) {
    return "07" + code + "23041506143005" + "00" + type + country;
}

class TableDownloadTest : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        table = readings();
        table->open();
        setPortMap({{kPort, peer.slavePath()}});
        port.setComNumber(kPort);
        port.OnTriggerAvail = [this](TComPort& cp, std::uint16_t n) {
            try {
                link.Com1TriggerAvail(cp, n);
            } catch (const std::exception& e) {
                errors.push_back(e.what());
            }
        };
        port.setOpen(true);
        link.setPause(0ms);
        download = std::make_unique<TableDownload>(link, *table);
    }
    void TearDown() override {
        download.reset();
        port.setOpen(false);
        setPortMap({});
    }
    std::string labeldump() const {
        const auto it = view.captions.find("Labeldump");
        return it == view.captions.end() || it->second.empty() ? "?" : it->second.back();
    }
    QString cell(int row, int field) const { return table->displayText(row, field); }

    test::PtyPeer peer;
    TComPort port;
    test::RecordingView view;
    ReaderLink link{port, view};
    std::unique_ptr<Table> table;
    std::unique_ptr<TableDownload> download;
    std::vector<std::string> errors; // what the handler raised, as the window would show it
};

TEST_F(TableDownloadTest, RecordsBecomeRowsAndNokShowsTheCount) {
    download->start("07");
    ASSERT_TRUE(peer.waitForBytes(4, 2s));
    EXPECT_EQ(peer.received(), "N07\r");
    EXPECT_EQ(link.state(), 30);

    peer.write(record("0123456789", "4", "3E7") + "\r" + record("0006A1B2C3", "0", "000") + "\r" +
               record("0123456789", "C", "000") + "\r" + record("0123456789", "3", "000") + "\r" +
               "NOK\r");
    ASSERT_TRUE(test::waitFor([&] { return labeldump() == "Download completed (4)"; }))
        << labeldump();
    ASSERT_EQ(table->recordCount(), 4);

    const std::vector<std::vector<QString>> expected = {
        // C_Code, tag, Type, Lot
        {"999", "004886718345", "ISO FDX-B Non", "07"},
        {"0", "0006A1B2C3", "Zelmar", "07"},
        {"0", "123456789", "AVID", "07"},
        {"0", "0123456789", "", "07"},
    };
    for (int row = 0; row < 4; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(cell(row, readings::C_Code), expected[row][0]);
        EXPECT_EQ(cell(row, readings::tag), expected[row][1]);
        // The field keeps the type name's trailing blank, which the text shows.
        EXPECT_EQ(cell(row, readings::Type).trimmed(), expected[row][2]);
        EXPECT_EQ(cell(row, readings::Lot), expected[row][3]);
        EXPECT_EQ(cell(row, readings::Date_), QStringLiteral("15/04/2023"));
        EXPECT_EQ(cell(row, readings::Time_), QStringLiteral("14:30:05"));
        EXPECT_TRUE(table->storedValue(row, readings::Flagged).isNull());
    }
    // "NOK" stays in the reply buffer until the next command.
    EXPECT_EQ(link.replyBuffer(), "NOK");
}

TEST_F(TableDownloadTest, MonthFirstDatesAndASecondDownloadStartingAtZero) {
    DateSettings::applyAtStartUp(1, u"-");
    download->start("");
    ASSERT_TRUE(peer.waitForBytes(2, 2s));
    EXPECT_EQ(peer.received(), "N\r");
    peer.write(record("0123456789", "4", "3E7") + "\rNOK\r");
    ASSERT_TRUE(test::waitFor([&] { return labeldump() == "Download completed (1)"; }));
    EXPECT_EQ(cell(0, readings::Date_), QStringLiteral("04-15-2023"));

    download->start("07");
    EXPECT_EQ(labeldump(), "");
    peer.write(record("0123456789", "4", "3E7") + "\r");
    ASSERT_TRUE(test::waitFor([&] { return labeldump() == "1 records"; })) << labeldump();
    EXPECT_EQ(table->recordCount(), 2) << "the rows of the first download stay";
}

TEST_F(TableDownloadTest, ARowThatCannotBeStoredIsNotCounted) {
    download->start("07");
    ASSERT_TRUE(peer.waitForBytes(4, 2s));
    table->close();
    peer.write(record("0123456789", "4", "3E7") + "\r");
    ASSERT_TRUE(test::waitFor([&] { return !errors.empty(); }));
    EXPECT_EQ(download->count(), 0);
    EXPECT_EQ(labeldump(), "") << "the count shows no row that is not stored";

    table->open();
    peer.write(record("0006A1B2C3", "0", "000") + "\rNOK\r");
    ASSERT_TRUE(test::waitFor([&] { return labeldump() == "Download completed (1)"; }))
        << labeldump();
    EXPECT_EQ(table->recordCount(), 1);
    EXPECT_EQ(errors.size(), 1u);
}

TEST_F(TableDownloadTest, RefusalStoresNothing) {
    view.onMessage = [] {};
    download->start("FF");
    peer.write("NNO\r");
    ASSERT_TRUE(test::waitFor([&] {
        return std::find(view.events.begin(), view.events.end(),
                         "message " + std::string(kRefusalText)) != view.events.end();
    }));
    EXPECT_EQ(table->recordCount(), 0);
    EXPECT_EQ(download->count(), 0);
}

} // namespace
} // namespace px708
