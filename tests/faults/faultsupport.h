#pragma once
// What the fault tests need beside the main window of tests/datapage/datapagefixture.h:
// - a small disk: a tmpfs of a few hundred kilobytes mounted over a folder in the test's own
//   mount namespace (main.cpp makes it private before any thread starts), so that a write
//   meets ENOSPC as on a full disk, and so that a folder can be made read-only even for root;
// - other programs on the same files and port: this executable started again in a child mode
//   (main.cpp), or the real program build/bin/px708;
// - a look at a table file as it is on disk, from outside the window.

#include "tests/support/childprocess.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

namespace faults {

// True when main() could give the test a mount namespace of its own (root, or a user with the
// right to mount): only then can a small disk be made.
bool privateMounts();
void setPrivateMounts(bool available);

class SmallDisk {
public:
    // Mounts a tmpfs of the given size over folder; the files folder held are copied onto it.
    SmallDisk(const std::filesystem::path& folder, std::size_t bytes);
    // Unmounts (lazily, so that files still open do not keep it).
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    // Writes a filler file until the disk is full.
    void fill();
    // Removes the filler.
    void makeRoom();
    void setReadOnly(bool readOnly);

private:
    std::filesystem::path folder_;
    std::filesystem::path filler_;
};

// A program started with its standard input and output on pipes; its standard error is the
// test's. Killed and reaped when it goes.
// A second program: the real one, or this test executable in one of its child modes.
using Program = px708::test::ChildProcess;
// The arguments that start this test executable in one of its child modes (main.cpp).
std::vector<std::string> childArgs(const std::vector<std::string>& args);

// The rows of a readings table file as stored, read with a connection of its own: tag and
// Alpha of each row, in stored order. Also the integrity check's verdict.
struct StoredTable {
    bool opened = false;
    QString integrity;
    std::vector<std::pair<QString, QString>> rows; // tag, Alpha
};
StoredTable readStored(const QString& folder, const QString& fileName);

QByteArray contentOf(const QString& file);
void writeFile(const QString& file, const QByteArray& content);

// A CSV import file of rows lines after the header, tags 1 to rows, Alpha "csv <n>".
QByteArray csvFile(int rows);

} // namespace faults
