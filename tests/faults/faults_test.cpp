// The fault matrix: the cable, a second program, a full disk, files that are missing, locked,
// read-only or damaged, each met by the main window as the operator would meet it. Each test
// checks what the operator is told (one clear message) and what is kept.

#include "serial/comport.h"
#include "serial/portprobe.h"
#include "store/bulkappend.h"
#include "store/readingstables.h"
#include "store/rowvalues.h"
#include "tests/datapage/datapagefixture.h"
#include "tests/faults/faultsupport.h"
#include "transfer/tabledownload.h"
#include "ui/dbnavigator.h"
#include "ui/radiogroup.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QSpinBox>

#include <csignal>
#include <filesystem>
#include <fstream>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using datapagetest::Operator;
using datapagetest::Reading;
using faults::Program;
using uitest::waitFor;

constexpr auto kChildDeadline = 30s;

const std::vector<Reading> kTwo{{"000000000001", "first", std::nullopt, {}},
                                {"000000000002", "second", std::nullopt, {}}};

QString databaseFolder() {
    return uitest::Workspace::databaseFolder();
}

std::string self() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

// rows rows appended to readings table n through the bulk path, tags 1 to rows.
void addManyReadings(int n, int rows) {
    px708::Database db;
    db.connect();
    px708::Table t(db, QStringLiteral("seed"), px708::readingsSchema());
    t.setFileName(px708::readingsTableFileName(n));
    t.open();
    px708::BulkAppend bulk(t);
    px708::RowValues row = bulk.newRow();
    for (int i = 1; i <= rows; ++i) {
        row.clear();
        row.setText(px708::readings::tag, QString::number(i));
        row.setText(px708::readings::Alpha, QStringLiteral("seeded row %1").arg(i));
        row.setText(px708::readings::Comment, QStringLiteral("a comment long enough to fill "
                                                             "the export a little"));
        bulk.append(row);
    }
    bulk.finish();
}

class Fault : public testing::Test {
protected:
    TRadioGroup* group(const char* name) { return op.control<TRadioGroup>(name); }
    QString path(const char* name) const {
        return QString::fromStdString((op.workspace.root() / name).string());
    }
    // The next file dialog is answered with this file.
    void answerFileDialog(const QString& file) {
        op.dialogs.setAnswer([file](QDialog& d) -> std::optional<int> {
            auto* dialog = qobject_cast<QFileDialog*>(&d);
            if (!dialog)
                return std::nullopt;
            dialog->selectFile(file);
            return int(QDialog::Accepted);
        });
    }
    void selectTable(int n) {
        op.control<QSpinBox>("Spin")->setValue(n);
        op.click("Button45");
    }
    QStringList errorTexts() const {
        QStringList texts;
        for (const uitest::ShownDialog& d : op.dialogs.errorBoxes())
            texts << d.text;
        return texts;
    }
    // Lets what is pending be handled, so that a second message, were one to come, is shown.
    static void settle() { QTest::qWait(300); }

    Operator op;
};

// ---- The cable ----

std::string recordLine(int n) {
    // Lot 07, a Zelmar code (type 0, no country), 15 April 2023 14:30:05.
    return "07" + QStringLiteral("%1").arg(n, 10, 10, QLatin1Char('0')).toStdString() +
           "23041506143005" + "00" + "0" + "000";
}

TEST_F(Fault, CablePulledDuringADownloadIsToldOnceAndKeepsEveryStoredRow) {
    op.start();
    op.selectPage(px708::page::data);
    op.form->tableDownload().start("");
    ASSERT_TRUE(waitFor([&] { return op.peer.received().ends_with("N\r"); }));
    std::string records;
    for (int i = 1; i <= 5; ++i)
        records += recordLine(i) + "\r";
    op.peer.write(records);
    ASSERT_TRUE(waitFor([&] { return op.tbld().recordCount() == 5; }));

    op.peer.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !errorTexts().isEmpty(); }));
    settle();
    ASSERT_EQ(errorTexts().size(), 1) << "one message: " << errorTexts().join(" | ").toStdString();
    const QString text = errorTexts()[0];
    EXPECT_TRUE(text.contains("COM1") && text.contains("has been closed") &&
                text.contains("Reconnect"))
        << text.toStdString();
    EXPECT_FALSE(op.form->Com1().Open());

    const faults::StoredTable stored = faults::readStored(databaseFolder(), "1data.db");
    EXPECT_EQ(stored.integrity, "ok");
    ASSERT_EQ(stored.rows.size(), 5u) << "every row stored before the loss is on disk";
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(stored.rows[i].first, QStringLiteral("%1").arg(i + 1, 10, 10, QLatin1Char('0')));
}

// Rows the table upload can send: a Zelmar code each, no country.
void addUploadRows(int n, int rows) {
    px708::Database db;
    db.connect();
    px708::Table t(db, QStringLiteral("seed"), px708::readingsSchema());
    t.setFileName(px708::readingsTableFileName(n));
    t.open();
    px708::BulkAppend bulk(t);
    px708::RowValues row = bulk.newRow();
    for (int i = 1; i <= rows; ++i) {
        row.clear();
        row.setText(px708::readings::C_Code, QStringLiteral("0"));
        row.setText(px708::readings::tag, QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0')));
        row.setText(px708::readings::Lot, QStringLiteral("01"));
        row.setText(px708::readings::Date_, QStringLiteral("15/04/2023"));
        row.setText(px708::readings::Time_, QStringLiteral("14:30:05"));
        bulk.append(row);
    }
    bulk.finish();
}

TEST_F(Fault, CablePulledDuringAnUploadIsToldOnceAndTheWindowIsFreeAgain) {
    addUploadRows(1, 5);
    op.start();
    op.selectPage(px708::page::data);
    const auto records = [&] {
        const std::string sent = op.peer.received();
        int n = 0;
        for (std::size_t at = sent.find("S01"); at != std::string::npos;
             at = sent.find("S01", at + 1))
            ++n;
        return n;
    };
    op.click("Button55");
    ASSERT_TRUE(waitFor([&] { return records() == 1 && op.peer.received().ends_with("\r"); }));
    op.peer.write("SOK\r");
    ASSERT_TRUE(waitFor([&] { return records() == 2 && op.peer.received().ends_with("\r"); }));
    EXPECT_NE(QApplication::overrideCursor(), nullptr) << "the wait cursor shows while it runs";

    op.peer.closeMaster();
    ASSERT_TRUE(waitFor([&] { return !errorTexts().isEmpty(); }));
    settle();
    ASSERT_EQ(errorTexts().size(), 1) << errorTexts().join(" | ").toStdString();
    EXPECT_TRUE(errorTexts()[0].contains("COM1")) << errorTexts()[0].toStdString();
    EXPECT_FALSE(op.form->Com1().Open());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr)
        << "the upload cannot go on: the window is not left busy";
    EXPECT_EQ(faults::readStored(databaseFolder(), "1data.db").rows.size(), 5u);
}

// ---- A second program ----

// True when the process has the file open and holds its flock (the lock shows in the
// descriptor's fdinfo): the port is then taken, not merely being opened.
bool holdsLockedFile(pid_t pid, const std::string& file) {
    const std::string proc = "/proc/" + std::to_string(pid);
    std::error_code ec;
    for (const auto& fd : std::filesystem::directory_iterator(proc + "/fd", ec)) {
        if (std::filesystem::read_symlink(fd.path(), ec) != file)
            continue;
        std::ifstream info(proc + "/fdinfo/" + fd.path().filename().string());
        const std::string text((std::istreambuf_iterator<char>(info)),
                               std::istreambuf_iterator<char>());
        if (text.find("FLOCK") != std::string::npos)
            return true;
    }
    return false;
}

TEST_F(Fault, ASecondInstanceFindsThePortInUseAndSharesTheTables) {
    Operator::addReadings(1, kTwo);
    // The first instance: the real program, a copy with its own px708.ini beside it.
    const auto bin = op.workspace.root() / "first" / "bin";
    std::filesystem::create_directories(bin);
    std::filesystem::copy_file(PX708_PROGRAM, bin / "px708");
    std::ofstream(bin / "px708.ini")
        << "[mode]\npause=1\nextra=0\n\n[ports]\nCOM1=" << op.peer.slavePath() << "\n";
    Program first((bin / "px708").string(), {},
                  {"QT_QPA_PLATFORM=offscreen", "HOME=" + op.workspace.root().string()});
    // Watched through its descriptors: a probe of the port could itself stand in its way.
    ASSERT_TRUE(waitFor([&] { return holdsLockedFile(first.pid(), op.peer.slavePath()); }, 30s))
        << "the first instance did not open the port";

    op.start();
    ASSERT_EQ(errorTexts(), QStringList{"Device already open"});
    EXPECT_FALSE(op.form->Com1().Open());
    EXPECT_FALSE(px708::ComPortAvailable(op.peer.slavePath())) << "the first one keeps it";
    // The tables are shared: this instance reads and writes them while the first has them open.
    // The page's mode command meets the closed port and says so.
    op.selectPage(px708::page::data);
    EXPECT_EQ(errorTexts(), (QStringList{"Device already open", "Device not open"}));
    EXPECT_EQ(op.grid()->model()->rowCount(), 2);
    op.type("RecEdit3", "second instance");
    op.form->dataPage()->DBNavigator1()->press(TDBNavigator::Button::Post);
    EXPECT_EQ(errorTexts().size(), 2);
    EXPECT_EQ(faults::readStored(databaseFolder(), "1data.db").rows.at(0).second,
              "second instance");
}

TEST_F(Fault, AnotherProgramsChangeOfTheRowBeingEditedIsNotOverwritten) {
    Operator::addReadings(1, kTwo);
    Program other(
        self(), faults::childArgs({"edit", databaseFolder().toStdString(), "1data.db", "theirs"}));
    ASSERT_EQ(other.readLine(kChildDeadline), "ready");
    op.start();
    op.selectPage(px708::page::data);
    // The operator edits the row the other program holds in edit: nothing stands in the way.
    op.type("RecEdit3", "mine");
    other.writeLine("post");
    ASSERT_EQ(other.readLine(kChildDeadline), "posted");
    op.form->dataPage()->DBNavigator1()->press(TDBNavigator::Button::Post);
    ASSERT_EQ(errorTexts().size(), 1);
    EXPECT_TRUE(errorTexts()[0].contains("changed by another program"))
        << errorTexts()[0].toStdString();
    EXPECT_EQ(op.tbld().state(), px708::Table::State::Edit) << "the operator's change stays";
    EXPECT_EQ(op.tbld().fieldByName(u"Alpha").asString(), "mine");
    EXPECT_EQ(faults::readStored(databaseFolder(), "1data.db").rows.at(0).second, "theirs");
}

TEST_F(Fault, ATableHeldExclusivelyByAnotherProgramIsReportedAndTheOthersWork) {
    Operator::addReadings(1, kTwo);
    Program other(self(),
                  faults::childArgs({"exclusive", databaseFolder().toStdString(), "1data.db"}));
    ASSERT_EQ(other.readLine(kChildDeadline), "ready");
    op.start();
    ASSERT_EQ(errorTexts().size(), 1);
    EXPECT_TRUE(errorTexts()[0].contains("1data.db is in use by another program"))
        << errorTexts()[0].toStdString();
    EXPECT_FALSE(op.tbld().isOpen());
    EXPECT_TRUE(op.form->Com1().Open()) << "the start goes on";

    op.selectPage(px708::page::data);
    selectTable(2);
    EXPECT_TRUE(op.tbld().isOpen());
    selectTable(1);
    EXPECT_EQ(errorTexts().size(), 2);
    EXPECT_FALSE(op.tbld().isOpen());

    other.closeInput();
    EXPECT_EQ(other.wait(), 0);
    selectTable(1);
    EXPECT_EQ(errorTexts().size(), 2);
    EXPECT_EQ(op.grid()->model()->rowCount(), 2) << "nothing was lost";
}

// ---- A full disk (a small tmpfs) ----

#define REQUIRE_SMALL_DISKS()                                                                      \
    if (!faults::privateMounts())                                                                  \
    GTEST_SKIP() << "no mount namespace of the test's own here (needs the right to mount)"

TEST_F(Fault, DiskFullWhilePostingKeepsTheChangeForARetry) {
    REQUIRE_SMALL_DISKS();
    Operator::addReadings(1, kTwo);
    faults::SmallDisk disk(databaseFolder().toStdString(), 512 * 1024);
    op.start();
    op.selectPage(px708::page::data);
    disk.fill();
    op.type("RecEdit3", "changed");
    TDBNavigator* navigator = op.form->dataPage()->DBNavigator1();
    navigator->press(TDBNavigator::Button::Post);
    ASSERT_EQ(errorTexts().size(), 1);
    EXPECT_TRUE(errorTexts()[0].contains("disk is full")) << errorTexts()[0].toStdString();
    EXPECT_EQ(op.tbld().state(), px708::Table::State::Edit);
    EXPECT_EQ(op.tbld().fieldByName(u"Alpha").asString(), "changed");
    faults::StoredTable stored = faults::readStored(databaseFolder(), "1data.db");
    EXPECT_EQ(stored.integrity, "ok");
    EXPECT_EQ(stored.rows.at(0).second, "first") << "nothing stored half";

    disk.makeRoom();
    navigator->press(TDBNavigator::Button::Post);
    EXPECT_EQ(errorTexts().size(), 1);
    EXPECT_EQ(faults::readStored(databaseFolder(), "1data.db").rows.at(0).second, "changed");
}

struct FullImport {
    const char* name;
    int rows; // more than the disk takes: failing at the commit, or already while appending
};
void PrintTo(const FullImport& c, std::ostream* os) {
    *os << c.name;
}

class DiskFullWhileImporting : public Fault, public testing::WithParamInterface<FullImport> {};

TEST_P(DiskFullWhileImporting, StoresNoRowOfTheFileAndSaysSo) {
    REQUIRE_SMALL_DISKS();
    Operator::addReadings(1, kTwo);
    faults::SmallDisk disk(databaseFolder().toStdString(), 384 * 1024);
    op.start();
    op.selectPage(px708::page::data);
    const QString file = path("big.csv");
    faults::writeFile(file, faults::csvFile(GetParam().rows));
    group("rgsep")->setItemIndex(0);
    answerFileDialog(file);
    op.click("Button67");
    ASSERT_EQ(errorTexts().size(), 1);
    const QString text = errorTexts()[0];
    EXPECT_TRUE(text.startsWith(file + "\n")) << text.toStdString();
    EXPECT_TRUE(text.contains("disk is full")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("No row was imported.")) << text.toStdString();
    EXPECT_EQ(op.grid()->model()->rowCount(), 2);
    faults::StoredTable stored = faults::readStored(databaseFolder(), "1data.db");
    EXPECT_EQ(stored.integrity, "ok");
    EXPECT_EQ(stored.rows.size(), 2u) << "all or nothing";

    // The table takes the next import whole.
    const QString small = path("small.csv");
    faults::writeFile(small, faults::csvFile(100));
    group("rgsep")->setItemIndex(0);
    answerFileDialog(small);
    op.click("Button67");
    EXPECT_EQ(errorTexts().size(), 1);
    EXPECT_EQ(faults::readStored(databaseFolder(), "1data.db").rows.size(), 102u);
}

INSTANTIATE_TEST_SUITE_P(Sizes, DiskFullWhileImporting,
                         testing::Values(FullImport{"at_the_commit", 3000},
                                         FullImport{"while_appending", 40000}),
                         [](const auto& p) { return std::string(p.param.name); });

struct ExportFault {
    const char* name;
    int format;    // item of "Export as"
    bool readOnly; // the folder is read-only (otherwise the disk runs full)
    const char* extension;
    const char* reason;
};
void PrintTo(const ExportFault& c, std::ostream* os) {
    *os << c.name;
}

class ExportFailure : public Fault, public testing::WithParamInterface<ExportFault> {};

TEST_P(ExportFailure, LeavesThePreviousExportAsItWas) {
    REQUIRE_SMALL_DISKS();
    const ExportFault& c = GetParam();
    addManyReadings(1, 2000);
    const auto folder = op.workspace.root() / "exports";
    std::filesystem::create_directories(folder);
    faults::SmallDisk disk(folder, 64 * 1024);
    const QString target = QString::fromStdString((folder / "lot").string()) + c.extension;
    const QByteArray previous = "the previous export\r\n";
    faults::writeFile(target, previous);
    if (c.readOnly)
        disk.setReadOnly(true);
    op.start();
    op.selectPage(px708::page::data);
    group("rgsep")->setItemIndex(0);
    group("rgcsv")->setItemIndex(c.format);
    answerFileDialog(QString::fromStdString((folder / "lot").string()));
    op.click("Button46");
    ASSERT_EQ(errorTexts().size(), 1);
    const QString text = errorTexts()[0];
    EXPECT_TRUE(text.startsWith("Cannot create file " + target + "\n") ||
                text.startsWith("Cannot write file " + target + "\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(c.reason)) << text.toStdString();
    EXPECT_EQ(faults::contentOf(target), previous);
    EXPECT_EQ(QDir(QString::fromStdString(folder.string())).entryList(QDir::Files | QDir::Hidden),
              QStringList{QFileInfo(target).fileName()})
        << "no temporary file is left";
    EXPECT_EQ(op.tbld().recordCount(), 2000);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExportFailure,
    testing::Values(ExportFault{"disk_full_csv", 0, false, ".csv", "No space left on device"},
                    ExportFault{"disk_full_html", 1, false, ".htm", "No space left on device"},
                    ExportFault{"disk_full_sylk", 2, false, ".xls", "No space left on device"},
                    ExportFault{"read_only_folder", 0, true, ".csv", "is not writable"}),
    [](const auto& p) { return std::string(p.param.name); });

// ---- Files missing, unreadable or damaged ----

struct BadImportFile {
    const char* name;
    std::function<QString(const std::filesystem::path& root)> make;
};
void PrintTo(const BadImportFile& c, std::ostream* os) {
    *os << c.name;
}

class UnreadableImportFile : public Fault, public testing::WithParamInterface<BadImportFile> {};

TEST_P(UnreadableImportFile, IsNamedAndImportsNothing) {
    Operator::addReadings(1, kTwo);
    const QString file = GetParam().make(op.workspace.root());
    if (file.isEmpty())
        GTEST_SKIP() << "root reads any file";
    op.start();
    op.selectPage(px708::page::data);
    group("rgsep")->setItemIndex(0);
    answerFileDialog(file);
    op.click("Button67");
    ASSERT_EQ(errorTexts().size(), 1);
    EXPECT_TRUE(errorTexts()[0].startsWith("Cannot open file " + file + "\n"))
        << errorTexts()[0].toStdString();
    EXPECT_EQ(op.grid()->model()->rowCount(), 2);
    EXPECT_EQ(group("rgsep")->itemIndex(), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UnreadableImportFile,
    testing::Values(BadImportFile{"missing",
                                  [](const std::filesystem::path& root) {
                                      return QString::fromStdString(
                                          (root / "missing.csv").string());
                                  }},
                    BadImportFile{"a_folder",
                                  [](const std::filesystem::path& root) {
                                      std::filesystem::create_directory(root / "folder.csv");
                                      return QString::fromStdString((root / "folder.csv").string());
                                  }},
                    BadImportFile{"no_read_permission",
                                  [](const std::filesystem::path& root) {
                                      if (::geteuid() == 0)
                                          return QString();
                                      const QString file =
                                          QString::fromStdString((root / "locked.csv").string());
                                      faults::writeFile(file, faults::csvFile(3));
                                      QFile::setPermissions(file, QFileDevice::WriteOwner);
                                      return file;
                                  }}),
    [](const auto& p) { return std::string(p.param.name); });

struct Damage {
    const char* name;
    std::function<void(const QString& file)> apply;
    const char* says;
    bool keptAsIs; // the engine turns an empty file into an empty database of its own
};
void PrintTo(const Damage& c, std::ostream* os) {
    *os << c.name;
}

class DamagedTableFile : public Fault, public testing::WithParamInterface<Damage> {};

TEST_P(DamagedTableFile, IsReportedLeftAsItIsAndTheOtherTablesWork) {
    Operator::addReadings(1, kTwo);
    addManyReadings(3, 3000);
    const QString file = databaseFolder() + "/3data.db";
    GetParam().apply(file);
    const QByteArray damaged = faults::contentOf(file);
    op.start();
    op.selectPage(px708::page::data);
    selectTable(3);
    ASSERT_EQ(errorTexts().size(), 1);
    EXPECT_TRUE(errorTexts()[0].startsWith("tbld: ")) << errorTexts()[0].toStdString();
    EXPECT_TRUE(errorTexts()[0].contains(GetParam().says)) << errorTexts()[0].toStdString();
    EXPECT_FALSE(op.tbld().isOpen());
    EXPECT_EQ(op.grid()->model()->rowCount(), 0);
    if (GetParam().keptAsIs) {
        EXPECT_EQ(faults::contentOf(file), damaged) << "the damaged file is not written";
    }

    selectTable(1);
    EXPECT_EQ(errorTexts().size(), 1);
    EXPECT_EQ(op.grid()->model()->rowCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedTableFile,
    testing::Values(Damage{"not_a_database",
                           [](const QString& file) {
                               faults::writeFile(file, QByteArray(8192, 'x'));
                           },
                           "not a database", true},
                    Damage{"cut_short",
                           [](const QString& file) {
                               const QByteArray whole = faults::contentOf(file);
                               faults::writeFile(file, whole.left(whole.size() / 2));
                           },
                           "malformed", true},
                    Damage{"empty_file", [](const QString& file) { faults::writeFile(file, {}); },
                           "holds no table", false}),
    [](const auto& p) { return std::string(p.param.name); });

// The pages other than the cover are built after the start; the start's failure is told once,
// not again when they come.
TEST_F(Fault, ADamagedSettingsTableIsReportedOnceAtTheStart) {
    faults::writeFile(databaseFolder() + "/config.db", QByteArray(8192, 'x'));
    op.start();
    ASSERT_TRUE(op.form->pagesBuilt());
    QCoreApplication::processEvents();
    // The create step stops at the settings table; the show step cannot read the port from it.
    ASSERT_EQ(errorTexts().size(), 2) << errorTexts().join(u'\n').toStdString();
    EXPECT_TRUE(errorTexts()[0].startsWith("tblc: ")) << errorTexts()[0].toStdString();
    EXPECT_TRUE(errorTexts()[0].contains("not a database")) << errorTexts()[0].toStdString();
    EXPECT_TRUE(errorTexts()[1].contains("closed table")) << errorTexts()[1].toStdString();
}

} // namespace
