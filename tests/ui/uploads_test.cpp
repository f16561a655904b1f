// The uploads in the window: "Download table to Reader" on the Data page and the hidden page
// "Keylot Upload", driven as an operator would against a scripted reader.

#include "link/readerlink.h"
#include "serial/comport.h"
#include "serial/portmap.h"
#include "store/schemas.h"
#include "store/table.h"
#include "tests/ui/uitestsupport.h"
#include "transfer/keylotupload.h"
#include "ui/form1.h"
#include "ui/radiogroup.h"

#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include <fstream>

namespace {

using namespace std::chrono_literals;
using uitest::waitFor;

const std::string kToZelmar = "\x1A"
                              "0\r";

class UploadWindow : public testing::Test {
protected:
    void SetUp() override {
        workspace.writeIni("[mode]\npause=0\n\n[ports]\nCOM1=" + peer.slavePath() + "\n");
        form = std::make_unique<TForm1>();
        form->ensurePages();
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
        ASSERT_TRUE(form->Com1().Open());
    }
    void TearDown() override {
        form.reset();
        px708::setPortMap({});
    }
    template <class W = QWidget> W* control(const char* name) const {
        return form->findChild<W*>(QString::fromLatin1(name));
    }
    void addRow(const char* tag) {
        px708::Table& t = form->tbld();
        t.append();
        t.field(px708::readings::C_Code).setAsString(QStringLiteral("0"));
        t.field(px708::readings::tag).setAsString(QString::fromLatin1(tag));
        t.field(px708::readings::Lot).setAsString(QStringLiteral("01"));
        t.post();
    }
    // An operator's page change, once its mode command has reached the reader.
    void changePage(int index) {
        const std::size_t before = peer.received().size();
        form->Page()->setCurrentIndex(index);
        ASSERT_TRUE(waitFor([&] { return peer.received().size() >= before + kToZelmar.size(); }));
    }
    // What the utility sent from the byte at `from` on.
    std::string sentSince(std::size_t from) const { return peer.received().substr(from); }

    uitest::Workspace workspace;
    uitest::PtyMaster peer;
    uitest::DialogRecorder dialogs;
    std::unique_ptr<TForm1> form;
};

TEST_F(UploadWindow, KeylotPageOpensFromTheKeyboardAndFromTheDataPage) {
    QTabWidget* page = form->Page();
    EXPECT_FALSE(page->isTabVisible(px708::page::keylotUpload)) << "no tab of its own";

    std::size_t before = peer.received().size();
    QTest::keyClick(form.get(), Qt::Key_K, Qt::ControlModifier);
    EXPECT_EQ(page->currentIndex(), px708::page::keylotUpload);
    ASSERT_TRUE(waitFor([&] { return sentSince(before) == kToZelmar; })) << sentSince(before);
    EXPECT_TRUE(control("Memocsv")->isVisible());
    EXPECT_FALSE(control("Button70")->isVisible());
    EXPECT_FALSE(control("Button71")->isVisible());

    changePage(px708::page::data);
    auto* keylots = control<QPushButton>("keylotPageButton");
    ASSERT_NE(keylots, nullptr);
    EXPECT_EQ(keylots->accessibleName(), QStringLiteral("Keylot Upload"));
    before = peer.received().size();
    keylots->click();
    EXPECT_EQ(page->currentIndex(), px708::page::keylotUpload);
    ASSERT_TRUE(waitFor([&] { return sentSince(before) == kToZelmar; })) << sentSince(before);
}

TEST_F(UploadWindow, KeylotFileImportedAndSentWithTheKeylot) {
    const std::string path = (workspace.root() / "codes.csv").string();
    std::ofstream(path) << "0123456789ABC\r\n12345\r\n9876543210\r\n";
    dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        auto* open = qobject_cast<QFileDialog*>(&d);
        if (!open)
            return std::nullopt;
        open->selectFile(QString::fromStdString(path));
        return int(QDialog::Accepted);
    });
    changePage(px708::page::keylotUpload);
    control<QPushButton>("Button68")->click();
    EXPECT_EQ(control<QPlainTextEdit>("Memocsv")->toPlainText(),
              QStringLiteral("0123456789\n9876543210"));
    EXPECT_EQ(control<QLabel>("Label51")->text(), QStringLiteral("2 records imported"));
    EXPECT_EQ(control<QLabel>("Label52")->text(), QStringLiteral("Ensure Reader is connected!"));
    ASSERT_TRUE(control("Button70")->isVisible());

    auto* datalot3 = control<QLineEdit>("datalot3");
    datalot3->setFocus();
    datalot3->selectAll();
    QTest::keyClicks(datalot3, "a");
    EXPECT_EQ(datalot3->text(), QStringLiteral("A")) << "upper case";
    control<QPushButton>("Button70")->setFocus();
    EXPECT_EQ(datalot3->text(), QStringLiteral("0A")) << "normalised when the focus leaves";

    const std::size_t before = peer.received().size();
    control<QPushButton>("Button70")->click();
    ASSERT_TRUE(waitFor([&] { return sentSince(before).size() >= 3 + 34; }));
    EXPECT_EQ(sentSince(before).substr(0, 3 + 13), kToZelmar + "S0A8967452301");
    EXPECT_EQ(control<QLabel>("Label52")->text().left(13), QStringLiteral("S0A8967452301"));

    peer.write("SOK\r");
    ASSERT_TRUE(waitFor([&] { return sentSince(before).size() >= 3 + 2 * 34; }));
    peer.write("SOK\r");
    ASSERT_TRUE(waitFor([&] { return sentSince(before).size() >= 3 + 2 * 34 + 4; }));
    EXPECT_EQ(sentSince(before).substr(3 + 2 * 34), "K0A\r");
    EXPECT_EQ(control<QLabel>("Label52")->text(),
              QStringLiteral(" Download of 2 records completed"));
    peer.write("KOK\r");
    ASSERT_TRUE(waitFor([&] { return sentSince(before).size() >= 3 + 2 * 34 + 8; }));
    EXPECT_EQ(sentSince(before).substr(3 + 2 * 34 + 4), "M01\r");
    EXPECT_EQ(control<QLabel>("Label52")->text(), QStringLiteral("0A KeyLot set "));
    peer.write("01MOK\r");
    ASSERT_TRUE(waitFor([&] { return control<QLabel>("Label52")->text() == "Seek Mode set"; }));
    EXPECT_TRUE(control<QPlainTextEdit>("Memocsv")->toPlainText().isEmpty());
    EXPECT_FALSE(control("Button70")->isVisible());
    EXPECT_TRUE(dialogs.errorBoxes().empty());
}

TEST_F(UploadWindow, UnreadableKeylotFileKeepsTheListAndSaysWhy) {
    form->showKeylotPage();
    form->keylotUpload().importFinished();
    const QString missing = QString::fromStdString((workspace.root() / "gone.csv").string());
    dialogs.setAnswer([&](QDialog& d) -> std::optional<int> {
        auto* open = qobject_cast<QFileDialog*>(&d);
        if (!open)
            return std::nullopt;
        open->selectFile(missing);
        return int(QDialog::Accepted);
    });
    control<QPushButton>("Button68")->click();
    ASSERT_EQ(dialogs.errorBoxes().size(), 1u);
    EXPECT_TRUE(dialogs.errorBoxes()[0].text.startsWith(
        QStringLiteral("Cannot open file %1\n").arg(missing)))
        << dialogs.errorBoxes()[0].text.toStdString();
    EXPECT_EQ(control<QLabel>("Label51")->text(), QStringLiteral("0 records imported"));
}

TEST_F(UploadWindow, DownloadTableToReaderSendsTheChosenRows) {
    changePage(px708::page::data);
    auto* rgselect = control<TRadioGroup>("rgselect");
    EXPECT_EQ(rgselect->itemIndex(), 0) << "All at start";

    // "All" on an empty table: nothing is sent, nothing is said.
    std::size_t before = peer.received().size();
    control<QPushButton>("Button55")->click();
    QTest::qWait(100);
    EXPECT_EQ(sentSince(before), "");
    EXPECT_TRUE(dialogs.shown().empty());

    addRow("0006E4F1A2");
    addRow("0006A1B2C3");
    form->tbld().moveTo(1);
    rgselect->setItemIndex(2);
    auto* datalot2 = control<QLineEdit>("datalot2");
    datalot2->setText(QStringLiteral("7"));
    datalot2->setFocus();
    control<QPushButton>("Button55")->setFocus();
    EXPECT_EQ(datalot2->text(), QStringLiteral("07"));

    before = peer.received().size();
    control<QPushButton>("Button55")->click();
    ASSERT_TRUE(waitFor([&] { return sentSince(before).size() >= 34; }));
    EXPECT_EQ(sentSince(before).substr(0, 13), "S070006A1B2C3");
    peer.write("SOK\r");
    auto* labeldump = control<QLabel>("Labeldump");
    ASSERT_TRUE(waitFor([&] { return labeldump->text() == "Upload completed (1)"; }))
        << labeldump->text().toStdString();
    EXPECT_EQ(sentSince(before).size(), 34u);
    EXPECT_EQ(form->tbld().recNo(), 1);
}

} // namespace
