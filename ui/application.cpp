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
    // The program's icon in the size of a title bar (the menu entry has the large one): the
    // icon is decoded here, and a large one would cost the start-up some milliseconds.
    setWindowIcon(QIcon(QString::fromStdString((dataFolder() / "px708-48.png").string())));
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    bool handled = false;
    guarded(activeWindow(), [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace px708
