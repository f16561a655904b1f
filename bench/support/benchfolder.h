#pragma once
// What the store benchmarks share: where they make their scratch folders (in the build tree,
// so that durable posts meet the disk the build lives on) and the process's resident memory.

#include <QFileInfo>
#include <QString>

#include <fstream>
#include <unistd.h>

namespace px708::bench {

// The build tree's root: the folder above the benchmark's bin/.
inline QString benchRoot() {
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(exe).absolutePath() + QStringLiteral("/..");
}

inline double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

} // namespace px708::bench
