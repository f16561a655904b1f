#pragma once
// A database folder of its own for each test: a temporary folder whose "database" folder the
// connection creates with the seven empty tables.

#include "store/database.h"
#include "store/datesettings.h"
#include "store/schemas.h"
#include "store/table.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace px708::test {

class StoreFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(tmp_.isValid());
        DateSettings::applyAtStartUp(0, u"/");
        db_.setFolder(folder());
        db_.connect();
    }

    QString folder() const { return tmp_.path() + QStringLiteral("/database"); }
    std::string folderArg() const { return folder().toStdString(); }

    std::unique_ptr<Table> readings(const QString& file = QStringLiteral("1data.db")) {
        auto t = std::make_unique<Table>(db_, QStringLiteral("tbld"), readingsSchema());
        t->setFileName(file);
        return t;
    }
    std::unique_ptr<Table> settingsTable() {
        auto t = std::make_unique<Table>(db_, QStringLiteral("tblc"), settingsSchema());
        t->setFileName(QString::fromLatin1(kSettingsFileName));
        return t;
    }

    // Appends one row with the given tag and posts it.
    static void addRow(Table& t, const QString& tag) {
        t.append();
        t.fieldByName(u"tag").setAsString(tag);
        t.post();
    }

    QTemporaryDir tmp_;
    Database db_;
};

} // namespace px708::test
