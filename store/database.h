#pragma once
// The table connection (Db1): the database folder that holds the seven table files,
// config.db and 1data.db to 6data.db, one SQLite file per table.
//
// connect() opens the folder. A folder that does not exist yet (a new installation) is
// created with the seven empty tables; the folder appears complete or not at all, so a first
// run cut short leaves nothing half made. An existing folder is never changed: a table file
// missing from it makes the opening of that table fail.
//
// Thread affinity: main thread. Contract: tables are opened only while connected.

#include <QString>

namespace px708 {

class Database {
public:
    explicit Database(QString componentName = QStringLiteral("Db1"));

    // $XDG_DATA_HOME/px708/database when XDG_DATA_HOME is an absolute path, otherwise
    // $HOME/.local/share/px708/database.
    static QString defaultFolder();

    const QString& componentName() const { return name_; }

    // The folder used by connect(); defaultFolder() unless set.
    void setFolder(const QString& folder);
    const QString& folder() const { return folder_; }

    // Raises DatabaseError ("Db1: ...") when the folder cannot be created or is not a folder.
    void connect();
    void disconnect() { connected_ = false; }
    bool connected() const { return connected_; }
    // True when the last connect() created the folder and its tables.
    bool createdTables() const { return created_; }

    // The table file's path in the folder.
    QString tablePath(const QString& fileName) const;

    // Writes the seven empty tables into folder (which must exist and be empty).
    static void createTables(const QString& component, const QString& folder);

private:
    QString name_;
    QString folder_;
    bool connected_ = false;
    bool created_ = false;
};

} // namespace px708
