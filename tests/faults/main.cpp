// The fault tests, and the other programs they need: started with "--faults-child <mode> ..."
// this executable is one of them.
//   exclusive <folder> <file>        holds the table for exclusive use, prints "ready", waits
//                                     for its input to close
//   edit <folder> <file> <alpha>      edits the first row's Alpha, prints "ready"; at a line on
//                                     its input posts and prints "posted" or "error <text>";
//                                     then waits for its input to close
//   window-import <csv file>          the main window (not shown) on the database of
//                                     $XDG_DATA_HOME imports the file with ";" and prints
//                                     "rows <n>" whenever the grid grows, then "done <n>"
//   window-empty                      the main window empties table 1, answering Yes; prints
//                                     "emptying" before and "emptied <rows left>" after

#include "store/database.h"
#include "store/schemas.h"
#include "store/storeerror.h"
#include "store/table.h"
#include "tests/faults/faultsupport.h"
#include "tests/ui/uitestsupport.h"
#include "ui/application.h"
#include "ui/datapage.h"
#include "ui/form1.h"
#include "ui/radiogroup.h"

#include <gtest/gtest.h>

#include <QFileDialog>

#include <cstdlib>
#include <string>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

namespace {

void say(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(1, text.data() + done, text.size() - done);
        if (n <= 0)
            return;
        done += static_cast<std::size_t>(n);
    }
}

void waitForEndOfInput() {
    char c;
    while (::read(0, &c, 1) > 0) {
    }
}

std::string readInputLine() {
    std::string line;
    char c;
    while (::read(0, &c, 1) == 1 && c != '\n')
        line += c;
    return line;
}

int runTableChild(const std::string& mode, int argc, char** argv) {
    if (argc < 2)
        return 2;
    px708::Database db;
    db.setFolder(QString::fromLocal8Bit(argv[0]));
    px708::Table table(db, QStringLiteral("tbld"), px708::readingsSchema());
    table.setFileName(QString::fromLocal8Bit(argv[1]));
    try {
        db.connect();
        table.setExclusive(mode == "exclusive");
        table.open();
        if (mode == "edit") {
            table.first();
            table.edit();
            table.fieldByName(u"Alpha").setAsString(
                QString::fromLocal8Bit(argc > 2 ? argv[2] : ""));
        }
        say("ready");
        if (mode == "edit") {
            readInputLine();
            try {
                table.post();
                say("posted");
            } catch (const px708::StoreError& e) {
                say("error " + e.text().toStdString());
            }
        }
        waitForEndOfInput();
        return 0;
    } catch (const px708::StoreError& e) {
        say("error " + e.text().toStdString());
        return 1;
    }
}

int runWindowChild(const std::string& mode, int argc, char** argv) {
    int qtArgc = 1;
    char name[] = "faults-child";
    char* qtArgv[] = {name, nullptr};
    px708::TApplication app(qtArgc, qtArgv);
    uitest::DialogRecorder dialogs;
    const QString csv = argc > 0 ? QString::fromLocal8Bit(argv[0]) : QString();
    dialogs.setAnswer([csv](QDialog& d) -> std::optional<int> {
        if (auto* files = qobject_cast<QFileDialog*>(&d)) {
            files->selectFile(csv);
            return int(QDialog::Accepted);
        }
        if (auto* box = qobject_cast<QMessageBox*>(&d); box && box->icon() == QMessageBox::Question)
            return int(QMessageBox::Yes);
        return std::nullopt;
    });
    TForm1 form;
    form.ensurePages();
    px708::Table& tbld = form.tbld();
    if (!tbld.isOpen()) {
        say("error the readings table did not open");
        return 1;
    }
    TDataPage* page = form.dataPage();
    if (mode == "window-import") {
        QObject::connect(&tbld, &px708::Table::rowsAppended,
                         [&tbld] { say("rows " + std::to_string(tbld.recordCount())); });
        form.findChild<TRadioGroup*>(QStringLiteral("rgsep"))->setItemIndex(0);
        say("importing");
        try {
            page->Button67Click();
        } catch (const std::exception& e) {
            say(std::string("error ") + e.what());
        }
        say("done " + std::to_string(tbld.recordCount()));
    } else if (mode == "window-empty") {
        say("emptying");
        try {
            page->Button56Click();
        } catch (const std::exception& e) {
            say(std::string("error ") + e.what());
        }
        say("emptied " + std::to_string(tbld.recordCount()));
    } else {
        return 2;
    }
    for (const uitest::ShownDialog& d : dialogs.errorBoxes())
        say("error " + d.text.toStdString());
    return 0;
}

int runChild(int argc, char** argv) {
    if (argc < 1)
        return 2;
    const std::string mode = argv[0];
    if (mode.rfind("window-", 0) == 0)
        return runWindowChild(mode, argc - 1, argv + 1);
    return runTableChild(mode, argc - 1, argv + 1);
}

} // namespace

int main(int argc, char** argv) {
    // Test discovery runs the program outside CTest's environment; widgets need a platform.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    if (argc >= 2 && std::string(argv[1]) == "--faults-child")
        return runChild(argc - 2, argv + 2);
    // A mount namespace of the tests' own, made while the process has one thread only: the
    // small disks mounted in it are seen by this process and its children and go with them.
    faults::setPrivateMounts(::unshare(CLONE_NEWNS) == 0 &&
                             ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0);
    testing::InitGoogleTest(&argc, argv);
    px708::TApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
