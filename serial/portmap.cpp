#include "portmap.h"

#include <QSettings>
#include <QString>

#include <mutex>

namespace px708 {

namespace {
std::mutex mapLock;
std::map<int, std::string>& portMap() {
    static std::map<int, std::string> map;
    return map;
}
} // namespace

std::map<int, std::string> readPortMap(const std::string& iniPath) {
    std::map<int, std::string> result;
    QSettings ini(QString::fromStdString(iniPath), QSettings::IniFormat);
    ini.beginGroup(QStringLiteral("ports"));
    const QStringList keys = ini.childKeys();
    for (const QString& key : keys) {
        if (!key.startsWith(QLatin1String("COM"), Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = key.mid(3).toInt(&ok);
        if (ok && n > 0)
            result[n] = ini.value(key).toString().trimmed().toStdString();
    }
    return result;
}

void setPortMap(std::map<int, std::string> map) {
    std::lock_guard lock(mapLock);
    portMap() = std::move(map);
}

std::string devicePathForPort(int n) {
    std::lock_guard lock(mapLock);
    auto it = portMap().find(n);
    if (it != portMap().end() && !it->second.empty())
        return it->second;
    return "/dev/ttyS" + std::to_string(n - 1);
}

} // namespace px708
