#include "ui/application.h"

#include "ui/accessibility.h"
#include "ui/errorbox.h"
#include "ui/paths.h"

#include <QIcon>

namespace px708 {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("px708"));
    setApplicationVersion(QStringLiteral(PX708_VERSION));
    installAccessibleInterfaces();
    // The program's icon, also the menu entry's; read when a window first shows it.
    setWindowIcon(QIcon(QString::fromStdString((dataFolder() / "px708.png").string())));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace px708
