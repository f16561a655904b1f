#include "store/database.h"
#include "store/schemas.h"
#include "store/storeerror.h"
#include "store/table.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace px708::test {
namespace {

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct FolderCase {
    const char* name;
    std::optional<std::string> xdg;
    const char* expected; // below the temporary folder
};

class DefaultFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(DefaultFolder, FollowsXdgDataHomeElseHome) {
    QTemporaryDir tmp;
    const std::string root = tmp.path().toStdString();
    ScopedEnv home("HOME", root + "/home");
    std::optional<std::string> xdg = GetParam().xdg;
    if (xdg && xdg->starts_with('/'))
        *xdg = root + *xdg;
    ScopedEnv data("XDG_DATA_HOME", xdg);
    EXPECT_EQ(Database::defaultFolder().toStdString(), root + GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DefaultFolder,
    ::testing::Values(FolderCase{"unset", std::nullopt, "/home/.local/share/px708/database"},
                      FolderCase{"empty", std::string(), "/home/.local/share/px708/database"},
                      FolderCase{"relative_is_ignored", std::string("data"),
                                 "/home/.local/share/px708/database"},
                      FolderCase{"absolute", std::string("/xdg"), "/xdg/px708/database"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(FirstRun, MissingFolderIsCreatedWithTheSevenEmptyTables) {
    QTemporaryDir tmp;
    ScopedEnv data("XDG_DATA_HOME", tmp.path().toStdString());
    Database db;
    db.connect();
    ASSERT_TRUE(db.createdTables());
    const QString folder = tmp.path() + QStringLiteral("/px708/database");
    EXPECT_EQ(db.folder(), folder);
    QStringList files = QDir(folder).entryList(QDir::Files);
    files.sort();
    EXPECT_EQ(files.join(u','), "1data.db,2data.db,3data.db,4data.db,5data.db,6data.db,config.db");
    EXPECT_TRUE(
        QDir(tmp.path() + QStringLiteral("/px708"))
            .entryList(QStringList{QStringLiteral(".database-new-*")}, QDir::Dirs | QDir::Hidden)
            .isEmpty())
        << "no staging folder left behind";

    Table tblc(db, QStringLiteral("tblc"), settingsSchema());
    tblc.setFileName(QString::fromLatin1(kSettingsFileName));
    tblc.open();
    EXPECT_EQ(tblc.recordCount(), 0);
    for (int n = 1; n <= kReadingsTableCount; ++n) {
        Table tbld(db, QStringLiteral("tbld"), readingsSchema());
        tbld.setFileName(QStringLiteral("%1data.db").arg(n));
        tbld.open();
        EXPECT_EQ(tbld.recordCount(), 0);
        EXPECT_EQ(tbld.integrityCheck(), "ok");
    }

    Database again;
    again.connect();
    EXPECT_FALSE(again.createdTables()) << "an existing folder is used as it is";
}

TEST(FirstRun, ExistingFolderLackingATableIsAnError) {
    QTemporaryDir tmp;
    Database db;
    db.setFolder(tmp.path() + QStringLiteral("/database"));
    db.connect();
    const QString missing = db.tablePath(QStringLiteral("3data.db"));
    ASSERT_TRUE(QFile::remove(missing));

    Database later;
    later.setFolder(db.folder());
    later.connect();
    EXPECT_FALSE(later.createdTables());
    Table tbld(later, QStringLiteral("tbld"), readingsSchema());
    tbld.setFileName(QStringLiteral("3data.db"));
    try {
        tbld.open();
        FAIL() << "a missing table file must fail to open";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(),
                  QStringLiteral("tbld: cannot open table file %1: No such file or directory")
                      .arg(missing));
    }
    EXPECT_FALSE(QFile::exists(missing)) << "the store never creates a table";
}

TEST(FirstRun, AFileInPlaceOfTheFolderFailsTheConnect) {
    QTemporaryDir tmp;
    const QString path = tmp.path() + QStringLiteral("/database");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    Database db;
    db.setFolder(path);
    try {
        db.connect();
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.text(), QStringLiteral("Db1: %1 is not a folder").arg(path));
    }
    EXPECT_FALSE(db.connected());
}

} // namespace
} // namespace px708::test
