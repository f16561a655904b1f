// The test executable, and the second program of the tests that need one: started with
// "--store-child <mode> <folder> <file> ..." it opens a table as another program would.
//   hold <folder> <file> shared|exclusive|edit   opens (and edits), prints "ready", waits for
//                                                 its input to close
//   post-stream <folder> <file>                   appends rows one post at a time, printing
//                                                 each row's number once its post returned
//   count <folder> <file>                         prints the number of rows
//   append <folder> <file> <tag>                  appends one row, prints "appended"

#include "store/database.h"
#include "store/schemas.h"
#include "store/storeerror.h"
#include "store/table.h"

#include <gtest/gtest.h>

#include <string>

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

int runChild(int argc, char** argv) {
    if (argc < 3)
        return 2;
    const std::string mode = argv[0];
    px708::Database db;
    db.setFolder(QString::fromLocal8Bit(argv[1]));
    const QString file = QString::fromLocal8Bit(argv[2]);
    const bool settings = file == QLatin1String(px708::kSettingsFileName);
    px708::Table table(db, settings ? QStringLiteral("tblc") : QStringLiteral("tbld"),
                       settings ? px708::settingsSchema() : px708::readingsSchema());
    table.setFileName(file);
    try {
        db.connect();
        if (mode == "hold") {
            const std::string how = argc > 3 ? argv[3] : "shared";
            table.setExclusive(how == "exclusive");
            table.open();
            if (how == "edit")
                table.edit();
            say("ready");
            char c;
            while (::read(0, &c, 1) > 0) {
            }
            return 0;
        }
        if (mode == "post-stream") {
            table.open();
            say("ready");
            for (int i = 1; i <= 1000000; ++i) {
                table.append();
                table.fieldByName(u"tag").setAsString(QString::number(i));
                table.fieldByName(u"Alpha").setAsString(QStringLiteral("row %1").arg(i));
                table.post();
                say(std::to_string(i));
            }
            return 0;
        }
        if (mode == "append" && argc > 3) {
            table.open();
            table.append();
            table.fieldByName(u"tag").setAsString(QString::fromLocal8Bit(argv[3]));
            table.post();
            say("appended");
            return 0;
        }
        if (mode == "count") {
            table.open();
            say(std::to_string(table.recordCount()));
            return 0;
        }
    } catch (const px708::StoreError& e) {
        say("error " + e.text().toStdString());
        return 1;
    }
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::string(argv[1]) == "--store-child")
        return runChild(argc - 2, argv + 2);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
