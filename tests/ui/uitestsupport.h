#pragma once
// Test support for the window tests: a pseudo-terminal standing in for the reader, a recorder
// that answers every modal dialog instead of the operator, and a scratch workspace that the
// window's start-up reads its px708.ini from and writes its trace and log into.

#include "store/database.h"
#include "store/schemas.h"
#include "store/settingsrecord.h"
#include "store/table.h"
#include "tests/support/ptypeer.h"
#include "ui/formmessage.h"
#include "ui/modal.h"

#include <QDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>

#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace uitest {

using namespace std::chrono_literals;

// The reader's end of a pseudo-terminal. A thread collects what the utility sends.
using PtyMaster = px708::test::PtyPeer;

struct ShownDialog {
    QString className;
    QString objectName;
    QString title;
    QString text; // a message box's text, or the message dialog's
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Answers every modal dialog for the operator: message boxes with OK, other dialogs with
// Accepted, unless a test's own answer takes over. Keeps what was shown, in order.
class DialogRecorder {
public:
    using Answer = std::function<std::optional<int>(QDialog&)>;

    DialogRecorder() {
        previous_ = px708::setModalHook([this](QDialog& d) { return answer(d); });
    }
    ~DialogRecorder() { px708::setModalHook(std::move(previous_)); }
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    // Runs for every dialog before it is recorded; its result, when it gives one, is used.
    void setAnswer(Answer a) { answer_ = std::move(a); }

    const std::vector<ShownDialog>& shown() const { return shown_; }
    std::vector<ShownDialog> errorBoxes() const {
        std::vector<ShownDialog> boxes;
        for (const ShownDialog& d : shown_)
            if (d.icon == QMessageBox::Critical)
                boxes.push_back(d);
        return boxes;
    }
    void clear() { shown_.clear(); }

private:
    std::optional<int> answer(QDialog& d) {
        ShownDialog s;
        s.className = QString::fromLatin1(d.metaObject()->className());
        s.objectName = d.objectName();
        s.title = d.windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(&d)) {
            s.text = box->text();
            s.icon = box->icon();
        } else if (auto* message = qobject_cast<TFormmessage*>(&d)) {
            s.text = message->text();
        }
        shown_.push_back(s);
        if (answer_)
            if (std::optional<int> r = answer_(d))
                return r;
        return qobject_cast<QMessageBox*>(&d) ? int(QMessageBox::Ok) : int(QDialog::Accepted);
    }

    px708::ModalHook previous_;
    Answer answer_;
    std::vector<ShownDialog> shown_;
};

// A scratch folder made the current folder, with $XDG_CONFIG_HOME and $XDG_DATA_HOME inside
// it, so that the window's start-up finds the px708.ini written here and keeps its tables
// here. Unless asked for a first run, the database is set up as after the first run: port 1 at
// 9600 baud, dates as dd/MM/yyyy.
class Workspace {
public:
    enum class Database { SetUp, FirstRun };

    explicit Workspace(Database database = Database::SetUp) {
        if (!dir_.isValid())
            throw std::runtime_error("no temporary folder");
        root_ = dir_.path().toStdString();
        previousCwd_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
        if (const char* old = std::getenv("XDG_CONFIG_HOME"))
            previousConfig_ = old;
        if (const char* old = std::getenv("XDG_DATA_HOME"))
            previousData_ = old;
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (root_ / "data").c_str(), 1);
        if (database == Database::SetUp)
            setUpDatabase();
    }
    ~Workspace() {
        std::filesystem::current_path(previousCwd_);
        restore("XDG_CONFIG_HOME", previousConfig_);
        restore("XDG_DATA_HOME", previousData_);
    }

    // The database folder the window uses.
    static QString databaseFolder() { return px708::Database::defaultFolder(); }
    Workspace(const Workspace&) = delete;
    Workspace& operator=(const Workspace&) = delete;

    const std::filesystem::path& root() const { return root_; }

    void writeIni(const std::string& content) const {
        const auto folder = root_ / "config" / "px708";
        std::filesystem::create_directories(folder);
        std::ofstream(folder / "px708.ini") << content;
    }

    // The settings record as the first-run Setup leaves it (port 1, 9600 baud, "/" and the day
    // first), in the database folder of the current XDG_DATA_HOME.
    static void setUpDatabase() {
        px708::Database db;
        db.connect();
        px708::Table tblc(db, QStringLiteral("tblc"), px708::settingsSchema());
        tblc.setFileName(QString::fromLatin1(px708::kSettingsFileName));
        tblc.open();
        tblc.edit();
        tblc.fieldByName(u"port").setAsInteger(1);
        tblc.fieldByName(u"progbaud").setAsInteger(9600);
        tblc.fieldByName(u"separator").setAsString(QStringLiteral("/"));
        tblc.fieldByName(u"ddmmyy").setAsString(QStringLiteral("0"));
        tblc.post();
    }

private:
    static void restore(const char* name, const std::optional<std::string>& value) {
        if (value)
            setenv(name, value->c_str(), 1);
        else
            unsetenv(name);
    }

    QTemporaryDir dir_;
    std::filesystem::path root_;
    std::filesystem::path previousCwd_;
    std::optional<std::string> previousConfig_;
    std::optional<std::string> previousData_;
};

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 5s) {
    return QTest::qWaitFor(condition, static_cast<int>(limit.count()));
}

} // namespace uitest
