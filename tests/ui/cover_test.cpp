// The cover page, the version record in the executable, the pictures and the hidden "Manual"
// page.

#include "link/readerlink.h"
#include "serial/portmap.h"
#include "tests/ui/uitestsupport.h"
#include "ui/coverpage.h"
#include "ui/form1.h"
#include "ui/pictures.h"
#include "ui/valuelabel.h"
#include "ui/versionrecord.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTemporaryDir>
#include <QTextBrowser>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>

namespace {

namespace fs = std::filesystem;

// A copy of the utility's executable, with or without its version record.
class ExecutableCopy {
public:
    explicit ExecutableCopy(bool keepRecord) {
        path_ = fs::path(dir_.path().toStdString()) / "px708";
        fs::copy_file(PX708_PROGRAM, path_);
        if (!keepRecord) {
            const int status = QProcess::execute(
                QStringLiteral("objcopy"), {QStringLiteral("--remove-section=.note.px708.version"),
                                            QString::fromStdString(path_.string())});
            EXPECT_EQ(status, 0) << "objcopy could not strip the record";
        }
    }
    const fs::path& path() const { return path_; }

private:
    QTemporaryDir dir_;
    fs::path path_;
};

TEST(VersionRecord, TheProgramCarriesItsProductVersion) {
    EXPECT_EQ(px708::productVersion(PX708_PROGRAM), PX708_VERSION);
    // Every program built with the window carries it, this test program too.
    EXPECT_EQ(px708::productVersion(px708::kOwnExecutable), PX708_VERSION);
}

TEST(VersionRecord, IsMissingFromACopyStrippedOfIt) {
    const ExecutableCopy stripped(false);
    EXPECT_EQ(px708::productVersion(stripped.path()), std::nullopt);
    const ExecutableCopy kept(true);
    EXPECT_EQ(px708::productVersion(kept.path()), PX708_VERSION);
}

TEST(VersionRecord, IsMissingFromFilesThatAreNoProgram) {
    QTemporaryDir dir;
    const fs::path text = fs::path(dir.path().toStdString()) / "notes.txt";
    std::ofstream(text) << "Translation=080904E4\n";
    const fs::path empty = fs::path(dir.path().toStdString()) / "empty";
    std::ofstream{empty};
    EXPECT_EQ(px708::productVersion(text), std::nullopt);
    EXPECT_EQ(px708::productVersion(empty), std::nullopt);
    EXPECT_EQ(px708::productVersion(fs::path(dir.path().toStdString()) / "gone"), std::nullopt);
}

struct PaneCase {
    const char* name;
    bool keepRecord;
    const char* shown;
};

class VersionPaneTest : public testing::TestWithParam<PaneCase> {};

TEST_P(VersionPaneTest, ShowsTheRecordsVersionOrSaysItIsNotAvailable) {
    const ExecutableCopy program(GetParam().keepRecord);
    TCoverPage cover(nullptr, program.path());
    auto* pane = static_cast<TValueLabel*>(cover.VersionInfoStatus1());
    EXPECT_EQ(pane->shownText(), QString::fromLatin1(GetParam().shown));
    EXPECT_EQ(pane->pos(), QPoint(16, 469));
    EXPECT_GE(pane->width(), 161);
}

INSTANTIATE_TEST_SUITE_P(
    Record, VersionPaneTest,
    testing::Values(PaneCase{"with_the_record", true, "Version: " PX708_VERSION},
                    PaneCase{"without_the_record", false, "Version: Value Not Available"}),
    [](const auto& p) { return std::string(p.param.name); });

class CoverWindowTest : public testing::Test {
protected:
    void SetUp() override {
        workspace.writeIni("[mode]\npause=1\nextra=0\n\n[ports]\nCOM1=" + peer.slavePath() + "\n");
        form = std::make_unique<TForm1>();
        form->ensurePages();
        form->show();
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        form.reset();
        px708::setPortMap({});
    }
    template <class T = QWidget> T* control(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    uitest::Workspace workspace;
    uitest::PtyMaster peer;
    uitest::DialogRecorder dialogs;
    std::unique_ptr<TForm1> form;
};

TEST_F(CoverWindowTest, TheTitleGrowsWithTheWindowAndTheRestKeepsItsPlace) {
    QWidget* page = control("Panel5");
    QWidget* title = control("Panel9");
    QWidget* logo = control("Panel62");
    QWidget* version = control("VersionInfoStatus1");
    EXPECT_EQ(control<QLabel>("Panel9")->text(), QStringLiteral("Zelmar PX-708 Reader Utility"));
    EXPECT_EQ(title->palette().color(QPalette::Window), QColor(192, 220, 192));
    EXPECT_EQ(title->geometry(), QRect(208, 120, 323, 154));
    EXPECT_EQ(logo->geometry(), QRect(536, 424, 225, 65));
    const auto gaps = [&] {
        const QRect t = title->geometry();
        return QMargins(t.left(), t.top(), page->width() - t.right(), page->height() - t.bottom());
    };
    const QMargins before = gaps();
    const QSize titleBefore = title->size();
    const QSize windowBefore = form->size();

    for (const QSize size : {QSize(1000, 700), QSize(760, 560)}) {
        SCOPED_TRACE(size.width());
        form->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(gaps(), before);
        EXPECT_EQ(title->size() - titleBefore, form->size() - windowBefore);
        EXPECT_EQ(logo->pos(), QPoint(536, 424));
        EXPECT_EQ(version->pos(), QPoint(16, 469));
    }
}

TEST_F(CoverWindowTest, ThePicturesAreDecodedIntoTheirFrames) {
    const struct {
        const char* frame;
        px708::Picture picture;
        QSize size;
    } pictures[] = {{"Image2", px708::Picture::logo, QSize(365, 100)},
                    {"Image5", px708::Picture::transponders, QSize(323, 144)}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.frame);
        auto* frame = control<QLabel>(p.frame);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(frame->pixmap().size(), p.size);
        EXPECT_TRUE(frame->hasScaledContents());
        EXPECT_EQ(frame->accessibleName(), px708::pictureDescription(p.picture));
    }
    // Every picture of the data folder decodes, the JPEG photographs included.
    for (px708::Picture p : {px708::Picture::readerPhoto, px708::Picture::capsulesInHands})
        EXPECT_FALSE(px708::loadPicture(p).isNull()) << px708::pictureFileName(p).toStdString();
    EXPECT_EQ(px708::loadPicture(px708::Picture::readerPhoto).size(), QSize(400, 300));
    EXPECT_EQ(px708::loadPicture(px708::Picture::capsulesInHands).size(), QSize(458, 174));
}

TEST_F(CoverWindowTest, TheHiddenManualPageLoadsTheLocalWebPage) {
    auto* browser = control<QTextBrowser>("WebBrowser1");
    ASSERT_NE(browser, nullptr);
    EXPECT_TRUE(browser->source().isLocalFile());
    EXPECT_TRUE(browser->source().toLocalFile().endsWith(QStringLiteral("/share/px708/px706.htm")));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("PX-708")));
    EXPECT_EQ(control("Panel51")->height(), 55);
}

// The window as the program starts it: the constructor builds the cover only.
class StartUpTest : public testing::Test {
protected:
    void SetUp() override {
        workspace.writeIni("[mode]\npause=1\nextra=0\n\n[ports]\nCOM1=" + peer.slavePath() + "\n");
        form = std::make_unique<TForm1>();
    }
    void TearDown() override {
        form.reset();
        px708::setPortMap({});
    }
    bool hasPages() const { return form->findChild<QWidget*>(QStringLiteral("Grid1")) != nullptr; }

    uitest::Workspace workspace;
    uitest::PtyMaster peer;
    uitest::DialogRecorder dialogs;
    std::unique_ptr<TForm1> form;
};

TEST_F(StartUpTest, TheOtherPagesFollowTheCoversFirstPaint) {
    EXPECT_FALSE(hasPages());
    auto* logo = form->findChild<QLabel*>(QStringLiteral("Image2"));
    ASSERT_NE(logo, nullptr);
    EXPECT_FALSE(logo->pixmap().isNull()) << "the cover shows its logo from the start";
    EXPECT_TRUE(form->tbld().isOpen());

    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    ASSERT_TRUE(QTest::qWaitFor([this] { return form->pagesBuilt(); }));
    EXPECT_TRUE(hasPages());
    // Built after the tables were opened, the pages still show the stored records.
    auto* port = form->findChild<QSpinBox*>(QStringLiteral("PortSpinEdit1"));
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->value(), 1);
    auto* photo = form->findChild<QLabel*>(QStringLiteral("Image1"));
    ASSERT_NE(photo, nullptr);
    EXPECT_FALSE(photo->pixmap().isNull());
    EXPECT_TRUE(dialogs.errorBoxes().empty());
}

// What needs a page before the first paint builds them at once.
TEST_F(StartUpTest, WhatNeedsAPageEarlierBuildsThemAtOnce) {
    const struct {
        const char* name;
        std::function<void(TForm1&)> act;
        std::function<bool(TForm1&)> done;
    } cases[] = {
        {"the operator changes to the Data page",
         [](TForm1& f) { f.Page()->setCurrentIndex(px708::page::data); },
         [](TForm1& f) {
             auto* grid = f.findChild<QWidget*>(QStringLiteral("Grid1"));
             return grid && grid->isVisible();
         }},
        {"the link writes a line into a page's view",
         [](TForm1& f) { static_cast<px708::LinkView&>(f).appendLine("Memo5", "0001 line"); },
         [](TForm1& f) {
             auto* memo = f.findChild<QPlainTextEdit*>(QStringLiteral("Memo5"));
             return memo && memo->toPlainText() == QStringLiteral("0001 line");
         }},
        {"the program asks for the Data page", [](TForm1& f) { f.dataPage(); },
         [](TForm1& f) { return f.findChild<QWidget*>(QStringLiteral("Grid1")) != nullptr; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        form.reset();
        form = std::make_unique<TForm1>();
        form->show();
        ASSERT_FALSE(form->pagesBuilt());
        c.act(*form);
        EXPECT_TRUE(form->pagesBuilt());
        EXPECT_TRUE(c.done(*form));
    }
}

} // namespace
