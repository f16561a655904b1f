// The table upload against a scripted reader: the walk over the rows while the operator
// changes the table, and a row that cannot be sent.

#include "transfer/tableupload.h"

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

constexpr int kPort = 12;
// "S", the record and the carriage return.
constexpr std::size_t kCommandLength = 34;

class TableUploadWalk : public test::StoreFixture {
protected:
    void SetUp() override {
        StoreFixture::SetUp();
        table = readings();
        table->open();
        for (const char* tag : {"000000000A", "000000000B", "000000000C", "000000000D"})
            addRow(*table, QString::fromLatin1(tag));
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
        upload = std::make_unique<TableUpload>(link, *table);
    }
    void TearDown() override {
        upload.reset();
        port.setOpen(false);
        setPortMap({});
    }

    // The codes of the records sent so far, in order.
    std::vector<std::string> codesSent() const {
        const std::string bytes = peer.received();
        std::vector<std::string> codes;
        for (std::size_t at = 0; at + kCommandLength <= bytes.size(); at += kCommandLength)
            codes.push_back(bytes.substr(at + 3, 10));
        return codes;
    }
    // Waits for the n-th command to be sent whole.
    bool sent(std::size_t n) const { return peer.waitForBytes(n * kCommandLength, 2s); }
    void acknowledge() { peer.write("SOK\r"); }
    std::string labeldump() const {
        const auto it = view.captions.find("Labeldump");
        return it == view.captions.end() || it->second.empty() ? "?" : it->second.back();
    }

    test::PtyPeer peer;
    TComPort port;
    test::RecordingView view;
    ReaderLink link{port, view};
    std::unique_ptr<Table> table;
    std::unique_ptr<TableUpload> upload;
    std::vector<std::string> errors;
};

TEST_F(TableUploadWalk, RowsDeletedDuringTheUploadAreNeitherSkippedNorSentTwice) {
    upload->start(UploadChoice::All, {});
    ASSERT_TRUE(sent(1));
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return codesSent().size() == 2; }));

    // The operator deletes a row before the one being sent (A), then the one just sent (C).
    table->moveTo(0);
    table->remove();
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return codesSent().size() == 3; }));
    table->moveTo(1);
    table->remove();
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return codesSent().size() == 4; }));
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return labeldump() == "Upload completed (4)"; }))
        << labeldump();
    EXPECT_EQ(codesSent(),
              (std::vector<std::string>{"000000000A", "000000000B", "000000000C", "000000000D"}));
}

TEST_F(TableUploadWalk, CursorMovedByTheOperatorDoesNotChangeWhatIsSent) {
    table->moveTo(3);
    upload->start(UploadChoice::All, {});
    ASSERT_TRUE(sent(1));
    table->moveTo(2);
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return codesSent().size() == 2; }));
    EXPECT_EQ(codesSent().back(), "000000000B");
    EXPECT_EQ(table->recNo(), 2);
}

TEST_F(TableUploadWalk, ClosedTableEndsTheUploadAtTheNextReply) {
    upload->start(UploadChoice::All, {});
    ASSERT_TRUE(sent(1));
    table->close();
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return labeldump() == "Upload completed (1)"; }));
    test::settle(100ms);
    EXPECT_EQ(codesSent().size(), 1u);
    EXPECT_TRUE(errors.empty());
}

TEST_F(TableUploadWalk, RowThatCannotBeSentStopsWithItsTextAndTheDefaultCursor) {
    table->moveTo(1);
    table->edit();
    table->field(readings::C_Code).setAsString(QStringLiteral("98x"));
    table->post();
    upload->start(UploadChoice::All, {});
    ASSERT_TRUE(sent(1));
    acknowledge();
    ASSERT_TRUE(test::waitFor([&] { return !errors.empty(); }));
    EXPECT_EQ(errors.front(), "'98x' is not a valid integer value");
    EXPECT_EQ(view.events.back(), "cursor default");
    acknowledge();
    test::settle(100ms);
    EXPECT_EQ(codesSent().size(), 1u) << "nothing is sent for the row, nor after it";
}

} // namespace
} // namespace px708
